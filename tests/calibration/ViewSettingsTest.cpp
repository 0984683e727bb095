#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <QAbstractButton>
#include <QComboBox>

#include "Profile.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
#include "calibration/Axes.h"
#include "calibration/SettingsFile.h"
#include "calibration/SpectrometerConfigDlg.h"
#include "peaks/PeakFinderDlg.h"
#include "support/DialogOperator.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"
#include "support/ViewFixture.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/ControlBarTexts.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;

namespace fs = std::filesystem;

namespace {

std::string SettingsPath()
{
    return SettingsFilePath(settings::kFileName);
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

// The Raman shift of a pixel of a calibration for a laser line held, as the
// program holds it, in single precision.
double Shift(const calibration::Coefficients& c, int pixel, float laserNm)
{
    return static_cast<double>(calibration::LaserWavenumber(laserNm)) -
           1.0 / (calibration::PixelWavelength(c, pixel) * 1e-7);
}

class ViewSettings : public ViewFixture {
protected:
    // The number of channels the Spectrometer Configuration dialog shows
    // (0 when no count is checked); the dialog is cancelled.
    int ChannelCountShown()
    {
        int count = -1;
        ScopedDialogOperator<CSpectrometerConfigDlg> op([&](CSpectrometerConfigDlg& d) {
            d.show();
            count = 0;
            for (int k = 0; k < spectrometer_config::kChannelCount; ++k) {
                auto* button = qobject_cast<QAbstractButton*>(d.Control(spectrometer_config::kNumberButtonIds[k]));
                if (button && button->isChecked())
                    count = k + 1;
            }
            d.reject();
        });
        view->setup().OnConfigureSpectrometer();
        return count;
    }
    // The peak width the Configure Peak Finder dialog shows.
    std::string PeakWidthShown()
    {
        std::string width;
        ScopedDialogOperator<CPeakFinderDlg> op([&](CPeakFinderDlg& d) {
            width = d.widthBox()->currentText().toStdString();
            d.reject();
        });
        view->peaks().OnPeakSettings();
        return width;
    }
    // The base file name the Time Acquisition dialog shows.
    std::string BaseFilenameShown()
    {
        std::string name;
        ScopedDialogOperator<CTimeAcquisitionDlg> op([&](CTimeAcquisitionDlg& d) {
            name = d.edit(CTimeAcquisitionDlg::kBaseFilenameId)->text().toStdString();
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
        return name;
    }
};

}  // namespace

TEST_F(ViewSettings, TheSettingsFileSetsUpTheViewAndTheDriver)
{
    ASSERT_TRUE(WriteSettingsFile("[Acquisition]\nChannel=3\nIntegrationTime=400\nAverage=4\nBoxcar=2\nCorrectDark=1\n"
                                  "LaserWavelength=532 nm\nViewRaman=1\nNumChannels=4\n"
                                  "[Slave3]\nIntercept=500\nFirst=0.25\n"
                                  "[PeakFind]\nWidth=5\n[TimeAcquisition]\nBaseFilename=/data/series\n"));
    CreateView();

    const auto registered = Named(creationCalls, "QDV_Register");
    ASSERT_EQ(registered.size(), 1u);
    const DriverParams& block = registered[0].block;
    for (int ch = 0; ch < kChannels; ++ch)
        EXPECT_EQ(block.channelEnable[ch], ch == 3 ? 1 : 0) << ch;
    EXPECT_EQ(block.IntegrationTime, 400);
    EXPECT_EQ(block.Average, 4);
    EXPECT_EQ(block.Boxcar, 2);
    EXPECT_EQ(block.CorrectDark, 1);

    // The Raman axis of channel 3's calibration and the 532 nm line.
    const calibration::Coefficients slave3{500.0f, 0.25f, 5e-5f, 0.0f};
    EXPECT_EQ(ScaleOf(chart()).xTitle, "Raman Shift (cm-1)");
    EXPECT_EQ(ShownX(1000), Shift(slave3, 1000, 532.0f));
    EXPECT_EQ(ChannelCountShown(), 4);
    EXPECT_EQ(PeakWidthShown(), "5");
    EXPECT_EQ(BaseFilenameShown(), "/data/series");
    view->instrument().SetXAxisMode(0);
    EXPECT_EQ(ShownX(0), 500.0) << "the axes come from channel 3's calibration";
    EXPECT_EQ(ShownX(4), 500.0 + 0.25 * 4 + double(5e-5f) * 16);
    // Channel 3's scans, out of the buffer given to the driver for it.
    block.buffer[3][9] = 33.0f;
    driver().Post(WM_SCAN_COMPLETE, 3);
    Deliver();
    EXPECT_EQ(ShownY(9), 33.0);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ViewSettings, AChannelBeyondTheTablesStartsOnTheMaster)
{
    ASSERT_TRUE(WriteSettingsFile("[Acquisition]\nChannel=12\nViewRaman=7\nLaserWavelength=0\n"));
    CreateView();
    const auto registered = Named(creationCalls, "QDV_Register");
    const DriverParams& block = registered.at(0).block;
    for (int ch = 0; ch < kChannels; ++ch)
        EXPECT_EQ(block.channelEnable[ch], ch == 0 ? 1 : 0) << ch;
    EXPECT_EQ(ScaleOf(chart()).xTitle, "Wavelength (nm)");
    EXPECT_EQ(ShownX(0), 350.0) << "the master's calibration";
    view->instrument().SetXAxisMode(1);
    EXPECT_TRUE(std::isfinite(ShownX(0)));
    EXPECT_EQ(ShownX(0), Shift({}, 0, 632.8f));
}

TEST_F(ViewSettings, ARunEndsWithTheControlBarTextsFirstAndTheWorkingValuesAfter)
{
    CreateView();
    LoadControlBarTexts(host);
    EXPECT_EQ(host.Text(IDC_CHANNEL), "Master") << "the first start shows the defaults";
    EXPECT_EQ(host.Text(IDC_LASER_WAVELENGTH), "632.8");
    EXPECT_EQ(host.Text(IDC_X_AXIS), "Wavelength (nm)");
    // The operator changes a peak setting, the integration time and a
    // calibration.
    {
        ScopedDialogOperator<CPeakFinderDlg> op([](CPeakFinderDlg& d) {
            d.thresholdEdit()->setText("250.5");
            d.slopeEdit()->setText("2.25");
            d.widthBox()->setEditText("7");
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    host.SetText(IDC_INTEGRATION_TIME, "1500");
    view->OnBarParam(BAR_INTEGRATION_TIME_EDITED);
    {
        // Slave 2's first coefficient and Slave 7's intercept typed and
        // confirmed.
        ScopedDialogOperator<CSpectrometerConfigDlg> op([](CSpectrometerConfigDlg& d) {
            qobject_cast<QAbstractButton*>(d.Control(spectrometer_config::IDC_MASTER + 2))->click();
            auto* first = qobject_cast<QLineEdit*>(d.Control(spectrometer_config::IDC_FIRST_COEFFICIENT));
            first->setText("0.3");
            first->setModified(true);  // as typing leaves it
            qobject_cast<QAbstractButton*>(d.Control(spectrometer_config::IDC_MASTER + 7))->click();
            auto* intercept = qobject_cast<QLineEdit*>(d.Control(spectrometer_config::IDC_INTERCEPT));
            intercept->setText("400.5");
            intercept->setModified(true);
            d.accept();
        });
        view->setup().OnConfigureSpectrometer();
    }
    ASSERT_FALSE(fs::exists(SettingsPath())) << "nothing is written while the program runs";
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
    EXPECT_EQ(saved.peakCriteria, (peaks::PeakCriteria{250.5, 2.25, 7}));
    EXPECT_EQ(saved.integrationTime, 1500);
    calibration::CalibrationTable table = settings::DefaultSettings().calibration;
    table.calFirst[2] = 0.3f;
    table.calIntercept[7] = 400.5f;
    EXPECT_EQ(saved.calibration, table) << "the whole table the dialog handed back, and nothing else changed";
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

TEST_F(ViewSettings, SettingsThatCannotBeWrittenAreReportedWithThePathAndTheReason)
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

TEST_F(ViewSettings, AnUnreadableSettingsFileStartsWithTheDefaultsAndSaysSoOnce)
{
    fs::create_directories(SettingsPath());  // a folder where the file should be
    testing::internal::CaptureStderr();
    CreateView();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Occurrences(said, "Cannot read the settings file"), 1u) << said;
    EXPECT_NE(said.find(SettingsPath()), std::string::npos) << said;

    EXPECT_EQ(Named(creationCalls, "QDV_Register").at(0).block.channelEnable[0], 1) << "the master";
    EXPECT_EQ(ShownX(0), 350.0);
    EXPECT_EQ(app.driverParams.IntegrationTime, 100);
    view->instrument().SetXAxisMode(1);
    EXPECT_EQ(ShownX(1000), Shift({}, 1000, 632.8f));
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
    EXPECT_EQ(saved.peakCriteria.peakWidth, 4);
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
    ASSERT_TRUE(WriteSettingsFile(bytes));
    testing::internal::CaptureStderr();
    {
        Instance instance;
        const std::string status = instance.frame->statusText().toStdString();
        EXPECT_EQ(status.rfind("Default settings in use; the settings file is left as it is. ", 0), 0u) << status;
        EXPECT_NE(status.find("Cannot read the settings file \"" + SettingsPath() + "\""), std::string::npos) << status;
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
    ASSERT_TRUE(WriteSettingsFile("[Acquisition]\rAverage=8\rBoxcar=2\r"));
    Instance crOnly;
    EXPECT_EQ(crOnly.app.driverParams.Average, 8);
    EXPECT_EQ(crOnly.app.driverParams.Boxcar, 2);
    EXPECT_EQ(crOnly.frame->statusText(), "Ready");
}
