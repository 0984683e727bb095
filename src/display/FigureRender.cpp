#include "display/FigureRender.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>

#include "Xrt.h"
#include "display/FigureSize.h"
#include "files/SpectrumMetadata.h"

namespace vexlar::display {

namespace {

const QColor kPaper(Qt::white);

QString Creator()
{
    return QStringLiteral("%1 %2").arg(files::kProgramName, files::kProgramVersion);
}

// Draws the whole chart into the rectangle (0, 0, width, height) of the
// painter's device; false with the reason.
bool DrawChart(XrtHandle chart, QPainter& painter, int width, int height, std::string* reason)
{
    if (!painter.isActive()) {
        *reason = "the figure could not be started";
        return false;
    }
    if (!XrtDrawToDC(chart, &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, width, height)) {
        *reason = "the chart could not be drawn (" + XrtGetLastError() + ")";
        return false;
    }
    return true;
}

bool HasArea(QSize chartSize, double screenDpi, std::string* reason)
{
    if (chartSize.width() > 0 && chartSize.height() > 0 && screenDpi > 0.0)
        return true;
    *reason = "the chart window has no area to draw";
    return false;
}

}  // namespace

bool RenderPngFigure(XrtHandle chart, QSize chartSize, double screenDpi, int dpi, QByteArray* bytes,
                     std::string* reason)
{
    if (!HasArea(chartSize, screenDpi, reason))
        return false;
    const FigurePixels size = FigureSizeAt(chartSize.width(), chartSize.height(), screenDpi, dpi);
    if (!FigureFits(size)) {
        *reason = "an image of " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                  " pixels is too large; choose a lower resolution";
        return false;
    }
    QImage image(static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_RGB32);
    if (image.isNull()) {
        *reason = "there is not enough memory for an image of " + std::to_string(size.width) + " x " +
                  std::to_string(size.height) + " pixels";
        return false;
    }
    image.setDotsPerMeterX(DotsPerMetre(dpi));
    image.setDotsPerMeterY(DotsPerMetre(dpi));
    image.fill(kPaper);
    {
        QPainter painter(&image);
        if (!DrawChart(chart, painter, image.width(), image.height(), reason))
            return false;
    }
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        *reason = "the image could not be encoded as PNG";
        return false;
    }
    return true;
}

bool RenderSvgFigure(XrtHandle chart, QSize chartSize, double screenDpi, const QString& title, QByteArray* bytes,
                     std::string* reason)
{
    if (!HasArea(chartSize, screenDpi, reason))
        return false;
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    // One unit of the drawing is one pixel of the chart on the screen, and
    // the drawing states the chart's size on the screen.
    svg.setSize(chartSize);
    svg.setViewBox(QRect(QPoint(0, 0), chartSize));
    svg.setResolution(static_cast<int>(std::lround(screenDpi)));
    svg.setTitle(title);
    svg.setDescription(Creator());
    QPainter painter(&svg);
    if (!DrawChart(chart, painter, chartSize.width(), chartSize.height(), reason))
        return false;
    painter.end();  // the drawing reaches the buffer whole
    return true;
}

bool RenderPdfFigure(XrtHandle chart, QSize chartSize, double screenDpi, const QString& title, QByteArray* bytes,
                     std::string* reason)
{
    if (!HasArea(chartSize, screenDpi, reason))
        return false;
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    // A page the size of the chart on the screen, without margins; the
    // drawing is vector, so it keeps its sharpness at any zoom.
    pdf.setResolution(static_cast<int>(std::lround(screenDpi)));
    pdf.setPageSize(QPageSize(QSizeF(chartSize.width() / screenDpi, chartSize.height() / screenDpi), QPageSize::Inch,
                              QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setTitle(title);
    pdf.setCreator(Creator());
    QPainter painter(&pdf);
    if (!DrawChart(chart, painter, pdf.width(), pdf.height(), reason))
        return false;
    painter.end();
    return true;
}

}  // namespace vexlar::display
