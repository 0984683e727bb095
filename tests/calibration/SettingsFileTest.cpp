#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "Profile.h"
#include "calibration/Axes.h"
#include "calibration/SettingsFile.h"
#include "support/DecimalCommaLanguage.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar;
using namespace vexlar::settings;
using vexlar::test::ReadWholeFile;
using vexlar::test::SettingsFilePath;
using vexlar::test::WriteSettingsFile;
using vexlar::test::WriteWholeFile;

namespace fs = std::filesystem;

namespace vexlar::settings {

// Failures name the values, not the bytes.
void PrintTo(const WorkingSettings& s, std::ostream* out)
{
    const calibration::CalibrationTable& t = s.calibration;
    const peaks::PeakCriteria& p = s.peakCriteria;
    *out << "{channels " << s.numChannels << ", time " << s.integrationTime << ", average " << s.average << ", boxcar "
         << s.boxcar << ", dark " << s.correctDark << ", channel " << s.channel << ", laser " << s.laserWavelength
         << ", axis " << s.xAxisMode << ", master " << t.calIntercept[0] << " " << t.calFirst[0] << " "
         << t.calSecond[0] << " " << t.calThird[0] << ", peaks " << p.peakThreshold << " " << p.peakWidth << " "
         << p.peakSlope << ", series " << s.series.StoreDark << " " << s.series.ToggleLaser << " "
         << s.series.LaserWarmupTime << " " << s.series.DelayBeforeFirstAcquisition << " "
         << s.series.DelayBetweenAcquisitions << " " << s.series.NumberOfAcquisitions << " " << s.series.FileFormat
         << " \"" << s.series.BaseFilename << "\"}";
}

}  // namespace vexlar::settings

namespace {

const char* const kChannelSectionNames[] = {"Master", "Slave1", "Slave2", "Slave3",
                                            "Slave4", "Slave5", "Slave6", "Slave7"};

std::string SettingsPath()
{
    return SettingsFilePath(kFileName);
}

WorkingSettings Loaded(const std::string& text)
{
    EXPECT_TRUE(WriteSettingsFile(text));
    const LoadedSettings loaded = ReadWorkingSettings();
    EXPECT_EQ(loaded.error, "");
    return loaded.values;
}

std::string DefaultTimeAcquisitionSection()
{
    return "[TimeAcquisition]\nStoreDark=0\nToggleLaser=0\nLaserWarmupTime=10\nDelayBetweenAcquisitions=60\n"
           "NumberOfAcquisitions=100\nBaseFilename=Temp\nDelayBeforeFirstAcquisition=60\nFileFormat=0\n";
}

std::string DefaultCalibrationSections()
{
    std::string text;
    for (const char* name : kChannelSectionNames) {
        text += std::string("[") + name + "]\n";
        text += "First=0.500000\nSecond=5.000000e-05\nThird=0.000000e+00\nIntercept=350.000000\n";
    }
    return text;
}

// A settings set with no value at its default.
WorkingSettings Unusual()
{
    WorkingSettings s = DefaultSettings();
    s.numChannels = 4;
    s.integrationTime = 1500;
    s.average = 16;
    s.boxcar = 3;
    s.correctDark = 1;
    s.channel = 5;
    s.laserWavelength = 785.0f;
    s.xAxisMode = 1;
    for (int ch = 0; ch < kCalibratedChannels; ++ch) {
        s.calibration.calFirst[ch] = 0.25f + 0.125f * static_cast<float>(ch);
        s.calibration.calSecond[ch] = -3.5e-7f;
        s.calibration.calThird[ch] = 1.25e-9f;
        s.calibration.calIntercept[ch] = 500.5f + static_cast<float>(ch);
    }
    s.peakCriteria.peakThreshold = 250.5;
    s.peakCriteria.peakWidth = 4;
    s.peakCriteria.peakSlope = 2.25;
    s.series.StoreDark = 1;
    s.series.ToggleLaser = 1;
    s.series.LaserWarmupTime = 30;
    s.series.DelayBeforeFirstAcquisition = 5;
    s.series.DelayBetweenAcquisitions = 600;
    s.series.NumberOfAcquisitions = 4000000000u;  // beyond int: "%u" must carry it
    s.series.FileFormat = 1;
    s.series.BaseFilename = "/data/run 7/sample";
    s.seriesTable = 2;
    return s;
}

// Counts the settings file's replacements; optionally fails them.
class ReplaceCounter {
public:
    explicit ReplaceCounter(int failWith = 0)
    {
        sys::SetProfileReplaceHookForTesting([this, failWith](const std::string&, const std::string&) {
            ++count;
            return failWith;
        });
    }
    ~ReplaceCounter() { sys::SetProfileReplaceHookForTesting({}); }
    int count = 0;
};

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace

TEST(SettingsFile, WithoutAFileEveryValueHasItsDefaultAndNothingIsCreated)
{
    const LoadedSettings loaded = ReadWorkingSettings();
    EXPECT_EQ(loaded.error, "") << "a missing file is no error";
    const WorkingSettings& s = loaded.values;
    EXPECT_EQ(s, DefaultSettings());
    EXPECT_EQ(s.integrationTime, 100);
    EXPECT_EQ(s.average, 1);
    EXPECT_EQ(s.boxcar, 1);
    EXPECT_EQ(s.correctDark, 0);
    EXPECT_EQ(s.channel, 0);
    EXPECT_EQ(s.laserWavelength, 632.8f);
    EXPECT_EQ(s.xAxisMode, 0);
    EXPECT_EQ(s.numChannels, 1);
    const calibration::Coefficients axesDefault;
    for (int ch = 0; ch < kCalibratedChannels; ++ch) {
        EXPECT_EQ(s.calibration.calIntercept[ch], 350.0f) << ch;
        EXPECT_EQ(s.calibration.calFirst[ch], 0.5f) << ch;
        EXPECT_EQ(s.calibration.calSecond[ch], 5e-5f) << ch;
        EXPECT_EQ(s.calibration.calThird[ch], 0.0f) << ch;
        EXPECT_EQ(s.calibration.calFirst[ch], axesDefault.first) << "the file's default is the axes' default";
        EXPECT_EQ(s.calibration.calSecond[ch], axesDefault.second);
        EXPECT_EQ(s.calibration.calIntercept[ch], axesDefault.intercept);
    }
    EXPECT_EQ(s.peakCriteria.peakThreshold, 100.0);
    EXPECT_EQ(s.peakCriteria.peakWidth, 1);
    EXPECT_EQ(s.peakCriteria.peakSlope, 10.0);
    EXPECT_EQ(s.peakCriteria, peaks::PeakCriteria()) << "the file's defaults are the peak finder's";
    EXPECT_EQ(s.series.StoreDark, 0);
    EXPECT_EQ(s.series.ToggleLaser, 0u);
    EXPECT_EQ(s.series.LaserWarmupTime, 10u);
    EXPECT_EQ(s.series.DelayBeforeFirstAcquisition, 60u);
    EXPECT_EQ(s.series.DelayBetweenAcquisitions, 60u);
    EXPECT_EQ(s.series.NumberOfAcquisitions, 100u);
    EXPECT_EQ(s.series.FileFormat, 0u);
    EXPECT_EQ(s.series.BaseFilename, "Temp");
    EXPECT_EQ(ReadControlBarTexts(), (ControlBarTexts{"Master", "632.8", "Wavelength (nm)"}));
    EXPECT_EQ(ReadControlBarTexts(), DefaultControlBarTexts());
    EXPECT_FALSE(fs::exists(sys::SettingsFolder())) << "reading creates nothing";
}

TEST(SettingsFile, AFileWrittenFromNothingHoldsEverySectionAndKeyInOrder)
{
    std::string error;
    ReplaceCounter writes;
    ASSERT_TRUE(WriteControlBarTexts({"Master", "632.8", "Wavelength (nm)"}, &error)) << error;
    ASSERT_TRUE(WriteWorkingSettings(DefaultSettings(), &error)) << error;
    EXPECT_EQ(writes.count, 2) << "one file write for the bar, one for everything else";

    // New files get LF line ends, no blank lines, no byte-order mark.
    const std::string expected = "[DialogBar]\nChannel=Master\nLaserWavelength=632.8\nXAxis=Wavelength (nm)\n" +
                                 DefaultTimeAcquisitionSection() + DefaultCalibrationSections() +
                                 "[Acquisition]\nIntegrationTime=100\nAverage=1\nBoxcar=1\nCorrectDark=0\n"
                                 "Channel=0\nLaserWavelength=632.799988\nViewRaman=0\nNumChannels=1\n"
                                 "[PeakFind]\nThreshold=100.000000\nWidth=1\nSlope=10.000000\n";
    EXPECT_EQ(ReadWholeFile(SettingsPath()), expected);
    EXPECT_EQ(SettingsPath(), std::string(std::getenv("XDG_CONFIG_HOME")) + "/vexlar/vexlar.ini");
    EXPECT_EQ(FolderEntries(sys::SettingsFolder()), std::vector<std::string>{"vexlar.ini"}) << "no temporary left";
}

TEST(SettingsFile, IntegrationTimesBeyond16BitsTakeTheDefaultAndLongTimesComeBackAs250)
{
    const struct {
        const char* stored;
        int loaded;
    } cases[] = {
        {"5000", 250},   {"2000", 2000}, {"2001", 250}, {"4", 4}, {"65636", 100},  // 2^16 + 100
        {"67536", 100},                                                            // 2^16 + 2000: never wrapped
        {"68036", 100},                                                            // 2^16 + 2500
        {"-1", 100},                                                               // not 65535
        {"0", 0},        {"abc", 0},     {"", 100},                                // an empty value counts as missing
        {"150 ms", 150},
    };
    for (const auto& c : cases) {
        const WorkingSettings s = Loaded(std::string("[Acquisition]\nIntegrationTime=") + c.stored + "\n");
        EXPECT_EQ(s.integrationTime, c.loaded) << c.stored;
    }
}

TEST(SettingsFile, NumbersAreTakenFromTheStartOfTheirText)
{
    const WorkingSettings s =
        Loaded("[Acquisition]\nLaserWavelength=532 nm\nAverage=12 scans\nBoxcar=x\n"
               "[Master]\nFirst=abc\nSecond=1e-4xyz\nIntercept=  400.25\n"
               "[Slave2]\nFirst=\"0.75\"\nThird=-2.5e-9\n"
               "[PeakFind]\nThreshold=250.5 counts\nSlope=,5\nWidth=3\n"
               "[TimeAcquisition]\nBaseFilename=  /data/my run  \nNumberOfAcquisitions=4294967295\n");
    EXPECT_EQ(s.laserWavelength, 532.0f);
    EXPECT_EQ(s.average, 12);
    EXPECT_EQ(s.boxcar, 0) << "text that is no number reads 0";
    EXPECT_EQ(s.calibration.calFirst[0], 0.0f) << "abc reads 0";
    EXPECT_EQ(s.calibration.calSecond[0], 1e-4f);
    EXPECT_EQ(s.calibration.calIntercept[0], 400.25f);
    EXPECT_EQ(s.calibration.calThird[0], 0.0f) << "missing keys take their default";
    EXPECT_EQ(s.calibration.calFirst[2], 0.75f) << "quotes around a value are dropped";
    EXPECT_EQ(s.calibration.calThird[2], -2.5e-9f);
    EXPECT_EQ(s.calibration.calFirst[1], 0.5f) << "other channels keep their defaults";
    EXPECT_EQ(s.peakCriteria.peakThreshold, 250.5);
    EXPECT_EQ(s.peakCriteria.peakSlope, 0.0);
    EXPECT_EQ(s.peakCriteria.peakWidth, 3);
    EXPECT_EQ(s.series.BaseFilename, "/data/my run");
    EXPECT_EQ(s.series.NumberOfAcquisitions, 4294967295u);
}

TEST(SettingsFile, ValuesThatWouldBreakTheWorkspaceLoadSafely)
{
    // The channel indexes the calibration tables, the buffers and the
    // channel-enable array.
    for (const char* stored : {"8", "-1", "65539", "9999999999"})
        EXPECT_EQ(Loaded(std::string("[Acquisition]\nChannel=") + stored + "\n").channel, 0) << stored;
    EXPECT_EQ(Loaded("[Acquisition]\nChannel=7\n").channel, 7);

    for (const char* stored : {"2", "-1", "256"})
        EXPECT_EQ(Loaded(std::string("[Acquisition]\nViewRaman=") + stored + "\n").xAxisMode, 0) << stored;
    EXPECT_EQ(Loaded("[Acquisition]\nViewRaman=1\n").xAxisMode, 1);

    // A laser line that is not a positive finite number makes every Raman
    // shift infinite.
    for (const char* stored : {"0", "-632.8", "abc", "1e999", "1e39", "0.0 nm", "1e-35"})
        EXPECT_EQ(Loaded(std::string("[Acquisition]\nLaserWavelength=") + stored + "\n").laserWavelength, 632.8f)
            << stored;
    EXPECT_EQ(Loaded("[Acquisition]\nLaserWavelength=1064\n").laserWavelength, 1064.0f);
}

TEST(SettingsFile, TheCleaningKeysLoadSafelyAndAreWrittenOnlyOnceUsed)
{
    const WorkingSettings defaults = DefaultSettings();
    EXPECT_EQ(defaults.removeSpikes, 0);
    EXPECT_EQ(defaults.subtractBaseline, 0);
    EXPECT_EQ(defaults.baselineSmoothness, 1000.0);
    EXPECT_EQ(defaults.baselineAsymmetry, 0.01);
    for (const char* stored : {"2", "-1", "x"})
        EXPECT_EQ(Loaded(std::string("[Cleaning]\nRemoveSpikes=") + stored + "\n").removeSpikes, 0) << stored;
    for (const char* stored : {"0", "0.5", "1e13", "abc", "nan"})
        EXPECT_EQ(Loaded(std::string("[Cleaning]\nBaselineSmoothness=") + stored + "\n").baselineSmoothness, 1000.0)
            << stored;
    for (const char* stored : {"0", "0.6", "-0.01", "1e-7"})
        EXPECT_EQ(Loaded(std::string("[Cleaning]\nBaselineAsymmetry=") + stored + "\n").baselineAsymmetry, 0.01)
            << stored;
    const WorkingSettings loaded =
        Loaded("[Cleaning]\nRemoveSpikes=1\nSubtractBaseline=1\nBaselineSmoothness=2.5e4\nBaselineAsymmetry=0.002\n");
    EXPECT_EQ(loaded.removeSpikes, 1);
    EXPECT_EQ(loaded.subtractBaseline, 1);
    EXPECT_EQ(loaded.baselineSmoothness, 25000.0);
    EXPECT_EQ(loaded.baselineAsymmetry, 0.002);

    // Written in the fewest digits once used, and kept (at its default too)
    // once the file holds it; a file that never held them never does.
    fs::remove(SettingsPath());
    std::string error;
    ASSERT_TRUE(WriteWorkingSettings(defaults, &error)) << error;
    EXPECT_EQ(ReadWholeFile(SettingsPath()).find("Cleaning"), std::string::npos);
    WorkingSettings used = defaults;
    used.baselineAsymmetry = 0.002;
    ASSERT_TRUE(WriteWorkingSettings(used, &error)) << error;
    EXPECT_NE(ReadWholeFile(SettingsPath()).find("[Cleaning]\nBaselineAsymmetry=0.002\n"), std::string::npos);
    ASSERT_TRUE(WriteWorkingSettings(defaults, &error)) << error;
    EXPECT_NE(ReadWholeFile(SettingsPath()).find("[Cleaning]\nBaselineAsymmetry=0.01\n"), std::string::npos);
    EXPECT_EQ(ReadWorkingSettings().values, defaults);
}

TEST(SettingsFile, SavingKeepsWhatItDoesNotKnowAndReplacesKnownKeysInPlace)
{
    ASSERT_TRUE(WriteSettingsFile("; Vexlar settings\n"
                                  "[Custom]\nFoo=bar\n\n"
                                  "[acquisition]\nchannel=2\n; operator's note\nExtra=1\nIntegrationTime = 500\n\n"
                                  "[PeakFind]\nWidth=3\n"));
    LoadedSettings loaded = ReadWorkingSettings();
    ASSERT_EQ(loaded.error, "");
    EXPECT_EQ(loaded.values.channel, 2) << "sections and keys match whatever their case";
    EXPECT_EQ(loaded.values.integrationTime, 500);
    loaded.values.channel = 6;
    std::string error;
    ASSERT_TRUE(WriteWorkingSettings(loaded.values, &error)) << error;

    const std::string expected =
        "; Vexlar settings\n"
        "[Custom]\nFoo=bar\n\n"
        "[acquisition]\nchannel=6\n; operator's note\nExtra=1\nIntegrationTime = 500\n"
        "Average=1\nBoxcar=1\nCorrectDark=0\nLaserWavelength=632.799988\nViewRaman=0\nNumChannels=1\n\n"
        "[PeakFind]\nWidth=3\nThreshold=100.000000\nSlope=10.000000\n" +
        DefaultTimeAcquisitionSection() + DefaultCalibrationSections();
    EXPECT_EQ(ReadWholeFile(SettingsPath()), expected);

    // Written again unchanged, the file stays as it is.
    ASSERT_TRUE(WriteWorkingSettings(loaded.values, &error)) << error;
    EXPECT_EQ(ReadWholeFile(SettingsPath()), expected);
}

TEST(SettingsFile, ChangedValuesSurviveASaveAndALoad)
{
    std::string error;
    ASSERT_TRUE(WriteWorkingSettings(Unusual(), &error)) << error;
    EXPECT_EQ(ReadWorkingSettings().values, Unusual());
    const std::string file = ReadWholeFile(SettingsPath());
    EXPECT_NE(file.find("\nNumberOfAcquisitions=4000000000\n"), std::string::npos);
    EXPECT_NE(file.find("\nSecond=-3.500000e-07\n"), std::string::npos);
    EXPECT_NE(file.find("\nThird=1.250000e-09\n"), std::string::npos);
    EXPECT_NE(file.find("\nFirst=1.125000\n"), std::string::npos);
    EXPECT_NE(file.find("\nLaserWavelength=785.000000\n"), std::string::npos);
    EXPECT_NE(file.find("\nBaseFilename=/data/run 7/sample\n"), std::string::npos);

    // "%f" keeps six decimals and "%.6e" seven significant digits: a first-
    // order coefficient loses the rest at each save.
    WorkingSettings fine = Unusual();
    fine.calibration.calFirst[3] = 0.123456789f;
    fine.calibration.calSecond[3] = 1.23456789e-5f;
    ASSERT_TRUE(WriteWorkingSettings(fine, &error)) << error;
    const WorkingSettings back = ReadWorkingSettings().values;
    EXPECT_EQ(back.calibration.calFirst[3], 0.123457f);
    EXPECT_NE(back.calibration.calFirst[3], fine.calibration.calFirst[3]);
    EXPECT_EQ(back.calibration.calSecond[3], 1.234568e-5f);
    EXPECT_NE(ReadWholeFile(SettingsPath()).find("[Slave3]\nFirst=0.123457\nSecond=1.234568e-05\n"), std::string::npos);
}

TEST(SettingsFile, NumbersAreWrittenWithAPointUnderACommaDecimalLanguage)
{
    vexlar::test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the comma language is in force";

    std::string error;
    ASSERT_TRUE(WriteWorkingSettings(DefaultSettings(), &error)) << error;
    const std::string file = ReadWholeFile(SettingsPath());
    EXPECT_NE(file.find("\nLaserWavelength=632.799988\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nSecond=5.000000e-05\n"), std::string::npos);
    EXPECT_NE(file.find("\nThreshold=100.000000\n"), std::string::npos);
    EXPECT_EQ(ReadWorkingSettings().values, DefaultSettings());
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the language is left as it was";
}

TEST(SettingsFile, AFailedWriteIsReportedAndLeavesTheFileWhole)
{
    // A settings folder that cannot be made: its name is taken by a file.
    const std::string folder = sys::SettingsFolder();
    ASSERT_TRUE(WriteWholeFile(folder, "not a folder"));
    std::string error;
    EXPECT_FALSE(WriteWorkingSettings(DefaultSettings(), &error));
    EXPECT_NE(error.find(folder), std::string::npos) << error;
    EXPECT_FALSE(WriteControlBarTexts(DefaultControlBarTexts(), &error));
    EXPECT_NE(error.find(folder), std::string::npos) << error;
    EXPECT_EQ(ReadWholeFile(folder), "not a folder");
    fs::remove(folder);

    // A disk that refuses the new file: the old one stays as it was.
    const std::string before = "[Acquisition]\nChannel=4\n";
    ASSERT_TRUE(WriteSettingsFile(before));
    {
        ReplaceCounter full(ENOSPC);
        error.clear();
        EXPECT_FALSE(WriteWorkingSettings(Unusual(), &error));
        EXPECT_EQ(full.count, 1) << "everything goes in one file write";
    }
    EXPECT_NE(error.find(SettingsPath()), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(ReadWholeFile(SettingsPath()), before);
    EXPECT_EQ(FolderEntries(sys::SettingsFolder()), std::vector<std::string>{"vexlar.ini"}) << "no temporary left";
    EXPECT_EQ(ReadWorkingSettings().values.channel, 4);
}

TEST(SettingsFile, AnUnreadableFileGivesTheDefaultsAndSaysWhy)
{
    // Tests run with every permission, so the file is made unreadable by
    // being a folder.
    fs::create_directories(SettingsPath());
    const LoadedSettings loaded = ReadWorkingSettings();
    EXPECT_NE(loaded.error.find(SettingsPath()), std::string::npos) << loaded.error;
    EXPECT_EQ(loaded.values, DefaultSettings());
    EXPECT_EQ(ReadControlBarTexts(), DefaultControlBarTexts());

    std::string error;
    EXPECT_FALSE(WriteWorkingSettings(Unusual(), &error)) << "a file that cannot be read is not written over";
    EXPECT_NE(error.find(SettingsPath()), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(SettingsPath()));
}

TEST(SettingsFile, ControlBarTextsAreKeptUpTo49Characters)
{
    const std::string longText(60, 'x');
    // 48 characters and a two-byte one: the cut does not split it.
    const std::string accented = std::string(48, 'a') + "\xC3\xA9" + "b";
    std::string error;
    ASSERT_TRUE(WriteControlBarTexts({"Slave 2", longText, accented}, &error)) << error;
    const ControlBarTexts back = ReadControlBarTexts();
    EXPECT_EQ(back.channel, "Slave 2");
    EXPECT_EQ(back.laserWavelength, std::string(49, 'x'));
    EXPECT_EQ(back.xAxis, std::string(48, 'a'));
    EXPECT_EQ(ClipText(accented, 50), std::string(48, 'a') + "\xC3\xA9");

    // A text longer than 49 characters written by hand reads its first 49.
    ASSERT_TRUE(WriteSettingsFile("[DialogBar]\nXAxis=" + longText + "\n"));
    EXPECT_EQ(ReadControlBarTexts().xAxis, std::string(49, 'x'));
    EXPECT_EQ(ReadControlBarTexts().channel, "Master") << "a missing key gives its default";
}

TEST(SettingsFile, NumberFormatsAreThoseOfTheCLibrary)
{
    EXPECT_EQ(FormatFixed(632.8f), "632.799988");
    EXPECT_EQ(FormatFixed(-0.5), "-0.500000");
    EXPECT_EQ(FormatExponent(5e-5f), "5.000000e-05");
    EXPECT_EQ(FormatExponent(0.0), "0.000000e+00");
    EXPECT_EQ(FormatFixed(1e300).size(), 301u + 7u) << "long numbers are written whole";
}

// A value the workspace cannot use, or a whole number its value cannot hold,
// is neither wrapped into another number nor replaced without a word: each
// is listed with the file's text and the value used.
TEST(SettingsFile, ValuesThatCannotBeUsedAreListedWithTheValueUsed)
{
    const ReplacedValue cases[] = {
        // {section, key, stored, used}; used empty: used as it stands
        {"Acquisition", "Boxcar", "99999", "1"},
        {"Acquisition", "IntegrationTime", "5000", "250"},
        {"Master", "First", "1e39", "0.5"},
        {"Slave7", "Intercept", "abc", "0"},
        {"TimeAcquisition", "SeriesTable", "4294967297", "0"},
        {"TimeAcquisition", "SeriesTable", "3", "0"},
        {"TimeAcquisition", "SeriesTable", "-1", "0"},
        {"TimeAcquisition", "SeriesTable", "abc", "0"},
        {"TimeAcquisition", "LaserWarmupTime", "-1", "10"},
        {"Cleaning", "BaselineSmoothness", "-5", "1000"},
        {"Cleaning", "BaselineSmoothness", "nan", "1000"},
        {"Cleaning", "BaselineSmoothness", "1e300", "1000"},
        {"Cleaning", "BaselineAsymmetry", "2", "0.01"},
        {"Acquisition", "LaserWavelength", "532 nm", ""},
        {"TimeAcquisition", "NumberOfAcquisitions", "4294967295", ""},
    };
    for (const ReplacedValue& c : cases) {
        ASSERT_TRUE(WriteSettingsFile("[" + c.section + "]\n" + c.key + "=" + c.stored + "\n"));
        EXPECT_EQ(ReadWorkingSettings().replaced, c.used.empty() ? std::vector<ReplacedValue>{} : std::vector{c})
            << c.key << "=" << c.stored;
    }
}

// At exit, a value used in place of what the file holds is written back,
// while a value used as the file's text gives it keeps that text.
TEST(SettingsFile, AValueUsedInPlaceOfTheFilesIsWrittenBack)
{
    const std::string before = "[Acquisition]\nIntegrationTime=5000\nBoxcar=99999\nLaserWavelength=632.8 nm\n";
    ASSERT_TRUE(WriteSettingsFile(before));
    const LoadedSettings loaded = ReadWorkingSettings();
    std::string error;
    ASSERT_TRUE(WriteChangedWorkingSettings(loaded.values, loaded, &error)) << error;
    const std::string after = ReadWholeFile(SettingsPath());
    EXPECT_EQ(after.rfind("[Acquisition]\nIntegrationTime=250\nBoxcar=1\nLaserWavelength=632.8 nm\n", 0), 0u) << after;
}
