#pragma once
// When the view's chart draws a new scan: at most once per display frame,
// right after the next scan has been asked for (so drawing never holds up
// the chain), and at the latest a frame after the scan arrived, by a frame
// timer of its own.

#include <QObject>

#include <functional>

#include "display/FramePacer.h"

class CVexlarView;

namespace vexlar {

// The chart's next display frame, when a scan waits to be painted.
constexpr unsigned kChartFrameTimerId = 1092;

class ChartPacer : public QObject {
    Q_OBJECT

public:
    explicit ChartPacer(CVexlarView& view);
    ~ChartPacer() override;

    // A new scan is attached to the chart, its repainting suspended: it
    // waits to be drawn, at the latest by the frame timer a frame from now.
    void Waiting();
    // Draws the waiting scan when a display frame has passed since the last
    // drawing.
    void PaintIfDue();
    // Nothing waits to be painted any more.
    void Cancel();
    // Runs just before the waiting scan is drawn: what must be made for the
    // frame alone (the spectrum less its baseline) is made there.
    std::function<void()> beforePaint;

protected:
    bool event(QEvent* event) override;

private:
    // Draws the waiting scan now.
    void PaintWaiting();

    CVexlarView& view_;
    display::FramePacer pacer_;
    bool timerSet_ = false;
};

}  // namespace vexlar
