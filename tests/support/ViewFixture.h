#pragma once
// A view under test: created inside a plain host window with the recording
// driver, the real chart library offscreen, a stand-in for the frame's
// control and status bars, and the operator message box replaced by a
// recorder.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "MessageBox.h"
#include "Profile.h"
#include "acquisition/AppContext.h"
#include "commands/CommandIds.h"
#include "support/ChartReadout.h"
#include "support/RecordingDriver.h"
#include "support/Refusal.h"
#include "window/AnnotationBoard.h"
#include "window/ChartOutput.h"
#include "window/FileCommands.h"
#include "window/PeakMarks.h"
#include "window/SetupCommands.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

namespace vexlar::test {

// Control and status bars as plain values.
class FakeHost : public ViewHost {
public:
    void SetChecked(int id, bool checked) override { checked_[id] = checked; }
    bool IsChecked(int id) const override
    {
        auto it = checked_.find(id);
        return it != checked_.end() && it->second;
    }
    std::string Text(int id) const override
    {
        auto it = texts_.find(id);
        return it == texts_.end() ? std::string() : it->second;
    }
    void SetText(int id, const std::string& text) override { texts_[id] = text; }
    int SelectedIndex(int id) const override
    {
        auto it = selected_.find(id);
        return it == selected_.end() ? -1 : it->second;
    }
    std::string SelectedItemText(int id) const override { return Text(id); }
    void Select(int id, int index) { selected_[id] = index; }
    void SelectItem(int id, int index) override { selected_[id] = index; }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetIndicatorText(const std::string& text) override { indicator = text; }
    void SetDocumentTitle(const std::string& title) override { documentTitle = title; }

    std::string status;
    std::string indicator;
    std::string documentTitle = "Untitled";

private:
    std::map<int, bool> checked_;
    std::map<int, std::string> texts_;
    std::map<int, int> selected_;
};

// Longer than a display frame at any refresh rate a screen reports.
constexpr int kFrameGapMs = 25;

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingDriver::Get().Reset();
        app.hinst = &app;
        window = std::make_unique<QWidget>();
        window->resize(1000, 600);
    }

    void TearDown() override
    {
        view.reset();
        window.reset();
        RecordingDriver::Get().Reset();
    }

    // Constructs and creates the view at 1000 x 600.
    void CreateView()
    {
        view = std::make_unique<CVexlarView>();
        view->SetHost(&host);
        ASSERT_TRUE(view->Create(&app, QRect(0, 0, 1000, 600), window.get()));
        window->show();
        Deliver();
        creationCalls = driver().calls;
        driver().ClearCalls();
    }

    // Delivers every message waiting, the view's own next-scan requests
    // included. A delivery may post more (the next-scan request follows a
    // scan), so the queue is drained a few rounds.
    static void Deliver()
    {
        for (int round = 0; round < 4; ++round)
            QCoreApplication::sendPostedEvents();
    }

    // Fills the channel's buffer, posts its scan-complete and delivers it.
    void Scan(int channel, float value)
    {
        driver().Fill(channel, value);
        driver().Post(WM_SCAN_COMPLETE, channel);
        Deliver();
    }

    // The same with a value for each pixel.
    void ScanPixels(int channel, const std::vector<float>& values)
    {
        driver().FillPixels(channel, values.data());
        driver().Post(WM_SCAN_COMPLETE, channel);
        Deliver();
    }

    // A scan that is `level` everywhere but at the pixels given.
    void ScanWith(const std::map<int, float>& pixels, float level = 0.0f, int channel = 0)
    {
        std::vector<float> values(kPixels, level);
        for (const auto& [pixel, value] : pixels)
            values[static_cast<std::size_t>(pixel)] = value;
        ScanPixels(channel, values);
    }

    // A key of the settings file, written before the view reads it at its
    // creation.
    static void Setting(const char* section, const char* key, const std::string& value)
    {
        ASSERT_TRUE(vexlar::sys::WritePrivateProfileString(section, key, value.c_str(), "vexlar.ini"));
    }

    // Whether acquisition runs: a scan of value, posted and delivered, is
    // what the chart then shows.
    bool NextScanIsShown(float value = 4321.0f)
    {
        Scan(0, value);
        return ShowsEverywhere(value);
    }

    // Whether the next scan (of value) re-reads the annotations' rectangles
    // from a freshly laid-out chart, as it must after a resize or a change
    // of scale: the chart is then drawn twice for it instead of once.
    bool ScanRefreshesAnnotations(float value = 1.0f)
    {
        // A display frame after the last drawing, so that the chart draws
        // the scan as it arrives instead of at its next frame.
        std::this_thread::sleep_for(std::chrono::milliseconds(kFrameGapMs));
        const std::uint64_t before = Redraws(chart());
        Scan(0, value);
        return Redraws(chart()) - before == 2;
    }

    // What the chart shows.
    XrtHandle chart() const { return view->chart(); }
    double ShownX(int point) const { return test::ShownX(chart(), point); }
    double ShownY(int point) const { return test::ShownY(chart(), point); }
    bool ShowsEverywhere(double y) const { return test::ShowsEverywhere(chart(), y); }

    static RecordingDriver& driver() { return RecordingDriver::Get(); }

    vexlar::sys::MessageRecorder messages;
    std::vector<DriverCall> creationCalls;
    AppContext app;
    FakeHost host;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<CVexlarView> view;
};

}  // namespace vexlar::test
