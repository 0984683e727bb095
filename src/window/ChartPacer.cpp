#include "window/ChartPacer.h"

#include <QScreen>

#include "Messages.h"
#include "TickCount.h"
#include "WindowTimers.h"
#include "Xrt.h"
#include "window/VexlarView.h"

namespace vexlar {

ChartPacer::ChartPacer(CVexlarView& view) : view_(view) { }

ChartPacer::~ChartPacer()
{
    Cancel();
}

void ChartPacer::Waiting()
{
    const std::uint32_t now = sys::GetTickCount();
    const QScreen* shownOn = view_.screen();
    pacer_.Waiting(now, display::FrameIntervalMs(shownOn ? shownOn->refreshRate() : 0.0));
    // Should no chance to draw come sooner (the chain stopped meanwhile),
    // the frame timer draws it a frame from now.
    if (!timerSet_)
        timerSet_ = sys::SetTimer(this, kChartFrameTimerId, pacer_.DeadlineMs(now));
}

void ChartPacer::PaintIfDue()
{
    if (pacer_.Due(sys::GetTickCount()))
        PaintWaiting();
}

bool ChartPacer::event(QEvent* e)
{
    if (const auto* message = sys::AsWindowMessage(e)) {
        if (message->message() == sys::WM_TIMER && message->wParam() == kChartFrameTimerId) {
            // The frame timer: the scan attached last is drawn.
            if (pacer_.Pending())
                PaintWaiting();
            else
                Cancel();
            return true;
        }
    }
    return QObject::event(e);
}

void ChartPacer::PaintWaiting()
{
    Cancel();
    pacer_.Painted(sys::GetTickCount());
    if (beforePaint)
        beforePaint();
    // Repainting resumed meanwhile (another command's bracket ended) has
    // drawn the scan already.
    int repaint = 1;
    XrtGetValues(view_.chart(), XRT_REPAINT, &repaint);
    if (!repaint)
        XrtSetValues(view_.chart(), XRT_REPAINT, 1);
}

void ChartPacer::Cancel()
{
    pacer_.Cancel();
    if (timerSet_) {
        sys::KillTimer(this, kChartFrameTimerId);
        timerSet_ = false;
    }
}

}  // namespace vexlar
