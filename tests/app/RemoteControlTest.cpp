// Setup > Remote Control as the operator works it: what the dialog's fields
// start the device with, what it refuses, what is kept in vexlar.ini (the
// laser's permission never), and the "Remote" pane while a client holds the
// laser.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include <optional>

#include "app/AcquisitionBar.h"
#include "app/RemoteAccess.h"
#include "app/RemoteControlDlg.h"
#include "support/DialogOperator.h"
#include "support/FrameFixture.h"
#include "support/TestFiles.h"
#include "window/VexlarView.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The device as the window sees it: records what the window asks of it.
class RecordedRemote : public RemoteAccess {
public:
    std::string StartDevice(const RemoteStart& start) override
    {
        started = start;
        running = true;
        return {};
    }
    void StopDevice() override { running = false; }
    bool DeviceRunning() const override { return running; }
    void AllowRemoteLaser(bool allowed) override { laserAllowed = allowed; }
    bool RemoteLaserAllowed() const override { return laserAllowed; }
    void SetWatchdogSeconds(int seconds) override { watchdogSeconds = seconds; }
    std::string Address() const override { return running ? "tango://here:10001/vexlar/raman/1#dbase=no" : ""; }

    std::optional<RemoteStart> started;
    bool running = false;
    bool laserAllowed = false;
    int watchdogSeconds = 0;
};

// Types text into a field that has the keyboard focus, as the operator does.
void Type(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

// The [Remote] section of a settings file.
std::string RemoteKeys(const std::string& file)
{
    const std::size_t start = file.find("[Remote]");
    if (start == std::string::npos)
        return {};
    return file.substr(start, file.find('[', start + 1) - start);
}

}  // namespace

class RemoteControl : public FrameFixture { };

TEST_F(RemoteControl, TheDialogStartsTheDeviceAsTypedAndKeepsAllButTheLaserPermission)
{
    const struct {
        const char* port;
        const char* device;
        bool started;
        int startedPort;
        const char* startedDevice;
        const char* refusal;
    } cases[] = {
        {"10001", "", true, 10001, "", nullptr},
        {"70000", "", false, 0, "", "The port must be a whole number from 1 to 65535."},
        {"10001", "lab/raman/1", true, 10001, "lab/raman/1", nullptr},
        {"10001", "lab raman", false, 0, "", "The device's name is domain/family/member, as lab/raman/1."},
    };
    for (const auto& c : cases) {
        Start();
        RecordedRemote remote;
        frame->SetRemoteAccess(&remote);
        ASSERT_TRUE(frame->action(ID_REMOTE_CONTROL)->isEnabled());
        messages.clear();
        ScopedDialogOperator<CRemoteControlDlg> op([&](CRemoteControlDlg& d) {
            d.findChild<QCheckBox*>("export")->setChecked(true);
            d.findChild<QCheckBox*>("allowLaser")->setChecked(true);
            Type(d.findChild<QLineEdit*>("port"), c.port);
            Type(d.findChild<QLineEdit*>("device"), c.device);
            Type(d.findChild<QLineEdit*>("watchdog"), "5");
            d.accept();  // refused, the dialog stays open and the operator cancels
        });
        frame->action(ID_REMOTE_CONTROL)->trigger();
        EXPECT_EQ(remote.started.has_value(), c.started) << c.port << " " << c.device;
        if (c.refusal) {
            ASSERT_EQ(messages.messages().size(), 1u);
            EXPECT_EQ(messages.messages()[0].text, c.refusal);
        } else {
            ASSERT_TRUE(remote.started);
            EXPECT_EQ(remote.started->port, c.startedPort);
            EXPECT_EQ(remote.started->deviceName, c.startedDevice);
            EXPECT_TRUE(remote.started->allowLaser);
            EXPECT_TRUE(remote.laserAllowed);
            EXPECT_EQ(remote.watchdogSeconds, 5) << "the running device's watchdog follows the dialog";
        }
        frame->SetRemoteAccess(nullptr);
        frame.reset();
        const std::string kept = ReadSettingsFile();
        EXPECT_EQ(kept.find("RemoteControl=1") != std::string::npos, c.started) << kept;
        if (*c.startedDevice) {
            EXPECT_NE(kept.find(std::string("RemoteDevice=") + c.startedDevice), std::string::npos) << kept;
        }
        EXPECT_EQ(RemoteKeys(kept).find("Laser"), std::string::npos) << "no key keeps the laser's permission";
        ASSERT_TRUE(WriteSettingsFile(""));
    }
}

TEST_F(RemoteControl, TheStatusBarSaysRemoteWhileAClientHoldsTheLaser)
{
    Start();
    RecordedRemote remote;
    frame->SetRemoteAccess(&remote);
    QLabel* pane = frame->statusBar()->findChild<QLabel*>("RemotePane");
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), "Remote");
    for (bool held : {true, false, true}) {
        remote.onLaserHeld(held);
        EXPECT_EQ(pane->isVisible(), held);
    }
    // A client's laser, switched on the engine as the device does, ticks
    // the control bar's Laser On: the box never says off while it is on.
    for (bool on : {true, false}) {
        view()->instrument().SetLaser(on);
        EXPECT_EQ(bar()->IsChecked(IDC_LASER), on);
    }
    frame->SetRemoteAccess(nullptr);
}
