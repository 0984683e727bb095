// vexlar-acquire against the window: the same measurement on the simulated
// spectrometer (cyclohexane, no noise, so that scans repeat exactly) taken
// by the operator in the window and by the command-line tool, written as
// CSV, holds the same numbers; and arguments the tool cannot take end it
// with status 2 and its usage.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QWidget>

#include <sstream>
#include <string>
#include <vector>

#include "Profile.h"
#include "support/Refusal.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr int kWaitMs = 20000;
constexpr int kScans = 5;

// The lines of a CSV file below its "#" header: what was measured.
std::vector<std::string> DataRows(const std::string& path)
{
    std::vector<std::string> rows;
    std::istringstream text(ReadWholeFile(path));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line[0] != '#')
            rows.push_back(line);
    }
    return rows;
}

class AcquireTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VEXLAR_SIM_NOISE", "0", 1);
        setenv("VEXLAR_SIM_SAMPLE", "cyclohexane", 1);
        ASSERT_TRUE(sys::WritePrivateProfileString("Acquisition", "IntegrationTime", "20", "vexlar.ini"));
        ASSERT_TRUE(sys::WritePrivateProfileString("Acquisition", "Average", "2", "vexlar.ini"));
    }
    void TearDown() override
    {
        unsetenv("VEXLAR_SIM_NOISE");
        unsetenv("VEXLAR_SIM_SAMPLE");
    }

    static int Run(const QStringList& arguments, QString* errors = nullptr)
    {
        QProcess tool;
        tool.start(VEXLAR_ACQUIRE, arguments);
        tool.waitForFinished(kWaitMs);
        if (errors)
            *errors = QString::fromLocal8Bit(tool.readAllStandardError());
        return tool.exitCode();
    }
};

}  // namespace

TEST_F(AcquireTool, WritesWhatTheWindowExportsForTheSameScans)
{
    TempDir dir;
    const std::string windowCsv = dir.file("window.csv");
    {
        AppContext app;
        app.hinst = &app;
        FakeHost host;
        QWidget window;
        CVexlarView view;
        view.SetHost(&host);
        ASSERT_TRUE(view.Create(&app, QRect(0, 0, 800, 500), &window));
        Instrument& engine = view.instrument();
        int scans = 0;
        QObject::connect(&engine, &Instrument::scanProcessed, [&](bool) { ++scans; });
        const auto waitScans = [&](int n) {
            const int until = scans + n;
            return QTest::qWaitFor([&] { return scans >= until; }, kWaitMs);
        };
        // Store Dark with the laser off, then Laser On, then a fresh sum.
        ASSERT_TRUE(waitScans(2));
        engine.StoreDark();
        host.SetChecked(IDC_LASER, true);
        view.OnBarParam(BAR_LASER_CLICKED);
        ASSERT_TRUE(waitScans(2));
        view.OnBarParam(BAR_ADDITIVE);
        Tell(engine.ToggleAdditiveMode());
        ASSERT_TRUE(QTest::qWaitFor([&] { return engine.flags().additions >= kScans; }, kWaitMs));
        Tell(engine.ToggleAdditiveMode());
        ASSERT_EQ(engine.ExportAs(windowCsv, Instrument::kCsvFormat), "");
    }

    const std::string toolCsv = dir.file("tool.csv");
    ASSERT_EQ(Run({"--scans", QString::number(kScans), "--dark", "--laser", "--out", QString::fromStdString(toolCsv)}),
              0);
    const std::vector<std::string> rows = DataRows(toolCsv);
    ASSERT_EQ(rows.size(), 2049u) << "a heading and a row per pixel";
    EXPECT_EQ(rows, DataRows(windowCsv));
    EXPECT_NE(ReadWholeFile(toolCsv).find("# Additive scans: 5\r\n"), std::string::npos);

    const struct {
        QStringList arguments;
        const char* says;
    } bad[] = {
        {{"--scans", "3"}, "--out is needed"},
        {{"--scans", "3", "--out", "a.csv"}, "--scans above 1 needs --dark"},
        {{"--out", "a.txt"}, "the output's extension names its format"},
        {{"--integration", "0", "--out", "a.csv"}, "--integration needs milliseconds"},
        {{"--out", "a.csv", "--colour"}, "unknown option"},
    };
    for (const auto& b : bad) {
        QString errors;
        EXPECT_EQ(Run(b.arguments, &errors), 2) << b.says;
        EXPECT_TRUE(errors.contains(b.says) && errors.contains("Usage: vexlar-acquire")) << errors.toStdString();
    }
}
