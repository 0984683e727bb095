// Loading and saving the view's working values: read once when the view is
// created, written once when it is torn down. The keys, their defaults and
// the file format are in SettingsFile; this is the copy between the file's
// values and the workspace.

#include <cstdio>
#include <string>

#include "MessageBox.h"
#include "acquisition/VexlarView.h"
#include "calibration/ControlBarTexts.h"
#include "calibration/SettingsFile.h"

using namespace vexlar;

namespace {

using vexlar::sys::kErrorTitle;

static_assert(kChannels == settings::kCalibratedChannels, "one calibration section per channel");

}  // namespace

void CVexlarView::LoadSettings()
{
    const settings::LoadedSettings loaded = settings::ReadWorkingSettings(settings::kFileName);
    settingsProblem_.clear();
    if (!loaded.error.empty()) {
        // The program still starts; the operator learns why it forgot its
        // set-up, on the status bar once the window is up (and here for a
        // terminal), and the file is left as it is.
        std::fprintf(stderr, "Vexlar: %s; starting with the default settings.\n", loaded.error.c_str());
        settingsProblem_ = "Default settings in use; the settings file is left as it is. " + loaded.error;
    }
    // Values the file holds that are not used as they stand are told the
    // same way, each with the value used instead.
    AddSettingsProblem(settings::ReplacedValuesNotice(loaded.replaced, settings::kFileName));
    const settings::WorkingSettings& s = loaded.values;
    loadedSettings_ = loaded;

    DriverParams& p = params();
    workspace_.numChannels = s.numChannels;
    p.IntegrationTime = s.integrationTime;
    p.Average = s.average;
    p.Boxcar = s.boxcar;
    p.CorrectDark = s.correctDark;
    workspace_.channel = s.channel;
    calibration_.laserWavelength = s.laserWavelength;
    workspace_.xAxisMode = s.xAxisMode;
    calibration_.table = s.calibration;
    peakTable_.criteria = s.peakCriteria;

    cleaning_.removeSpikes = s.removeSpikes;
    cleaning_.subtractBaseline = s.subtractBaseline;
    cleaning_.baseline.SetSettings({s.baselineSmoothness, s.baselineAsymmetry, s.baselineCutOn});

    timeAcq_.settings = s.series;
    seriesTable_.setting = s.seriesTable;
}

bool CVexlarView::SaveSettings()
{
    settings::WorkingSettings s;
    const DriverParams& p = params();
    s.numChannels = workspace_.numChannels;
    s.integrationTime = p.IntegrationTime;
    s.average = p.Average;
    s.boxcar = p.Boxcar;
    s.correctDark = p.CorrectDark;
    s.channel = workspace_.channel;
    s.laserWavelength = calibration_.laserWavelength;
    s.xAxisMode = workspace_.xAxisMode;
    s.calibration = calibration_.table;
    s.peakCriteria = peakTable_.criteria;

    s.removeSpikes = cleaning_.removeSpikes;
    s.subtractBaseline = cleaning_.subtractBaseline;
    s.baselineSmoothness = cleaning_.baseline.Settings().smoothness;
    s.baselineAsymmetry = cleaning_.baseline.Settings().asymmetry;
    s.baselineCutOn = cleaning_.baseline.Settings().cutOn;

    s.series = timeAcq_.settings;
    s.seriesTable = seriesTable_.setting;

    std::string error;
    if (settings::WriteChangedWorkingSettings(s, loadedSettings_, &error, settings::kFileName)) {
        // The file now holds every value as used.
        loadedSettings_ = settings::LoadedSettings{s, {}, {}};
        return true;
    }
    // The file keeps what it held; the operator must know this run's
    // settings are not in it.
    vexlar::sys::ShowOperatorMessage("The settings could not be saved.\n" + error, kErrorTitle);
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

void CVexlarView::AddSettingsProblem(const std::string& problem)
{
    if (problem.empty())
        return;
    std::fprintf(stderr, "Vexlar: %s\n", problem.c_str());  // for a terminal
    settingsProblem_ += settingsProblem_.empty() ? problem : "\n" + problem;
}

void CVexlarView::ShowSettingsProblem()
{
    if (host_ && !settingsProblem_.empty())
        host_->SetStatusText(settingsProblem_);
}
