// The engine without any window, as a remote interface or a command-line
// tool drives it: its commands in, the driver's calls, its signals and the
// files out.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

#include <string>
#include <vector>

#include "Messages.h"
#include "instrument/Instrument.h"
#include "support/RecordingDriver.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

class InstrumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingDriver::Get().Reset();
        app.hinst = &app;
        engine = std::make_unique<Instrument>();
        QObject::connect(engine.get(), &Instrument::scanProcessed, [this](bool) { ++scansShown; });
        engine->Configure(&app, settings::DefaultSettings());
        ASSERT_EQ(engine->Start(), "");
    }
    void TearDown() override
    {
        engine->Release();
        engine.reset();
        RecordingDriver::Get().Reset();
    }

    // The driver answers the scan asked for with every pixel at value.
    void Answer(float value)
    {
        ASSERT_TRUE(RecordingDriver::Get().Answer(0, value));
        for (int round = 0; round < 4; ++round)
            QCoreApplication::sendPostedEvents();
    }

    AppContext app;
    std::unique_ptr<Instrument> engine;
    int scansShown = 0;
};

}  // namespace

// A dark, three scans added less the dark, the sum exported: every value as
// the arithmetic gives it, each scan told once, the chain never idle.
TEST_F(InstrumentTest, AMeasurementFromDarkToExportNeedsNoWindow)
{
    EXPECT_EQ(RecordingDriver::Get().Names(),
              (std::vector<std::string>{"QDV_V7400StrobeEnable", "QDV_Register", "QDV_ParamSet", "QDV_SingleScan"}));
    Answer(100.0f);
    engine->StoreDark();
    ASSERT_EQ(engine->ToggleAdditiveMode(), "");
    for (float value : {110.0f, 120.0f, 130.0f})
        Answer(value);
    EXPECT_EQ(scansShown, 4);
    EXPECT_EQ(engine->flags().additions, 3);
    EXPECT_EQ(engine->ShownSpectrum()[1000], 60.0);
    EXPECT_EQ(RecordingDriver::Get().owed, 1) << "the next scan is always asked for";

    TempDir dir;
    ASSERT_EQ(engine->ExportAs(dir.file("sum.csv"), Instrument::kCsvFormat), "");
    const std::string csv = ReadWholeFile(dir.file("sum.csv"));
    EXPECT_NE(csv.find("# Dark subtracted: yes\r\n# Additive scans: 3\r\n"), std::string::npos);
    std::size_t rows = 0;
    for (std::size_t at = csv.find(",60\r\n"); at != std::string::npos; at = csv.find(",60\r\n", at + 1))
        ++rows;
    EXPECT_EQ(rows, 2048u) << "every pixel: 3 x (scan - dark)";
}

// What the window would refuse, the engine refuses with the same words, and
// nothing reaches the driver or the workspace.
TEST_F(InstrumentTest, RefusalsCarryTheOperatorsMessageAndChangeNothing)
{
    RecordingDriver::Get().ClearCalls();
    TempDir dir;
    const struct {
        std::string refusal;
        const char* starts;
    } refused[] = {
        {engine->SetAcquisitionValue(AcquisitionValue::IntegrationTime, "70000"),
         "The integration time can be at most 65535 msec"},
        {engine->SetLaserWavelength("632,5"), "The laser wavelength must be written with a decimal point"},
        {engine->SetLaserWavelength("abc"), "The laser wavelength must be a positive number of nanometres."},
        {engine->ToggleAdditiveMode(), "You must store a dark spectrum before"},
        {engine->OpenSpectrumFile(dir.path()), "Cannot open the spectrum file"},
        {engine->SaveSpectrumFile(dir.path()), "Cannot save the graph to"},
    };
    for (const auto& r : refused)
        EXPECT_EQ(r.refusal.rfind(r.starts, 0), 0u) << r.refusal;
    EXPECT_TRUE(RecordingDriver::Get().calls.empty());
    EXPECT_EQ(engine->params().IntegrationTime, settings::DefaultSettings().integrationTime);
    EXPECT_EQ(engine->calibration().laserWavelength, 632.8f);
    EXPECT_FALSE(engine->flags().additive);
}

// With the baseline subtracted, the spectrum less its baseline is made when
// it is read, not for each scan: a file written right after a scan that
// nobody drew holds that scan, never the one before it.
TEST_F(InstrumentTest, AFileWrittenRightAfterAScanHoldsThatScanLessItsBaseline)
{
    engine->ToggleSubtractBaseline();
    std::vector<float> scan(kPixels);
    for (const int band : {1000, 1500}) {
        for (int i = 0; i < kPixels; ++i)
            scan[static_cast<std::size_t>(i)] = 200.0f + (std::abs(i - band) < 4 ? 1500.0f : 0.0f);
        RecordingDriver::Get().FillPixels(0, scan.data());
        RecordingDriver::Get().Post(WM_SCAN_COMPLETE, 0);
        for (int round = 0; round < 4; ++round)
            QCoreApplication::sendPostedEvents();
        if (band == 1000)
            EXPECT_GT(engine->ShownSpectrum()[1000], 1000.0) << "the first scan drawn";
    }
    TempDir dir;
    ASSERT_EQ(engine->ExportAs(dir.file("shown.csv"), Instrument::kCsvFormat), "");
    const std::string csv = ReadWholeFile(dir.file("shown.csv"));
    EXPECT_NE(csv.find("Baseline subtracted: yes"), std::string::npos);
    std::vector<double> intensities;
    std::size_t at = csv.find("\r\n", csv.rfind("#")) + 2;
    at = csv.find("\r\n", at) + 2;  // the column heading
    while (at < csv.size()) {
        const std::size_t end = csv.find("\r\n", at);
        intensities.push_back(std::stod(csv.substr(csv.rfind(',', end) + 1, end - csv.rfind(',', end) - 1)));
        at = end + 2;
    }
    ASSERT_EQ(intensities.size(), static_cast<std::size_t>(kPixels));
    const auto top = std::max_element(intensities.begin(), intensities.end()) - intensities.begin();
    EXPECT_NEAR(static_cast<double>(top), 1500.0, 4.0) << "the band of the last scan";
    EXPECT_LT(intensities[1000], 100.0) << "nothing of the scan before";
}
