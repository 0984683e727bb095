// CChart2D: creating the chart window and its chart, destroying both, and
// the pointer and context-menu input that falls through the chart to the
// view.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

#include "Xrt.h"
#include "display/Chart2D.h"

namespace {

constexpr unsigned kChildVisible = CChart2D::kStyleChild | CChart2D::kStyleVisible;

// Stands in for the view: records the input that reaches it.
class RecordingView : public QWidget {
public:
    std::vector<QPoint> moves;
    std::vector<QPoint> leftPresses;
    std::vector<QPoint> contextMenus;

protected:
    void mouseMoveEvent(QMouseEvent* event) override { moves.push_back(event->position().toPoint()); }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            leftPresses.push_back(event->position().toPoint());
    }
    void contextMenuEvent(QContextMenuEvent* event) override { contextMenus.push_back(event->pos()); }
};

TEST(Chart2D, CreateMakesTheWindowAndItsChart)
{
    RecordingView view;
    view.resize(800, 500);
    auto window = std::make_unique<CChart2D>();
    EXPECT_EQ(window->chart(), 0u);
    ASSERT_TRUE(window->Create("", kChildVisible, QRect(0, 0, 800, 500), &view, 0));
    EXPECT_STREQ(window->metaObject()->className(), "CChart2D");
    EXPECT_EQ(window->parentWidget(), &view);
    EXPECT_EQ(window->geometry(), QRect(0, 0, 800, 500));
    const XrtHandle chart = window->chart();
    ASSERT_NE(chart, 0u);

    // The chart draws inside the window and fills it.
    view.show();
    int width = 0, height = 0;
    ASSERT_TRUE(XrtGetValues(chart, XRT_WIDTH, &width));
    ASSERT_TRUE(XrtGetValues(chart, XRT_HEIGHT, &height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 500);
    const auto surfaces = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(surfaces.size(), 1);
    EXPECT_TRUE(surfaces[0]->isVisible());

    // Created once only.
    EXPECT_FALSE(window->Create("again", kChildVisible, QRect(0, 0, 10, 10), &view, 1));
    EXPECT_EQ(window->chart(), chart);

    // Destroying the window destroys its chart.
    window.reset();
    EXPECT_TRUE(view.findChildren<CChart2D*>().isEmpty());
    EXPECT_FALSE(XrtGetValues(chart, XRT_WIDTH, &width));
}

TEST(Chart2D, CreateWithoutAParentFailsAndAnInvisibleStyleHides)
{
    CChart2D orphan;
    EXPECT_FALSE(orphan.Create("", kChildVisible, QRect(0, 0, 100, 100), nullptr, 0));
    EXPECT_EQ(orphan.chart(), 0u);

    QWidget view;
    view.show();
    CChart2D* hidden = new CChart2D;  // owned by the view once created
    ASSERT_TRUE(hidden->Create("chart", CChart2D::kStyleChild, QRect(5, 6, 70, 80), &view, 7));
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_EQ(hidden->objectName(), QStringLiteral("chart"));
    EXPECT_EQ(hidden->id(), 7u);
    const XrtHandle chart = hidden->chart();
    // The view destroys its child windows, and with them their charts.
    delete hidden;
    int value = 0;
    EXPECT_FALSE(XrtGetValues(chart, XRT_REPAINT, &value));
}

TEST(Chart2D, PointerAndContextMenuInputReachesTheView)
{
    RecordingView view;
    view.resize(600, 400);
    auto* window = new CChart2D;
    ASSERT_TRUE(window->Create("", kChildVisible, QRect(0, 0, 600, 400), &view, 0));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(XrtSetValues(window->chart(), XRT_REPAINT, 1));
    QWindow* screenWindow = view.windowHandle();
    ASSERT_NE(screenWindow, nullptr);

    // Input goes to the screen window and is delivered to whatever widget is
    // under the pointer: the chart lets it fall through to the view.
    QTest::mouseMove(screenWindow, QPoint(250, 150));
    QTest::mousePress(screenWindow, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QTest::mouseRelease(screenWindow, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    QTest::mouseMove(screenWindow, QPoint(123, 45));
    QTest::mousePress(screenWindow, Qt::RightButton, Qt::NoModifier, QPoint(410, 220));
    QTest::mouseRelease(screenWindow, Qt::RightButton, Qt::NoModifier, QPoint(410, 220));
    QApplication::processEvents();

    ASSERT_FALSE(view.moves.empty());
    EXPECT_NE(std::find(view.moves.begin(), view.moves.end(), QPoint(250, 150)), view.moves.end());
    EXPECT_NE(std::find(view.moves.begin(), view.moves.end(), QPoint(123, 45)), view.moves.end());
    ASSERT_EQ(view.leftPresses.size(), 1u);
    EXPECT_EQ(view.leftPresses[0], QPoint(300, 200));
    ASSERT_EQ(view.contextMenus.size(), 1u);
    EXPECT_EQ(view.contextMenus[0], QPoint(410, 220));
    EXPECT_EQ(view.childAt(410, 220), window) << "the chart itself takes no input";

    // In a chart window placed elsewhere in its parent, positions arrive in
    // the parent's coordinates.
    window->setGeometry(50, 40, 500, 300);
    QTest::mousePress(screenWindow, Qt::LeftButton, Qt::NoModifier, QPoint(70, 60));
    QTest::mouseRelease(screenWindow, Qt::LeftButton, Qt::NoModifier, QPoint(70, 60));
    ASSERT_EQ(view.leftPresses.size(), 2u);
    EXPECT_EQ(view.leftPresses[1], QPoint(70, 60));
}

}  // namespace
