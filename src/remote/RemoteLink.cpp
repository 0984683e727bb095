#include "remote/RemoteLink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

#include "TickCount.h"
#include "calibration/CalibrationText.h"
#include "calibration/LampCalibration.h"
#include "calibration/RamanShiftCheck.h"
#include "calibration/ReferenceLines.h"
#include "instrument/Instrument.h"
#include "peaks/PeakSearch.h"

namespace vexlar::remote {

namespace {

constexpr int kWatchdogTickMs = 250;
// The 12-bit detector's full scale: a scan that reaches it is saturated.
constexpr float kFullScale = 4095.0f;

calibration::Polynomial ChannelPolynomial(const Instrument& engine)
{
    const calibration::Coefficients k =
        calibration::ChannelCoefficients(engine.calibration(), engine.workspace().channel);
    calibration::Polynomial p;
    p.c = {k.intercept, k.first, k.second, k.third};
    return p;
}

std::string Json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

RemoteLink::RemoteLink(Instrument& engine, const RemoteOptions& options, QObject* parent)
    : QObject(parent), engine_(engine), options_(options)
{
    lastCallMs_ = sys::GetTickCount();
    connect(&engine_, &Instrument::scanProcessed, this, &RemoteLink::OnScanProcessed);
    connect(&engine_, &Instrument::statusText, this, [this](const std::string& text) { status_ = text; });
    // The laser switched off by anything else (the window, a series, Stop)
    // is no longer a client's.
    connect(&engine_, &Instrument::laserChanged, this, [this](bool on) {
        if (!on)
            ReleaseLaser();
    });
    connect(&watchdog_, &QTimer::timeout, this, &RemoteLink::CheckWatchdog);
    watchdog_.start(kWatchdogTickMs);
}

RemoteLink::~RemoteLink()
{
    Close();
    if (laserHeld_)
        engine_.SwitchLaserOff();
}

void RemoteLink::Close()
{
    closed_ = true;
}

void RemoteLink::RunVoid(std::function<void()> work, int waitMs)
{
    Run<bool>(
        [work = std::move(work)] {
            work();
            return true;
        },
        waitMs);
}

void RemoteLink::NoteCall()
{
    lastCallMs_ = sys::GetTickCount();
}

void RemoteLink::SetLaser(bool on)
{
    if (!on) {
        engine_.SwitchLaserOff();
        return;
    }
    if (!options_.allowLaser)
        throw Refused("Remote laser control is not allowed: the operator allows it in Setup > Remote Control "
                      "(or with --allow-remote-laser).");
    engine_.SetLaser(true);
    if (!laserHeld_) {
        laserHeld_ = true;
        Q_EMIT laserHeldChanged(true);
    }
}

void RemoteLink::ReleaseLaser()
{
    if (!laserHeld_)
        return;
    laserHeld_ = false;
    Q_EMIT laserHeldChanged(false);
}

void RemoteLink::CheckWatchdog()
{
    // A client waiting for its Acquire is still there. A sum ended by
    // anything else (the operator's Continuous, Stop) fails the Acquire now
    // rather than at its far bound.
    if (acquireDone_ && !engine_.flags().additive) {
        acquireDone_->set_exception(std::make_exception_ptr(
            Refused("The sum was ended before its " + std::to_string(acquireScans_) + " scans were in.")));
        acquireDone_.reset();
    }
    if (acquireDone_)
        NoteCall();
    if (seriesHeld_ && !engine_.IsSeriesRunning())
        seriesHeld_ = false;
    // A laser a client switched on (itself or by its series) goes off when
    // no client has called for the watchdog's time: a client that went
    // away leaves no laser on.
    const std::uint32_t quietMs = sys::GetTickCount() - lastCallMs_.load();  // the tick count wraps
    if ((!laserHeld_ && !seriesHeld_) || quietMs <= static_cast<std::uint32_t>(options_.watchdogSeconds) * 1000u)
        return;
    const std::string why =
        "Laser switched off: no client called the device for " + std::to_string(options_.watchdogSeconds) + " s";
    if (seriesHeld_) {
        seriesHeld_ = false;
        engine_.StopSeries();
    }
    engine_.SwitchLaserOff();
    status_ = why;
    Q_EMIT engine_.statusText(why);
}

void RemoteLink::StartSeries(bool togglesLaser)
{
    seriesHeld_ = togglesLaser;
}

void RemoteLink::Stop()
{
    if (engine_.IsSeriesRunning())
        engine_.StopSeries();
    seriesHeld_ = false;
    if (engine_.flags().additive)
        engine_.ToggleAdditiveMode();
    else
        engine_.StopForAdditive();
}

void RemoteLink::OnScanProcessed(bool shown)
{
    const acquisition::AcquisitionWorkspace& w = engine_.workspace();
    const float* raw = w.raw[w.channel];
    saturated_ = std::any_of(raw, raw + kPixels, [](float v) { return v >= kFullScale; });
    if (acquireDone_ && engine_.flags().additive && engine_.flags().additions >= acquireScans_) {
        // The sum holds its scans: acquisition stops, the sum stays shown.
        engine_.ToggleAdditiveMode();
        acquireDone_->set_value();
        acquireDone_.reset();
    }
    if (!shown)
        return;
    ++scanCount_;
    if (onScanShown)
        onScanShown(engine_.ShownSpectrum(), kPixels, scanCount_);
}

DeviceState RemoteLink::State() const
{
    if (engine_.IsDeliveryFailing())
        return DeviceState::Fault;
    if (saturated_)
        return DeviceState::Alarm;
    return engine_.flags().scanning ? DeviceState::Running : DeviceState::On;
}

std::shared_future<void> RemoteLink::StartAcquire(int scans)
{
    if (scans < 1)
        throw Refused("Acquire needs a number of scans of at least 1.");
    if (acquireDone_)
        throw Refused("An Acquire is already under way.");
    if (!engine_.flags().darkStored)
        throw Refused("You must store a dark spectrum before\nentering the Additive Mode.");
    // A fresh sum: additive mode left, its count cleared, entered again.
    if (engine_.flags().additive)
        engine_.ToggleAdditiveMode();
    engine_.StopForAdditive();
    const std::string refusal = engine_.ToggleAdditiveMode();
    if (!refusal.empty())
        throw Refused(refusal);
    acquireScans_ = scans;
    acquireDone_ = std::make_shared<std::promise<void>>();
    return acquireDone_->get_future().share();
}

void RemoteLink::FindPeaks()
{
    peakPixels_.clear();
    peakHeights_.clear();
    const acquisition::AcquisitionWorkspace& w = engine_.workspace();
    const double* shown = engine_.ShownSpectrum();
    peaks::SearchPeaks(shown, peaks::FirstCandidate(w.xAxisMode, w.ramanShift), options_.criteria, [&](int pixel) {
        peakPixels_.push_back(pixel);
        peakHeights_.push_back(shown[pixel]);
    });
}

std::vector<double> RemoteLink::peakPositions() const
{
    // Each peak keeps its pixel: a change of axis, laser line or
    // calibration moves its x as it moves the window's labels.
    const double* x = engine_.ShownX();
    std::vector<double> positions;
    positions.reserve(peakPixels_.size());
    for (int pixel : peakPixels_)
        positions.push_back(x[pixel]);
    return positions;
}

std::vector<double> RemoteLink::peakHeights() const
{
    return peakHeights_;
}

std::string RemoteLink::CalibrateFromLamp()
{
    const calibration::MeasurementSource source = engine_.CalibrationSource();
    const std::vector<double> spectrum = source.displayed();
    const calibration::LampCalibrationResult result = calibration::CalibrateFromLamp(
        spectrum, ChannelPolynomial(engine_), calibration::NeonLines(), calibration::LampSettings{}, source.fullScale);
    QJsonObject json{{"ok", result.ok},
                     {"message", QString::fromStdString(result.message)},
                     {"order", result.order},
                     {"linesUsed", result.linesUsed},
                     {"linesSaturated", result.linesSaturated},
                     {"rmsNm", result.rmsNm}};
    pending_.reset();
    if (result.ok) {
        PendingCalibration p;
        p.lamp = true;
        QJsonArray coefficients;
        for (int i = 0; i < 4; ++i) {
            p.coefficients[i] = result.calibration.c[static_cast<std::size_t>(i)];
            coefficients.append(p.coefficients[i]);
        }
        json["coefficients"] = coefficients;
        pending_ = p;
    }
    return Json(json);
}

std::string RemoteLink::CheckRamanShift(const std::string& standard)
{
    const calibration::RamanStandard* found = nullptr;
    for (const calibration::RamanStandard& s : calibration::RamanStandards()) {
        if (standard.empty() ||
            QString::fromUtf8(s.name).compare(QString::fromStdString(standard), Qt::CaseInsensitive) == 0) {
            found = &s;
            break;
        }
    }
    if (!found)
        throw Refused("There is no shift standard called \"" + standard + "\".");
    const std::vector<double> spectrum = engine_.CalibrationSource().displayed();
    const calibration::RamanCheckResult result =
        calibration::CheckRamanShift(spectrum, ChannelPolynomial(engine_), engine_.calibration().laserWavenumber,
                                     found->bands, calibration::RamanCheckSettings{});
    pending_.reset();
    if (result.ok) {
        PendingCalibration p;
        p.laserNm = result.bestLaserNm;
        pending_ = p;
    }
    return Json(QJsonObject{{"ok", result.ok},
                            {"message", QString::fromStdString(result.message)},
                            {"standard", QString::fromUtf8(found->name)},
                            {"bandsUsed", result.bandsUsed},
                            {"meanError", result.meanError},
                            {"rmsError", result.rmsError},
                            {"bestLaserNm", result.bestLaserNm}});
}

void RemoteLink::ApplyCalibration()
{
    if (!pending_)
        throw Refused("No calibration to apply: run CalibrateFromLamp or CheckRamanShift first.");
    const PendingCalibration p = *pending_;
    pending_.reset();
    if (p.lamp) {
        engine_.ApplyChannelCalibration({static_cast<float>(p.coefficients[0]), static_cast<float>(p.coefficients[1]),
                                         static_cast<float>(p.coefficients[2]), static_cast<float>(p.coefficients[3])});
        return;
    }
    const std::string refusal = engine_.SetLaserWavelength(calibration::LaserWavelengthText(p.laserNm));
    if (!refusal.empty())
        throw Refused(refusal);
}

}  // namespace vexlar::remote
