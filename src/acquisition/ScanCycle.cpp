// The scan cycle: acquisition is a chain of single scans. Each handled scan
// becomes the displayed spectrum, its buffer goes back to the driver, the
// operator's pending input is handled, and only then is the next scan asked
// for. A scan that arrives while acquisition is stopped ends the chain.

#include <QCoreApplication>

#include "Xrt.h"
#include "acquisition/ControlCommands.h"
#include "acquisition/ViewHost.h"
#include "acquisition/VexlarView.h"
#include "display/RepaintGuard.h"

using namespace vexlar;
using vexlar::sys::WPARAM;

namespace {

constexpr std::int16_t kResetAverage = 1;
constexpr std::uint16_t kResetIntegrationTimeMs = 100;

}  // namespace

bool CVexlarView::event(QEvent* e)
{
    if (const auto* message = vexlar::sys::AsWindowMessage(e)) {
        const unsigned number = message->message();
        if (number == WM_SCAN_COMPLETE) {
            OnScanComplete(message->wParam());
            return true;
        }
        if (number >= WM_DRIVER_NOTIFY_FIRST && number <= WM_DRIVER_NOTIFY_LAST) {
            OnDriverNotify(message->wParam());
            return true;
        }
        if (number == WM_BAR_PARAM) {
            OnBarParam(static_cast<int>(message->wParam()));
            return true;
        }
        if (number == WM_REQUEST_NEXT_SCAN) {
            QDV_SingleScan(hinst);
            return true;
        }
        if (number == vexlar::sys::WM_TIMER && OnTimeAcqTimer(static_cast<unsigned>(message->wParam())))
            return true;
    }
    return QWidget::event(e);
}

void CVexlarView::OnScanComplete(WPARAM wParam)
{
    const auto bufferChannel = static_cast<std::int16_t>(wParam);
    // 1. The answer to a time-acquisition switching scan: give the buffer
    // back and put the run's acquisition values back.
    if (restorePending) {
        QDV_BufferEmpty(hinst, bufferChannel);
        params().IntegrationTime = savedIntegrationTime;
        params().Average = savedAverage;
        restorePending = 0;
        return;
    }
    // 2. A scan marked for discarding is dropped first, whether or not
    // acquisition is running, so the scan in flight when the operator leaves
    // additive mode consumes the mark and resuming later works at once.
    if (discardNext) {
        discardNext = 0;
        return;
    }
    // 3. Acquisition stopped: the chain ends here.
    if (!scanning)
        return;

    {
        // 4. The chart draws nothing until the new spectrum is attached.
        RepaintGuard repaint(chart());

        // 5. One pass over the pixels of the selected channel's buffer (its
        // spikes removed first while the operator has that on).
        const float* in = ScanForSpectrum();
        if (additive) {
            // A scan that could not be searched for spikes stays out of the sum.
            if (in) {
                for (int i = 0; i < kPixels; ++i)
                    spectrum[i] = (static_cast<double>(in[i]) - dark[i]) + spectrum[i];
                ++additions;
            }
        } else if (subtractDark) {
            for (int i = 0; i < kPixels; ++i)
                spectrum[i] = static_cast<double>(in[i]) - dark[i];
        } else {
            for (int i = 0; i < kPixels; ++i)
                spectrum[i] = static_cast<double>(in[i]);
        }
        if (cleaning_.subtractBaseline)
            UpdateShownSpectrum();

        // 6. Annotation rectangles are re-read from a freshly laid-out chart
        // after a resize or a scale change.
        if (annotationRefresh) {
            XrtSetValues(chart(), XRT_REPAINT, 1);
            for (AnnotationRecord& a : annotations) {
                if (a.inUse)
                    ReadBackGeometry(a);
            }
            annotationRefresh = 0;
            XrtSetValues(chart(), XRT_REPAINT, 0);
        }

        // 7.
        if (additive || cursorShown)
            UpdateReadout();

        // 8, 9.
        XrtDataSetYData(liveData, 0, ShownSpectrum(), kPixels);
        if (timeAcqRunning && darkPending)
            repaint.Release();  // the run's dark scan is not shown
        else
            XrtSetValues(chart(), XRT_DATA, liveData);
    }

    // 10.
    QDV_BufferEmpty(hinst, bufferChannel);
    // A calibration dialog averaging fresh scans takes the one just shown.
    freshScans_.Add(spectrum);

    // 11. During a timed series the run decides what comes next.
    if (timeAcqRunning) {
        OnSeriesScanComplete();
        return;
    }

    // 12.
    if (scanning)
        RequestNextScanAfterPendingMessages();
}

void CVexlarView::RequestNextScanAfterPendingMessages()
{
    // Posted behind everything already waiting, at low priority, so the
    // operator's input, commands and timers are handled before the next scan
    // is requested.
    QCoreApplication::postEvent(this, new vexlar::sys::WindowMessageEvent(WM_REQUEST_NEXT_SCAN, 0, 0),
                                Qt::LowEventPriority);
}

void CVexlarView::OnDriverNotify(WPARAM wParam)
{
    QDV_BufferEmpty(hinst, static_cast<std::int16_t>(wParam));
    QDV_SingleScan(hinst);
}

void CVexlarView::OnReset()
{
    DriverParams& p = params();
    // 1, 2.
    QDV_Stop(hinst);
    p.Average = kResetAverage;
    p.IntegrationTime = kResetIntegrationTimeMs;
    QDV_ParamSet(&p);
    // 3, 4.
    QDV_BufferEmpty(hinst, channel);
    additive = 0;
    // The control bar is about to say Continuous: make it true, so the scan
    // requested below is shown and the chain runs again.
    scanning = 1;
    // 5.
    if (host_) {
        host_->SetChecked(IDC_CONTINUOUS, true);
        host_->SetText(IDC_AVERAGE, std::to_string(p.Average));
        host_->SetText(IDC_BOXCAR, std::to_string(p.Boxcar));
        host_->SetText(IDC_INTEGRATION_TIME, std::to_string(static_cast<unsigned>(p.IntegrationTime)));
    }
    // 6.
    QDV_SingleScan(hinst);
}
