// The engine's life and its control-bar commands: construction with the
// laser off, the working values taken from the settings file, registration
// with the driver, the acquisition values, modes, channel, axes and laser.

#include "instrument/Instrument.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "WindowTimers.h"
#include "calibration/Axes.h"
#include "text/NumberText.h"

using namespace vexlar;

namespace {

constexpr std::size_t kDriverErrorTextSize = 200;  // 199 characters and the terminator

// A number field of the control bar and the driver's field it goes to: the
// integration time is unsigned 16-bit, Avg and Box signed 16-bit. A value
// outside is refused, never wrapped into another one.
struct DriverNumberField {
    const char* name;
    long lowest;
    long highest;
    const char* unit;  // with its leading blank; empty for a count
};

constexpr DriverNumberField kIntegrationTimeField{"The integration time", 0, std::numeric_limits<std::uint16_t>::max(),
                                                  " msec"};
constexpr DriverNumberField kAverageField{"The number of spectra to average", std::numeric_limits<std::int16_t>::min(),
                                          std::numeric_limits<std::int16_t>::max(), ""};
constexpr DriverNumberField kBoxcarField{"The boxcar smoothing width", std::numeric_limits<std::int16_t>::min(),
                                         std::numeric_limits<std::int16_t>::max(), ""};

const DriverNumberField& FieldOf(AcquisitionValue which)
{
    switch (which) {
    case AcquisitionValue::Average:
        return kAverageField;
    case AcquisitionValue::Boxcar:
        return kBoxcarField;
    case AcquisitionValue::IntegrationTime:
        break;
    }
    return kIntegrationTimeField;
}

// Why value does not fit the field; empty when it does.
std::string OutsideField(const DriverNumberField& field, long value, const std::string& typed)
{
    std::string limit;
    if (value > field.highest)
        limit = " can be at most " + std::to_string(field.highest);
    else if (value < field.lowest)
        limit = " can be no less than " + std::to_string(field.lowest);
    else
        return {};
    return field.name + limit + field.unit + ": \"" + typed + "\" was not applied.";
}

std::string DriverErrorText(const char* text, int code)
{
    char message[kDriverErrorTextSize];
    std::snprintf(message, sizeof message, "%s\nFunction returned %d", text,
                  static_cast<int>(static_cast<std::int16_t>(code)));
    return message;
}

}  // namespace

Instrument::Instrument(QObject* parent) : QObject(parent)
{
    // The workspace starts at zero, the driver's buffers with it, so that
    // nothing undefined can ever reach the screen.
    for (int ch = 0; ch < kChannels; ++ch)
        calibration::SetChannelCoefficients(calibration_.table, ch, calibration::Coefficients());
    // The program starts with the laser off, whatever state it was left in.
    QDV_V7400StrobeEnable(0);
}

Instrument::~Instrument()
{
    for (unsigned& id : timeAcq_.timerIds) {
        if (id != 0)
            sys::KillTimer(this, id);
        id = 0;
    }
}

void Instrument::Configure(AppContext* app, const settings::WorkingSettings& s)
{
    app_ = app;
    DriverParams& p = mutableParams();
    workspace_.numChannels = s.numChannels;
    p.IntegrationTime = s.integrationTime;
    p.Average = s.average;
    p.Boxcar = s.boxcar;
    p.CorrectDark = s.correctDark;
    workspace_.channel = s.channel;
    calibration_.laserWavelength = s.laserWavelength;
    workspace_.xAxisMode = s.xAxisMode;
    calibration_.table = s.calibration;

    cleaning_.removeSpikes = s.removeSpikes;
    cleaning_.subtractBaseline = s.subtractBaseline;
    cleaning_.baseline.SetSettings({s.baselineSmoothness, s.baselineAsymmetry, s.baselineCutOn});

    timeAcq_.settings = s.series;
    seriesTable_.setting = s.seriesTable;

    flags_ = {};
    spectrumMade_ = {};
    calibration_.laserWavenumber = calibration::LaserWavenumber(calibration_.laserWavelength);
    const calibration::Coefficients c = calibration::ChannelCoefficients(calibration_, workspace_.channel);
    calibration::RebuildAxes(c, calibration_.laserWavenumber, workspace_.wavelength, workspace_.wavenumber,
                             workspace_.spectrum, workspace_.ramanShift);
    flags_.scanning = true;
    UpdateShownSpectrum();
}

void Instrument::CollectSettings(settings::WorkingSettings* s) const
{
    const DriverParams& p = params();
    s->numChannels = workspace_.numChannels;
    s->integrationTime = p.IntegrationTime;
    s->average = p.Average;
    s->boxcar = p.Boxcar;
    s->correctDark = p.CorrectDark;
    s->channel = workspace_.channel;
    s->laserWavelength = calibration_.laserWavelength;
    s->xAxisMode = workspace_.xAxisMode;
    s->calibration = calibration_.table;

    s->removeSpikes = cleaning_.removeSpikes;
    s->subtractBaseline = cleaning_.subtractBaseline;
    s->baselineSmoothness = cleaning_.baseline.Settings().smoothness;
    s->baselineAsymmetry = cleaning_.baseline.Settings().asymmetry;
    s->baselineCutOn = cleaning_.baseline.Settings().cutOn;

    s->series = timeAcq_.settings;
    s->seriesTable = seriesTable_.setting;
}

std::string Instrument::Start()
{
    hinst_ = app_->hinst;
    // Only the selected channel is enabled, and only here.
    DriverParams& p = mutableParams();
    p.size = sizeof(DriverParams);
    p.window = static_cast<QObject*>(this);
    p.hinst = hinst_;
    for (int ch = 0; ch < kChannels; ++ch)
        p.buffer[ch] = workspace_.raw[ch];
    p.channelEnable[workspace_.channel] = 1;
    const std::int16_t status = QDV_Register(&p);
    const std::string refusal = status != 0 ? DriverErrorText("Registered Failed", status) : std::string();
    // Continuous acquisition starts.
    p.unnamed56 = 1;
    p.changed = 1;
    p.unnamed76 = 0;
    SendParamsToDriver();
    RequestScan();
    started_ = true;
    return refusal;
}

void Instrument::Release()
{
    if (!started_)
        return;
    QDV_Stop(hinst_);
    QDV_UnRegister(hinst_);
    for (unsigned& id : timeAcq_.timerIds) {
        if (id != 0)
            sys::KillTimer(this, id);
        id = 0;
    }
    // The program ends during a series: nothing of its table is left behind.
    std::string reason;
    if (seriesTable_.table.active())
        WriteSeriesTable(&reason);
    started_ = false;
}

std::string Instrument::SetAcquisitionValue(AcquisitionValue which, const std::string& text)
{
    const int value = LenientInt(text);
    const std::string refusal = OutsideField(FieldOf(which), value, text);
    if (!refusal.empty())
        return refusal;  // nothing goes to the driver
    DriverParams& p = mutableParams();
    p.changed = 1;
    if (which == AcquisitionValue::Average)
        p.Average = static_cast<std::int16_t>(value);
    else if (which == AcquisitionValue::Boxcar)
        p.Boxcar = static_cast<std::int16_t>(value);
    else
        p.IntegrationTime = static_cast<std::uint16_t>(value);
    SendParamsToDriver();
    p.changed = 0;
    scanQueue_.AcquisitionSwitched();
    return {};
}

long Instrument::AcquisitionValueShown(AcquisitionValue which) const
{
    const DriverParams& p = params();
    switch (which) {
    case AcquisitionValue::Average:
        return timeAcq_.restorePending ? timeAcq_.savedAverage : p.Average;
    case AcquisitionValue::Boxcar:
        return p.Boxcar;
    case AcquisitionValue::IntegrationTime:
        break;
    }
    return timeAcq_.restorePending ? timeAcq_.savedIntegrationTime : p.IntegrationTime;
}

void Instrument::Continuous()
{
    flags_.scanning = true;
    flags_.additive = false;
    ResumeScanChain();
}

void Instrument::StopForAdditive()
{
    flags_.scanning = false;
    flags_.additions = 0;
}

void Instrument::SendParamsToDriver()
{
    // Only the driver sees the single reading: the block keeps the
    // operator's number for the control bar, the files and the settings.
    DriverParams& p = mutableParams();
    const std::int16_t average = p.Average;
    if (AveragesReadings())
        p.Average = 1;
    QDV_ParamSet(&p);
    p.Average = average;
}

void Instrument::RebuildAxes()
{
    const calibration::Coefficients c = calibration::ChannelCoefficients(calibration_, workspace_.channel);
    calibration::RebuildAxes(c, calibration_.laserWavenumber, workspace_.wavelength, workspace_.wavenumber,
                             workspace_.spectrum, workspace_.ramanShift);
    UpdateShownSpectrum();
}

void Instrument::SelectChannel(int index)
{
    // Only the eight channels the tables hold; a list closed without a
    // selection changes nothing.
    if (index < 0 || index >= kChannels)
        return;
    workspace_.channel = static_cast<std::int16_t>(index);
    RebuildAxes();
    Q_EMIT axesChanged(false);
}

std::string Instrument::SetLaserWavelength(const std::string& text)
{
    // "632,5" would be read as 632 nm, every Raman shift some 20 cm-1 off: a
    // decimal comma is refused, not cut.
    if (DecimalCommaFollows(text))
        return "The laser wavelength must be written with a decimal point, as in 632.8: \"" + text +
               "\" was not applied.";
    const std::optional<double> value = LeadingDouble(text);
    // A wavelength that is not a positive finite number would put infinite
    // Raman shifts on the axis: it is refused and nothing changes.
    if (!value || !calibration::IsUsableLaserWavelength(*value))
        return "The laser wavelength must be a positive number of nanometres.";
    calibration_.laserWavelength = static_cast<float>(*value);
    calibration_.laserWavenumber = calibration::LaserWavenumber(*value);
    calibration::ComputeRamanShift(calibration_.laserWavenumber, workspace_.wavenumber, workspace_.ramanShift);
    // The Raman axis moves, and with it the baseline's cut-on.
    UpdateShownSpectrum();
    Q_EMIT ramanAxisMoved();
    return {};
}

void Instrument::SetXAxisMode(int index)
{
    // Only the two axes there are.
    if (index != 0 && index != 1)
        return;
    workspace_.xAxisMode = index;
    UpdateShownSpectrum();
    Q_EMIT axesChanged(true);
}

void Instrument::SetLaser(bool on)
{
    const bool changed = laserOn_ != on;
    laserOn_ = on;
    QDV_V7400StrobeEnable(on ? 1 : 0);
    scanQueue_.AcquisitionSwitched();
    // The control bar's Laser On follows a laser switched from elsewhere
    // (a client of the device).
    if (changed)
        Q_EMIT laserChanged(on);
}

void Instrument::SwitchLaserOff()
{
    QDV_V7400StrobeEnable(0);
    scanQueue_.AcquisitionSwitched();
    laserOn_ = false;
    Q_EMIT laserChanged(false);
}

void Instrument::SwitchStrobeOffFromAnyThread()
{
    QDV_V7400StrobeEnable(0);
}

void Instrument::StoreDark()
{
    std::copy(std::begin(workspace_.spectrum), std::end(workspace_.spectrum), std::begin(workspace_.dark));
    flags_.darkStored = true;
}

void Instrument::ToggleSubtractDark()
{
    flags_.subtractDark = !flags_.subtractDark;
}

std::string Instrument::ToggleAdditiveMode()
{
    if (flags_.additive) {
        // Leaving: the sum and its count stay, so a later start goes on
        // adding to it; the scan in flight, if there is one, is dropped.
        flags_.discardNext = ChainScanComing();
        flags_.scanning = false;
        flags_.additive = false;
    } else if (flags_.darkStored) {
        if (flags_.additions == 0) {
            // A new sum: empty, and every scan added has the dark taken off.
            std::fill(std::begin(workspace_.spectrum), std::end(workspace_.spectrum), 0.0);
            spectrumMade_ = {true, 0};
        }
        flags_.additive = true;
        flags_.scanning = true;
        ResumeScanChain();
    } else {
        return "You must store a dark spectrum before\nentering the Additive Mode.";
    }
    return {};
}

void Instrument::ConfigureHardware(void* parentWindow)
{
    QDV_Config(parentWindow, nullptr, 0, 0);
}

void Instrument::ApplyCalibration(const calibration::CalibrationTable& table, int numChannels)
{
    workspace_.numChannels = static_cast<std::int16_t>(numChannels);
    calibration_.table = table;
    RebuildAxes();
    Q_EMIT axesChanged(false);
}

void Instrument::ApplyChannelCalibration(const calibration::Coefficients& coefficients)
{
    calibration::SetChannelCoefficients(calibration_.table, workspace_.channel, coefficients);
    RebuildAxes();
    Q_EMIT axesChanged(false);
}

calibration::MeasurementSource Instrument::CalibrationSource()
{
    calibration::MeasurementSource source;
    source.displayed = [this] {
        return std::vector<double>(std::begin(workspace_.spectrum), std::end(workspace_.spectrum));
    };
    if (timeAcq_.timeAcqRunning)
        source.noFreshScansReason = "A timed series is running: only the spectrum on display can be used.";
    else if (flags_.additive)
        source.noFreshScansReason = "Additive mode is on: only the spectrum on display can be used.";
    else if (!flags_.scanning)
        source.noFreshScansReason = "Acquisition is stopped: only the spectrum on display can be used.";
    else
        source.freshScans = &freshScans_;
    // A scan less the dark spectrum, or a sum of such: a pixel full in every
    // scan shows the full scale less the dark, as many times as summed.
    const bool lessDark = flags_.additive || flags_.subtractDark;
    const double scans = flags_.additive ? static_cast<double>(std::max(flags_.additions, 1L)) : 1.0;
    source.fullScale.resize(kPixels);
    for (int i = 0; i < kPixels; ++i)
        source.fullScale[i] = scans * (calibration::kDetectorFullScale - (lessDark ? workspace_.dark[i] : 0.0));
    return source;
}
