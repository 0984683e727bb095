// Three Tango clients at once, each on a thread of its own, against the
// device on the simulated spectrometer: one changes the integration time
// and reads the spectrum, one acquires, one counts the scans pushed to it.
// Every call must reach the engine on the engine's thread, one at a time;
// under ThreadSanitizer (make tsan) a call that touched the engine from the
// control system's thread is reported here.

// Tango's headers use names that Qt's keyword macros would replace.
#include <tango.h>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/AppContext.h"
#include "calibration/SettingsFile.h"
#include "instrument/Instrument.h"
#include "remote/RemoteLink.h"
#include "remote/RemoteServer.h"

using namespace vexlar;

namespace {

int FreePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), size);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    close(s);
    return ntohs(a.sin_port);
}

class CountCollector : public Tango::CallBack {
public:
    void push_event(Tango::EventData* event) override
    {
        if (event->err || !event->attr_value)
            return;
        Tango::DevLong count = 0;
        *event->attr_value >> count;
        std::lock_guard<std::mutex> lock(mutex);
        counts.push_back(count);
    }
    std::mutex mutex;
    std::vector<Tango::DevLong> counts;
};

}  // namespace

TEST(RemoteDevice, ThreeClientsAtOnceReachTheEngineOneAtATime)
{
    AppContext app;
    app.hinst = &app;
    Instrument engine;
    engine.Configure(&app, settings::WorkingSettings{});
    ASSERT_EQ(engine.Start(), "");
    remote::RemoteOptions options;
    options.port = FreePort();
    remote::RemoteLink link(engine, options);
    remote::RemoteServer server(link);
    ASSERT_EQ(server.Start(), "");
    const std::string address = "tango://127.0.0.1:" + std::to_string(options.port) + "/vexlar/raman/1#dbase=no";

    std::atomic<int> finished{0};
    std::atomic<int> failures{0};
    const auto client = [&](auto body) {
        return std::thread([&, body] {
            try {
                std::string name = address;  // the proxy takes a modifiable name
                Tango::DeviceProxy device(name);
                body(device);
            } catch (const Tango::DevFailed& e) {
                ++failures;
                ADD_FAILURE() << e.errors[0].desc.in();
            }
            ++finished;
        });
    };
    CountCollector collector;
    std::atomic<bool> subscribed{false};
    std::atomic<bool> done{false};
    std::vector<std::thread> clients;
    clients.push_back(client([&](Tango::DeviceProxy& device) {
        const int id = device.subscribe_event("ScanCount", Tango::CHANGE_EVENT, &collector);
        subscribed = true;
        while (!done)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        device.unsubscribe_event(id);
    }));
    clients.push_back(client([&](Tango::DeviceProxy& device) {
        for (int i = 0; i < 20; ++i) {
            Tango::DeviceAttribute time("IntegrationTime", static_cast<Tango::DevLong>(5 + i % 3));
            device.write_attribute(time);
            Tango::DevLong back = 0;
            device.read_attribute("IntegrationTime") >> back;
            EXPECT_TRUE(back >= 5 && back <= 7) << back;
            std::vector<double> spectrum;
            device.read_attribute("Spectrum") >> spectrum;
            EXPECT_EQ(spectrum.size(), 2048u);
        }
    }));
    clients.push_back(client([&](Tango::DeviceProxy& device) {
        while (!subscribed)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        device.command_inout("StoreDark");
        for (int i = 0; i < 3; ++i) {
            Tango::DeviceData scans;
            scans << static_cast<Tango::DevLong>(4);
            device.command_inout("Acquire", scans);
            std::string mode;
            device.read_attribute("Mode") >> mode;
            EXPECT_EQ(mode, "stopped");
            device.command_inout("Continuous");
        }
    }));
    // The engine's thread (this one) serves the calls until the two that end
    // of themselves have; then the subscriber lets go.
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished >= 2; }, 60000));
    done = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished >= 3; }, 10000));
    for (std::thread& t : clients)
        t.join();
    server.Stop();
    engine.SwitchLaserOff();
    engine.Release();

    EXPECT_EQ(failures.load(), 0);
    std::lock_guard<std::mutex> lock(collector.mutex);
    // The first two overlap the subscription (the value read as it is made,
    // and a scan shown meanwhile); from then on each scan once, in order.
    ASSERT_GE(collector.counts.size(), 14u) << "three acquisitions of four scans";
    for (std::size_t i = 3; i < collector.counts.size(); ++i)
        EXPECT_EQ(collector.counts[i], collector.counts[i - 1] + 1) << "each scan shown once, in order";
}
