// Termination signals reach the program in its event loop, never inside the
// handler, after the instrument has been made safe on the signal thread
// whatever the event loop was doing; once the program is safe to end, a
// further one ends it at once, and an orderly end that does not come is not
// waited for.

#include <gtest/gtest.h>

#include <QTest>

#include <csignal>
#include <vector>

#include <unistd.h>

#include "MessageBox.h"
#include "ShutdownSignals.h"

using vexlar::sys::ShutdownSignals;

namespace {

constexpr int kWaitMs = 5000;

void SayMadeSafe()
{
    [[maybe_unused]] const ssize_t n = ::write(2, "laser off\n", 10);
}

}  // namespace

TEST(ShutdownSignals, EachSignalIsHandledInTheEventLoop)
{
    std::vector<int> handled;
    ShutdownSignals signals([&](int number) { handled.push_back(number); });
    ASSERT_TRUE(signals.active());
    const std::vector<int> ending = {SIGTERM, SIGINT,  SIGHUP, SIGQUIT,   SIGUSR1, SIGUSR2,
                                     SIGALRM, SIGXCPU, SIGPWR, SIGSTKFLT, SIGPROF, SIGRTMIN + 2};
    for (const int number : ending) {
        std::raise(number);
        EXPECT_TRUE(handled.empty() || handled.back() != number) << "not inside the handler";
        ASSERT_TRUE(QTest::qWaitFor([&] { return !handled.empty() && handled.back() == number; }, kWaitMs));
    }
    EXPECT_EQ(handled, ending);
}

// Whatever holds the event loop, the process ends with the signal's status
// once the orderly end has had its time; a crash makes the instrument safe
// before it goes on as a crash.
TEST(ShutdownSignals, AnEndThatDoesNotComeOrACrashStillLeavesTheInstrumentSafe)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ShutdownSignals signals([](int) {}, &SayMadeSafe, 50);
            std::raise(SIGTERM);
            for (int wait = 0; wait < 500; ++wait)
                ::usleep(10000);
            std::_Exit(0);
        },
        testing::ExitedWithCode(128 + SIGTERM), "laser off");
    EXPECT_EXIT(
        {
            ShutdownSignals signals([](int) {}, &SayMadeSafe);
            std::abort();
        },
        testing::KilledBySignal(SIGABRT), "laser off");
}

TEST(ShutdownSignals, OnceSafeASecondSignalEndsTheProcessAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ShutdownSignals signals([](int) {});
            ShutdownSignals::EndAtOnceFromNowOn();
            std::raise(SIGINT);
            // Not reached; the wait lets a sanitizer that defers signals
            // deliver it.
            for (int wait = 0; wait < 100; ++wait)
                ::usleep(10000);
            std::_Exit(0);
        },
        testing::ExitedWithCode(128 + SIGINT), "");
}

TEST(ShutdownSignals, WithoutTheObjectTheSignalsHaveTheirOwnHandlersAgain)
{
    const auto handlerOf = [](int number) {
        struct sigaction current { };
        ::sigaction(number, nullptr, &current);
        return current.sa_handler;
    };
    std::signal(SIGHUP, SIG_IGN);
    {
        ShutdownSignals signals([](int) {});
        EXPECT_NE(handlerOf(SIGHUP), SIG_IGN);
    }
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    std::signal(SIGHUP, SIG_DFL);
}

// Once the program ends where nobody may see a box, its messages go to
// standard error (a recorder still takes them in tests).
TEST(ShutdownSignals, MessagesGoToStandardErrorWhenTheProgramEndsWithoutAScreen)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            vexlar::sys::SendOperatorMessagesToStandardError();
            vexlar::sys::ShowOperatorMessage("The settings could not be saved.", "Vexlar Error");
            std::_Exit(3);
        },
        testing::ExitedWithCode(3), "Vexlar Error: The settings could not be saved.");
}
