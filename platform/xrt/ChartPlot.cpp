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
// The data lines' own layer, above the plot area and grid ("main", which
// also holds the plot area the axes belong to) and below the axes.
const char* const kDataLayer = "chart-data";
// Pixels around the plot area that a data line may reach (its clip is moved
// up by one pixel, as the plot library moves it).
constexpr int kLineMargin = 2;

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
    // The plot paints every one of its pixels (the kept picture is opaque):
    // nothing under it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetUpLook();
    addLayer(QString::fromLatin1(kOverlayLayer), layer(QString::fromLatin1(kLegendLayer)), limAbove);
    addLayer(QString::fromLatin1(kDataLayer), layer(QStringLiteral("main")), limAbove);
    overlay_ = new ChartOverlay(this, chart, QString::fromLatin1(kOverlayLayer));  // owned by the plot
}

ChartGraph* ChartPlot::AddGraph()
{
    auto* line = new ChartGraph(xAxis, yAxis);  // owned by the plot
    line->setLayer(QString::fromLatin1(kDataLayer));
    return line;
}

void ChartPlot::Render(bool stillChanged)
{
    const double ratio = devicePixelRatioF();
    if (stillChanged || still_.isNull() || still_.size() != size() * ratio ||
        !qFuzzyCompare(still_.devicePixelRatio(), ratio))
        KeepStillParts();
    // The frame is kept whole: a paint the window asks for later (an expose,
    // a resize) shows what the chart drew last, whatever changed since.
    if (frame_.size() != still_.size()) {
        frame_ = QPixmap(still_.size());
        frame_.setDevicePixelRatio(ratio);
        frameWhole_ = false;
    }
    // A new scan alone changes only the plot area, where its lines are, when
    // nothing is drawn over the chart: only that part is drawn again.
    const bool whole = stillChanged || !frameWhole_ || chart_->OverlayShown() || overlayWasShown_;
    overlayWasShown_ = chart_->OverlayShown();
    const QRect changed =
        whole ? rect() : xAxis->axisRect()->rect().adjusted(-kLineMargin, -kLineMargin, kLineMargin, kLineMargin);
    {
        QCPPainter painter(&frame_);
        PaintLayers(&painter, changed);
    }
    frameWhole_ = true;
    // The plot library's own paint buffers (made by the replot its
    // constructor queues) are never drawn from: the chart keeps its own
    // picture and frame, and they go.
    if (!mPaintBuffers.isEmpty())
        mPaintBuffers.clear();
    repaint(changed);
}

void ChartPlot::KeepStillParts()
{
    const double ratio = devicePixelRatioF();
    setBufferDevicePixelRatio(ratio);
    // Everything but the data lines and the overlay, laid out for the
    // viewport as the screen shows it.
    QCPLayer* data = layer(QString::fromLatin1(kDataLayer));
    QCPLayer* above = layer(QString::fromLatin1(kOverlayLayer));
    data->setVisible(false);
    above->setVisible(false);
    const QSize pixels = size() * ratio;
    if (still_.size() != pixels || !qFuzzyCompare(still_.devicePixelRatio(), ratio)) {
        still_ = QPixmap(pixels);
        still_.setDevicePixelRatio(ratio);
    }
    {
        QCPPainter painter(&still_);
        toPainter(&painter, viewport().width(), viewport().height());
    }
    data->setVisible(true);
    above->setVisible(true);
}

void ChartPlot::PaintLayers(QCPPainter* painter, const QRect& changed)
{
    const double ratio = still_.devicePixelRatio();
    painter->drawPixmap(
        QRectF(changed), still_,
        QRectF(changed.x() * ratio, changed.y() * ratio, changed.width() * ratio, changed.height() * ratio));
    for (int i = 0; i < graphCount(); ++i) {
        if (auto* line = dynamic_cast<ChartGraph*>(graph(i)); line && line->realVisibility())
            line->DrawNow(painter);
    }
    overlay_->DrawNow(painter);
}

bool ChartGraph::IsPlainLine() const
{
    return lineStyle() == lsLine && scatterStyle().isNone() && pen().style() == Qt::SolidLine &&
           pen().widthF() == 0.0 && !antialiased() && keyAxis()->scaleType() == QCPAxis::stLinear &&
           valueAxis()->scaleType() == QCPAxis::stLinear && keyAxis()->orientation() == Qt::Horizontal;
}

void ChartGraph::DrawNow(QCPPainter* painter)
{
    const QRect clip = clipRect().translated(0, -1);
    if (!IsPlainLine()) {
        painter->save();
        painter->setClipRect(clip);
        applyDefaultAntialiasingHint(painter);
        draw(painter);
        painter->restore();
        return;
    }
    // Both axes are linear: a pixel is a + b × value, found once per frame.
    const double x0 = keyAxis()->coordToPixel(0.0);
    const double xScale = keyAxis()->coordToPixel(1.0) - x0;
    const double y0 = valueAxis()->coordToPixel(0.0);
    const double yScale = valueAxis()->coordToPixel(1.0) - y0;
    const QCPGraphDataContainer& points = *data();
    points_.resize(static_cast<std::size_t>(points.size()));
    std::size_t n = 0;
    for (auto it = points.constBegin(); it != points.constEnd(); ++it)
        points_[n++] = QPointF(x0 + xScale * it->key, y0 + yScale * it->value);
    if (n < 2)
        return;
    painter->setClipRect(clip);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(points_.data(), static_cast<int>(n));
    painter->setClipping(false);
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
    QPainter painter(this);
    if (frame_.isNull())
        painter.fillRect(event->rect(), kPaperColor);  // nothing drawn yet
    else
        painter.drawPixmap(0, 0, frame_);
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
    setPlottingHints(QCP::phCacheLabels);
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

void ChartOverlay::DrawNow(QCPPainter* painter)
{
    // Last on the painter: its state is set, not saved and restored. An
    // overlay over the whole plot needs no clipping.
    if (clipRect().contains(plot_->rect()))
        painter->setClipping(false);
    else
        painter->setClipRect(clipRect().translated(0, -1));
    applyDefaultAntialiasingHint(painter);
    draw(painter);
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
