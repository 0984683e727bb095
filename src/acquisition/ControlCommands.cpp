// The acquisition controls: the control bar's changes, forwarded by the
// frame as WM_BAR_PARAM with a kind code, and the dark, additive and
// hardware commands.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "MessageBox.h"
#include "acquisition/ControlCommands.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "calibration/ControlBarTexts.h"
#include "text/NumberText.h"

using namespace vexlar;

namespace {

using vexlar::sys::kErrorTitle;
constexpr std::size_t kFieldTextLimit = 99;

std::string FieldText(const ViewHost& host, int id)
{
    std::string text = host.Text(id);
    if (text.size() > kFieldTextLimit)
        text.resize(kFieldTextLimit);
    return text;
}

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

// As "%g" writes it, with a decimal point whatever the language.
std::string FormatWavelength(float nm)
{
    char text[64];
    const auto written =
        std::to_chars(std::begin(text), std::end(text), static_cast<double>(nm), std::chars_format::general, 6);
    return std::string(text, written.ptr);
}

}  // namespace

void CVexlarView::OnInitialUpdate()
{
    if (!host_)
        return;
    const DriverParams& p = params();
    host_->SetChecked(IDC_LASER, false);
    host_->SetChecked(IDC_CONTINUOUS, true);
    host_->SetText(IDC_AVERAGE, std::to_string(p.Average));
    host_->SetText(IDC_BOXCAR, std::to_string(p.Boxcar));
    host_->SetText(IDC_INTEGRATION_TIME, std::to_string(static_cast<unsigned>(p.IntegrationTime)));
    loadedBarTexts_ = LoadControlBarTexts(*host_);
    ShowCleaningNote();
    ShowSettingsProblem();
}

void CVexlarView::OnBarParam(int kind)
{
    if (!host_)
        return;
    DriverParams& p = params();
    switch (kind) {
    case BAR_INTEGRATION_TIME_EDITED:
    case BAR_INTEGRATION_TIME_CHOSEN:
    case BAR_AVERAGE_EDITED:
    case BAR_BOXCAR_EDITED: {
        // A list closed without a selection has no item text: the typed
        // text counts, as when the field loses the focus.
        std::string text = FieldText(*host_, IDC_INTEGRATION_TIME);
        if (kind == BAR_INTEGRATION_TIME_CHOSEN && host_->SelectedIndex(IDC_INTEGRATION_TIME) >= 0)
            text = host_->SelectedItemText(IDC_INTEGRATION_TIME);
        else if (kind == BAR_AVERAGE_EDITED)
            text = FieldText(*host_, IDC_AVERAGE);
        else if (kind == BAR_BOXCAR_EDITED)
            text = FieldText(*host_, IDC_BOXCAR);
        const int value = LenientInt(text);
        const DriverNumberField& field = kind == BAR_AVERAGE_EDITED  ? kAverageField
                                         : kind == BAR_BOXCAR_EDITED ? kBoxcarField
                                                                     : kIntegrationTimeField;
        const std::string refusal = OutsideField(field, value, text);
        if (!refusal.empty()) {
            // Nothing goes to the driver; the field shows again the value
            // in force (while a switching scan of a timed series is out, the
            // one it put aside).
            vexlar::sys::ShowOperatorMessage(refusal, kErrorTitle);
            if (kind == BAR_AVERAGE_EDITED)
                host_->SetText(IDC_AVERAGE,
                               std::to_string(timeAcq_.restorePending ? timeAcq_.savedAverage : p.Average));
            else if (kind == BAR_BOXCAR_EDITED)
                host_->SetText(IDC_BOXCAR, std::to_string(p.Boxcar));
            else
                host_->SetText(IDC_INTEGRATION_TIME,
                               std::to_string(static_cast<unsigned>(
                                   timeAcq_.restorePending ? timeAcq_.savedIntegrationTime : p.IntegrationTime)));
            break;
        }
        p.changed = 1;
        if (kind == BAR_AVERAGE_EDITED)
            p.Average = static_cast<std::int16_t>(value);
        else if (kind == BAR_BOXCAR_EDITED)
            p.Boxcar = static_cast<std::int16_t>(value);
        else
            p.IntegrationTime = static_cast<std::uint16_t>(value);
        SendParamsToDriver();
        p.changed = 0;
        scanQueue_.AcquisitionSwitched();
        break;
    }
    case BAR_CONTINUOUS:
        flags_.scanning = true;
        flags_.additive = false;
        ResumeScanChain();
        break;
    case BAR_ADDITIVE:
        flags_.scanning = false;
        flags_.additions = 0;
        break;
    case BAR_CHANNEL_CHOSEN:
        SelectChannel(host_->SelectedIndex(IDC_CHANNEL));
        break;
    case BAR_LASER_WAVELENGTH_EDITED: {
        const std::string text = FieldText(*host_, IDC_LASER_WAVELENGTH);
        // "632,5" would be read as 632 nm, every Raman shift some 20 cm-1
        // off: a decimal comma is refused, not cut.
        if (DecimalCommaFollows(text)) {
            vexlar::sys::ShowOperatorMessage("The laser wavelength must be written with a decimal point, as in "
                                             "632.8: \"" +
                                                 text + "\" was not applied.",
                                             kErrorTitle);
            host_->SetText(IDC_LASER_WAVELENGTH, FormatWavelength(calibration_.laserWavelength));
        } else if (!SetLaserWavelength(text.c_str())) {
            vexlar::sys::ShowOperatorMessage("The laser wavelength must be a positive number of nanometres.",
                                             kErrorTitle);
            host_->SetText(IDC_LASER_WAVELENGTH, FormatWavelength(calibration_.laserWavelength));
        }
        break;
    }
    case BAR_X_AXIS_CHOSEN:
        SetXAxisMode(host_->SelectedIndex(IDC_X_AXIS));
        break;
    case BAR_LASER_CLICKED:
        QDV_V7400StrobeEnable(host_->IsChecked(IDC_LASER) ? 1 : 0);
        scanQueue_.AcquisitionSwitched();
        break;
    default:
        break;
    }
}

void CVexlarView::SendParamsToDriver()
{
    // Only the driver sees the single reading: the block keeps the
    // operator's number for the control bar, the files and the settings.
    DriverParams& p = params();
    const std::int16_t average = p.Average;
    if (AveragesReadings())
        p.Average = 1;
    QDV_ParamSet(&p);
    p.Average = average;
}

void CVexlarView::OnStoreDark()
{
    std::copy(std::begin(workspace_.spectrum), std::end(workspace_.spectrum), std::begin(workspace_.dark));
    flags_.darkStored = true;
}

void CVexlarView::OnSubtractDark()
{
    flags_.subtractDark = !flags_.subtractDark;
}

void CVexlarView::OnAdditiveMode()
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
        vexlar::sys::ShowOperatorMessage("You must store a dark spectrum before\nentering the Additive Mode.",
                                         kErrorTitle);
    }
}

void CVexlarView::SwitchLaserOff()
{
    QDV_V7400StrobeEnable(0);
    scanQueue_.AcquisitionSwitched();
    if (host_)
        host_->SetChecked(IDC_LASER, false);
}

void CVexlarView::SwitchStrobeOffFromAnyThread()
{
    QDV_V7400StrobeEnable(0);
}

void CVexlarView::OnConfigureHardware()
{
    QDV_Config(nullptr, nullptr, 0, 0);
}
