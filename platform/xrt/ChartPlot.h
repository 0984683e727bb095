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
    // the plot draws: replots QCustomPlot would start by itself are held off,
    // so nothing reaches the screen that the chart did not ask for.
    void Render();

protected:
    // The chart decides the viewport and when to draw; QCustomPlot's own
    // handler would replot on every resize.
    void resizeEvent(QResizeEvent*) override {}
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
