// What the view owes the driver: scans asked for, answered in order, all
// cancelled by Stop, with a switching scan found among them.

#include <gtest/gtest.h>

#include "acquisition/ScanQueue.h"

using vexlar::acquisition::ScanQueue;

TEST(ScanQueue, ASwitchingScanIsTheAnswerAfterTheScansOwedBeforeIt)
{
    ScanQueue queue;
    queue.Requested();
    queue.Requested();
    queue.SwitchingRequested();
    EXPECT_EQ(queue.owed(), 3);
    EXPECT_FALSE(queue.NextIsSwitching());
    queue.ScanArrived();
    EXPECT_FALSE(queue.NextIsSwitching());
    // A scan ahead of it fails: its new request comes after the switching one.
    queue.FailedAndAskedAgain(true);
    EXPECT_TRUE(queue.NextIsSwitching());
    EXPECT_EQ(queue.owed(), 2);
    // The switching scan fails: its new request comes after the other one.
    queue.FailedAndAskedAgain(true);
    EXPECT_FALSE(queue.NextIsSwitching());
    queue.ScanArrived();
    EXPECT_TRUE(queue.NextIsSwitching());
    queue.ScanArrived();
    EXPECT_EQ(queue.owed(), 0);
}

TEST(ScanQueue, StopCancelsEverythingAndUnaskedScansOweNothing)
{
    ScanQueue queue;
    queue.Requested();
    queue.SwitchingRequested();
    queue.Cancelled();
    EXPECT_EQ(queue.owed(), 0);
    EXPECT_TRUE(queue.NextIsSwitching());
    // A driver that does not cancel on Stop still delivers: nothing goes
    // below zero, and a failure nobody asked for leaves one request owed.
    queue.ScanArrived();
    EXPECT_EQ(queue.owed(), 0);
    queue.FailedAndAskedAgain(false);
    EXPECT_EQ(queue.owed(), 1);
}

TEST(ScanQueue, ScansAskedForBeforeASwitchAreKnownAsTheyArrive)
{
    ScanQueue queue;
    queue.Requested();
    queue.Requested();
    queue.AcquisitionSwitched();
    queue.Requested();
    // The two asked for before the switch, then the one after it.
    queue.ScanArrived();
    EXPECT_TRUE(queue.LastArrivalStraddled());
    // One of them fails: asked again after the switch, it is a new scan.
    queue.FailedAndAskedAgain(false);
    queue.ScanArrived();
    EXPECT_FALSE(queue.LastArrivalStraddled());
    queue.ScanArrived();
    EXPECT_FALSE(queue.LastArrivalStraddled());
    EXPECT_EQ(queue.owed(), 0);

    // A switch with nothing owed marks nothing; Stop forgets a marked one.
    queue.AcquisitionSwitched();
    queue.Requested();
    queue.ScanArrived();
    EXPECT_FALSE(queue.LastArrivalStraddled());
    queue.Requested();
    queue.AcquisitionSwitched();
    queue.Cancelled();
    queue.Requested();
    queue.ScanArrived();
    EXPECT_FALSE(queue.LastArrivalStraddled());
}
