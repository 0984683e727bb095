#pragma once
// A view under test with virtual time: the series' timers fire when the test
// advances the clock, and the tick count reads the same clock.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "VirtualClock.h"
#include "acquisition/ControlCommands.h"
#include "WindowTimers.h"
#include "Xrt.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

namespace vexlar::test {

using Names = std::vector<std::string>;

class TimedFixture : public ViewFixture {
protected:
    // Creates the view at virtual time start with a plain series: no first
    // delay, one second between scans, three scans, no laser toggling,
    // spectrum files under the base "Temp" in the test's own folder. The
    // spectrometer is idle: the operator clicked Additive and the scan then
    // in flight arrived, so every scan from here on is one the series asks
    // for.
    void Begin(std::uint64_t start = 1'000'000)
    {
        clock = std::make_unique<vexlar::sys::VirtualClock>(start);
        CreateView();
        view->OnBarParam(BAR_ADDITIVE);
        driver().Answer(0, 0.0f);
        Deliver();
        view->ToggleLaser = 0;
        view->StoreDark = 0;
        view->LaserWarmupTime = 0;
        view->DelayBeforeFirstAcquisition = 0;
        view->DelayBetweenAcquisitions = 1;
        view->NumberOfAcquisitions = 3;
        view->FileFormat = 0;
        SetBase("Temp");
    }

    void SetBase(const std::string& base)
    {
        std::snprintf(view->BaseFilename, sizeof view->BaseFilename, "%s", base.c_str());
    }

    // The driver calls so far, short: "SingleScan", "BufferEmpty(0)",
    // "Strobe(1)".
    static Names Calls()
    {
        Names out;
        for (const DriverCall& c : driver().calls) {
            std::string name = c.name.substr(4);  // without "QDV_"
            const bool withArgument = name == "V7400StrobeEnable" || name == "BufferEmpty";
            if (name == "V7400StrobeEnable")
                name = "Strobe";
            if (withArgument) {
                name += '(';
                name += std::to_string(c.argument);
                name += ')';
            }
            out.push_back(name);
        }
        return out;
    }

    // Lets the next timer fire (ms from now), and returns the calls it made.
    Names Fire(std::uint64_t ms)
    {
        driver().ClearCalls();
        clock->Advance(ms);
        return Calls();
    }

    // The scan the driver was asked for completes with every pixel at
    // value; returns the calls its handling made.
    Names Complete(float value)
    {
        driver().ClearCalls();
        Scan(0, value);
        return Calls();
    }

    // The driver answers the oldest scan it was asked for with every pixel
    // at value; returns the calls its handling made.
    Names Arrive(float value)
    {
        driver().ClearCalls();
        EXPECT_TRUE(driver().Answer(0, value)) << "no scan was asked for";
        Deliver();
        return Calls();
    }

    bool TimerSet(unsigned id) const { return clock->IsTimerSet(view.get(), id); }

    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    // The y value of point 0 of a spectrum file; -1 when it does not read.
    static double FirstY(const std::string& path)
    {
        const XrtHandle data = XrtDataCreateFromFile(path.c_str());
        double y = -1;
        if (data != 0) {
            XrtDataGetYElementIndirect(data, 0, 0, &y);
            XrtDataDestroy(data);
        }
        return y;
    }

    // A series of plain scans, value first + k for scan k; each timer
    // interval is waited for and each scan takes scanMs.
    void RunScans(int count, float first, std::uint64_t intervalMs, std::uint64_t scanMs = 0)
    {
        for (int k = 0; k < count; ++k) {
            clock->Advance(intervalMs);
            clock->Advance(scanMs);
            Scan(0, first + static_cast<float>(k));
        }
    }

    std::unique_ptr<vexlar::sys::VirtualClock> clock;
};

inline const char* const kHeader = "Filename\tTime (sec)\r\n";

}  // namespace vexlar::test
