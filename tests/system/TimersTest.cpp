// The tick count, the window timers under the virtual clock and on real Qt
// timers, and messages posted from another thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <cstdint>
#include <limits>
#include <memory>
#include <thread>

#include "Messages.h"
#include "RecordingWindow.h"
#include "TickCount.h"
#include "VirtualClock.h"
#include "WindowTimers.h"

using namespace vexlar::sys;
using vexlar::test::RecordingWindow;
using Timers = std::vector<std::pair<WPARAM, std::uint32_t>>;

namespace {

// The timer ids of a time-acquisition run, as an example of fixed ids.
constexpr unsigned kFirstDelayTimer = 273;
constexpr unsigned kLaserOffTimer = 546;
constexpr unsigned kNextScanTimer = 819;

}  // namespace

TEST(TickCountTest, WrapsModulo2To32WithAReplacedClock)
{
    std::uint64_t fake = (std::uint64_t{1} << 32) - 2;
    const TickSource previous = SetTickSource([&] { return fake; });
    EXPECT_FALSE(previous);  // the monotonic clock was in place
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFEu);
    const std::uint32_t before = GetTickCount();
    fake += 5;
    EXPECT_EQ(GetTickCount(), 3u);
    EXPECT_EQ(static_cast<std::uint32_t>(GetTickCount() - before), 5u);  // unsigned difference across the wrap
    fake = (std::uint64_t{7} << 32) + 42;
    EXPECT_EQ(GetTickCount(), 42u);

    EXPECT_TRUE(SetTickSource({}));  // hands back the replaced source
    const std::uint32_t first = GetTickCount();
    const std::uint32_t second = GetTickCount();
    EXPECT_LT(static_cast<std::uint32_t>(second - first), 1000u);  // the real clock runs on, forwards

    {
        VirtualClock clock(0xFFFFFFF0u);
        EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
        clock.Advance(0x20);
        EXPECT_EQ(GetTickCount(), 0x10u);
        EXPECT_EQ(clock.Now(), 0x100000010u);
    }
    EXPECT_LT(static_cast<std::uint32_t>(GetTickCount() - first), 1000u);  // the real clock is back
}

TEST(VirtualClockTest, FiresTimersInTimeOrderWithTheirIdsAndRepeatsThem)
{
    VirtualClock clock;
    RecordingWindow view;
    RecordingWindow frame;
    ASSERT_TRUE(SetTimer(&view, kFirstDelayTimer, 100));
    ASSERT_TRUE(SetTimer(&view, kLaserOffTimer, 40));
    ASSERT_TRUE(SetTimer(&frame, kNextScanTimer, 100));  // due with the first one: fires after it
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.received.empty());  // nothing fires until time moves

    clock.Advance(99);
    EXPECT_EQ(view.Timers(), (Timers{{kLaserOffTimer, 40}, {kLaserOffTimer, 80}}));
    clock.Advance(1);
    clock.Advance(120);
    EXPECT_EQ(view.Timers(), (Timers{{kLaserOffTimer, 40},
                                     {kLaserOffTimer, 80},
                                     {kFirstDelayTimer, 100},
                                     {kLaserOffTimer, 120},
                                     {kLaserOffTimer, 160},
                                     {kFirstDelayTimer, 200},  // set before the laser-off timer
                                     {kLaserOffTimer, 200}}));
    EXPECT_EQ(frame.Timers(), (Timers{{kNextScanTimer, 100}, {kNextScanTimer, 200}}));
    for (const auto& entry : view.received) {
        EXPECT_EQ(entry.message, WM_TIMER);
        EXPECT_EQ(entry.lParam, 0);
    }
    EXPECT_EQ(GetTickCount(), 220u);

    // Kill stops a timer for good; killing it again or an unknown id fails.
    EXPECT_TRUE(KillTimer(&view, kLaserOffTimer));
    EXPECT_FALSE(KillTimer(&view, kLaserOffTimer));
    EXPECT_FALSE(KillTimer(&view, 12345));
    EXPECT_FALSE(KillTimer(&frame, kFirstDelayTimer));  // ids belong to their window
    EXPECT_FALSE(SetTimer(nullptr, 1, 100));
    view.received.clear();
    clock.Advance(100);
    EXPECT_EQ(view.Timers(), (Timers{{kFirstDelayTimer, 300}}));

    // Setting a running id restarts it from now with the new period.
    clock.Advance(50);
    ASSERT_TRUE(SetTimer(&view, kFirstDelayTimer, 70));
    view.received.clear();
    clock.Advance(100);
    EXPECT_EQ(view.Timers(), (Timers{{kFirstDelayTimer, 440}}));

    // A period of 0 runs at the platform's minimum instead of spinning; an
    // expiry due at the same moment as an older timer's comes after it.
    ASSERT_TRUE(SetTimer(&frame, 1, 0));
    frame.received.clear();
    clock.Advance(kMinimumTimerPeriodMs * 3);
    EXPECT_EQ(frame.Timers(), (Timers{{1, 480}, {1, 490}, {kNextScanTimer, 500}, {1, 500}}));
}

TEST(VirtualClockTest, HandlersThatSetAndKillTimersTakeEffectAtOnce)
{
    VirtualClock clock;
    RecordingWindow view;
    // A timed run in miniature: the first delay arms the laser-off timer and
    // ends itself; the laser-off timer re-arms itself once with a longer
    // period, then hands over to the next-scan timer.
    int laserOffCount = 0;
    view.handler = [&](const RecordingWindow::Received& entry) {
        if (entry.wParam == kFirstDelayTimer) {
            EXPECT_TRUE(KillTimer(&view, kFirstDelayTimer));
            EXPECT_TRUE(SetTimer(&view, kLaserOffTimer, 30));
        } else if (entry.wParam == kLaserOffTimer && ++laserOffCount == 1) {
            EXPECT_TRUE(SetTimer(&view, kLaserOffTimer, 50));
        } else if (entry.wParam == kLaserOffTimer) {
            EXPECT_TRUE(KillTimer(&view, kLaserOffTimer));
            EXPECT_TRUE(SetTimer(&view, kNextScanTimer, 10));
            EXPECT_TRUE(KillTimer(&view, kNextScanTimer));  // changed its mind before it fired
            EXPECT_TRUE(SetTimer(&view, kNextScanTimer, 25));
        }
    };
    ASSERT_TRUE(SetTimer(&view, kFirstDelayTimer, 100));
    clock.Advance(1000 - 1);
    const Timers timers = view.Timers();
    ASSERT_GE(timers.size(), 4u);
    EXPECT_EQ((Timers{timers.begin(), timers.begin() + 4}),
              (Timers{{kFirstDelayTimer, 100}, {kLaserOffTimer, 130}, {kLaserOffTimer, 180}, {kNextScanTimer, 205}}));
    // The next-scan timer keeps repeating: 205, 230, ..., 980.
    EXPECT_EQ(timers.size(), 3u + (980 - 205) / 25 + 1);
    EXPECT_EQ(timers.back(), (std::pair<WPARAM, std::uint32_t>{kNextScanTimer, 980}));
    EXPECT_FALSE(clock.IsTimerSet(&view, kFirstDelayTimer));
    EXPECT_FALSE(clock.IsTimerSet(&view, kLaserOffTimer));
    EXPECT_TRUE(clock.IsTimerSet(&view, kNextScanTimer));
    EXPECT_EQ(clock.TimerCount(), 1u);
}

TEST(VirtualClockTest, TimersOfADestroyedWindowAreGone)
{
    VirtualClock clock;
    RecordingWindow survivor;
    auto doomed = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(SetTimer(doomed.get(), 1, 10));
    ASSERT_TRUE(SetTimer(&survivor, 1, 10));
    // The survivor's handler destroys the other window in the middle of a span.
    survivor.handler = [&](const RecordingWindow::Received&) { doomed.reset(); };
    clock.Advance(50);
    EXPECT_EQ(survivor.Timers().size(), 5u);
    EXPECT_EQ(clock.TimerCount(), 1u);
}

TEST(WindowTimersTest, QtTimersDeliverUntilKilled)
{
    constexpr unsigned kPeriodMs = 20;
    constexpr int kWaitMs = 5000;
    RecordingWindow view;
    ASSERT_TRUE(SetTimer(&view, kNextScanTimer, kPeriodMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.received.size() >= 3; }, kWaitMs));
    const std::uint32_t firstTick = view.received.front().tick;
    for (const auto& entry : view.received) {
        EXPECT_EQ(entry.message, WM_TIMER);
        EXPECT_EQ(entry.wParam, kNextScanTimer);
        EXPECT_TRUE(entry.onUserInterfaceThread);
    }
    EXPECT_GE(static_cast<std::uint32_t>(view.received[2].tick - firstTick), kPeriodMs);

    EXPECT_TRUE(KillTimer(&view, kNextScanTimer));
    EXPECT_FALSE(KillTimer(&view, kNextScanTimer));
    const std::size_t afterKill = view.received.size();
    QTest::qWait(static_cast<int>(kPeriodMs * 4));
    EXPECT_EQ(view.received.size(), afterKill);

    // Timers belong to the window's thread: another thread cannot set them.
    bool setFromOtherThread = true;
    std::thread([&] { setFromOtherThread = SetTimer(&view, 1, kPeriodMs); }).join();
    EXPECT_FALSE(setFromOtherThread);

    // A window that goes away with a running timer takes it along.
    auto doomed = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(SetTimer(doomed.get(), 1, kPeriodMs));
    doomed.reset();
    QTest::qWait(static_cast<int>(kPeriodMs * 3));
}

TEST(PostMessageTest, MessagesFromAnotherThreadArriveIntactOnTheUserInterfaceThread)
{
    constexpr unsigned kScanComplete = 1125;
    constexpr unsigned kDriverNotify = 1126;
    RecordingWindow view;
    std::thread driver([&] {
        EXPECT_TRUE(PostMessage(&view, kScanComplete, 3, -7));
        EXPECT_TRUE(
            PostMessage(&view, kDriverNotify, std::numeric_limits<WPARAM>::max(), std::numeric_limits<LPARAM>::min()));
        EXPECT_EQ(VxPostMessage(&view, kDriverNotify + 1, 0, std::numeric_limits<LPARAM>::max()), 1);
        EXPECT_FALSE(PostMessage(nullptr, kScanComplete, 0, 0));
    });
    driver.join();
    EXPECT_TRUE(view.received.empty());  // queued, not delivered on the driver's thread
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.received.size() == 3; }, 5000));
    EXPECT_EQ(view.received[0].message, kScanComplete);
    EXPECT_EQ(view.received[0].wParam, 3u);
    EXPECT_EQ(view.received[0].lParam, -7);
    EXPECT_EQ(view.received[1].message, kDriverNotify);
    EXPECT_EQ(view.received[1].wParam, std::numeric_limits<WPARAM>::max());
    EXPECT_EQ(view.received[1].lParam, std::numeric_limits<LPARAM>::min());
    EXPECT_EQ(view.received[2].message, kDriverNotify + 1);
    EXPECT_EQ(view.received[2].lParam, std::numeric_limits<LPARAM>::max());
    for (const auto& entry : view.received)
        EXPECT_TRUE(entry.onUserInterfaceThread);
}
