// The simulated spectrometer's ceiling: how many scans a second it delivers
// to a client that answers every scan at once (gives the buffer back and asks
// for the next scan in the same handler), with the parameter block set up as
// the program sets it (eight buffers, channel 0 enabled, one average, no
// smoothing). The live rates of the program are shown as fractions of it.
//
//   bench_sim_ceiling [--integration-ms 4] [--seconds 10] [--warm-up 1]
//
// Prints one JSON line: scans completed per second, scans failed, and the
// CPU of the whole process (the driver's thread and the client) in % of a
// core. Run it in a settings folder of its own (XDG_CONFIG_HOME), as the
// benchmark script does.

#include <QCoreApplication>
#include <QTimer>

#include <time.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Messages.h"
#include "QdvDriver.h"

namespace {

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class Client : public QObject {
public:
    std::uint64_t completed = 0;
    std::uint64_t failed = 0;

protected:
    bool event(QEvent* e) override
    {
        const auto* m = vexlar::sys::AsWindowMessage(e);
        if (!m)
            return QObject::event(e);
        const auto channel = static_cast<std::int16_t>(m->wParam());
        if (m->message() == WM_SCAN_COMPLETE)
            ++completed;
        else if (m->message() >= WM_DRIVER_NOTIFY_FIRST && m->message() <= WM_DRIVER_NOTIFY_LAST)
            ++failed;
        else
            return QObject::event(e);
        QDV_BufferEmpty(this, channel);
        QDV_SingleScan(this);
        return true;
    }
};

struct Snapshot {
    double wall = 0.0;
    double cpu = 0.0;
    std::uint64_t completed = 0;
    std::uint64_t failed = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int integrationMs = 4;
    double seconds = 10.0;
    double warmUp = 1.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--integration-ms") == 0)
            integrationMs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--warm-up") == 0)
            warmUp = std::atof(argv[i + 1]);
    }

    Client client;
    std::array<std::vector<float>, QDV_CHANNELS> buffers;
    DriverParams block{};
    block.size = sizeof(DriverParams);
    block.IntegrationTime = static_cast<std::uint16_t>(integrationMs);
    block.Average = 1;
    block.Boxcar = 0;
    block.channelEnable[0] = 1;
    block.window = &client;
    block.hinst = &client;
    for (int ch = 0; ch < QDV_CHANNELS; ++ch) {
        buffers[ch].assign(QDV_PIXELS, 0.0f);
        block.buffer[ch] = buffers[ch].data();
    }
    if (QDV_Register(&block) != QDV_OK) {
        std::fprintf(stderr, "bench_sim_ceiling: the driver refused the client\n");
        return 1;
    }
    QDV_SingleScan(&client);

    const auto take = [&client] {
        return Snapshot{Seconds(CLOCK_MONOTONIC), Seconds(CLOCK_PROCESS_CPUTIME_ID), client.completed, client.failed};
    };
    Snapshot start;
    QTimer::singleShot(static_cast<int>(warmUp * 1000), &app, [&] { start = take(); });
    QTimer::singleShot(static_cast<int>((warmUp + seconds) * 1000), &app, [&] {
        const Snapshot end = take();
        const double wall = end.wall - start.wall;
        std::printf("{\"integration_ms\": %d, \"seconds\": %.3f, \"completed_per_s\": %.3f, \"failed\": %llu, "
                    "\"cpu_percent\": %.3f}\n",
                    integrationMs, wall, static_cast<double>(end.completed - start.completed) / wall,
                    static_cast<unsigned long long>(end.failed - start.failed), 100.0 * (end.cpu - start.cpu) / wall);
        std::fflush(stdout);
        app.quit();
    });
    const int result = app.exec();
    QDV_Stop(&client);
    QDV_UnRegister(&client);
    return result;
}
