// Malformed settings files at start: binary garbage, a huge file, enormous
// numbers, missing sections, duplicate keys. Whatever vexlar.ini holds, the
// program starts (main window, view, chart, driver registered and the first
// scan asked for) with values it can work with: a channel that exists, a
// usable integration time and laser line, and finite axes.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Profile.h"
#include "Xrt.h"
#include "app/AcquisitionBar.h"
#include "calibration/Axes.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "support/FrameFixture.h"
#include "support/PeakReadout.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/ViewHost.h"

using namespace vexlar;
using namespace vexlar::test;
using namespace vexlar::spectrometer_config;

namespace {

constexpr std::size_t kHugeFileBytes = 20u << 20;  // beyond any settings file
constexpr std::size_t kLargeFileBytes = 4u << 20;  // large, but still read
constexpr int kLongestStartMs = 20000;             // a generous ceiling, sanitizers included
constexpr unsigned kGarbageSeed = 20240607;
constexpr std::size_t kGarbageBytes = 64 * 1024;

void PutSettingsFile(const std::string& bytes)
{
    ASSERT_TRUE(WriteSettingsFile(bytes));
}

bool AllFinite(const std::vector<double>& values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// One channel's calibration as the Spectrometer Configuration dialog shows it.
struct ShownCalibration {
    float first = NAN, second = NAN, third = NAN, intercept = NAN;
};

float FieldValue(const CSpectrometerConfigDlg& d, int id)
{
    const auto* edit = qobject_cast<QLineEdit*>(d.Control(id));
    return edit ? std::strtof(edit->text().toStdString().c_str(), nullptr) : NAN;
}

// The calibration table of every channel, read in the Spectrometer
// Configuration dialog (all eight channels made selectable, then Cancel).
std::array<ShownCalibration, kChannels> CalibrationTable(CVexlarView& view)
{
    std::array<ShownCalibration, kChannels> table;
    ScopedDialogOperator<CSpectrometerConfigDlg> op([&](CSpectrometerConfigDlg& d) {
        qobject_cast<QAbstractButton*>(d.Control(IDC_EIGHT_CHANNELS))->click();
        for (int k = 0; k < kChannels; ++k) {
            qobject_cast<QAbstractButton*>(d.Control(IDC_MASTER + k))->click();
            table[k] = {FieldValue(d, IDC_FIRST_COEFFICIENT), FieldValue(d, IDC_SECOND_COEFFICIENT),
                        FieldValue(d, IDC_THIRD_COEFFICIENT), FieldValue(d, IDC_INTERCEPT)};
        }
        d.reject();
    });
    view.setup().OnConfigureSpectrometer();
    return table;
}

// The channel whose scans are shown: each channel's buffer holds its own
// number plus one when a scan arrives.
int ShownChannel(RecordingDriver& driver, XrtHandle chart)
{
    for (int k = 0; k < kChannels; ++k)
        driver.Fill(k, static_cast<float>(k + 1));
    driver.Post(WM_SCAN_COMPLETE, 0);
    for (int round = 0; round < 4; ++round)
        QCoreApplication::sendPostedEvents();
    return static_cast<int>(ShownY(chart, 0)) - 1;
}

class SettingsFaults : public FrameFixture {
protected:
    // Starts the program on the settings file as it is and checks it came up
    // with values it can work with.
    void StartAndCheck()
    {
        QElapsedTimer clock;
        clock.start();
        testing::internal::CaptureStderr();
        Start();
        stderrText = testing::internal::GetCapturedStderr();
        startMs = clock.elapsed();
        ASSERT_NE(frame, nullptr);
        CVexlarView& v = *view();
        const std::string xTitle = ScaleOf(chart()).xTitle;
        EXPECT_TRUE(xTitle == "Wavelength (nm)" || xTitle == "Raman Shift (cm-1)") << xTitle;
        EXPECT_LE(app.driverParams.IntegrationTime, 2000);
        double xMin = NAN, xMax = NAN;
        XrtGetValues(chart(), XRT_X_MIN, &xMin);
        XrtGetValues(chart(), XRT_X_MAX, &xMax);
        EXPECT_TRUE(std::isfinite(xMin) && std::isfinite(xMax) && xMin < xMax) << xMin << " .. " << xMax;
        EXPECT_EQ(driver().CallsNamed("QDV_Register").size(), 1u) << "the driver is registered";
        EXPECT_GE(driver().CallsNamed("QDV_SingleScan").size(), 1u) << "the first scan is asked for";
        EXPECT_TRUE(messages.messages().empty()) << "starting is not held up by a box";
        EXPECT_LT(startMs, kLongestStartMs);

        // A channel that exists, whose scans are shown (acquisition runs).
        channel = ShownChannel(driver(), chart());
        EXPECT_GE(channel, 0);
        EXPECT_LT(channel, kChannels);
        for (int ch = 0; ch < kChannels; ++ch) {
            const ShownCalibration c = CalibrationTable(v)[ch];
            EXPECT_TRUE(std::isfinite(c.intercept) && std::isfinite(c.first) && std::isfinite(c.second) &&
                        std::isfinite(c.third))
                << "channel " << ch << ": " << c.intercept << " " << c.first << " " << c.second << " " << c.third;
        }
        // Both axes finite, and a laser line that is a positive wavelength:
        // the one the Raman shifts are measured from.
        const int mode = xTitle == "Raman Shift (cm-1)" ? 1 : 0;
        v.instrument().SetXAxisMode(0);
        const std::vector<double> wavelength = ShownXs(chart());
        v.instrument().SetXAxisMode(1);
        const std::vector<double> ramanShift = ShownXs(chart());
        v.instrument().SetXAxisMode(mode);
        EXPECT_TRUE(AllFinite(wavelength)) << "the wavelength axis";
        EXPECT_TRUE(AllFinite(ramanShift)) << "the Raman-shift axis";
        const double laser = 1e7 / (ramanShift.at(1000) + 1e7 / wavelength.at(1000));
        EXPECT_TRUE(std::isfinite(laser) && laser > 0.0) << laser;
        PeakFinderOperator criteria([](CPeakFinderDlg& d) {
            EXPECT_TRUE(std::isfinite(std::stod(d.thresholdEdit()->text().toStdString())));
            EXPECT_TRUE(std::isfinite(std::stod(d.slopeEdit()->text().toStdString())));
            d.reject();
        });
        v.peaks().OnPeakSettings();
    }

    // The channel whose scans were shown at start.
    int channel = -1;

    std::string stderrText;
    qint64 startMs = 0;
};

}  // namespace

TEST_F(SettingsFaults, BinaryGarbage)
{
    std::mt19937 random(kGarbageSeed);
    std::string garbage(kGarbageBytes, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    // Garbage that also looks a little like settings.
    garbage += "\n[Acquisition]\nChannel=\x01\x02\nLaserWavelength=\xff\xfe\n[Master]\nFirst=\x80\n";
    PutSettingsFile(garbage);
    StartAndCheck();
    frame.reset();
    EXPECT_NE(ReadSettingsFile().find("[Acquisition]"), std::string::npos);
}

TEST_F(SettingsFaults, AHugeFileIsNotReadAndIsKept)
{
    const std::string line = "[Acquisition]\nChannel=3\n";
    std::string huge;
    huge.reserve(kHugeFileBytes + line.size());
    while (huge.size() < kHugeFileBytes)
        huge += line;
    PutSettingsFile(huge);
    StartAndCheck();
    EXPECT_EQ(channel, 0) << "the defaults, not what the file says";
    EXPECT_NE(stderrText.find("too large"), std::string::npos) << stderrText;
    // Closing tells the operator the settings could not be kept, and leaves
    // the file alone.
    frame.reset();
    ASSERT_FALSE(messages.messages().empty());
    EXPECT_NE(messages.messages().back().text.find("too large"), std::string::npos);
    EXPECT_EQ(ReadSettingsFile().size(), huge.size());
}

TEST_F(SettingsFaults, ALargeFileIsReadInReasonableTime)
{
    std::string large = "; operator's notes\n";
    const std::string note = "; " + std::string(76, '-') + "\n";
    while (large.size() < kLargeFileBytes)
        large += note;
    large += "[Acquisition]\nChannel=2\nNumChannels=3\n";
    PutSettingsFile(large);
    StartAndCheck();
    EXPECT_EQ(channel, 2);
}

TEST_F(SettingsFaults, EnormousNumbers)
{
    PutSettingsFile("[Acquisition]\n"
                    "IntegrationTime=99999999999999999999999\nAverage=-99999999999\nBoxcar=2147483648\n"
                    "Channel=-2147483649\nNumChannels=99999999999\nLaserWavelength=1e39\nViewRaman=4294967297\n"
                    "CorrectDark=-1\n"
                    "[Master]\nFirst=1e39\nSecond=-1e999\nThird=1e-999\nIntercept=" +
                    std::string(400, '9') +
                    "\n"
                    "[Slave7]\nFirst=-3.5e38\nIntercept=inf\n"
                    "[PeakFind]\nThreshold=1e999\nSlope=-1e400\nWidth=2147483647\n"
                    "[TimeAcquisition]\nNumberOfAcquisitions=99999999999\nLaserWarmupTime=-1\n"
                    "BaseFilename=" +
                    std::string(1000, 'x') +
                    "\n"
                    "[DialogBar]\nLaserWavelength=" +
                    std::string(300, '7') + "\n");
    StartAndCheck();
    // The Raman axis is measured from the default laser line.
    view()->instrument().SetXAxisMode(0);
    const double wavelength = ShownX(1000);
    view()->instrument().SetXAxisMode(1);
    EXPECT_EQ(ShownX(1000), static_cast<double>(calibration::LaserWavenumber(632.8f)) - 1.0 / (wavelength * 1e-7));
    EXPECT_EQ(CalibrationTable(*view())[0].first, 0.5f) << "a coefficient no float holds takes its default";
    EXPECT_EQ(CalibrationTable(*view())[0].third, 0.0f) << "too small to hold is zero";
    std::string baseName;
    {
        ScopedDialogOperator<CTimeAcquisitionDlg> op([&](CTimeAcquisitionDlg& d) {
            baseName = d.edit(CTimeAcquisitionDlg::kBaseFilenameId)->text().toStdString();
            d.reject();
        });
        view()->setup().OnTimeAcqConfigure();
    }
    EXPECT_EQ(baseName.size(), 259u) << "the base file name is cut to what it holds";
    EXPECT_LE(bar()->Text(IDC_LASER_WAVELENGTH).size(), 49u);
}

TEST_F(SettingsFaults, MissingSectionsAndKeysOutsideAnySection)
{
    PutSettingsFile("Channel=5\nIntegrationTime=7\n[]\n=3\n[Acquisition\nChannel=6\n[ Master ]\n");
    StartAndCheck();
    EXPECT_EQ(channel, 0) << "keys outside [Acquisition] are not its keys";
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(CalibrationTable(*view())[0].first, 0.5f);
}

TEST_F(SettingsFaults, DuplicateSectionsAndKeysTheFirstCounts)
{
    PutSettingsFile("[Acquisition]\nChannel=3\nChannel=9\nIntegrationTime=50\n"
                    "[acquisition]\nChannel=5\nIntegrationTime=70\n"
                    "[Master]\nFirst=0.25\nfirst=0.75\n");
    StartAndCheck();
    EXPECT_EQ(channel, 3);
    EXPECT_EQ(app.driverParams.IntegrationTime, 50);
    EXPECT_EQ(CalibrationTable(*view())[0].first, 0.25f);
    // Saving changes the first of each and keeps the rest.
    view()->instrument().SelectChannel(4);
    frame.reset();
    const std::string saved = ReadSettingsFile();
    EXPECT_NE(saved.find("Channel=4\nChannel=9\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[acquisition]\nChannel=5\n"), std::string::npos) << saved;
}
