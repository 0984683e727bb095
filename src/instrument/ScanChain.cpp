// The scan chain: acquisition is a chain of single scans. Each handled scan
// becomes the spectrum, its buffer goes back to the driver, the operator's
// pending input is handled, and only then is the next scan asked for. A
// scan that arrives while acquisition is stopped ends the chain.
//
// The engine keeps count of the scans it has asked for and not yet received
// (ScanQueue): a resume asks for a scan only when none that continues the
// chain is on its way, so there is never a second request in flight, and a
// discard mark or a switching scan's restore applies to the scan it was
// meant for.

#include <QCoreApplication>

#include <string>

#include "WindowTimers.h"
#include "acquisition/ScanArithmetic.h"
#include "instrument/Instrument.h"

using namespace vexlar;
using vexlar::sys::WPARAM;

namespace {

constexpr std::int16_t kResetAverage = 1;
constexpr std::uint16_t kResetIntegrationTimeMs = 100;

// Failed scans in a row after which the operator is told the spectrometer
// is not delivering: a few, so that an occasional failure says nothing.
constexpr int kFailedScansNoted = 5;
constexpr char kIdleText[] = "Ready";
constexpr char kSeriesEndedByReset[] = "Time acquisition stopped by Reset";
constexpr char kSeriesWaitsForAcquisition[] = " - acquisition is stopped: Continuous lets the series go on";

std::string NotDeliveringText(int failed)
{
    return "The spectrometer is not delivering scans: the last " + std::to_string(failed) +
           " requests failed. Vexlar keeps asking.";
}

}  // namespace

bool Instrument::event(QEvent* e)
{
    if (const auto* message = sys::AsWindowMessage(e)) {
        const unsigned number = message->message();
        if (number == WM_SCAN_COMPLETE) {
            OnScanComplete(message->wParam());
            return true;
        }
        if (number >= WM_DRIVER_NOTIFY_FIRST && number <= WM_DRIVER_NOTIFY_LAST) {
            OnDriverNotify(message->wParam());
            return true;
        }
        if (number == WM_REQUEST_NEXT_SCAN) {
            // Counted as owed since it was posted.
            QDV_SingleScan(hinst_);
            // The scan just handled is drawn while the spectrometer takes
            // the next one, so drawing never holds up the chain.
            Q_EMIT chartMayDraw();
            return true;
        }
        if (number == sys::WM_TIMER && OnSeriesTimer(static_cast<unsigned>(message->wParam())))
            return true;
    }
    return QObject::event(e);
}

void Instrument::OnScanComplete(WPARAM wParam)
{
    const auto bufferChannel = static_cast<std::int16_t>(wParam);
    const bool switchingScan = timeAcq_.restorePending && scanQueue_.NextIsSwitching();
    scanQueue_.ScanArrived();
    NoteScanDelivered();
    // The answer to a time-acquisition switching scan: give the buffer back
    // and put the run's acquisition values back.
    if (switchingScan) {
        QDV_BufferEmpty(hinst_, bufferChannel);
        timed::EndSwitchingScan(timeAcq_, mutableParams().IntegrationTime, mutableParams().Average);
        return;
    }
    // A scan marked for discarding is dropped first, whether or not
    // acquisition is running, so the scan in flight when the operator left
    // additive mode consumes the mark. (A resume meanwhile asked for a scan
    // of its own.)
    if (flags_.discardNext) {
        flags_.discardNext = false;
        return;
    }
    // Acquisition stopped: the chain ends here. Should a running series
    // have waited for this scan, the status bar says how it goes on.
    if (!flags_.scanning) {
        if (timeAcq_.timeAcqRunning && timeAcq_.scanAwaited)
            Q_EMIT statusText(timeAcq_.seriesStatus + kSeriesWaitsForAcquisition);
        return;
    }

    // The selected channel's buffer, its spikes removed first while the
    // operator has that on.
    const float* in = nullptr;
    if (!ScanForSpectrum(&in)) {
        // One reading of an average the engine takes itself: the next one is
        // asked for (unless one is on its way), and nothing changes on the
        // display or in a series until the average is complete.
        QDV_BufferEmpty(hinst_, bufferChannel);
        if (!ChainScanComing())
            RequestNextScanAfterPendingMessages();
        return;
    }

    // One pass over the pixels of the scan. A scan that could not be
    // searched for spikes stays out of the sum.
    const acquisition::ScanUse use = acquisition::UseOfScan(flags_.additive, flags_.subtractDark);
    if (use != acquisition::ScanUse::AddToSum || in)
        acquisition::ApplyScan(use, in, workspace_.dark, workspace_.spectrum, kPixels);
    if (use == acquisition::ScanUse::AddToSum) {
        if (in) {
            ++flags_.additions;
            spectrumMade_ = {true, flags_.additions};
        }
    } else {
        spectrumMade_ = {use == acquisition::ScanUse::SubtractDark && flags_.darkStored, 0};
    }
    if (cleaning_.subtractBaseline)
        UpdateShownSpectrum();
    // The new spectrum to the listeners; the run's dark scan is not shown.
    Q_EMIT scanProcessed(!(timeAcq_.timeAcqRunning && timeAcq_.darkPending));

    QDV_BufferEmpty(hinst_, bufferChannel);
    // A calibration dialog averaging fresh scans takes the one just shown.
    freshScans_.Add(workspace_.spectrum);

    // During a timed series the run decides what comes next.
    if (timeAcq_.timeAcqRunning) {
        Q_EMIT chartMayDraw();
        OnSeriesScanComplete();
        return;
    }

    // The next scan, once the operator's pending input has been handled; the
    // chart is drawn right after it is asked for.
    if (flags_.scanning)
        RequestNextScanAfterPendingMessages();
    else
        Q_EMIT chartMayDraw();
}

void Instrument::RequestNextScanAfterPendingMessages()
{
    // Posted behind everything already waiting, at low priority, so the
    // operator's input, commands and timers are handled before the next scan
    // is requested. The scan is owed from now on: a resume meanwhile does
    // not ask again.
    scanQueue_.Requested();
    QCoreApplication::postEvent(this, new sys::WindowMessageEvent(WM_REQUEST_NEXT_SCAN, 0, 0), Qt::LowEventPriority);
}

void Instrument::RequestScan()
{
    // A new chain of scans: readings of an average before it are not its.
    cleaning_.readings.Restart();
    scanQueue_.Requested();
    QDV_SingleScan(hinst_);
}

void Instrument::StopScans()
{
    QDV_Stop(hinst_);
    // Scans the driver finished before it stopped may still wait in the
    // queue, and so may the engine's own next-scan request: they belong to
    // the chain just stopped, and would otherwise be taken for the answer to
    // the next request.
    QCoreApplication::removePostedEvents(this, sys::kWindowMessageEventType);
    scanQueue_.Cancelled();
    // Nothing is left in flight to discard, and a switching scan cancelled
    // gives its acquisition values back now: no answer will.
    flags_.discardNext = false;
    timed::EndSwitchingScan(timeAcq_, mutableParams().IntegrationTime, mutableParams().Average);
}

void Instrument::ResumeScanChain()
{
    // A scan already on its way goes on with the chain: a second request
    // would keep two in flight for good. A timed series asks for its own
    // scans, but one it waits for that acquisition dropped while stopped is
    // asked for again, so that the series goes on.
    const bool wanted = !timeAcq_.timeAcqRunning || timeAcq_.scanAwaited;
    if (wanted && !ChainScanComing())
        RequestScan();
}

bool Instrument::ChainScanComing() const
{
    // Of the scans owed, the one marked for discarding and a switching scan
    // do not go on with the chain.
    return scanQueue_.owed() - (flags_.discardNext ? 1 : 0) - (timeAcq_.restorePending ? 1 : 0) > 0;
}

void Instrument::OnDriverNotify(WPARAM wParam)
{
    // A failed scan answers its request; the driver is asked again at once,
    // whatever the state of the workspace.
    scanQueue_.FailedAndAskedAgain(timeAcq_.restorePending);
    QDV_BufferEmpty(hinst_, static_cast<std::int16_t>(wParam));
    QDV_SingleScan(hinst_);
    ++failedScansInARow_;
    if (failedScansInARow_ >= kFailedScansNoted)
        Q_EMIT statusText(NotDeliveringText(failedScansInARow_));
}

bool Instrument::IsDeliveryFailing() const
{
    return failedScansInARow_ >= kFailedScansNoted;
}

void Instrument::NoteScanDelivered()
{
    if (failedScansInARow_ >= kFailedScansNoted) {
        // Scans arrive again: the note goes, and what it covered comes back.
        if (timeAcq_.timeAcqRunning)
            ShowSeriesStatus(timeAcq_.seriesStatus);
        else
            Q_EMIT statusText(kIdleText);
    }
    failedScansInARow_ = 0;
}

void Instrument::Reset()
{
    // Reset changes the integration time and averages a timed series takes
    // its spectra with, and its scan is a live one, never a series file: a
    // running series ends here, as Stop ends it, and the status bar says so.
    const bool endsSeries = timeAcq_.timeAcqRunning;
    if (endsSeries)
        StopSeries();
    DriverParams& p = mutableParams();
    // Stop the scan in progress, then one average at 100 ms.
    StopScans();
    p.Average = kResetAverage;
    p.IntegrationTime = kResetIntegrationTimeMs;
    SendParamsToDriver();
    QDV_BufferEmpty(hinst_, workspace_.channel);
    flags_.additive = false;
    // The control bar is about to say Continuous: make it true, so the scan
    // requested below is shown and the chain runs again.
    flags_.scanning = true;
    Q_EMIT continuousShown(true);
    Q_EMIT acquisitionValuesChanged();
    // Stop cancelled every request: this one starts the chain again.
    RequestScan();
    if (endsSeries)
        Q_EMIT statusText(kSeriesEndedByReset);
}
