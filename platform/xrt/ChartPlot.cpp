#include "ChartPlot.h"

#include "Chart.h"

namespace vexlar::xrt {

namespace {

// A clean scientific plot: white paper, thin dark axes with outward ticks.
const QColor kPaperColor(Qt::white);
const QColor kAxisColor(0x30, 0x30, 0x30);
const QColor kTextColor(0x20, 0x20, 0x20);
const QColor kGridColor(0xDD, 0xDD, 0xDD);
constexpr int kTickLabelPixelSize = 12;
constexpr int kTitlePixelSize = 13;
constexpr int kTickLengthOut = 5;
constexpr int kSubTickLengthOut = 3;
constexpr int kTickLabelPadding = 3;
constexpr int kTitlePadding = 4;
const char* const kOverlayLayer = "chart-overlay";
const char* const kLegendLayer = "legend";

QFont PixelFont(int pixelSize)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

void StyleAxis(QCPAxis* axis)
{
    const QPen axisPen(kAxisColor, 0);  // cosmetic: one pixel at any scale
    axis->setBasePen(axisPen);
    axis->setTickPen(axisPen);
    axis->setSubTickPen(axisPen);
    axis->setTickLengthIn(0);
    axis->setTickLengthOut(kTickLengthOut);
    axis->setSubTickLengthIn(0);
    axis->setSubTickLengthOut(kSubTickLengthOut);
    axis->setTickLabelFont(PixelFont(kTickLabelPixelSize));
    axis->setTickLabelColor(kTextColor);
    axis->setTickLabelPadding(kTickLabelPadding);
    axis->setLabelFont(PixelFont(kTitlePixelSize));
    axis->setLabelColor(kTextColor);
    axis->setLabelPadding(kTitlePadding);
    axis->setAntialiased(false);
    axis->grid()->setPen(QPen(kGridColor, 0, Qt::DotLine));
    axis->grid()->setZeroLinePen(Qt::NoPen);
    axis->grid()->setSubGridVisible(false);
    axis->grid()->setAntialiased(false);
}

}  // namespace

ChartPlot::ChartPlot(Chart* chart, QWidget* parent) : QCustomPlot(parent), chart_(chart)
{
    // The chart takes no input: the pointer falls through to the window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    SetUpLook();
    addLayer(QString::fromLatin1(kOverlayLayer), layer(QString::fromLatin1(kLegendLayer)), limAbove);
    new ChartOverlay(this, chart, QString::fromLatin1(kOverlayLayer));  // owned by the plot
}

void ChartPlot::paintEvent(QPaintEvent* event)
{
    // QCustomPlot's own handler would replot at once when the window has moved
    // to a screen of another pixel ratio. The buffers take the new ratio here
    // and the chart draws into them again in its own time; until then the
    // plot shows nothing new, as it does while repainting is off.
    const double ratio = devicePixelRatioF();
    if (!qFuzzyCompare(bufferDevicePixelRatio(), ratio)) {
        setBufferDevicePixelRatio(ratio);
        chart_->PixelRatioChanged();
        return;
    }
    QCustomPlot::paintEvent(event);
}

bool ChartPlot::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        chart_->WindowResized();
    return QCustomPlot::eventFilter(watched, event);
}

void ChartPlot::SetUpLook()
{
    setBackground(QBrush(kPaperColor));
    setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    setAntialiasedElements(QCP::aeNone);
    setNotAntialiasedElements(QCP::aeNone);
    setInteractions(QCP::Interactions());
    setAutoAddPlottableToLegend(true);
    for (QCPAxis* axis : {xAxis, yAxis, xAxis2, yAxis2})
        StyleAxis(axis);
    // The top and right axes are plain lines closing the plot area, when shown.
    for (QCPAxis* axis : {xAxis2, yAxis2}) {
        axis->setTicks(false);
        axis->setTickLabels(false);
        axis->setVisible(false);
    }
    legend->setFont(PixelFont(kTickLabelPixelSize));
    legend->setTextColor(kTextColor);
    legend->setBorderPen(QPen(kAxisColor, 0));
    legend->setBrush(QBrush(kPaperColor));
    legend->setVisible(false);
}

ChartOverlay::ChartOverlay(ChartPlot* plot, Chart* chart, const QString& layer)
    : QCPLayerable(plot, layer), plot_(plot), chart_(chart)
{ }

void ChartOverlay::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    applyAntialiasingHint(painter, false, QCP::aeItems);
}

void ChartOverlay::draw(QCPPainter* painter)
{
    chart_->DrawOverlay(plot_, painter);
}

QRect ChartOverlay::clipRect() const
{
    return plot_->viewport();
}

}  // namespace vexlar::xrt
