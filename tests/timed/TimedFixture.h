#pragma once
// A view under test with virtual time: the series' timers fire when the test
// advances the clock, and the tick count reads the same clock.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "Profile.h"
#include "VirtualClock.h"
#include "WindowTimers.h"
#include "Xrt.h"
#include "display/Chart2D.h"
#include "support/DialogOperator.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "timed/SeriesSettings.h"
#include "timed/TimeAcquisitionDlg.h"
#include "window/ControlCommands.h"

namespace vexlar::test {

using Names = std::vector<std::string>;

// The settings file, where the view reads its settings when it is created
// and writes them when it goes.
inline std::string SettingsPath()
{
    return vexlar::sys::SettingsFolder() + "/vexlar.ini";
}

inline void WriteSettings(const std::string& text)
{
    std::filesystem::create_directories(vexlar::sys::SettingsFolder());
    ASSERT_TRUE(WriteWholeFile(SettingsPath(), text));
}

// The section "TimeAcquisition" that holds the series settings s, followed
// by more (more keys of the section, or further sections).
inline std::string SeriesSection(const vexlar::timed::SeriesSettings& s, const std::string& more = "")
{
    return "[TimeAcquisition]\nStoreDark=" + std::to_string(s.StoreDark) +
           "\nToggleLaser=" + std::to_string(s.ToggleLaser) + "\nLaserWarmupTime=" + std::to_string(s.LaserWarmupTime) +
           "\nDelayBeforeFirstAcquisition=" + std::to_string(s.DelayBeforeFirstAcquisition) +
           "\nDelayBetweenAcquisitions=" + std::to_string(s.DelayBetweenAcquisitions) +
           "\nNumberOfAcquisitions=" + std::to_string(s.NumberOfAcquisitions) +
           "\nFileFormat=" + std::to_string(s.FileFormat) + "\nBaseFilename=" + s.BaseFilename + "\n" + more;
}

// A plain series: no first delay, one second between scans, three scans, no
// laser toggling, spectrum files under the base "Temp" in the test's own
// folder.
inline vexlar::timed::SeriesSettings PlainSeries()
{
    vexlar::timed::SeriesSettings s;
    s.StoreDark = 0;
    s.ToggleLaser = 0;
    s.LaserWarmupTime = 0;
    s.DelayBeforeFirstAcquisition = 0;
    s.DelayBetweenAcquisitions = 1;
    s.NumberOfAcquisitions = 3;
    s.FileFormat = 0;
    s.BaseFilename = "Temp";
    return s;
}

// The operator of the Time Acquisition dialogs opened while it exists.
using TimeAcqOperator = ScopedDialogOperator<CTimeAcquisitionDlg>;

// The operator types every setting of s into the Time Acquisition dialog's
// controls (a format without an item selects none) and clicks OK.
inline void TypeSeriesSettings(CTimeAcquisitionDlg& d, const vexlar::timed::SeriesSettings& s)
{
    using Dlg = CTimeAcquisitionDlg;
    d.check(Dlg::kToggleLaserId)->setChecked(s.ToggleLaser == 1);
    d.check(Dlg::kStoreDarkId)->setChecked(s.StoreDark == 1);
    d.edit(Dlg::kLaserWarmupTimeId)->setText(QString::number(s.LaserWarmupTime));
    d.edit(Dlg::kDelayBeforeFirstId)->setText(QString::number(s.DelayBeforeFirstAcquisition));
    d.edit(Dlg::kDelayBetweenId)->setText(QString::number(s.DelayBetweenAcquisitions));
    d.edit(Dlg::kNumberOfAcquisitionsId)->setText(QString::number(s.NumberOfAcquisitions));
    d.edit(Dlg::kBaseFilenameId)->setText(QString::fromStdString(s.BaseFilename));
    d.formatList()->setCurrentIndex(s.FileFormat < 2 ? static_cast<int>(s.FileFormat) : -1);
}

class TimedFixture : public ViewFixture {
protected:
    // Creates the view at virtual time start with the series settings s in
    // the settings file (and more after them). The spectrometer is idle: the
    // operator clicked Additive and the scan then in flight arrived, so
    // every scan from here on is one the series asks for.
    void Begin(const vexlar::timed::SeriesSettings& s = PlainSeries(), std::uint64_t start = 1'000'000,
               const std::string& more = "")
    {
        CloseProgram();
        clock.reset();
        WriteSettings(SeriesSection(s, more));
        clock = std::make_unique<vexlar::sys::VirtualClock>(start);
        CreateView();
        view->OnBarParam(BAR_ADDITIVE);
        driver().Answer(0, 0.0f);
        Deliver();
    }

    // Time Acquisition > Configure: the operator types s into the dialog and
    // clicks OK, which it takes.
    void Configure(const vexlar::timed::SeriesSettings& s)
    {
        bool accepted = false;
        TimeAcqOperator op([&](CTimeAcquisitionDlg& d) {
            TypeSeriesSettings(d, s);
            d.accept();
            accepted = d.result() == QDialog::Accepted;
        });
        view->setup().OnTimeAcqConfigure();
        EXPECT_TRUE(accepted) << "the dialog refused the settings";
    }

    // What the Time Acquisition dialog shows when the operator opens it
    // (and then cancels it).
    struct Shown {
        bool toggleLaser = false;
        bool storeDark = false;
        std::string warmup, firstDelay, delay, count, base;
        int format = -2;
    };
    Shown ShownInDialog()
    {
        Shown shown;
        using Dlg = CTimeAcquisitionDlg;
        TimeAcqOperator op([&](Dlg& d) {
            shown.toggleLaser = d.check(Dlg::kToggleLaserId)->isChecked();
            shown.storeDark = d.check(Dlg::kStoreDarkId)->isChecked();
            shown.warmup = d.edit(Dlg::kLaserWarmupTimeId)->text().toStdString();
            shown.firstDelay = d.edit(Dlg::kDelayBeforeFirstId)->text().toStdString();
            shown.delay = d.edit(Dlg::kDelayBetweenId)->text().toStdString();
            shown.count = d.edit(Dlg::kNumberOfAcquisitionsId)->text().toStdString();
            shown.base = d.edit(Dlg::kBaseFilenameId)->text().toStdString();
            shown.format = d.formatList()->currentIndex();
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
        return shown;
    }

    // The value of key in the settings file's section "TimeAcquisition", as
    // the view wrote it when it went.
    static std::string Saved(const char* key)
    {
        char text[1024] = {};
        vexlar::sys::GetPrivateProfileString("TimeAcquisition", key, "(none)", text, sizeof text,
                                             SettingsPath().c_str());
        return text;
    }

    // The y value of point 0 of the data set the chart on the screen shows.
    double ShownY() const
    {
        const CChart2D* chartWindow = window->findChild<CChart2D*>();
        XrtHandle data = 0;
        if (chartWindow)
            XrtGetValues(chartWindow->chart(), XRT_DATA, &data);
        double y = -1;
        XrtDataGetYElementIndirect(data, 0, 0, &y);
        return y;
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

    bool TimerSet(unsigned id) const { return clock->IsTimerSet(&view->instrument(), id); }

    // The operator closes the program: the view goes, and with it writes the
    // settings file.
    void CloseProgram() { view = nullptr; }

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
