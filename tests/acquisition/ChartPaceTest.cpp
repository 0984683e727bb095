// The chart painted at the screen's pace: every scan is handled and attached
// to the chart as it arrives, but the chart is painted at most once per
// display frame, the last scan within one frame; scans a frame or more apart
// are each painted at once. Time is the virtual clock's.

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <memory>
#include <vector>

#include "VirtualClock.h"
#include "Xrt.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// The offscreen screen reports no refresh rate of its own: 60 Hz, a frame
// of 17 ms.
constexpr unsigned kFrameMs = 17;

class ChartPace : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        clock = std::make_unique<sys::VirtualClock>(5000);
        CreateView();
        // The first scan also lays the chart out for the annotations; from
        // the second on a scan is one paint.
        Scan(0, 500.0f);
        clock->Advance(100);
        Scan(0, 1000.0f);
        clock->Advance(100);
    }

    void TearDown() override
    {
        ViewFixture::TearDown();
        clock.reset();
    }

    std::uint64_t Redraws() const
    {
        std::uint64_t count = 0;
        XrtGetRedrawCount(view->chart(), &count);
        return count;
    }

    // What the operator sees: the window as painted last.
    QImage OnScreen() const { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // What printing and figure files draw: the chart as it stands.
    QImage Printed() const
    {
        QImage page(500, 300, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        EXPECT_TRUE(XrtDrawToDC(view->chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, 500, 300));
        return page;
    }

    // The intensity the chart holds at pixel 1000.
    double Attached() const
    {
        XrtHandle shown = 0;
        XrtGetValues(view->chart(), XRT_DATA, &shown);
        double y = 0.0;
        XrtDataGetYElementIndirect(shown, 0, 1000, &y);
        return y;
    }

    std::unique_ptr<sys::VirtualClock> clock;
};

}  // namespace

TEST_F(ChartPace, ScansFasterThanTheScreenShareAFrameAndTheLastIsPaintedWithinIt)
{
    Scan(0, 1000.0f);
    const QImage first = OnScreen();
    const QImage firstPrinted = Printed();
    const std::uint64_t before = Redraws();

    // Two more scans in the same frame: each handled (buffer back, the next
    // one asked for, its data on the chart), neither painted yet.
    driver().ClearCalls();
    Scan(0, 2000.0f);
    clock->Advance(3);
    Scan(0, 3000.0f);
    EXPECT_EQ(driver().Count("QDV_BufferEmpty"), 2u);
    EXPECT_EQ(driver().Count("QDV_SingleScan"), 2u);
    EXPECT_EQ(Attached(), 3000.0);
    EXPECT_EQ(Redraws(), before);
    EXPECT_EQ(OnScreen(), first) << "the screen still shows the frame's first scan";
    // Printing and figure files draw the chart as it stands: the last scan.
    const QImage printedWhileWaiting = Printed();
    EXPECT_NE(printedWhileWaiting, firstPrinted);

    // Its frame comes: one paint, of the last scan.
    clock->Advance(kFrameMs - 3);
    EXPECT_EQ(Redraws(), before + 1);
    const QImage last = OnScreen();
    EXPECT_NE(last, first);
    EXPECT_EQ(Printed(), printedWhileWaiting);
    clock->Advance(10 * kFrameMs);
    EXPECT_EQ(Redraws(), before + 1) << "nothing more to paint";

    // The same scan painted at once looks the same: what reached the screen
    // was the last scan.
    Scan(0, 3000.0f);
    EXPECT_EQ(Redraws(), before + 2);
    EXPECT_EQ(OnScreen(), last);
}

TEST_F(ChartPace, AtTenScansASecondEveryScanIsPaintedAsItArrivesOnceTheNextIsAskedFor)
{
    QImage previous = OnScreen();
    // The chart is drawn while the spectrometer takes the next scan: when
    // the next scan is asked for, the one just handled is not drawn yet.
    std::vector<std::uint64_t> redrawsAtRequest;
    driver().onCall = [&](const DriverCall& call) {
        if (call.name == "QDV_SingleScan")
            redrawsAtRequest.push_back(Redraws());
    };
    for (int scan = 1; scan <= 5; ++scan) {
        const std::uint64_t before = Redraws();
        redrawsAtRequest.clear();
        Scan(0, 600.0f * static_cast<float>(scan));
        ASSERT_EQ(redrawsAtRequest.size(), 1u) << "scan " << scan;
        EXPECT_EQ(redrawsAtRequest[0], before) << "scan " << scan << " is drawn after the next is asked for";
        EXPECT_EQ(Redraws(), before + 1) << "scan " << scan;
        const QImage now = OnScreen();
        EXPECT_NE(now, previous) << "scan " << scan << " is on the screen at once";
        previous = now;
        clock->Advance(100);
    }
}

TEST_F(ChartPace, TheLastScanOfARunIsOnTheScreenWithinOneFrame)
{
    // A scan waiting for its frame is drawn when the next scan is asked for
    // after the frame has come; when no next scan comes, a frame after it
    // arrived.
    Scan(0, 1000.0f);
    const std::uint64_t before = Redraws();
    clock->Advance(2);
    Scan(0, 3500.0f);  // the last one: nothing follows it
    clock->Advance(kFrameMs - 1);
    EXPECT_EQ(Redraws(), before) << "it has not waited a frame yet";
    EXPECT_EQ(Attached(), 3500.0) << "but it is on the chart for printing and saving";
    clock->Advance(1);
    EXPECT_EQ(Redraws(), before + 1);
    clock->Advance(10 * kFrameMs);
    EXPECT_EQ(Redraws(), before + 1) << "nothing more to draw";

    // Late in a frame: the next scan asked for after the frame has come
    // draws it.
    clock->Advance(100);
    Scan(0, 1000.0f);
    clock->Advance(kFrameMs - 2);
    Scan(0, 2500.0f);
    const std::uint64_t waiting = Redraws();
    EXPECT_EQ(waiting, before + 2) << "the first drawn at once, the second waits";
    clock->Advance(2);
    Scan(0, 2600.0f);
    EXPECT_EQ(Redraws(), waiting + 1);
    EXPECT_EQ(Attached(), 2600.0);
    clock->Advance(10 * kFrameMs);
    EXPECT_EQ(Redraws(), waiting + 1) << "the timer found nothing left to draw";
}

TEST_F(ChartPace, ACommandGivenWhileAScanWaitsTakesEffectAtOnceAndIsPaintedInTheSameFrame)
{
    Scan(0, 1000.0f);
    Scan(0, 2000.0f);
    const std::uint64_t before = Redraws();
    double yMax = 0.0;
    XrtGetValues(view->chart(), XRT_Y_MAX, &yMax);
    ASSERT_GT(yMax, 4000.0);
    // The operator's Autoscale: the scale is the scan's at once.
    view->OnAutoscale();
    double scaled = 0.0;
    XrtGetValues(view->chart(), XRT_Y_MAX, &scaled);
    EXPECT_LT(scaled, 2500.0);
    EXPECT_GE(scaled, 2000.0);
    XrtPoint top{};
    ASSERT_TRUE(XrtUnmap(view->chart(), XRT_MAP_DATA_UNITS, 500.0, 2000.0, &top));
    XrtPoint bottom{};
    ASSERT_TRUE(XrtUnmap(view->chart(), XRT_MAP_DATA_UNITS, 500.0, 0.0, &bottom));
    EXPECT_GT(bottom.y - top.y, 300) << "the chart's geometry follows the new scale before it is painted";
    // One paint for both, within the frame.
    clock->Advance(kFrameMs);
    EXPECT_EQ(Redraws(), before + 1);
    clock->Advance(10 * kFrameMs);
    EXPECT_EQ(Redraws(), before + 1);
}
