#pragma once
// The main frame under test, with its view on the recording driver and the
// operator message box replaced by a recorder.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <memory>
#include <thread>

#include "MessageBox.h"
#include "Profile.h"
#include "acquisition/AppContext.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/VexlarDoc.h"
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

namespace vexlar::test {

class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingDriver::Get().Reset();
        app.hinst = &app;
    }

    void TearDown() override
    {
        frame.reset();
        RecordingDriver::Get().Reset();
    }

    // Creates the frame and its view, fills the control bar and shows the
    // window, as start-up does.
    void Start()
    {
        frame = std::make_unique<CMainFrame>(&app, &document);
        ASSERT_TRUE(frame->Create());
        frame->view()->OnInitialUpdate();
        frame->show();
        Deliver();
    }

    static void Deliver()
    {
        for (int round = 0; round < 4; ++round)
            QCoreApplication::sendPostedEvents();
    }

    // The channel's buffer filled with one value, its scan-complete posted
    // and delivered.
    static void Scan(int channel, float value)
    {
        driver().Fill(channel, value);
        driver().Post(WM_SCAN_COMPLETE, channel);
        Deliver();
    }

    // A key of the settings file, written before the view reads it at start.
    static void Setting(const char* section, const char* key, const std::string& value)
    {
        ASSERT_TRUE(vexlar::sys::WritePrivateProfileString(section, key, value.c_str(), "vexlar.ini"));
    }

    // Whether the next scan (of value) re-reads the annotations' rectangles
    // from a freshly laid-out chart, as it must after a resize or a change
    // of scale: the chart is then drawn twice for it instead of once.
    bool ScanRefreshesAnnotations(float value = 1.0f)
    {
        // A display frame after the last drawing, so that the chart draws
        // the scan as it arrives instead of at its next frame.
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const std::uint64_t before = Redraws(chart());
        Scan(0, value);
        return Redraws(chart()) - before == 2;
    }

    // What the view's chart shows.
    XrtHandle chart() const { return view()->chart(); }
    double ShownX(int point) const { return test::ShownX(chart(), point); }
    double ShownY(int point) const { return test::ShownY(chart(), point); }

    static RecordingDriver& driver() { return RecordingDriver::Get(); }
    CVexlarView* view() const { return frame->view(); }
    AcquisitionBar* bar() const { return frame->controlBar(); }

    vexlar::sys::MessageRecorder messages;
    AppContext app;
    CVexlarDoc document;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace vexlar::test
