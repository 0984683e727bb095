// Where a right-click lands: the plot rectangle and the annotations' hit
// rectangles, as plain numbers.

#include <gtest/gtest.h>

#include <array>

#include "display/AnnotationHitTest.h"

using namespace vexlar::display;

namespace {

struct Slot {
    int inUse = 0;
    int screenRect[4] = {};
};

}  // namespace

TEST(AnnotationHitTest, ThePlotRectangleHoldsItsEdges)
{
    const PixelRect plot{60, 20, 940, 540};
    EXPECT_TRUE(PlotHolds(plot, 60, 20));
    EXPECT_TRUE(PlotHolds(plot, 940, 540));
    EXPECT_TRUE(PlotHolds(plot, 500, 300));
    EXPECT_FALSE(PlotHolds(plot, 59, 300));
    EXPECT_FALSE(PlotHolds(plot, 941, 300));
    EXPECT_FALSE(PlotHolds(plot, 500, 19));
    EXPECT_FALSE(PlotHolds(plot, 500, 541));
}

TEST(AnnotationHitTest, AnAnnotationHoldsItsLeftAndTopEdgesButNotItsRightAndBottom)
{
    const int rect[4] = {100, 50, 180, 66};
    EXPECT_TRUE(AnnotationHolds(rect, 100, 50));
    EXPECT_TRUE(AnnotationHolds(rect, 179, 65));
    EXPECT_FALSE(AnnotationHolds(rect, 180, 51));
    EXPECT_FALSE(AnnotationHolds(rect, 100, 66));
    EXPECT_FALSE(AnnotationHolds(rect, 99, 50));
    EXPECT_FALSE(AnnotationHolds(rect, 100, 49));
    const int empty[4] = {100, 50, 100, 50};
    EXPECT_FALSE(AnnotationHolds(empty, 100, 50)) << "a rectangle of no size holds nothing";
}

TEST(AnnotationHitTest, TheLowestSlotInUseIsHitAndFreeSlotsNever)
{
    std::array<Slot, 4> slots{};
    EXPECT_EQ(HitAnnotation(slots, 0, 0), -1) << "no slot in use";

    // Slot 0 is free but keeps its rectangle; slots 1 and 3 overlap at (120, 60).
    slots[0] = {0, {100, 50, 200, 70}};
    slots[1] = {1, {110, 55, 150, 70}};
    slots[3] = {1, {90, 40, 130, 65}};
    EXPECT_EQ(HitAnnotation(slots, 120, 60), 1) << "the lowest slot in use wins";
    EXPECT_EQ(HitAnnotation(slots, 95, 45), 3);
    EXPECT_EQ(HitAnnotation(slots, 160, 60), -1) << "only the free slot's rectangle is there";
    slots[1].inUse = 0;
    EXPECT_EQ(HitAnnotation(slots, 120, 60), 3);
}
