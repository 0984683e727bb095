// The driver library through its C interface, as the program uses it: a
// registered window receives the posted messages on this (the user-interface)
// thread.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <QTimer>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "MessageBox.h"
#include "Messages.h"
#include "Profile.h"
#include "QdvDriver.h"
#include "QdvSimHooks.h"
#include "support/TempDir.h"

namespace {

constexpr int kWaitMs = 3000;  // generous ceiling for a message that must come
constexpr int kQuietMs = 150;  // how long to watch for a message that must not come
constexpr float kSentinel = -1.0f;

struct Message {
    unsigned message;
    std::uintptr_t wParam;
};

class Receiver : public QObject {
public:
    std::vector<Message> messages;

protected:
    bool event(QEvent* e) override
    {
        if (const auto* m = vexlar::sys::AsWindowMessage(e)) {
            messages.push_back({m->message(), m->wParam()});
            return true;
        }
        return QObject::event(e);
    }
};

// A client as the program sets one up: the view's window, eight raw buffers
// and one enabled channel.
struct Client {
    Receiver window;
    std::array<std::vector<float>, QDV_CHANNELS> raw;
    DriverParams block{};

    explicit Client(int channel, int integrationMs = 100)
    {
        block.size = sizeof(DriverParams);
        block.IntegrationTime = static_cast<uint16_t>(integrationMs);
        block.Average = 1;
        block.channelEnable[channel] = 1;
        block.changed = 1;
        block.unnamed56 = 1;
        block.window = &window;
        block.hinst = this;
        for (int ch = 0; ch < QDV_CHANNELS; ++ch) {
            raw[ch].assign(QDV_PIXELS, kSentinel);
            block.buffer[ch] = raw[ch].data();
        }
    }
    void* hinst() { return this; }
    std::size_t count() const { return window.messages.size(); }
    const Message& last() const { return window.messages.back(); }
    bool WaitFor(std::size_t n)
    {
        return QTest::qWaitFor([&] { return count() >= n; }, kWaitMs);
    }
    void Fill(int ch, float value) { raw[ch].assign(QDV_PIXELS, value); }
    bool Untouched(int ch) const
    {
        for (float v : raw[ch]) {
            if (v != kSentinel)
                return false;
        }
        return true;
    }
    bool Plausible(int ch) const
    {
        for (float v : raw[ch]) {
            if (!(v >= 0.0f && v <= 4095.0f))
                return false;
        }
        return true;
    }
};

// Pixel of the default calibration nearest a Raman shift for the 632.8 nm laser.
int PixelOfShift(double shift)
{
    int best = 0;
    double bestDistance = 1e300;
    for (int i = 0; i < QDV_PIXELS; ++i) {
        const double nm = 350.0 + 0.5 * i + 5e-5 * i * i;
        const double distance = std::fabs(1e7 / 632.8 - 1e7 / nm - shift);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

int PixelOfWavelength(double wanted)
{
    int best = 0;
    for (int i = 1; i < QDV_PIXELS; ++i) {
        if (std::fabs(350.0 + 0.5 * i + 5e-5 * i * i - wanted) <
            std::fabs(350.0 + 0.5 * best + 5e-5 * best * best - wanted))
            best = i;
    }
    return best;
}

class QdvDriver : public testing::Test {
protected:
    void SetUp() override
    {
        QDV_V7400StrobeEnable(0);
        QdvSim_ForceFaults(0);
    }
    void TearDown() override
    {
        for (Client* c : registered_)
            QDV_UnRegister(c->hinst());
        QdvSim_ForceFaults(0);
        QDV_V7400StrobeEnable(0);
        for (const char* name : {"VEXLAR_SIM_SPEED", "VEXLAR_SIM_SAMPLE", "VEXLAR_SIM_NOISE", "VEXLAR_SIM_FAULT_RATE"})
            unsetenv(name);
    }
    // Registers with the scan time divided by speed and no noise unless said.
    void Register(Client& c, const char* speed = "1000", const char* noise = nullptr)
    {
        setenv("VEXLAR_SIM_SPEED", speed, 1);
        if (noise)
            setenv("VEXLAR_SIM_NOISE", noise, 1);
        ASSERT_EQ(QDV_Register(&c.block), QDV_OK);
        registered_.push_back(&c);
    }
    // Scans once and answers as the scan cycle does.
    void ScanOnce(Client& c)
    {
        const std::size_t before = c.count();
        ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
        ASSERT_TRUE(c.WaitFor(before + 1));
        ASSERT_EQ(QDV_BufferEmpty(c.hinst(), static_cast<int16_t>(c.last().wParam)), QDV_OK);
    }

    std::vector<Client*> registered_;
};

}  // namespace

TEST_F(QdvDriver, ParameterBlockKeepsItsOffsetsAndItsSizeFieldMustBeTheRealSize)
{
    EXPECT_EQ(offsetof(DriverParams, IntegrationTime), 12u);
    EXPECT_EQ(offsetof(DriverParams, Boxcar), 14u);
    EXPECT_EQ(offsetof(DriverParams, Average), 16u);
    EXPECT_EQ(offsetof(DriverParams, channelEnable), 20u);
    EXPECT_EQ(offsetof(DriverParams, changed), 52u);
    EXPECT_EQ(offsetof(DriverParams, CorrectDark), 72u);
    EXPECT_EQ(offsetof(DriverParams, window), 80u);
    EXPECT_EQ(sizeof(DriverParams), 80u + 10u * sizeof(void*));
    EXPECT_EQ(WM_SCAN_COMPLETE, 1125);
    EXPECT_EQ(WM_DRIVER_NOTIFY, 1126);
    EXPECT_EQ(WM_DRIVER_NOTIFY_LAST, 1128);

    Client c(0);
    for (uint16_t wrong :
         {uint16_t(0), uint16_t(120), uint16_t(sizeof(DriverParams) - 1), uint16_t(sizeof(DriverParams) + 1)}) {
        if (wrong == sizeof(DriverParams))
            continue;
        c.block.size = wrong;
        EXPECT_EQ(QDV_Register(&c.block), QDV_ERR_BLOCK_SIZE) << wrong;
    }
    c.block.size = sizeof(DriverParams);
    Register(c);

    // A parameter set with a wrong size is refused and the old values stay.
    c.block.size = 120 + 1;
    c.block.channelEnable[0] = 0;
    c.block.channelEnable[4] = 1;
    EXPECT_EQ(QDV_ParamSet(&c.block), QDV_ERR_BLOCK_SIZE);
    ScanOnce(c);
    EXPECT_EQ(c.last().wParam, 0u);
}

TEST_F(QdvDriver, RegistrationStatusesAndUnknownClients)
{
    Client a(0), b(1);
    EXPECT_EQ(QDV_Register(nullptr), QDV_ERR_NULL_BLOCK);
    a.block.hinst = nullptr;
    EXPECT_EQ(QDV_Register(&a.block), QDV_ERR_NO_CLIENT);
    a.block.hinst = a.hinst();
    a.block.window = nullptr;
    EXPECT_EQ(QDV_Register(&a.block), QDV_ERR_NO_WINDOW);
    a.block.window = &a.window;

    Register(a);
    EXPECT_EQ(QDV_Register(&a.block), QDV_ERR_ALREADY_REGISTERED);
    Register(b);

    int stranger = 0;
    EXPECT_NE(QDV_SingleScan(&stranger), QDV_OK);
    EXPECT_NE(QDV_BufferEmpty(&stranger, 0), QDV_OK);
    EXPECT_NE(QDV_Stop(&stranger), QDV_OK);
    EXPECT_NE(QDV_UnRegister(&stranger), QDV_OK);
    EXPECT_EQ(QDV_ParamSet(nullptr), QDV_ERR_NULL_BLOCK);
    DriverParams strangerBlock = a.block;
    strangerBlock.hinst = &stranger;
    EXPECT_EQ(QDV_ParamSet(&strangerBlock), QDV_ERR_NOT_REGISTERED);
    EXPECT_EQ(QDV_BufferEmpty(a.hinst(), 8), QDV_ERR_BAD_CHANNEL);
    EXPECT_EQ(QDV_BufferEmpty(a.hinst(), -1), QDV_ERR_BAD_CHANNEL);

    // Each client hears only of its own scans.
    ScanOnce(a);
    ScanOnce(b);
    QTest::qWait(kQuietMs);
    ASSERT_EQ(a.count(), 1u);
    ASSERT_EQ(b.count(), 1u);
    EXPECT_EQ(a.last().wParam, 0u);
    EXPECT_EQ(b.last().wParam, 1u);

    EXPECT_EQ(QDV_UnRegister(a.hinst()), QDV_OK);
    EXPECT_EQ(QDV_UnRegister(a.hinst()), QDV_ERR_NOT_REGISTERED);
    EXPECT_EQ(QDV_SingleScan(a.hinst()), QDV_ERR_NOT_REGISTERED);
    // A client that left may register again.
    EXPECT_EQ(QDV_Register(&a.block), QDV_OK);
    ScanOnce(a);
    EXPECT_EQ(a.count(), 2u);
}

TEST_F(QdvDriver, EachScanPostsOneMessageForTheLowestEnabledChannelAndFillsEveryBuffer)
{
    Client c(5);
    c.block.channelEnable[3] = 1;
    c.block.buffer[6] = nullptr;  // a channel the program does not read
    Register(c);
    for (int scan = 1; scan <= 3; ++scan)
        ScanOnce(c);
    QTest::qWait(kQuietMs);
    ASSERT_EQ(c.count(), 3u);
    for (const Message& m : c.window.messages) {
        EXPECT_EQ(m.message, unsigned(WM_SCAN_COMPLETE));
        EXPECT_EQ(m.wParam, 3u);
    }
    for (int ch = 0; ch < QDV_CHANNELS; ++ch) {
        if (ch == 6)
            EXPECT_TRUE(c.Untouched(6));
        else
            EXPECT_TRUE(c.Plausible(ch)) << "channel " << ch << " is read with the master";
    }

    // A new channel selection reaches the driver with the parameter set.
    c.block.channelEnable[3] = 0;
    c.block.channelEnable[5] = 0;
    c.block.channelEnable[7] = 1;
    ASSERT_EQ(QDV_ParamSet(&c.block), QDV_OK);
    ScanOnce(c);
    EXPECT_EQ(c.last().wParam, 7u);
}

TEST_F(QdvDriver, StopCancelsTheScanInProgressAndTheQueueWithoutAMessage)
{
    Client c(0, 100);
    Register(c, "1");  // real time: a scan takes about 100 ms
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    EXPECT_EQ(QDV_Stop(c.hinst()), QDV_OK);
    QTest::qWait(250);
    EXPECT_EQ(c.count(), 0u);
    for (int ch = 0; ch < QDV_CHANNELS; ++ch)
        EXPECT_TRUE(c.Untouched(ch));

    // The driver scans again on the next request.
    ScanOnce(c);
    QTest::qWait(kQuietMs);
    EXPECT_EQ(c.count(), 1u);
}

TEST_F(QdvDriver, NothingArrivesAfterUnRegister)
{
    Client c(2, 100);
    Register(c, "1");
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    EXPECT_EQ(QDV_UnRegister(c.hinst()), QDV_OK);
    QTest::qWait(250);
    EXPECT_EQ(c.count(), 0u);
    EXPECT_TRUE(c.Untouched(2));

    // Also while a queued scan waits for a held buffer: the wait ends at once.
    Client d(1, 4);
    Register(d);
    ASSERT_EQ(QDV_SingleScan(d.hinst()), QDV_OK);
    ASSERT_EQ(QDV_SingleScan(d.hinst()), QDV_OK);
    ASSERT_TRUE(d.WaitFor(1));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(QDV_UnRegister(d.hinst()), QDV_OK);
    EXPECT_LT(clock.elapsed(), 500);
    QTest::qWait(kQuietMs);
    EXPECT_EQ(d.count(), 1u);
}

TEST_F(QdvDriver, HeldBufferIsNotWrittenUntilItIsGivenBackOrANewScanIsRequested)
{
    Client c(2, 4);
    Register(c);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);  // queued behind the first
    ASSERT_TRUE(c.WaitFor(1));
    c.Fill(2, kSentinel);
    c.Fill(0, kSentinel);  // the program may be showing another channel

    // Giving back another channel's buffer does not free this scan's.
    EXPECT_EQ(QDV_BufferEmpty(c.hinst(), 5), QDV_OK);
    QTest::qWait(kQuietMs);
    EXPECT_EQ(c.count(), 1u);
    EXPECT_TRUE(c.Untouched(2));
    EXPECT_TRUE(c.Untouched(0));

    EXPECT_EQ(QDV_BufferEmpty(c.hinst(), 2), QDV_OK);
    ASSERT_TRUE(c.WaitFor(2));
    EXPECT_TRUE(c.Plausible(2));
    EXPECT_TRUE(c.Plausible(0));

    // The scan cycle drops a scan while stopped without giving the buffer
    // back; its next request frees it.
    c.Fill(2, kSentinel);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_TRUE(c.WaitFor(3));
    EXPECT_TRUE(c.Plausible(2));
}

TEST_F(QdvDriver, QueuedScanTakesTheParametersSetWhenItStartsAndTheBlockIsReadOnlyByParamSet)
{
    Client c(1, 4);
    Register(c, "1000", "0");
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_TRUE(c.WaitFor(1));
    EXPECT_LT(c.raw[6][100], 110.0f) << "4 ms of dark current";

    c.block.channelEnable[1] = 0;
    c.block.channelEnable[6] = 1;
    c.block.IntegrationTime = 1000;
    ASSERT_EQ(QDV_ParamSet(&c.block), QDV_OK);
    ASSERT_EQ(QDV_BufferEmpty(c.hinst(), 1), QDV_OK);
    ASSERT_TRUE(c.WaitFor(2));
    EXPECT_EQ(c.last().wParam, 6u);
    EXPECT_GT(c.raw[6][100], 250.0f) << "a second of dark current";

    // Changing the block without a parameter set changes nothing.
    c.block.channelEnable[3] = 1;
    c.block.IntegrationTime = 4;
    ScanOnce(c);
    EXPECT_EQ(c.last().wParam, 6u);
    EXPECT_GT(c.raw[6][100], 250.0f);
}

TEST_F(QdvDriver, FailedScansPostDriverNotifyAndWriteNothing)
{
    Client c(4, 4);
    Register(c);
    EXPECT_EQ(QdvSim_ForceFaults(-1), QDV_ERR_BAD_VALUE);
    ASSERT_EQ(QdvSim_ForceFaults(1), QDV_OK);
    ASSERT_EQ(QDV_SingleScan(c.hinst()), QDV_OK);
    ASSERT_TRUE(c.WaitFor(1));
    EXPECT_EQ(c.last().message, unsigned(WM_DRIVER_NOTIFY));
    EXPECT_EQ(c.last().wParam, 4u);
    for (int ch = 0; ch < QDV_CHANNELS; ++ch)
        EXPECT_TRUE(c.Untouched(ch));

    // Answered as the program does, the next scan succeeds.
    ASSERT_EQ(QDV_BufferEmpty(c.hinst(), 4), QDV_OK);
    ScanOnce(c);
    EXPECT_EQ(c.last().message, unsigned(WM_SCAN_COMPLETE));
    EXPECT_TRUE(c.Plausible(4));

    // A fault rate of 1 fails every scan.
    QDV_UnRegister(c.hinst());
    setenv("VEXLAR_SIM_FAULT_RATE", "1", 1);
    Register(c);
    ScanOnce(c);
    ScanOnce(c);
    EXPECT_EQ(c.window.messages[2].message, unsigned(WM_DRIVER_NOTIFY));
    EXPECT_EQ(c.window.messages[3].message, unsigned(WM_DRIVER_NOTIFY));
}

TEST_F(QdvDriver, ScansFollowTheStrobeAndTheParameterSet)
{
    Client c(0);
    Register(c, "1000", "0");
    const int band = PixelOfShift(801.3);

    ScanOnce(c);  // the strobe is off
    EXPECT_EQ(QdvSim_StrobeState(), 0);
    EXPECT_LT(c.raw[0][band], 200.0f);
    EXPECT_EQ(QDV_V7400StrobeEnable(1), QDV_OK);
    EXPECT_EQ(QdvSim_StrobeState(), 1);
    ScanOnce(c);
    EXPECT_GT(c.raw[0][band], 1500.0f);
    EXPECT_LT(c.raw[0][band], 4095.0f);

    // A long integration clips; bad values are taken at their limits.
    c.block.IntegrationTime = 1000;
    c.block.Average = 0;
    c.block.Boxcar = -3;
    ASSERT_EQ(QDV_ParamSet(&c.block), QDV_OK);
    ScanOnce(c);
    EXPECT_EQ(c.raw[0][PixelOfShift(2852.9)], 4095.0f);

    // The driver's boxcar over the whole detector and its dark correction;
    // an integration time of 0 counts as the detector's 4 ms.
    c.block.IntegrationTime = 0;
    c.block.Boxcar = 5000;
    c.block.CorrectDark = 1;
    ASSERT_EQ(QDV_ParamSet(&c.block), QDV_OK);
    ScanOnce(c);
    EXPECT_EQ(c.raw[0][0], c.raw[0][QDV_PIXELS - 1]);
    EXPECT_NEAR(c.raw[0][1000], 0.0f, 5.0f);
}

TEST_F(QdvDriver, DeviceSetUpIsReadFromItsSettingsFileAtRegister)
{
    using vexlar::sys::WritePrivateProfileString;
    ASSERT_TRUE(WritePrivateProfileString("Channel2", "Sample", "neon", "qdvdrv.ini"));
    ASSERT_TRUE(WritePrivateProfileString("Simulator", "Noise", "0", "qdvdrv.ini"));
    Client c(2);
    Register(c);
    ScanOnce(c);  // the laser is off; the lamp shines anyway
    EXPECT_GT(c.raw[2][PixelOfWavelength(692.947)], 1000.0f);
    EXPECT_LT(c.raw[0][PixelOfShift(801.3)], 200.0f);
    QDV_V7400StrobeEnable(1);
    ScanOnce(c);
    EXPECT_GT(c.raw[0][PixelOfShift(801.3)], 1500.0f) << "the master holds cyclohexane";

    // The environment overrides the file for an unattended run.
    QDV_UnRegister(c.hinst());
    setenv("VEXLAR_SIM_SAMPLE", "silicon", 1);
    Register(c);
    ScanOnce(c);
    EXPECT_GT(c.raw[2][PixelOfShift(520.7)], 1500.0f);
    EXPECT_LT(c.raw[2][PixelOfWavelength(692.947)], 300.0f);
}

namespace {

// Does what the operator would do in the modal dialog once it is open, from
// inside the dialog's own event loop.
class WhenModalOpens : public QObject {
public:
    explicit WhenModalOpens(std::function<void(QWidget*)> action)
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this, action] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                timer_.stop();
                action(modal);
            }
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

void ChooseSiliconAtHalfPower(QWidget* dialog)
{
    auto* master = dialog->findChild<QComboBox*>("sampleChannel0");
    auto* power = dialog->findChild<QDoubleSpinBox*>("laserPower");
    ASSERT_TRUE(master && power);
    master->setCurrentIndex(master->findText("Silicon"));
    power->setValue(0.5);
    qobject_cast<QDialog*>(dialog)->accept();
}

std::string SettingsValue(const char* section, const char* key)
{
    char text[64] = {};
    vexlar::sys::GetPrivateProfileString(section, key, "", text, sizeof text, "qdvdrv.ini");
    return text;
}

}  // namespace

TEST_F(QdvDriver, ConfigDialogSetsUpTheRunningDeviceAndSavesItsFile)
{
    Client c(0);
    Register(c, "1000", "0");
    QDV_V7400StrobeEnable(1);
    {
        WhenModalOpens cancel([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
        EXPECT_EQ(QDV_Config(nullptr, nullptr, 0, 0), QDV_CONFIG_CANCELLED);
    }
    EXPECT_EQ(SettingsValue("Channel0", "Sample"), "") << "a cancelled set-up writes nothing";

    {
        WhenModalOpens choose(ChooseSiliconAtHalfPower);
        EXPECT_EQ(QDV_Config(nullptr, nullptr, 0, 0), QDV_OK);
    }
    EXPECT_EQ(SettingsValue("Channel0", "Sample"), "silicon");
    EXPECT_EQ(SettingsValue("Channel1", "Sample"), "cyclohexane");
    EXPECT_EQ(SettingsValue("Simulator", "LaserPower"), "0.5");
    EXPECT_EQ(SettingsValue("Simulator", "Noise"), "1") << "the environment's override is not saved";

    // The registered client's next scan shows the new sample at half power.
    ScanOnce(c);
    const float silicon = c.raw[0][PixelOfShift(520.7)];
    EXPECT_GT(silicon, 900.0f);
    EXPECT_LT(silicon, 1400.0f);
    EXPECT_LT(c.raw[0][PixelOfShift(801.3)], 300.0f);
}

TEST_F(QdvDriver, SetUpThatCannotBeSavedIsStillUsedAndTheOperatorIsTold)
{
    Client c(0);
    Register(c, "1000", "0");
    QDV_V7400StrobeEnable(1);
    // The settings folder is taken by a plain file.
    ASSERT_TRUE(vexlar::test::WriteWholeFile(std::string(std::getenv("XDG_CONFIG_HOME")) + "/vexlar", "x"));

    vexlar::sys::MessageRecorder recorder;
    {
        WhenModalOpens choose(ChooseSiliconAtHalfPower);
        EXPECT_EQ(QDV_Config(nullptr, nullptr, 0, 0), QDV_ERR_SETTINGS_FILE);
    }
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_NE(recorder.messages()[0].text.find("could not be saved"), std::string::npos);
    EXPECT_NE(recorder.messages()[0].text.find("vexlar"), std::string::npos) << recorder.messages()[0].text;

    ScanOnce(c);
    EXPECT_GT(c.raw[0][PixelOfShift(520.7)], 900.0f);
}
