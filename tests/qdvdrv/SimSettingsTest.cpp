#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ConfigDialog.h"
#include "Profile.h"
#include "SimSettings.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar::qdv;

namespace {

std::string SettingsPath()
{
    return vexlar::test::SettingsFilePath(kSettingsFileName);
}

SimSettings Unusual()
{
    SimSettings s;
    s.samples = {SampleKind::NeonLamp, SampleKind::Polystyrene,     SampleKind::Naphthalene,
                 SampleKind::Sulfur,   SampleKind::Acetamidophenol, SampleKind::Silicon,
                 SampleKind::None,     SampleKind::Cyclohexane};
    s.calibrations[3] = Calibration{400.125, 0.375, -1.5e-5, 2.5e-9};
    s.laserWavelengthNm = 785.0;
    s.laserPower = 0.35;
    s.noise = 2.5;
    s.darkCurrent = 1234.5;
    s.fluorescence = 0.1;
    s.speedFactor = 250.0;
    s.faultRate = 0.125;
    s.cosmicRate = 12.25;
    return s;
}

class EnvironmentGuard {
public:
    ~EnvironmentGuard()
    {
        for (const char* name : {"VEXLAR_SIM_SPEED", "VEXLAR_SIM_SAMPLE", "VEXLAR_SIM_NOISE", "VEXLAR_SIM_FAULT_RATE",
                                 "VEXLAR_SIM_COSMIC_RATE"})
            unsetenv(name);
    }
};

template <typename T>
T* Control(QWidget& dialog, const QString& name)
{
    T* control = dialog.findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
}

}  // namespace

TEST(SimSettings, MissingFileGivesTheDefaultsAndASavedSetUpReadsBackExactly)
{
    const SimSettings defaults = LoadSimSettings(kSettingsFileName);
    EXPECT_EQ(defaults, SimSettings{});
    for (SampleKind s : defaults.samples)
        EXPECT_EQ(s, SampleKind::Cyclohexane);
    EXPECT_EQ(defaults.laserWavelengthNm, 632.8);
    EXPECT_EQ(defaults.calibrations[0].second, 5e-5);

    std::string error;
    ASSERT_TRUE(SaveSimSettings(Unusual(), kSettingsFileName, &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(SettingsPath())) << "beside the program's settings file";
    EXPECT_EQ(LoadSimSettings(kSettingsFileName), Unusual());
}

TEST(SimSettings, UnusableValuesTakeTheirDefaultOrTheNearestEndOfTheirRange)
{
    using vexlar::sys::WritePrivateProfileString;
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "SpeedFactor", "fast", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "Noise", "-5", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "FaultRate", "3", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "LaserWavelength", "nan", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "DarkCurrent", " 55.5 counts", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Channel0", "Sample", "unobtainium", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Channel1", "Sample", "NEON", kSettingsFileName));
    ASSERT_TRUE(WritePrivateProfileString("Channel2", "CalFirst", "inf", kSettingsFileName));

    const SimSettings s = LoadSimSettings(kSettingsFileName);
    EXPECT_EQ(s.speedFactor, 1.0);
    EXPECT_EQ(s.noise, 0.0);
    EXPECT_EQ(s.faultRate, 1.0);
    EXPECT_EQ(s.laserWavelengthNm, 632.8);
    EXPECT_EQ(s.darkCurrent, 55.5) << "a leading number is read";
    EXPECT_EQ(s.samples[0], SampleKind::Cyclohexane);
    EXPECT_EQ(s.samples[1], SampleKind::NeonLamp) << "sample names match without regard to case";
    EXPECT_EQ(s.calibrations[2].first, 0.5);
}

TEST(SimSettings, EnvironmentOverridesUsableValuesAndReportsThem)
{
    EnvironmentGuard guard;
    setenv("VEXLAR_SIM_SPEED", "500", 1);
    setenv("VEXLAR_SIM_SAMPLE", "silicon", 1);
    setenv("VEXLAR_SIM_NOISE", "lots", 1);
    setenv("VEXLAR_SIM_FAULT_RATE", "2", 1);
    SimSettings s;
    const std::vector<std::string> applied = ApplyEnvironmentOverrides(s);
    EXPECT_EQ(applied, (std::vector<std::string>{"VEXLAR_SIM_SPEED=500", "VEXLAR_SIM_SAMPLE=silicon"}));
    EXPECT_EQ(s.speedFactor, 500.0);
    EXPECT_EQ(s.samples[7], SampleKind::Silicon);
    EXPECT_EQ(s.noise, 1.0);
    EXPECT_EQ(s.faultRate, 0.0);
}

TEST(SimSettings, UnwritableFolderIsReportedWithItsPath)
{
    // The settings folder is taken by a plain file, so nothing can be
    // written there.
    const std::string folder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/vexlar";
    ASSERT_TRUE(vexlar::test::WriteWholeFile(folder, "not a folder"));
    std::string error;
    EXPECT_FALSE(SaveSimSettings(Unusual(), kSettingsFileName, &error));
    EXPECT_NE(error.find("vexlar"), std::string::npos) << error;
}

TEST(ConfigDialog, ShowsTheSetUpAndGivesBackWhatTheOperatorChose)
{
    const SimSettings original = Unusual();
    ConfigDialog dialog(original, {}, nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>("overrideNote"), nullptr);

    auto* master = Control<QComboBox>(dialog, "sampleChannel0");
    auto* slave6 = Control<QComboBox>(dialog, "sampleChannel6");
    ASSERT_TRUE(master && slave6);
    EXPECT_EQ(master->currentText(), "Neon lamp");
    EXPECT_EQ(slave6->currentText(), "No sample");
    EXPECT_EQ(master->count(), 8);
    EXPECT_EQ(Control<QDoubleSpinBox>(dialog, "faultPercent")->value(), 12.5);

    // Untouched, the dialog gives back exactly what it was shown, even where
    // a control rounds (a laser power of 0.35 shows as 0.35, a dark current
    // of 1234.5 as 1234.5, a calibration is not shown at all).
    EXPECT_EQ(dialog.Settings(), original);

    master->setCurrentIndex(master->findText("Cyclohexane"));
    slave6->setCurrentIndex(slave6->findText("Silicon"));
    Control<QDoubleSpinBox>(dialog, "laserPower")->setValue(2.5);
    Control<QDoubleSpinBox>(dialog, "noiseLevel")->setValue(0.0);
    Control<QDoubleSpinBox>(dialog, "darkCurrent")->setValue(10.0);
    Control<QDoubleSpinBox>(dialog, "fluorescenceLevel")->setValue(3.0);
    Control<QDoubleSpinBox>(dialog, "speedFactor")->setValue(1e9);  // beyond the range
    Control<QDoubleSpinBox>(dialog, "faultPercent")->setValue(50.0);
    EXPECT_EQ(Control<QDoubleSpinBox>(dialog, "cosmicRate")->value(), 12.25);
    Control<QDoubleSpinBox>(dialog, "cosmicRate")->setValue(20.0);

    const SimSettings chosen = dialog.Settings();
    EXPECT_EQ(chosen.samples[0], SampleKind::Cyclohexane);
    EXPECT_EQ(chosen.samples[6], SampleKind::Silicon);
    EXPECT_EQ(chosen.samples[1], SampleKind::Polystyrene);
    EXPECT_EQ(chosen.laserPower, 2.5);
    EXPECT_EQ(chosen.noise, 0.0);
    EXPECT_EQ(chosen.darkCurrent, 10.0);
    EXPECT_EQ(chosen.fluorescence, 3.0);
    EXPECT_EQ(chosen.speedFactor, kSpeedFactorRange.maximum);
    EXPECT_EQ(chosen.faultRate, 0.5);
    EXPECT_EQ(chosen.cosmicRate, 20.0);
    EXPECT_EQ(chosen.calibrations, original.calibrations);
    EXPECT_EQ(chosen.laserWavelengthNm, 785.0);
}

TEST(ConfigDialog, NamesTheEnvironmentOverridesInForce)
{
    ConfigDialog dialog(SimSettings{}, {"VEXLAR_SIM_SPEED=500"}, nullptr);
    auto* note = dialog.findChild<QLabel*>("overrideNote");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains("VEXLAR_SIM_SPEED=500"));
}

TEST(SimSettings, TheCosmicRateIsWrittenOnlyOnceItIsUsedAndTheEnvironmentOverridesIt)
{
    // A set-up without cosmic rays writes the file it always wrote.
    const auto text = [] {
        std::ifstream in(SettingsPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    SimSettings s;
    std::string error;
    ASSERT_TRUE(SaveSimSettings(s, kSettingsFileName, &error)) << error;
    EXPECT_EQ(text().find("CosmicRate"), std::string::npos);

    s.cosmicRate = 20.0;
    ASSERT_TRUE(SaveSimSettings(s, kSettingsFileName, &error)) << error;
    EXPECT_NE(text().find("CosmicRate=20"), std::string::npos);
    EXPECT_EQ(LoadSimSettings(kSettingsFileName).Channel(3).cosmicRate, 20.0);
    // Once there, a rate of 0 is written as 0; beyond its range it is held to it.
    s.cosmicRate = 0.0;
    ASSERT_TRUE(SaveSimSettings(s, kSettingsFileName, &error)) << error;
    EXPECT_NE(text().find("CosmicRate=0"), std::string::npos);
    vexlar::sys::WritePrivateProfileString("Simulator", "CosmicRate", "1e9", kSettingsFileName);
    EXPECT_EQ(LoadSimSettings(kSettingsFileName).cosmicRate, kCosmicRateRange.maximum);

    EnvironmentGuard guard;
    setenv("VEXLAR_SIM_COSMIC_RATE", "35.5", 1);
    SimSettings overridden;
    const std::vector<std::string> applied = ApplyEnvironmentOverrides(overridden);
    EXPECT_EQ(overridden.cosmicRate, 35.5);
    EXPECT_EQ(applied, (std::vector<std::string>{"VEXLAR_SIM_COSMIC_RATE=35.5"}));
    setenv("VEXLAR_SIM_COSMIC_RATE", "-1", 1);
    SimSettings kept;
    EXPECT_TRUE(ApplyEnvironmentOverrides(kept).empty());
    EXPECT_EQ(kept.cosmicRate, 0.0);
}
