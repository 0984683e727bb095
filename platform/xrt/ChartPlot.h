#pragma once
// The QCustomPlot widget a chart draws on, and the layer that draws the
// chart's cursor and text areas above the data.

// QCustomPlot's header spells Qt's keywords, which this project keeps off
// (QT_NO_KEYWORDS); they are lent to it for the one include.
#define signals Q_SIGNALS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef foreach
#undef signals

namespace vexlar::xrt {

class Chart;

class ChartPlot : public QCustomPlot {
public:
    ChartPlot(Chart* chart, QWidget* parent);

    // Lays the plot out for its viewport without drawing.
    void LayOut() { updateLayout(); }
    // Draws into the plot's buffers and onto the screen at once. The only way
    // the plot draws: nothing reaches the screen that the chart did not ask for.
    void Render() { replot(rpImmediateRefresh); }

protected:
    // QCustomPlot starts a replot by itself only from its widget event
    // handlers: on a resize, on a paint that finds the screen's pixel ratio
    // changed, and on the mouse and the wheel. The plot handles each of them
    // without calling into QCustomPlot's replot, so that while the chart's
    // repainting is off the screen keeps what the chart last drew.

    // The chart decides the viewport and when to draw.
    void resizeEvent(QResizeEvent*) override { }
    // Shows what the chart last drew; a change of pixel ratio is left to the
    // chart to draw again.
    void paintEvent(QPaintEvent* event) override;
    // The chart takes no input: the pointer falls through to the window, as
    // it does past a plain widget.
    void mousePressEvent(QMouseEvent* event) override { QWidget::mousePressEvent(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { QWidget::mouseReleaseEvent(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { QWidget::mouseDoubleClickEvent(event); }
    void mouseMoveEvent(QMouseEvent* event) override { QWidget::mouseMoveEvent(event); }
    void wheelEvent(QWheelEvent* event) override { QWidget::wheelEvent(event); }
    // Follows the resizes of the window the plot lives in.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpLook();

    Chart* chart_;
};

class ChartOverlay : public QCPLayerable {
public:
    ChartOverlay(ChartPlot* plot, Chart* chart, const QString& layer);

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    ChartPlot* plot_;
    Chart* chart_;
};

}  // namespace vexlar::xrt
