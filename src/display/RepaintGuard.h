#pragma once
// Brackets a chart update that changes several properties: repainting is
// suspended while the guard lives and resumed, with one redraw, when it goes.
// Release() leaves the bracket open for the cases where the chart must stay
// undrawn after the update.

#include "Xrt.h"

namespace vexlar {

class RepaintGuard {
public:
    explicit RepaintGuard(XrtHandle chart) : chart_(chart) { XrtSetValues(chart_, XRT_REPAINT, 0); }
    ~RepaintGuard()
    {
        if (active_)
            XrtSetValues(chart_, XRT_REPAINT, 1);
    }
    RepaintGuard(const RepaintGuard&) = delete;
    RepaintGuard& operator=(const RepaintGuard&) = delete;

    // Repainting stays suspended after the guard goes.
    void Release() { active_ = false; }

private:
    XrtHandle chart_;
    bool active_ = true;
};

}  // namespace vexlar
