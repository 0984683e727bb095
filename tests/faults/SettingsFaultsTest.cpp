// Malformed settings files at start: binary garbage, a huge file, enormous
// numbers, missing sections, duplicate keys. Whatever vexlar.ini holds, the
// program starts (main window, view, chart, driver registered and the first
// scan asked for) with values it can work with: a channel that exists, a
// usable integration time and laser line, and finite axes.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Profile.h"
#include "Xrt.h"
#include "acquisition/ViewHost.h"
#include "app/AcquisitionBar.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr std::size_t kHugeFileBytes = 20u << 20;    // beyond any settings file
constexpr std::size_t kLargeFileBytes = 4u << 20;    // large, but still read
constexpr int kLongestStartMs = 20000;               // a generous ceiling, sanitizers included
constexpr unsigned kGarbageSeed = 20240607;
constexpr std::size_t kGarbageBytes = 64 * 1024;

void PutSettingsFile(const std::string& bytes)
{
    ASSERT_TRUE(WriteSettingsFile(bytes));
}

bool AllFinite(const double* values)
{
    for (int i = 0; i < kPixels; ++i) {
        if (!std::isfinite(values[i]))
            return false;
    }
    return true;
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
        EXPECT_GE(v.channel, 0);
        EXPECT_LT(v.channel, kChannels);
        EXPECT_TRUE(v.xAxisMode == 0 || v.xAxisMode == 1);
        EXPECT_TRUE(std::isfinite(v.laserWavelength) && v.laserWavelength > 0.0f);
        EXPECT_LE(app.driverParams.IntegrationTime, 2000);
        for (int ch = 0; ch < kChannels; ++ch) {
            EXPECT_TRUE(std::isfinite(v.calIntercept[ch]) && std::isfinite(v.calFirst[ch]) &&
                        std::isfinite(v.calSecond[ch]) && std::isfinite(v.calThird[ch]))
                << "channel " << ch << ": " << v.calIntercept[ch] << " " << v.calFirst[ch] << " "
                << v.calSecond[ch] << " " << v.calThird[ch];
        }
        EXPECT_TRUE(AllFinite(v.wavelength)) << "the wavelength axis";
        EXPECT_TRUE(AllFinite(v.ramanShift)) << "the Raman-shift axis";
        EXPECT_TRUE(std::isfinite(v.peakThreshold) && std::isfinite(v.peakSlope));
        double xMin = NAN, xMax = NAN;
        XrtGetValues(v.chart(), XRT_X_MIN, &xMin);
        XrtGetValues(v.chart(), XRT_X_MAX, &xMax);
        EXPECT_TRUE(std::isfinite(xMin) && std::isfinite(xMax) && xMin < xMax) << xMin << " .. " << xMax;
        EXPECT_EQ(driver().CallsNamed("QDV_Register").size(), 1u) << "the driver is registered";
        EXPECT_GE(driver().CallsNamed("QDV_SingleScan").size(), 1u) << "the first scan is asked for";
        EXPECT_EQ(v.scanning, 1);
        EXPECT_TRUE(messages.messages().empty()) << "starting is not held up by a box";
        EXPECT_LT(startMs, kLongestStartMs);
    }

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
    EXPECT_EQ(view()->channel, 0) << "the defaults, not what the file says";
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
    EXPECT_EQ(view()->channel, 2);
}

TEST_F(SettingsFaults, EnormousNumbers)
{
    PutSettingsFile(
        "[Acquisition]\n"
        "IntegrationTime=99999999999999999999999\nAverage=-99999999999\nBoxcar=2147483648\n"
        "Channel=-2147483649\nNumChannels=99999999999\nLaserWavelength=1e39\nViewRaman=4294967297\n"
        "CorrectDark=-1\n"
        "[Master]\nFirst=1e39\nSecond=-1e999\nThird=1e-999\nIntercept=" + std::string(400, '9') + "\n"
        "[Slave7]\nFirst=-3.5e38\nIntercept=inf\n"
        "[PeakFind]\nThreshold=1e999\nSlope=-1e400\nWidth=2147483647\n"
        "[TimeAcquisition]\nNumberOfAcquisitions=99999999999\nLaserWarmupTime=-1\n"
        "BaseFilename=" + std::string(1000, 'x') + "\n"
        "[DialogBar]\nLaserWavelength=" + std::string(300, '7') + "\n");
    StartAndCheck();
    EXPECT_EQ(view()->laserWavelength, 632.8f);
    EXPECT_EQ(view()->calFirst[0], 0.5f) << "a coefficient no float holds takes its default";
    EXPECT_EQ(view()->calThird[0], 0.0f) << "too small to hold is zero";
    EXPECT_LE(std::strlen(view()->BaseFilename), 259u);
    EXPECT_LE(bar()->Text(IDC_LASER_WAVELENGTH).size(), 49u);
}

TEST_F(SettingsFaults, MissingSectionsAndKeysOutsideAnySection)
{
    PutSettingsFile("Channel=5\nIntegrationTime=7\n[]\n=3\n[Acquisition\nChannel=6\n[ Master ]\n");
    StartAndCheck();
    EXPECT_EQ(view()->channel, 0) << "keys outside [Acquisition] are not its keys";
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(view()->calFirst[0], 0.5f);
}

TEST_F(SettingsFaults, DuplicateSectionsAndKeysTheFirstCounts)
{
    PutSettingsFile("[Acquisition]\nChannel=3\nChannel=9\nIntegrationTime=50\n"
                    "[acquisition]\nChannel=5\nIntegrationTime=70\n"
                    "[Master]\nFirst=0.25\nfirst=0.75\n");
    StartAndCheck();
    EXPECT_EQ(view()->channel, 3);
    EXPECT_EQ(app.driverParams.IntegrationTime, 50);
    EXPECT_EQ(view()->calFirst[0], 0.25f);
    // Saving changes the first of each and keeps the rest.
    view()->channel = 4;
    frame.reset();
    const std::string saved = ReadSettingsFile();
    EXPECT_NE(saved.find("Channel=4\nChannel=9\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[acquisition]\nChannel=5\n"), std::string::npos) << saved;
}
