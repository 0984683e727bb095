#include "calibration/ResidualPlot.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "calibration/CalibrationText.h"

namespace vexlar {

namespace {

constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 12;
constexpr int kTopMargin = 10;
constexpr int kBottomMargin = 38;
constexpr int kTickLength = 4;
constexpr int kPointRadius = 3;
constexpr int kTargetTicks = 5;
constexpr double kPadding = 0.06;  // share of a range left free at either end

struct Range {
    double low;
    double high;
};

// A step of 1, 2 or 5 times a power of ten giving about kTargetTicks ticks.
double NiceStep(double span)
{
    const double raw = span / kTargetTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10.0 * power;
}

int DecimalsFor(double step)
{
    return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

Range Padded(double low, double high)
{
    if (!(high > low)) {
        const double half = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
        return {low - half, high + half};
    }
    const double pad = (high - low) * kPadding;
    return {low - pad, high + pad};
}

}  // namespace

ResidualPlot::ResidualPlot(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void ResidualPlot::SetAxisTitles(const QString& x, const QString& y)
{
    xTitle_ = x;
    yTitle_ = y;
    update();
}

void ResidualPlot::SetPoints(std::vector<Point> points, std::optional<double> meanLevel)
{
    points_ = std::move(points);
    meanLevel_ = meanLevel;
    update();
}

QSize ResidualPlot::sizeHint() const
{
    return {560, 180};
}

QSize ResidualPlot::minimumSizeHint() const
{
    return {240, 120};
}

void ResidualPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(kLeftMargin, kTopMargin, width() - kLeftMargin - kRightMargin,
                      height() - kTopMargin - kBottomMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;

    double xLow = 0.0;
    double xHigh = 1.0;
    double yMagnitude = 0.0;
    if (!points_.empty()) {
        xLow = xHigh = points_.front().x;
        for (const Point& p : points_) {
            xLow = std::min(xLow, p.x);
            xHigh = std::max(xHigh, p.x);
            yMagnitude = std::max(yMagnitude, std::fabs(p.y));
        }
    }
    if (meanLevel_)
        yMagnitude = std::max(yMagnitude, std::fabs(*meanLevel_));
    if (!(yMagnitude > 0.0) || !std::isfinite(yMagnitude))
        yMagnitude = 1.0;
    const Range x = Padded(xLow, xHigh);
    const Range y = Padded(-yMagnitude, yMagnitude);
    const auto toScreen = [&](double px, double py) {
        return QPointF(area.left() + (px - x.low) / (x.high - x.low) * area.width(),
                       area.bottom() - (py - y.low) / (y.high - y.low) * area.height());
    };

    // Frame, ticks and their labels.
    const QColor ink(40, 40, 40);
    painter.setPen(QPen(ink, 1));
    painter.drawRect(area);
    const QFontMetrics metrics = painter.fontMetrics();
    const double xStep = NiceStep(x.high - x.low);
    for (double t = std::ceil(x.low / xStep) * xStep; t <= x.high; t += xStep) {
        const QPointF at = toScreen(t, y.low);
        painter.drawLine(at, at - QPointF(0, kTickLength));
        const QString label = QString::fromStdString(calibration::FixedText(t, DecimalsFor(xStep)));
        painter.drawText(QPointF(at.x() - metrics.horizontalAdvance(label) / 2.0, at.y() + metrics.ascent() + 2),
                         label);
    }
    const double yStep = NiceStep(y.high - y.low);
    for (double t = std::ceil(y.low / yStep) * yStep; t <= y.high; t += yStep) {
        const QPointF at = toScreen(x.low, t);
        painter.drawLine(at, at + QPointF(kTickLength, 0));
        const QString label = QString::fromStdString(calibration::FixedText(t, DecimalsFor(yStep)));
        painter.drawText(QPointF(at.x() - metrics.horizontalAdvance(label) - 3, at.y() + metrics.ascent() / 2.0 - 1),
                         label);
    }
    painter.drawText(QRectF(area.left(), height() - metrics.height() - 1, area.width(), metrics.height()),
                     Qt::AlignHCenter, xTitle_);
    painter.save();
    painter.translate(metrics.height() / 2.0 + 1, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -metrics.height() / 2.0, area.height(), metrics.height()),
                     Qt::AlignHCenter, yTitle_);
    painter.restore();

    // Zero and mean lines, then the points.
    painter.setClipRect(area);
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    painter.drawLine(toScreen(x.low, 0.0), toScreen(x.high, 0.0));
    if (meanLevel_) {
        painter.setPen(QPen(QColor(30, 90, 200), 1, Qt::DashLine));
        painter.drawLine(toScreen(x.low, *meanLevel_), toScreen(x.high, *meanLevel_));
    }
    for (const Point& p : points_) {
        const QPointF at = toScreen(p.x, p.y);
        if (p.rejected) {
            painter.setPen(QPen(QColor(200, 30, 30), 1.5));
            painter.drawLine(at + QPointF(-kPointRadius, -kPointRadius), at + QPointF(kPointRadius, kPointRadius));
            painter.drawLine(at + QPointF(-kPointRadius, kPointRadius), at + QPointF(kPointRadius, -kPointRadius));
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(30, 90, 200));
            painter.drawEllipse(at, kPointRadius, kPointRadius);
        }
    }
}

}  // namespace vexlar
