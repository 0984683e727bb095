// Repainting: while XRT_REPAINT is 0 nothing is drawn; setting it to 1 lays
// the chart out and draws it once, at once.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

#include "ChartTestSupport.h"
#include "Xrt.h"

namespace {

using namespace vexlar::test;

std::uint64_t Redraws(XrtHandle chart)
{
    std::uint64_t count = 0;
    EXPECT_TRUE(XrtGetRedrawCount(chart, &count));
    return count;
}

// What the window shows on screen: its paint handlers draw what the chart
// last drew, not what it would draw now.
QImage OnScreen(QWidget& window)
{
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A chart drawn in a window on screen, with what the screen showed then and
// the chart's redraw count.
struct ChartOnScreen {
    ChartOnScreen()
    {
        window.resize(kChartWidth, kChartHeight);
        window.show();
        EXPECT_TRUE(XrtAttachWindow(chart.chart, &window));
        EXPECT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
        QApplication::processEvents();
        before = OnScreen(window);
        start = Redraws(chart.chart);
    }

    QWidget window;
    TestChart chart;
    QImage before;
    std::uint64_t start = 0;
};

TEST(XrtRepaint, NothingIsDrawnWhileOffAndOnceWhenTurnedOn)
{
    ChartOnScreen shown;

    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_REPAINT, 0));
    std::vector<double> flat(kPoints, 3000.0);
    ASSERT_TRUE(XrtDataSetYData(shown.chart.data, 0, flat.data(), kPoints, 0));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_Y_MAX, 8000.0));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_X_TITLE, "Raman Shift (cm-1)"));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_CURSOR_SHOWN, 1));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_DATA, shown.chart.data));
    shown.window.resize(kChartWidth - 100, kChartHeight - 50);
    QApplication::processEvents();
    EXPECT_EQ(Redraws(shown.chart.chart), shown.start);
    EXPECT_EQ(OnScreen(shown.window).copy(0, 0, kChartWidth - 100, kChartHeight - 50),
              shown.before.copy(0, 0, kChartWidth - 100, kChartHeight - 50))
        << "a change was drawn while repainting was off";

    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_REPAINT, 1));
    EXPECT_EQ(Redraws(shown.chart.chart), shown.start + 1);
    QApplication::processEvents();
    EXPECT_EQ(Redraws(shown.chart.chart), shown.start + 1) << "changes made while off were drawn a second time";
    EXPECT_NE(OnScreen(shown.window).copy(0, 0, kChartWidth - 100, kChartHeight - 50),
              shown.before.copy(0, 0, kChartWidth - 100, kChartHeight - 50));
}

// The program resizes the chart and reads its layout back (Autoscale, the
// cursor) with repainting off: the drawing surface takes its new size then,
// and the screen still shows what was last drawn, until repainting is on.
TEST(XrtRepaint, ResizedAndLaidOutWhileOffShowsTheLastDrawing)
{
    ChartOnScreen shown;
    const QRect smaller(0, 0, kChartWidth - 200, kChartHeight - 100);

    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_X_TITLE, "Raman Shift (cm-1)"));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_WIDTH, smaller.width()));
    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_HEIGHT, smaller.height()));
    XrtMapResult mapped;
    ASSERT_TRUE(XrtMap(shown.chart.chart, XRT_MAP_DATA_UNITS, 300, 200, &mapped));
    const auto surfaces = shown.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(surfaces.size(), 1);
    ASSERT_EQ(surfaces[0]->size(), smaller.size()) << "reading the layout back did not lay the chart out";
    QApplication::processEvents();
    EXPECT_EQ(Redraws(shown.chart.chart), shown.start);
    EXPECT_EQ(OnScreen(shown.window).copy(smaller), shown.before.copy(smaller))
        << "the chart was drawn at its new size while repainting was off";

    ASSERT_TRUE(XrtSetValues(shown.chart.chart, XRT_REPAINT, 1));
    QApplication::processEvents();
    EXPECT_EQ(Redraws(shown.chart.chart), shown.start + 1);
    EXPECT_NE(OnScreen(shown.window).copy(smaller), shown.before.copy(smaller));
}

TEST(XrtRepaint, ChangesWhileOnAreDrawnTogetherOnTheNextTurn)
{
    TestChart chart;
    const std::uint64_t start = Redraws(chart.chart);
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_POINT, 10));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_CURSOR_SHOWN, 1));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_Y_MAX, 5000.0));
    EXPECT_EQ(Redraws(chart.chart), start);
    QApplication::processEvents();
    EXPECT_EQ(Redraws(chart.chart), start + 1);

    // Each XRT_REPAINT := 1 draws, even with nothing changed (the cursor moves
    // rely on it).
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    EXPECT_EQ(Redraws(chart.chart), start + 3);
    // Reading values draws nothing.
    double value = 0;
    XrtMapResult mapped;
    XrtGetValues(chart.chart, XRT_X_MAX, &value);
    XrtMap(chart.chart, XRT_MAP_DATA_UNITS, 500, 300, &mapped);
    QApplication::processEvents();
    EXPECT_EQ(Redraws(chart.chart), start + 3);
}

TEST(XrtRepaint, ChartOutlivesItsWindow)
{
    TestChart chart;
    {
        QWidget window;
        window.resize(400, 300);
        ASSERT_TRUE(XrtAttachWindow(chart.chart, &window));
        ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    }
    // The window took the chart's drawing surface with it; the chart makes a
    // new one and goes on.
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    QApplication::processEvents();
    const QImage image = Render(chart.chart, kChartWidth, kChartHeight);
    EXPECT_FALSE(InkBox(image, image.rect(), IsRed).isEmpty());
}

TEST(XrtRepaint, ChartFillsItsWindowUntilPlacedBySizeAndOrigin)
{
    QWidget window;
    window.resize(700, 500);
    window.show();
    TestChart chart;
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtAttachWindow(chart.chart, &window));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    const auto surfaces = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(surfaces.size(), 1);
    // TestChart set an explicit size; with it the chart keeps that size.
    EXPECT_EQ(surfaces[0]->geometry(), QRect(0, 0, kChartWidth, kChartHeight));

    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 0));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_ORIGIN_X, 10));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_ORIGIN_Y, 20));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_WIDTH, 300));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_HEIGHT, 200));
    ASSERT_TRUE(XrtSetValues(chart.chart, XRT_REPAINT, 1));
    EXPECT_EQ(surfaces[0]->geometry(), QRect(10, 20, 300, 200));

    // A chart given no size fills its window and follows it.
    XrtHandle filling = XrtCreate();
    QWidget other;
    other.resize(320, 240);
    other.show();
    ASSERT_TRUE(XrtAttachWindow(filling, &other));
    int width = 0;
    ASSERT_TRUE(XrtGetValues(filling, XRT_WIDTH, &width));
    EXPECT_EQ(width, 320);
    other.resize(500, 240);
    QApplication::processEvents();
    ASSERT_TRUE(XrtGetValues(filling, XRT_WIDTH, &width));
    EXPECT_EQ(width, 500);
    EXPECT_EQ(other.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).at(0)->width(), 500);
    XrtDestroy(filling);
    EXPECT_TRUE(other.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        << "the chart's surface stays in the window after the chart is destroyed";
}

}  // namespace

// A new scan draws its line over the kept picture of the rest of the chart.
// Whatever changed before (only data, the cursor, a title, the scale), the
// screen shows what a chart drawn afresh in that state shows: no stale axes,
// no line or cursor of an earlier frame left behind.
TEST(XrtRepaint, EachFrameShowsWhatAChartDrawnAfreshShows)
{
    const std::vector<double> lower(kPoints, 1000.0);
    const std::vector<double> higher(kPoints, 3000.0);
    using Step = std::function<void(TestChart&)>;
    const auto data = [](const std::vector<double>& y) {
        return [y](TestChart& c) { EXPECT_TRUE(XrtDataSetYData(c.data, 0, y.data(), kPoints, 0)); };
    };
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        {"new data", {data(lower)}},
        {"new data twice", {data(lower), data(higher)}},
        {"cursor shown, then hidden, then new data",
         {[](TestChart& c) { XrtSetValues(c.chart, XRT_CURSOR_SHOWN, 1); },
          [](TestChart& c) { XrtSetValues(c.chart, XRT_CURSOR_SHOWN, 0); }, data(lower)}},
        {"a title, then new data",
         {[](TestChart& c) { XrtSetValues(c.chart, XRT_X_TITLE, "Raman Shift (cm-1)"); }, data(higher)}},
        {"new data, then the scale", {data(lower), [](TestChart& c) { XrtSetValues(c.chart, XRT_Y_MAX, 8000.0); }}},
    };
    for (const auto& [what, steps] : cases) {
        ChartOnScreen live;
        for (const Step& step : steps) {
            step(live.chart);
            XrtSetValues(live.chart.chart, XRT_DATA, live.chart.data);  // as the view attaches each scan
            QApplication::processEvents();
        }
        // The same state, drawn once, from nothing.
        QWidget window;
        window.resize(kChartWidth, kChartHeight);
        window.show();
        TestChart fresh;
        XrtSetValues(fresh.chart, XRT_REPAINT, 0);
        for (const Step& step : steps)
            step(fresh);
        XrtSetValues(fresh.chart, XRT_DATA, fresh.data);
        EXPECT_TRUE(XrtAttachWindow(fresh.chart, &window));
        XrtSetValues(fresh.chart, XRT_REPAINT, 1);
        QApplication::processEvents();
        EXPECT_EQ(OnScreen(live.window), OnScreen(window)) << what;
        // The axes and their labels are on the screen, left of the line.
        EXPECT_FALSE(InkBox(OnScreen(live.window), QRect(0, 0, kChartWidth / 20, kChartHeight), IsDark).isEmpty())
            << what;
    }
}
