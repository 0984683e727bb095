#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "display/FramePacer.h"

using vexlar::display::FrameIntervalMs;
using vexlar::display::FramePacer;
using Paint = FramePacer::Paint;

TEST(FramePacer, AFrameIsTheScreensRefreshRoundedUpAndSixtyHertzWhenUnknown)
{
    EXPECT_EQ(FrameIntervalMs(60.0), 17u);
    EXPECT_EQ(FrameIntervalMs(59.94), 17u);
    EXPECT_EQ(FrameIntervalMs(144.0), 7u);
    EXPECT_EQ(FrameIntervalMs(50.0), 20u);
    EXPECT_EQ(FrameIntervalMs(0.0), 17u);
    EXPECT_EQ(FrameIntervalMs(-75.0), 17u);
    EXPECT_EQ(FrameIntervalMs(std::numeric_limits<double>::quiet_NaN()), 17u);
    EXPECT_EQ(FrameIntervalMs(std::numeric_limits<double>::infinity()), 17u);
    EXPECT_EQ(FrameIntervalMs(5000.0), 1u);
}

TEST(FramePacer, ChangesAFrameOrMoreApartAreEachPaintedAtOnce)
{
    FramePacer pacer;
    std::uint32_t now = 1000;
    for (int scan = 0; scan < 20; ++scan, now += 100) {  // 10 scans a second
        ASSERT_EQ(pacer.Changed(now, 17), Paint::Now) << scan;
        pacer.Painted(now);
        EXPECT_FALSE(pacer.Pending());
    }
    // Exactly one frame after the last paint is a new frame.
    pacer.Painted(5000);
    EXPECT_EQ(pacer.Changed(5017, 17), Paint::Now);
}

TEST(FramePacer, FasterChangesWaitForTheFrameAndShareOnePaint)
{
    FramePacer pacer;
    ASSERT_EQ(pacer.Changed(0, 17), Paint::Now);
    pacer.Painted(0);
    // Scans every 7 ms: the second waits for the frame, the third joins it.
    EXPECT_EQ(pacer.Changed(7, 17), Paint::Later);
    EXPECT_TRUE(pacer.Pending());
    EXPECT_EQ(pacer.DelayMs(7), 10u);
    EXPECT_EQ(pacer.Changed(14, 17), Paint::Later);
    EXPECT_EQ(pacer.DelayMs(14), 3u);
    EXPECT_EQ(pacer.DelayMs(20), 0u) << "overdue is due now";
    pacer.Painted(17);
    EXPECT_FALSE(pacer.Pending());
    EXPECT_EQ(pacer.Changed(21, 17), Paint::Later);
    EXPECT_EQ(pacer.DelayMs(21), 13u);

    // A change that finds the waiting paint overdue is painted at once.
    EXPECT_EQ(pacer.Changed(38, 17), Paint::Now);
    EXPECT_FALSE(pacer.Pending());
    pacer.Painted(38);
    EXPECT_EQ(pacer.Changed(40, 17), Paint::Later);

    // A paint that came some other way, or a state not to be shown, ends the
    // wait.
    pacer.Cancel();
    EXPECT_FALSE(pacer.Pending());
    EXPECT_EQ(pacer.Changed(41, 17), Paint::Later) << "the frame is still the last paint's";
    EXPECT_EQ(pacer.Changed(55, 17), Paint::Now);
}

TEST(FramePacer, TheTickCountWrappingChangesNothing)
{
    FramePacer pacer;
    const std::uint32_t last = std::numeric_limits<std::uint32_t>::max() - 5;
    pacer.Painted(last);
    EXPECT_EQ(pacer.Changed(last + 4, 17), Paint::Later);  // wrapped past 0
    EXPECT_EQ(pacer.DelayMs(last + 4), 13u);
    pacer.Painted(last + 17);
    EXPECT_EQ(pacer.Changed(last + 34, 17), Paint::Now);
}

TEST(FramePacer, AChangeLeftForTheCallerIsDueAFrameAfterTheLastPaintAndWaitsAtMostAFrame)
{
    FramePacer pacer;
    EXPECT_FALSE(pacer.Due(0)) << "nothing waits";
    pacer.Waiting(0, 17);
    EXPECT_TRUE(pacer.Due(0)) << "the first change is due at once";
    pacer.Painted(0);
    EXPECT_FALSE(pacer.Due(30)) << "painted: nothing waits";

    // Scans every 8 ms, the caller looking after each: the one at 8 waits,
    // the one at 16 joins it, and at 24 a frame has passed since the paint.
    pacer.Waiting(8, 17);
    EXPECT_FALSE(pacer.Due(8));
    EXPECT_EQ(pacer.DeadlineMs(8), 17u) << "a whole frame from the first waiting change";
    pacer.Waiting(16, 17);
    EXPECT_FALSE(pacer.Due(16));
    EXPECT_EQ(pacer.DeadlineMs(16), 9u) << "the deadline stays the first change's";
    EXPECT_TRUE(pacer.Due(24));
    EXPECT_EQ(pacer.DeadlineMs(30), 0u) << "overdue";
    pacer.Painted(24);
    EXPECT_FALSE(pacer.Pending());

    // The same across the tick count's wrap.
    const std::uint32_t last = std::numeric_limits<std::uint32_t>::max() - 3;
    pacer.Painted(last);
    pacer.Waiting(last + 2, 17);
    EXPECT_FALSE(pacer.Due(last + 10));
    EXPECT_EQ(pacer.DeadlineMs(last + 10), 9u);
    EXPECT_TRUE(pacer.Due(last + 17));
}
