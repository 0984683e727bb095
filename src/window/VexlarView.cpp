// The view's life, in the order the instrument needs: the engine exists
// (the laser off) before anything else happens, the settings are handed to
// their owners before the chart exists, the chart before the driver sends
// its first scan; at the end the laser goes off before the settings are
// written and the driver released. And the glue between the control bar
// and the engine: the bar's texts go to the engine as plain values, and the
// bar shows the values the engine is using.

#include <charconv>
#include <cstdio>
#include <string>

#include "MessageBox.h"
#include "Xrt.h"
#include "display/Chart2D.h"
#include "instrument/DriverIdentity.h"
#include "window/AnnotationBoard.h"
#include "window/ChartOutput.h"
#include "window/ChartPacer.h"
#include "window/ControlBarTexts.h"
#include "window/ControlCommands.h"
#include "window/FileCommands.h"
#include "window/PeakMarks.h"
#include "window/SetupCommands.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

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

// As "%g" writes it, with a decimal point whatever the language.
std::string FormatWavelength(float nm)
{
    char text[64];
    const auto written =
        std::to_chars(std::begin(text), std::end(text), static_cast<double>(nm), std::chars_format::general, 6);
    return std::string(text, written.ptr);
}

// A settings file's problem, told on the status bar with the others once the
// window is up (and at once on standard error, for a terminal).
void AddSettingsProblem(std::string* problems, const std::string& problem)
{
    if (problem.empty())
        return;
    std::fprintf(stderr, "Vexlar: %s\n", problem.c_str());
    *problems += problems->empty() ? problem : "\n" + problem;
}

void ShowRefusal(const std::string& text)
{
    if (!text.empty())
        sys::ShowOperatorMessage(text, kErrorTitle);
}

}  // namespace

CVexlarView::CVexlarView(QWidget* parent) : QWidget(parent), instrument_(std::make_unique<Instrument>())
{
    peaks_ = std::make_unique<PeakMarks>(*instrument_, this);
    peaks_->SetCursor([this]() -> std::optional<int> {
        if (!cursorShown_)
            return std::nullopt;
        return CursorPoint();
    });
    annotations_ = std::make_unique<AnnotationBoard>(*this);
    files_ = std::make_unique<FileCommands>(*this);
    output_ = std::make_unique<ChartOutput>(*this);
    setup_ = std::make_unique<SetupCommands>(*this);
    pacer_ = std::make_unique<ChartPacer>(*this);
    pacer_->beforePaint = [this] {
        if (!spectrumWaiting_)
            return;
        spectrumWaiting_ = false;
        TakeShownSpectrum();
        XrtSetValues(chart(), XRT_DATA, liveData_);
    };
}

bool CVexlarView::Create(AppContext* app, const QRect& rect, QWidget* parent)
{
    // The view window itself.
    if (!app)
        return false;
    setParent(parent);
    setGeometry(rect);
    setFocusPolicy(Qt::StrongFocus);
    app_ = app;

    // The settings file, read once and handed to each owner.
    loadedSettings_ = settings::ReadWorkingSettings(settings::kFileName);
    settingsProblem_.clear();
    if (!loadedSettings_.error.empty()) {
        // The program still starts; the operator learns why it forgot its
        // set-up, on the status bar once the window is up (and here for a
        // terminal), and the file is left as it is.
        std::fprintf(stderr, "Vexlar: %s; starting with the default settings.\n", loadedSettings_.error.c_str());
        settingsProblem_ = "Default settings in use; the settings file is left as it is. " + loadedSettings_.error;
    }
    // Values the file holds that are not used as they stand are told the
    // same way, each with the value used instead.
    AddSettingsProblem(&settingsProblem_,
                       settings::ReplacedValuesNotice(loadedSettings_.replaced, settings::kFileName));
    instrument_->Configure(app, loadedSettings_.values);
    peaks_->SetCriteria(loadedSettings_.values.peakCriteria);
    remote_ = loadedSettings_.values.remote;

    // The live data set and the chart, then the engine's news.
    liveData_ = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, kPixels);
    SetUpPlot(QRect(QPoint(0, 0), rect.size()));
    Instrument& engine = *instrument_;
    connect(&engine, &Instrument::scanProcessed, this, &CVexlarView::OnScanProcessed);
    connect(&engine, &Instrument::chartMayDraw, pacer_.get(), &ChartPacer::PaintIfDue);
    connect(&engine, &Instrument::shownSpectrumChanged, this, &CVexlarView::ShowSpectrum);
    connect(&engine, &Instrument::axesChanged, this,
            [this](bool modeChanged) { FollowAxes(modeChanged ? AxisChange::Mode : AxisChange::Rebuilt); });
    connect(&engine, &Instrument::ramanAxisMoved, this, [this] { FollowAxes(AxisChange::RamanMoved); });
    connect(&engine, &Instrument::laserChanged, this, [this](bool on) {
        if (host_)
            host_->SetChecked(IDC_LASER, on);
    });
    connect(&engine, &Instrument::continuousShown, this, [this](bool checked) {
        if (host_)
            host_->SetChecked(IDC_CONTINUOUS, checked);
    });
    connect(&engine, &Instrument::acquisitionValuesChanged, this, [this] {
        if (!host_)
            return;
        const DriverParams& p = instrument_->params();
        host_->SetText(IDC_AVERAGE, std::to_string(p.Average));
        host_->SetText(IDC_BOXCAR, std::to_string(p.Boxcar));
        host_->SetText(IDC_INTEGRATION_TIME, std::to_string(static_cast<unsigned>(p.IntegrationTime)));
    });
    connect(&engine, &Instrument::statusText, this, [this](const std::string& text) {
        if (host_)
            host_->SetStatusText(text);
    });
    connect(&engine, &Instrument::cleaningNoteChanged, this, [this](const std::string& text) {
        if (host_)
            host_->SetIndicatorText(text);
    });
    connect(&engine, &Instrument::operatorMessage, this, &ShowRefusal);

    // Registration, the parameters, the first scan. The driver reads its own
    // settings file as the engine registers with it: what it could not read
    // is told with the program's settings problems.
    ShowRefusal(engine.Start());
    AddSettingsProblem(&settingsProblem_, DriverSettingsProblem());
    created_ = true;
    return true;
}

CVexlarView::~CVexlarView()
{
    XrtDataDestroy(liveData_);
    liveData_ = 0;
    if (created_) {
        // The laser is a safety matter: a program that has ended never
        // leaves it on, and nothing (a slow disk under the settings) may
        // hold that up.
        Instrument::SwitchStrobeOffFromAnyThread();
        SaveSettings();
    }
    instrument_->Release();
    pacer_->Cancel();
    annotations_->ReleaseFonts();
    // The chart window destroys its chart with it.
    delete chartWindow_;
    chartWindow_ = nullptr;
}

void CVexlarView::EndWithoutWindow()
{
    if (!created_)
        return;
    // The order of the tear-down, the laser first.
    Instrument::SwitchStrobeOffFromAnyThread();
    SaveControlBarTexts();
    SaveSettings();
    instrument_->Release();
    created_ = false;
}

bool CVexlarView::SaveSettings()
{
    // Gathered from their owners.
    settings::WorkingSettings s;
    instrument_->CollectSettings(&s);
    s.peakCriteria = peaks_->criteria();
    s.remote = remote_;
    std::string error;
    if (settings::WriteChangedWorkingSettings(s, loadedSettings_, &error, settings::kFileName)) {
        // The file now holds every value as used.
        loadedSettings_ = settings::LoadedSettings{s, {}, {}};
        return true;
    }
    // The file keeps what it held; the operator must know this run's
    // settings are not in it.
    sys::ShowOperatorMessage("The settings could not be saved.\n" + error, kErrorTitle);
    return false;
}

bool CVexlarView::SaveControlBarTexts()
{
    // Nothing to save without a control bar, or once the program has ended
    // without its windows.
    if (!host_ || !created_)
        return true;
    const bool saved = vexlar::SaveControlBarTexts(*host_, loadedBarTexts_ ? &*loadedBarTexts_ : nullptr);
    if (saved)
        loadedBarTexts_ = settings::ControlBarTexts{host_->Text(IDC_CHANNEL), host_->Text(IDC_LASER_WAVELENGTH),
                                                    host_->Text(IDC_X_AXIS)};
    return saved;
}

void CVexlarView::OnInitialUpdate()
{
    if (!host_)
        return;
    const DriverParams& p = instrument_->params();
    host_->SetChecked(IDC_LASER, false);
    host_->SetChecked(IDC_CONTINUOUS, true);
    host_->SetText(IDC_AVERAGE, std::to_string(p.Average));
    host_->SetText(IDC_BOXCAR, std::to_string(p.Boxcar));
    host_->SetText(IDC_INTEGRATION_TIME, std::to_string(static_cast<unsigned>(p.IntegrationTime)));
    loadedBarTexts_ = LoadControlBarTexts(*host_);
    host_->SetIndicatorText(instrument_->CleaningNote());
    if (!settingsProblem_.empty())
        host_->SetStatusText(settingsProblem_);
}

void CVexlarView::OnBarParam(int kind)
{
    if (!host_)
        return;
    Instrument& engine = *instrument_;
    switch (kind) {
    case BAR_INTEGRATION_TIME_EDITED:
    case BAR_INTEGRATION_TIME_CHOSEN:
    case BAR_AVERAGE_EDITED:
    case BAR_BOXCAR_EDITED: {
        // A list closed without a selection has no item text: the typed
        // text counts, as when the field loses the focus.
        int id = IDC_INTEGRATION_TIME;
        AcquisitionValue which = AcquisitionValue::IntegrationTime;
        if (kind == BAR_AVERAGE_EDITED) {
            id = IDC_AVERAGE;
            which = AcquisitionValue::Average;
        } else if (kind == BAR_BOXCAR_EDITED) {
            id = IDC_BOXCAR;
            which = AcquisitionValue::Boxcar;
        }
        std::string text = FieldText(*host_, id);
        if (kind == BAR_INTEGRATION_TIME_CHOSEN && host_->SelectedIndex(IDC_INTEGRATION_TIME) >= 0)
            text = host_->SelectedItemText(IDC_INTEGRATION_TIME);
        const std::string refusal = engine.SetAcquisitionValue(which, text);
        if (!refusal.empty()) {
            // Nothing went to the driver; the field shows again the value in
            // force.
            ShowRefusal(refusal);
            const long shown = engine.AcquisitionValueShown(which);
            host_->SetText(id, which == AcquisitionValue::IntegrationTime ? std::to_string(static_cast<unsigned>(shown))
                                                                          : std::to_string(shown));
        }
        break;
    }
    case BAR_CONTINUOUS:
        engine.Continuous();
        break;
    case BAR_ADDITIVE:
        engine.StopForAdditive();
        break;
    case BAR_CHANNEL_CHOSEN:
        engine.SelectChannel(host_->SelectedIndex(IDC_CHANNEL));
        break;
    case BAR_LASER_WAVELENGTH_EDITED: {
        const std::string refusal = engine.SetLaserWavelength(FieldText(*host_, IDC_LASER_WAVELENGTH));
        if (!refusal.empty()) {
            ShowRefusal(refusal);
            host_->SetText(IDC_LASER_WAVELENGTH, FormatWavelength(engine.calibration().laserWavelength));
        }
        break;
    }
    case BAR_X_AXIS_CHOSEN:
        engine.SetXAxisMode(host_->SelectedIndex(IDC_X_AXIS));
        break;
    case BAR_LASER_CLICKED:
        engine.SetLaser(host_->IsChecked(IDC_LASER));
        break;
    default:
        break;
    }
}
