#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "Profile.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
#include "calibration/ControlBarTexts.h"
#include "calibration/SettingsFile.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "timed/TimeAcquisitionDlg.h"

using namespace vexlar;
using namespace vexlar::test;

namespace fs = std::filesystem;

namespace {

std::string SettingsPath()
{
    return sys::ResolveProfilePath(settings::kFileName);
}

void WriteSettingsFile(const std::string& text)
{
    fs::create_directories(sys::SettingsFolder());
    ASSERT_TRUE(WriteWholeFile(SettingsPath(), text));
}

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

std::vector<DriverCall> Named(const std::vector<DriverCall>& calls, const std::string& name)
{
    std::vector<DriverCall> named;
    for (const DriverCall& c : calls)
        if (c.name == name)
            named.push_back(c);
    return named;
}

}  // namespace

TEST_F(ViewFixture, TheSettingsFileSetsUpTheViewAndTheDriver)
{
    WriteSettingsFile(
        "[Acquisition]\nChannel=3\nIntegrationTime=400\nAverage=4\nBoxcar=2\nCorrectDark=1\n"
        "LaserWavelength=532 nm\nViewRaman=1\nNumChannels=4\n"
        "[Slave3]\nIntercept=500\nFirst=0.25\n"
        "[PeakFind]\nWidth=5\n[TimeAcquisition]\nBaseFilename=/data/series\n");
    CreateView();

    const auto registered = Named(creationCalls, "QDV_Register");
    ASSERT_EQ(registered.size(), 1u);
    const DriverParams& block = registered[0].block;
    for (int ch = 0; ch < kChannels; ++ch)
        EXPECT_EQ(block.channelEnable[ch], ch == 3 ? 1 : 0) << ch;
    EXPECT_EQ(block.buffer[3], view->raw[3]);
    EXPECT_EQ(block.IntegrationTime, 400);
    EXPECT_EQ(block.Average, 4);
    EXPECT_EQ(block.Boxcar, 2);
    EXPECT_EQ(block.CorrectDark, 1);

    EXPECT_EQ(view->channel, 3);
    EXPECT_EQ(view->xAxisMode, 1);
    EXPECT_EQ(view->numChannels, 4);
    EXPECT_EQ(view->laserWavelength, 532.0f);
    EXPECT_EQ(view->peakWidth, 5);
    std::string base;
    CTimeAcquisitionDlg::operatorForTests = [&](CTimeAcquisitionDlg& d) {
        base = d.edit(CTimeAcquisitionDlg::kBaseFilenameId)->text().toStdString();
        d.reject();
    };
    view->OnTimeAcqConfigure();
    CTimeAcquisitionDlg::operatorForTests = nullptr;
    EXPECT_EQ(base, "/data/series") << "the series settings too";
    EXPECT_EQ(view->wavelength[0], 500.0) << "the axes come from channel 3's calibration";
    EXPECT_EQ(view->wavelength[4], 500.0 + 0.25 * 4 + double(5e-5f) * 16);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ViewFixture, AChannelBeyondTheTablesStartsOnTheMaster)
{
    WriteSettingsFile("[Acquisition]\nChannel=12\nViewRaman=7\nLaserWavelength=0\n");
    CreateView();
    const auto registered = Named(creationCalls, "QDV_Register");
    const DriverParams& block = registered.at(0).block;
    for (int ch = 0; ch < kChannels; ++ch)
        EXPECT_EQ(block.channelEnable[ch], ch == 0 ? 1 : 0) << ch;
    EXPECT_EQ(view->channel, 0);
    EXPECT_EQ(view->xAxisMode, 0);
    EXPECT_EQ(view->laserWavelength, 632.8f);
    EXPECT_TRUE(std::isfinite(view->ramanShift[0]));
}

TEST_F(ViewFixture, ARunEndsWithTheControlBarTextsFirstAndTheWorkingValuesAfter)
{
    CreateView();
    LoadControlBarTexts(host);
    EXPECT_EQ(host.Text(IDC_CHANNEL), "Master") << "the first start shows the defaults";
    EXPECT_EQ(host.Text(IDC_LASER_WAVELENGTH), "632.8");
    EXPECT_EQ(host.Text(IDC_X_AXIS), "Wavelength (nm)");
    ASSERT_FALSE(fs::exists(SettingsPath())) << "nothing is written while the program runs";
    view->peakWidth = 7;
    app.driverParams.IntegrationTime = 1500;
    view->calFirst[2] = 0.3f;
    host.SetText(IDC_CHANNEL, "Slave 2");
    host.SetText(IDC_LASER_WAVELENGTH, "632.8");
    host.SetText(IDC_X_AXIS, "Raman Shift (cm-1)");

    // The frame's destruction, then the view's.
    EXPECT_TRUE(SaveControlBarTexts(host));
    view.reset();

    const std::string file = ReadWholeFile(SettingsPath());
    EXPECT_EQ(file.rfind("[DialogBar]\nChannel=Slave 2\nLaserWavelength=632.8\nXAxis=Raman Shift (cm-1)\n"
                         "[TimeAcquisition]\n",
                         0),
              0u)
        << file;
    const settings::WorkingSettings saved = settings::ReadWorkingSettings().values;
    EXPECT_EQ(saved.peakWidth, 7);
    EXPECT_EQ(saved.integrationTime, 1500);
    EXPECT_EQ(saved.calFirst[2], 0.3f);
    EXPECT_EQ(saved.laserWavelength, 632.8f);
    EXPECT_TRUE(messages.messages().empty());

    // The next start shows the texts again, exactly as stored.
    FakeHost nextStart;
    LoadControlBarTexts(nextStart);
    EXPECT_EQ(nextStart.Text(IDC_CHANNEL), "Slave 2");
    EXPECT_EQ(nextStart.Text(IDC_LASER_WAVELENGTH), "632.8");
    EXPECT_EQ(nextStart.Text(IDC_X_AXIS), "Raman Shift (cm-1)");
    EXPECT_EQ(nextStart.SelectedIndex(IDC_CHANNEL), -1) << "no list entry is selected";
}

TEST_F(ViewFixture, SettingsThatCannotBeWrittenAreReportedWithThePathAndTheReason)
{
    CreateView();
    // The settings folder cannot be made: its name is taken by a file.
    const std::string folder = sys::SettingsFolder();
    ASSERT_TRUE(WriteWholeFile(folder, "in the way"));

    EXPECT_FALSE(SaveControlBarTexts(host));
    EXPECT_FALSE(view->SaveSettings());
    ASSERT_EQ(messages.messages().size(), 2u);
    for (const auto& m : messages.messages()) {
        EXPECT_EQ(m.title, "Vexlar Error");
        EXPECT_NE(m.text.find(folder), std::string::npos) << m.text;
        EXPECT_NE(m.text.find(std::strerror(ENOTDIR)), std::string::npos) << m.text;
    }
    EXPECT_EQ(messages.messages()[0].text.rfind("The control-bar texts could not be saved.\n", 0), 0u);
    EXPECT_EQ(messages.messages()[1].text.rfind("The settings could not be saved.\n", 0), 0u);

    messages.clear();
    view.reset();
    EXPECT_EQ(messages.messages().size(), 1u) << "the tear-down's save is reported too";
    EXPECT_EQ(ReadWholeFile(folder), "in the way");
}

TEST_F(ViewFixture, AnUnreadableSettingsFileStartsWithTheDefaultsAndSaysSoOnce)
{
    fs::create_directories(SettingsPath());  // a folder where the file should be
    testing::internal::CaptureStderr();
    CreateView();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Occurrences(said, "Cannot read the settings file"), 1u) << said;
    EXPECT_NE(said.find(SettingsPath()), std::string::npos) << said;

    EXPECT_EQ(view->channel, 0);
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    EXPECT_EQ(view->laserWavelength, 632.8f);
    EXPECT_EQ(Named(creationCalls, "QDV_Register").size(), 1u) << "the program still starts";
    EXPECT_EQ(Named(creationCalls, "QDV_SingleScan").size(), 1u);
    EXPECT_TRUE(messages.messages().empty()) << "starting is not held up by a box";
}

namespace {

// One Vexlar window with its own application data, as a second process
// would have.
struct Instance {
    Instance()
    {
        app.hinst = &app;
        frame = std::make_unique<CMainFrame>(&app, &document);
        EXPECT_TRUE(frame->Create());
        frame->view()->OnInitialUpdate();
        frame->show();
    }
    // The operator types into a field and leaves it.
    void Type(int id, const QString& text)
    {
        auto* edit = qobject_cast<QLineEdit*>(frame->controlBar()->Control(id));
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, text);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(edit, &leave);
    }

    AppContext app;
    CVexlarDoc document;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

// Two Vexlar windows on one settings file: each writes at exit only what its
// operator changed (and what the file lacks), so the last to close does not
// undo the other's changes, nor what was edited in the file meanwhile.
TEST(TwoInstances, NeitherUndoesTheOthersSettings)
{
    RecordingDriver::Get().Reset();
    sys::MessageRecorder messages;
    // A first run writes the file from nothing: every key, in order.
    Instance{}.frame.reset();
    const std::string fromNothing = ReadWholeFile(SettingsPath());
    EXPECT_EQ(fromNothing.rfind("[DialogBar]\nChannel=Master\nLaserWavelength=632.8\nXAxis=Wavelength (nm)\n"
                                "[TimeAcquisition]\nStoreDark=0\n",
                                0),
              0u)
        << fromNothing;
    EXPECT_NE(fromNothing.find("[Acquisition]\nIntegrationTime=100\nAverage=1\nBoxcar=1\n"), std::string::npos);

    Instance a;
    Instance b;
    a.Type(IDC_AVERAGE, "8");
    a.Type(IDC_LASER_WAVELENGTH, "532");
    b.Type(IDC_BOXCAR, "3");
    // Meanwhile the peak width is edited in the file by hand.
    ASSERT_TRUE(sys::WritePrivateProfileString("PeakFind", "Width", "4", settings::kFileName));
    a.frame.reset();
    b.frame.reset();

    const settings::WorkingSettings saved = settings::ReadWorkingSettings().values;
    EXPECT_EQ(saved.average, 8);
    EXPECT_EQ(saved.boxcar, 3);
    EXPECT_EQ(saved.laserWavelength, 532.0f);
    EXPECT_EQ(saved.peakWidth, 4);
    EXPECT_EQ(settings::ReadControlBarTexts().laserWavelength, "532");
    EXPECT_TRUE(messages.messages().empty());
    RecordingDriver::Get().Reset();
}

// A settings file that cannot be read is told to the operator in the
// window, and is left as it is at exit.
TEST(UnreadableSettings, AreToldOnTheStatusBarAndNotWrittenOver)
{
    RecordingDriver::Get().Reset();
    sys::MessageRecorder messages;
    const std::string bytes("[Acquisition]\nAverage=8\n[Mas\0ter]\nFirst=0.25\n", 42);
    WriteSettingsFile(bytes);
    testing::internal::CaptureStderr();
    {
        Instance instance;
        const std::string status = instance.frame->statusText().toStdString();
        EXPECT_EQ(status.rfind("Default settings in use; the settings file is left as it is. ", 0), 0u) << status;
        EXPECT_NE(status.find("Cannot read the settings file \"" + SettingsPath() + "\""), std::string::npos)
            << status;
        EXPECT_NE(status.find("NUL byte"), std::string::npos) << status;
        EXPECT_EQ(instance.app.driverParams.Average, 1) << "the defaults";
        EXPECT_TRUE(messages.messages().empty()) << "starting is not held up by a box";
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadWholeFile(SettingsPath()), bytes);
    ASSERT_FALSE(messages.messages().empty()) << "the settings not saved are reported at exit";
    EXPECT_NE(messages.messages().back().text.find("NUL byte"), std::string::npos);
    RecordingDriver::Get().Reset();

    // A file with CR-only line ends is read line by line.
    WriteSettingsFile("[Acquisition]\rAverage=8\rBoxcar=2\r");
    Instance crOnly;
    EXPECT_EQ(crOnly.app.driverParams.Average, 8);
    EXPECT_EQ(crOnly.app.driverParams.Boxcar, 2);
    EXPECT_EQ(crOnly.frame->statusText(), "Ready");
}
