// Annotations on the chart: the right-click menus, placing, editing, moving
// and clearing, the per-scan refresh of the hit rectangles, the fonts, and
// the annotation file beside a saved graph, worked through the view the way
// the operator works it (pointer input through the screen window).

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QCheckBox>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "Font.h"
#include "Xrt.h"
#include "app/CommandIds.h"
#include "display/AnnotationDlg.h"
#include "display/AnnotationFile.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/OperatorInput.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr char kDefaultText[] = "Type your annotation here";

// What a right-click showed.
struct MenuSeen {
    bool shown = false;
    std::string name;
    std::vector<std::string> items;
    std::vector<bool> enabled;
};

// No dialog or menu of a test ever waits for a person: one nobody expected
// fails the test and is dismissed. The hooks are emptied when the test ends.
struct HookReset {
    HookReset()
    {
        CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) {
            ADD_FAILURE() << "an annotation dialog nobody expected";
            d.reject();
        };
        CAnnotationDlg::fontChooserForTests = [](const QFont&) {
            ADD_FAILURE() << "a font chooser nobody expected";
            return std::optional<QFont>();
        };
        CVexlarView::contextMenuForTests = [](QMenu&, const QPoint&) -> QAction* {
            ADD_FAILURE() << "a context menu nobody expected";
            return nullptr;
        };
    }
    ~HookReset()
    {
        CAnnotationDlg::operatorForTests = nullptr;
        CAnnotationDlg::fontChooserForTests = nullptr;
        CVexlarView::contextMenuForTests = nullptr;
    }
};

// Everything a failed load must leave alone, slot by slot.
struct SlotState {
    int inUse;
    std::string text;
    std::vector<int> rect;
    double anchorX, anchorY;
    sys::FontHandle font;
    int shown;
    std::vector<std::string> lines;
    double areaX, areaY;

    bool operator==(const SlotState&) const = default;
};

std::vector<SlotState> Snapshot(const CVexlarView& v)
{
    std::vector<SlotState> all;
    for (const AnnotationRecord& a : v.annotations) {
        SlotState s{a.inUse, a.text, {a.screenRect, a.screenRect + 4}, a.anchorX, a.anchorY, a.font, 0, {}, 0, 0};
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_SHOWN, &s.shown);
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_LINES, &s.lines);
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_X, &s.areaX);
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_Y, &s.areaY);
        all.push_back(std::move(s));
    }
    return all;
}

// Where the chart draws a text area now, as (left, top, right, bottom).
std::vector<int> DrawnRect(const AnnotationRecord& a)
{
    int left = 0, top = 0, width = 0, height = 0;
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_LEFT, &left);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_TOP, &top);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_WIDTH, &width);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_HEIGHT, &height);
    return {left, top, left + width, top + height};
}

std::vector<int> Rect(const AnnotationRecord& a)
{
    return {a.screenRect, a.screenRect + 4};
}

sys::LogFont Description(sys::FontHandle font)
{
    sys::LogFont d;
    EXPECT_TRUE(sys::GetFontDescription(font, &d));
    return d;
}

std::int32_t I32At(const std::string& b, std::size_t at)
{
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = u << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(u);
}

double DoubleAt(const std::string& b, std::size_t at)
{
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = u << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return std::bit_cast<double>(u);
}

// Right-clicks and pointer input through the screen window holding the view;
// `toWindow` maps view pixels to that window's pixels.
class Pointer {
public:
    Pointer(QWidget* view, QWidget* topLevel) : view_(view), top_(topLevel) {}

    // Right-clicks at view pixel p and picks the item with the command id
    // (0: dismisses the menu).
    MenuSeen RightClick(QPoint p, int choose = 0)
    {
        MenuSeen seen;
        auto previous = CVexlarView::contextMenuForTests;
        CVexlarView::contextMenuForTests = [&seen, choose](QMenu& menu, const QPoint&) -> QAction* {
            seen.shown = true;
            seen.name = menu.objectName().toStdString();
            QAction* chosen = nullptr;
            for (QAction* a : menu.actions()) {
                seen.items.push_back(a->text().toStdString());
                seen.enabled.push_back(a->isEnabled());
                if (a->data().toInt() == choose)
                    chosen = a;
            }
            return chosen;
        };
        QTest::mousePress(window(), Qt::RightButton, Qt::NoModifier, ToWindow(p));
        QTest::mouseRelease(window(), Qt::RightButton, Qt::NoModifier, ToWindow(p));
        CVexlarView::contextMenuForTests = previous;
        return seen;
    }
    void Move(QPoint p) { QTest::mouseMove(window(), ToWindow(p)); }
    void LeftClick(QPoint p)
    {
        QTest::mousePress(window(), Qt::LeftButton, Qt::NoModifier, ToWindow(p));
        QTest::mouseRelease(window(), Qt::LeftButton, Qt::NoModifier, ToWindow(p));
    }

private:
    QWindow* window() const { return top_->windowHandle(); }
    QPoint ToWindow(QPoint p) const { return view_->mapTo(top_, p); }

    QWidget* view_;
    QWidget* top_;
};

class AnnotationView : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        pointer = std::make_unique<Pointer>(view.get(), window.get());
    }

    CVexlarView& v() { return *view; }

    // The plot rectangle spanned by the shown ranges, in view pixels.
    QRect PlotRect() const
    {
        double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        XrtGetValues(view->chart(), XRT_X_MIN, &xMin);
        XrtGetValues(view->chart(), XRT_X_MAX, &xMax);
        XrtGetValues(view->chart(), XRT_Y_MIN, &yMin);
        XrtGetValues(view->chart(), XRT_Y_MAX, &yMax);
        const QPoint a = PixelOf(xMin, yMin), b = PixelOf(xMax, yMax);
        return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                     QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    }

    QPoint PixelOf(double x, double y) const
    {
        XrtPoint p;
        EXPECT_TRUE(XrtUnmap(view->chart(), XRT_MAP_DATA_UNITS, x, y, &p));
        return {p.x, p.y};
    }

    // A point inside the plot: fx, fy from its left and top, 0 to 1.
    QPoint At(double fx, double fy) const
    {
        const QRect r = PlotRect();
        return {r.left() + static_cast<int>(fx * r.width()), r.top() + static_cast<int>(fy * r.height())};
    }

    // Right-click at p, Annotate Here, type text (none: confirm what is
    // shown). Returns the menu seen.
    MenuSeen Annotate(QPoint p, std::optional<QString> text = std::nullopt)
    {
        auto previous = CAnnotationDlg::operatorForTests;
        CAnnotationDlg::operatorForTests = [text](CAnnotationDlg& d) {
            if (text)
                d.textEdit()->setText(*text);
            d.accept();
        };
        const MenuSeen seen = pointer->RightClick(p, ID_ANNOTATE_HERE);
        CAnnotationDlg::operatorForTests = previous;
        return seen;
    }

    // The hit point inside a slot's rectangle.
    static QPoint Inside(const AnnotationRecord& a) { return {a.screenRect[0] + 2, a.screenRect[1] + 2}; }

    HookReset hooks;
    std::unique_ptr<Pointer> pointer;
    TempDir dir;
};

}  // namespace

TEST_F(AnnotationView, RightClicksOpenAMenuOnlyInsideThePlotRectangle)
{
    const QRect plot = PlotRect();
    ASSERT_GT(plot.width(), 500);
    ASSERT_GT(plot.left(), 20) << "the chart has margins";

    // Over the margins, the axes and their labels: no menu, nothing noted.
    v().contextPoint[0] = 7;
    v().contextPoint[1] = 8;
    v().currentAnnotation = 3;
    for (QPoint p : {QPoint(plot.left() - 1, plot.center().y()), QPoint(plot.right() + 1, plot.center().y()),
                     QPoint(plot.center().x(), plot.top() - 1), QPoint(plot.center().x(), plot.bottom() + 1),
                     QPoint(5, 5), QPoint(plot.left() - 30, plot.bottom() + 30)}) {
        EXPECT_FALSE(pointer->RightClick(p).shown) << p.x() << "," << p.y();
        EXPECT_EQ(v().currentAnnotation, -1);
    }
    EXPECT_EQ(v().contextPoint[0], 7);
    EXPECT_EQ(v().contextPoint[1], 8);

    // The edges belong to the plot; the blank-area menu, with the point kept
    // in view pixels.
    for (QPoint p : {plot.topLeft(), plot.bottomRight(), plot.center()}) {
        const MenuSeen seen = pointer->RightClick(p);
        ASSERT_TRUE(seen.shown) << p.x() << "," << p.y();
        EXPECT_EQ(seen.name, "blank_area_popup");
        EXPECT_EQ(seen.items, (std::vector<std::string>{"&Annotate Here", "Mark Peak at &Cursor"}));
        EXPECT_EQ(v().contextPoint[0], p.x());
        EXPECT_EQ(v().contextPoint[1], p.y());
    }

    // The rectangle is the one the shown ranges span, whichever way round
    // the operator set them.
    double xMin = 0, xMax = 0;
    XrtGetValues(v().chart(), XRT_X_MIN, &xMin);
    XrtGetValues(v().chart(), XRT_X_MAX, &xMax);
    XrtSetValues(v().chart(), XRT_X_MIN, xMax);
    XrtSetValues(v().chart(), XRT_X_MAX, xMin);
    EXPECT_TRUE(pointer->RightClick(plot.center()).shown);
    EXPECT_FALSE(pointer->RightClick(QPoint(plot.left() - 1, plot.center().y())).shown);
}

TEST_F(AnnotationView, AnnotateHerePlacesTheTextAtTheClickedPoint)
{
    const QPoint p = At(0.5, 0.5);
    // Cancel places nothing.
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) { d.reject(); };
    pointer->RightClick(p, ID_ANNOTATE_HERE);
    EXPECT_EQ(v().annotations[0].inUse, 0);

    // The dialog opens on the default text, all of it selected; confirmed
    // without typing, that text is the annotation.
    QString shown, selected, caption;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        shown = d.textEdit()->text();
        selected = d.textEdit()->selectedText();
        caption = d.windowTitle();
        d.accept();
    };
    const MenuSeen seen = pointer->RightClick(p, ID_ANNOTATE_HERE);
    EXPECT_EQ(seen.name, "blank_area_popup");
    EXPECT_EQ(shown, kDefaultText);
    EXPECT_EQ(selected, kDefaultText);
    EXPECT_EQ(caption, "Dialog");

    const AnnotationRecord& a = v().annotations[0];
    ASSERT_EQ(a.inUse, 1);
    EXPECT_STREQ(a.text, kDefaultText);
    XrtMapResult expected;
    ASSERT_TRUE(XrtMap(v().chart(), XRT_MAP_DATA_UNITS, p.x(), p.y(), &expected));
    EXPECT_EQ(a.anchorX, expected.x);
    EXPECT_EQ(a.anchorY, expected.y);
    double areaX = 0, areaY = 0;
    int shownFlag = 0;
    std::vector<std::string> lines;
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_X, &areaX);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_Y, &areaY);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_SHOWN, &shownFlag);
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_LINES, &lines);
    EXPECT_EQ(areaX, expected.x);
    EXPECT_EQ(areaY, expected.y);
    EXPECT_EQ(shownFlag, 1);
    EXPECT_EQ(lines, std::vector<std::string>{kDefaultText});
    // The text sits with its corner on the point; its rectangle is current.
    EXPECT_EQ(a.pixelPosition[0], p.x());
    EXPECT_EQ(a.pixelPosition[1], p.y());
    EXPECT_EQ(Rect(a), DrawnRect(a));
    EXPECT_GT(a.screenRect[2] - a.screenRect[0], 50);
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(a.textArea, &drawnWith));
    EXPECT_EQ(drawnWith, Description(a.font));
    EXPECT_EQ(drawnWith.faceName, "Arial");
    EXPECT_EQ(drawnWith.height, 16);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, OverlappingAnnotationsAreHitInSlotOrderAndClearFreesTheSlot)
{
    const QPoint p = At(0.4, 0.4);
    Annotate(p, QString("first"));
    // Placed on a blank spot up and left, its text runs over the first.
    Annotate(p - QPoint(10, 5), QString("second"));
    ASSERT_EQ(v().annotations[1].inUse, 1);
    const QPoint overlap = p + QPoint(2, 2);

    MenuSeen seen = pointer->RightClick(overlap);
    EXPECT_EQ(seen.name, "annotation_popup");
    EXPECT_EQ(seen.items, (std::vector<std::string>{"&Edit...", "&Move", "&Clear"}));
    EXPECT_EQ(v().currentAnnotation, 0) << "the lowest slot wins";

    // Clear hides the first; the second is hit there now.
    const sys::FontHandle font = v().annotations[0].font;
    const std::vector<int> rect = Rect(v().annotations[0]);
    pointer->RightClick(overlap, ID_ANNOTATION_CLEAR);
    EXPECT_EQ(v().annotations[0].inUse, 0);
    int shown = 1;
    XrtTextAreaGetValues(v().annotations[0].textArea, XRT_TEXT_SHOWN, &shown);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(v().annotations[0].font, font) << "the slot keeps its font";
    EXPECT_EQ(Rect(v().annotations[0]), rect) << "and its rectangle";
    pointer->RightClick(overlap);
    EXPECT_EQ(v().currentAnnotation, 1);

    // A new annotation takes the lowest free slot again.
    Annotate(At(0.8, 0.8), QString("third"));
    EXPECT_STREQ(v().annotations[0].text, "third");
    // Just outside a rectangle (right and bottom edges excluded) is blank.
    const AnnotationRecord& third = v().annotations[0];
    EXPECT_EQ(pointer->RightClick(QPoint(third.screenRect[2], third.screenRect[1] + 1)).name, "blank_area_popup");
    EXPECT_EQ(pointer->RightClick(QPoint(third.screenRect[0], third.screenRect[3])).name, "blank_area_popup");
    EXPECT_EQ(pointer->RightClick(QPoint(third.screenRect[2] - 1, third.screenRect[3] - 1)).name, "annotation_popup");
}

TEST_F(AnnotationView, TheHundredAndFirstAnnotationIsRefused)
{
    int dialogs = 0;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        ++dialogs;
        d.accept();
    };
    v().contextPoint[0] = At(0.1, 0.1).x();
    v().contextPoint[1] = At(0.1, 0.1).y();
    for (int k = 0; k < kAnnotationSlots; ++k)
        v().OnAnnotateHere();
    EXPECT_EQ(dialogs, 100);
    EXPECT_TRUE(messages.messages().empty());
    const std::vector<SlotState> before = Snapshot(v());

    pointer->RightClick(At(0.7, 0.7), ID_ANNOTATE_HERE);
    EXPECT_EQ(dialogs, 100) << "no dialog";
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Unable to add annotation!\n\nThere is a limit of 100 annotations");
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(Snapshot(v()), before);
}

TEST_F(AnnotationView, EditChangesTheTextAndFontButNotTheAnchorAndLongTextIsCut)
{
    Annotate(At(0.3, 0.6), QString("caf\u00e9 \u00b5m"));
    const AnnotationRecord& a = v().annotations[0];
    EXPECT_STREQ(a.text, "caf\xE9 \xB5m") << "one byte each, as the file holds them";
    const double x = a.anchorX, y = a.anchorY;

    // Edit shows the stored text; Cancel changes nothing.
    QString shown;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        shown = d.textEdit()->text();
        d.textEdit()->setText("ignored");
        d.reject();
    };
    pointer->RightClick(Inside(a), ID_ANNOTATION_EDIT);
    EXPECT_EQ(shown, QString("caf\u00e9 \u00b5m"));
    EXPECT_STREQ(a.text, "caf\xE9 \xB5m");

    // The field takes no more than the slot holds: 99 characters.
    const QString longText = QString(98, 'a') + QString("\u00e9xyz");
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        d.textEdit()->setText(longText);
        d.accept();
    };
    const std::vector<int> before = Rect(a);
    pointer->RightClick(Inside(a), ID_ANNOTATION_EDIT);
    EXPECT_EQ(std::string(a.text), std::string(98, 'a') + "\xE9");
    EXPECT_EQ(a.anchorX, x);
    EXPECT_EQ(a.anchorY, y);
    EXPECT_NE(Rect(a), before) << "the rectangle follows the longer text";
    EXPECT_EQ(Rect(a), DrawnRect(a));
    std::vector<std::string> lines;
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_LINES, &lines);
    EXPECT_EQ(lines, std::vector<std::string>{std::string(98, 'a') + "\u00e9"});

    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        d.textEdit()->setText(QString(150, 'b'));
        d.accept();
    };
    pointer->RightClick(Inside(a), ID_ANNOTATION_EDIT);
    EXPECT_EQ(std::string(a.text), std::string(99, 'b'));
}

TEST_F(AnnotationView, MoveFollowsThePointerAndDropsOnTheNextLeftPress)
{
    Annotate(At(0.5, 0.5), QString("moving"));
    Annotate(At(0.2, 0.8), QString("still"));
    const AnnotationRecord& a = v().annotations[0];
    const AnnotationRecord& other = v().annotations[1];
    const std::vector<int> otherRect = Rect(other);

    // Left presses with no move pending do nothing.
    pointer->LeftClick(At(0.7, 0.3));
    pointer->Move(At(0.6, 0.2));
    EXPECT_EQ(a.pixelPosition[0], At(0.5, 0.5).x());

    pointer->RightClick(Inside(a), ID_ANNOTATION_MOVE);
    EXPECT_EQ(v().annotationMoving, 1);
    for (QPoint p : {At(0.3, 0.3), At(0.6, 0.25), At(0.9, 0.1)}) {
        pointer->Move(p);
        EXPECT_EQ(a.pixelPosition[0], p.x());
        EXPECT_EQ(a.pixelPosition[1], p.y());
        XrtMapResult m;
        XrtMap(v().chart(), XRT_MAP_DATA_UNITS, p.x(), p.y(), &m);
        EXPECT_EQ(a.anchorX, m.x);
        EXPECT_EQ(a.anchorY, m.y);
        double areaX = 0;
        XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_X, &areaX);
        EXPECT_EQ(areaX, m.x);
        EXPECT_EQ(Rect(a), DrawnRect(a));
    }
    const QPoint drop = At(0.65, 0.45);
    pointer->LeftClick(drop);
    EXPECT_EQ(v().annotationMoving, 0);
    EXPECT_EQ(a.pixelPosition[0], drop.x());
    EXPECT_EQ(a.pixelPosition[1], drop.y());

    // Dropped: the pointer and further presses leave it there.
    pointer->Move(At(0.1, 0.1));
    pointer->LeftClick(At(0.2, 0.2));
    EXPECT_EQ(a.pixelPosition[0], drop.x());
    EXPECT_EQ(a.pixelPosition[1], drop.y());
    EXPECT_EQ(Rect(other), otherRect);
    // It is hit where it now is.
    pointer->RightClick(drop + QPoint(3, 3));
    EXPECT_EQ(v().currentAnnotation, 0);

    // With no current annotation (the keyboard's menu key on a blank spot)
    // a pending move has nothing to move.
    v().annotationMoving = 1;
    v().currentAnnotation = -1;
    pointer->Move(At(0.3, 0.3));
    pointer->LeftClick(At(0.3, 0.3));
    EXPECT_EQ(a.pixelPosition[0], drop.x());
    EXPECT_EQ(Rect(other), otherRect);
    EXPECT_EQ(v().annotationMoving, 0);
}

TEST_F(AnnotationView, AfterAScaleChangeOrResizeRightClicksTestTheOldRectanglesUntilAScan)
{
    // Lower quarter of the full scale: the Autoscale below moves it up.
    const QPoint p = At(0.5, 0.75);
    Annotate(p, QString("band"));
    const AnnotationRecord& a = v().annotations[0];
    const std::vector<int> placed = Rect(a);

    for (int i = 0; i < kPixels; ++i)
        v().spectrum[i] = i;
    v().scanning = 0;  // acquisition stopped
    v().OnAutoscale();
    EXPECT_EQ(v().annotationRefresh, 1);
    const std::vector<int> drawn = DrawnRect(a);
    ASSERT_LT(drawn[1], placed[1] - 50) << "the text moved with the scale";
    EXPECT_EQ(Rect(a), placed);
    EXPECT_EQ(pointer->RightClick(Inside(a)).name, "annotation_popup");
    EXPECT_EQ(pointer->RightClick(QPoint(drawn[0] + 2, drawn[1] + 2)).name, "blank_area_popup");

    // A scan that arrives while stopped is dropped and refreshes nothing.
    Scan(0, 100.0f);
    EXPECT_EQ(Rect(a), placed);
    // The next handled scan re-reads the rectangles.
    v().scanning = 1;
    Scan(0, 100.0f);
    EXPECT_EQ(v().annotationRefresh, 0);
    EXPECT_EQ(Rect(a), drawn);
    EXPECT_EQ(pointer->RightClick(QPoint(drawn[0] + 2, drawn[1] + 2)).name, "annotation_popup");

    // The same after a resize.
    v().scanning = 0;
    view->resize(700, 420);
    EXPECT_EQ(v().annotationRefresh, 1);
    const std::vector<int> resized = DrawnRect(a);
    ASSERT_NE(resized, drawn);
    EXPECT_EQ(Rect(a), drawn);
    v().scanning = 1;
    Scan(0, 100.0f);
    EXPECT_EQ(Rect(a), resized);
}

TEST_F(AnnotationView, AFontPickedStaysWithTheSlotEvenWhenTheDialogIsCancelled)
{
    QFont offered;
    int chooserRuns = 0;
    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(20);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);  // the chooser offers no effects: not kept
    std::optional<QFont> answer = chosen;
    CAnnotationDlg::fontChooserForTests = [&](const QFont& current) {
        offered = current;
        ++chooserRuns;
        return answer;
    };
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.reject();
    };
    const sys::FontHandle original = v().annotations[0].font;
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_EQ(chooserRuns, 1);
    EXPECT_EQ(offered.family(), "Arial") << "the chooser starts from the slot's font";
    EXPECT_NEAR(offered.pointSizeF(), 16 * 72.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 0.01);
    const AnnotationRecord& a = v().annotations[0];
    EXPECT_EQ(a.inUse, 0);
    EXPECT_NE(a.font, original);
    sys::LogFont released;
    EXPECT_FALSE(sys::GetFontDescription(original, &released)) << "the replaced font is released";
    sys::LogFont picked = Description(a.font);
    EXPECT_EQ(picked.faceName, "DejaVu Serif");
    EXPECT_EQ(picked.height, -std::lround(20 * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72.0));
    EXPECT_EQ(picked.weight, 700);
    EXPECT_EQ(picked.italic, 1);
    EXPECT_EQ(picked.underline, 0);
    EXPECT_EQ(picked.strikeOut, 0);

    // The next annotation placed in the slot uses it.
    Annotate(At(0.5, 0.5), QString("serif"));
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(a.textArea, &drawnWith));
    EXPECT_EQ(drawnWith, picked);

    // Clear does not reset it; the chooser cancelled keeps it too.
    pointer->RightClick(Inside(a), ID_ANNOTATION_CLEAR);
    EXPECT_EQ(Description(a.font), picked);
    answer.reset();
    const sys::FontHandle kept = a.font;
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.reject();
    };
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_EQ(chooserRuns, 2);
    EXPECT_EQ(a.font, kept);
    EXPECT_EQ(offered.family(), "DejaVu Serif");
}

TEST_F(AnnotationView, TheSystemFontChooserOffersNoEffects)
{
    // The real chooser, answered by a timer inside its own event loop.
    CAnnotationDlg::fontChooserForTests = nullptr;
    bool sawChooser = false, effectsShown = true;
    QFont startedFrom;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        QTimer::singleShot(0, &d, [&] {
            auto* chooser = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            sawChooser = true;
            startedFrom = chooser->currentFont();
            effectsShown = false;
            for (QCheckBox* box : chooser->findChildren<QCheckBox*>())
                effectsShown = effectsShown || box->isVisible();
            QFont pick = chooser->currentFont();
            pick.setPointSize(18);
            chooser->setCurrentFont(pick);
            chooser->accept();
        });
        // Should the chooser never open, nothing is left waiting.
        QTimer::singleShot(5000, &d, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        d.fontButton()->click();
        d.reject();
    };
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_TRUE(sawChooser);
    EXPECT_FALSE(effectsShown);
    EXPECT_NEAR(startedFrom.pointSizeF(), 16 * 72.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 0.5);
    const sys::LogFont picked = Description(v().annotations[0].font);
    EXPECT_EQ(picked.height, -std::lround(18 * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72.0));
    EXPECT_EQ(picked.underline, 0);
    EXPECT_EQ(picked.strikeOut, 0);
}

TEST_F(AnnotationView, TheFileHoldsTheAnnotationsInUseFieldByField)
{
    Annotate(At(0.2, 0.3), QString("alpha"));
    Annotate(At(0.5, 0.5), QString("beta"));
    Annotate(At(0.7, 0.2), QString("gamma"));
    pointer->RightClick(Inside(v().annotations[1]), ID_ANNOTATION_CLEAR);

    const std::string path = dir.file("run1.ram");
    ASSERT_TRUE(v().SaveAnnotations(path.c_str()));
    const std::string b = ReadWholeFile(path + ".anno");
    ASSERT_EQ(b.size(), 4u + 2 * 200u);
    EXPECT_EQ(I32At(b, 0), 2);
    const AnnotationRecord* written[] = {&v().annotations[0], &v().annotations[2]};
    const char* texts[] = {"alpha", "gamma"};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::size_t r = 4 + 200 * k;
        const AnnotationRecord& a = *written[k];
        const std::size_t length = std::strlen(texts[k]) + 1;  // with its terminator
        EXPECT_EQ(std::string(b.data() + r, length), std::string(texts[k], length));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(I32At(b, r + 100 + 4 * static_cast<std::size_t>(i)), a.screenRect[i]);
        EXPECT_EQ(I32At(b, r + 116), a.pixelPosition[0]);
        EXPECT_EQ(I32At(b, r + 120), a.pixelPosition[1]);
        EXPECT_EQ(DoubleAt(b, r + 124), a.anchorX);
        EXPECT_EQ(DoubleAt(b, r + 132), a.anchorY);
        // Arial, height 16, everything else 0.
        EXPECT_EQ(I32At(b, r + 140), 16);
        for (std::size_t off = 144; off < 168; ++off)
            EXPECT_EQ(b[r + off], 0) << "font byte " << off - 140;
        EXPECT_EQ(std::string(b.data() + r + 168, 6), std::string("Arial\0", 6));
    }
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, SavedAnnotationsLoadBackInPlaceOfTheCurrentOnes)
{
    QFont chosen("DejaVu Sans Mono");
    chosen.setPointSizeF(14);
    CAnnotationDlg::fontChooserForTests = [&](const QFont&) { return std::optional<QFont>(chosen); };
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.textEdit()->setText("mono");
        d.accept();
    };
    pointer->RightClick(At(0.3, 0.3), ID_ANNOTATE_HERE);
    Annotate(At(0.6, 0.6), QString("plain"));
    const std::vector<SlotState> saved = Snapshot(v());
    const sys::LogFont monoFont = Description(v().annotations[0].font);
    const std::string path = dir.file("pair.ram");
    ASSERT_TRUE(v().SaveAnnotations(path.c_str()));

    // Something else on the chart, then the graph's annotations again.
    v().ClearAllAnnotations();
    Annotate(At(0.8, 0.8), QString("other"));
    Annotate(At(0.1, 0.9), QString("another"));
    Annotate(At(0.9, 0.1), QString("third"));
    ASSERT_TRUE(v().LoadAnnotations(path.c_str()));
    const std::vector<SlotState> loaded = Snapshot(v());
    for (int k = 0; k < 2; ++k) {
        SlotState expected = saved[static_cast<std::size_t>(k)];
        expected.font = loaded[static_cast<std::size_t>(k)].font;  // a new font, made from the file
        EXPECT_EQ(loaded[static_cast<std::size_t>(k)], expected) << "slot " << k;
        EXPECT_EQ(Rect(v().annotations[k]), DrawnRect(v().annotations[k]));
    }
    EXPECT_EQ(Description(v().annotations[0].font), monoFont);
    EXPECT_EQ(v().annotations[2].inUse, 0);
    int shown = 1;
    XrtTextAreaGetValues(v().annotations[2].textArea, XRT_TEXT_SHOWN, &shown);
    EXPECT_EQ(shown, 0);
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(v().annotations[0].textArea, &drawnWith));
    EXPECT_EQ(drawnWith, monoFont);
    int repaint = 0;
    XrtGetValues(v().chart(), XRT_REPAINT, &repaint);
    EXPECT_EQ(repaint, 1);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, AnAnnotationSavedInWavelengthModeKeepsItsNumberInRamanMode)
{
    ASSERT_EQ(v().xAxisMode, 0);
    Annotate(At(0.5, 0.4), QString("here"));
    const double x = v().annotations[0].anchorX, y = v().annotations[0].anchorY;
    const std::string path = dir.file("nm.ram");
    ASSERT_TRUE(v().SaveAnnotations(path.c_str()));

    v().SetXAxisMode(1);
    ASSERT_TRUE(v().LoadAnnotations(path.c_str()));
    const AnnotationRecord& a = v().annotations[0];
    EXPECT_EQ(a.anchorX, x);
    EXPECT_EQ(a.anchorY, y);
    double areaX = 0;
    XrtTextAreaGetValues(a.textArea, XRT_TEXT_ANCHOR_X, &areaX);
    EXPECT_EQ(areaX, x);
    // Drawn at that Raman shift, and hit there.
    const QPoint at = PixelOf(x, y);
    EXPECT_EQ(a.pixelPosition[0], at.x());
    EXPECT_EQ(a.pixelPosition[1], at.y());
    EXPECT_NE(at.x(), At(0.5, 0.4).x());
    pointer->RightClick(at + QPoint(2, 2));
    EXPECT_EQ(v().currentAnnotation, 0);
}

TEST_F(AnnotationView, NoAnnotationsWriteNoFileAndNoFileKeepsTheCurrentOnes)
{
    const std::string path = dir.file("bare.ram");
    EXPECT_TRUE(v().SaveAnnotations(path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path + ".anno"));
    // An annotation file already there stays as it is.
    ASSERT_TRUE(WriteWholeFile(path + ".anno", "earlier"));
    Annotate(At(0.5, 0.5), QString("gone"));
    pointer->RightClick(Inside(v().annotations[0]), ID_ANNOTATION_CLEAR);
    EXPECT_TRUE(v().SaveAnnotations(path.c_str()));
    EXPECT_EQ(ReadWholeFile(path + ".anno"), "earlier");

    // Opening a graph saved without annotations keeps those on the chart.
    Annotate(At(0.4, 0.4), QString("mine"));
    const std::vector<SlotState> before = Snapshot(v());
    EXPECT_TRUE(v().LoadAnnotations(dir.file("other.ram").c_str()));
    EXPECT_EQ(Snapshot(v()), before);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, ABrokenAnnotationFileIsRefusedAndTheChartStaysAsItWas)
{
    display::AnnotationFileRecord good;
    good.text = "from file";
    good.anchorX = 700.0;
    good.anchorY = 1000.0;
    good.font.height = 16;
    good.font.faceName = "Arial";
    const std::vector<std::uint8_t> valid = display::EncodeAnnotationFile({good, good});
    auto bytes = [](std::vector<std::uint8_t> b) { return std::string(b.begin(), b.end()); };
    auto withI32 = [&](std::size_t at, std::int32_t value) {
        auto b = valid;
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
        return bytes(b);
    };
    struct Case {
        const char* name;
        std::string contents;
        const char* reason;
    };
    std::string noEnd = bytes(valid);
    std::memset(noEnd.data() + 204, 'x', 100);
    std::string noFaceEnd = bytes(valid);
    std::memset(noFaceEnd.data() + 4 + 168, 'F', 32);
    std::string nanAnchor = bytes(valid);
    const auto nanBits = std::bit_cast<std::uint64_t>(std::nan(""));
    for (int i = 0; i < 8; ++i)
        nanAnchor[4 + 124 + static_cast<std::size_t>(i)] = static_cast<char>(nanBits >> (8 * i));
    const std::vector<Case> cases = {
        {"negative count", withI32(0, -3), "negative"},
        {"count above 100", withI32(0, 101), "101"},
        {"shorter than its count", bytes(valid).substr(0, 4 + 200 + 150), "354 bytes"},
        {"text without end", noEnd, "annotation 2 of 2"},
        {"unusable font", withI32(4 + 140 + 16, 99999), "weight"},
        {"font name without end", noFaceEnd, "font name"},
        {"anchor not a number", nanAnchor, "anchor"},
        {"too short for a count", std::string("\x01", 1), "too short"},
    };

    Annotate(At(0.5, 0.5), QString("kept"));
    Annotate(At(0.2, 0.2), QString("also kept"));
    pointer->RightClick(Inside(v().annotations[1]));  // a current annotation
    const int current = v().currentAnnotation;
    const std::vector<SlotState> before = Snapshot(v());
    const std::string path = dir.file("broken.ram");
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteWholeFile(path + ".anno", c.contents));
        messages.clear();
        EXPECT_FALSE(v().LoadAnnotations(path.c_str())) << c.name;
        ASSERT_EQ(messages.messages().size(), 1u) << c.name;
        const std::string& text = messages.messages()[0].text;
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        EXPECT_NE(text.find(path + ".anno"), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(Snapshot(v()), before) << c.name;
        EXPECT_EQ(v().currentAnnotation, current);
    }

    // A name that cannot be read as a file at all.
    std::filesystem::remove(path + ".anno");
    std::filesystem::create_directory(path + ".anno");
    messages.clear();
    EXPECT_FALSE(v().LoadAnnotations(path.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find(path + ".anno"), std::string::npos);
    EXPECT_EQ(Snapshot(v()), before);

    // The file itself is still good for what it holds.
    ASSERT_TRUE(WriteWholeFile(dir.file("good.ram.anno"), bytes(valid)));
    messages.clear();
    EXPECT_TRUE(v().LoadAnnotations(dir.file("good.ram").c_str()));
    EXPECT_STREQ(v().annotations[1].text, "from file");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, AnAnnotationFileThatCannotBeWrittenIsReported)
{
    Annotate(At(0.5, 0.5), QString("lost?"));
    const std::string path = dir.file("no such folder/run.ram");
    EXPECT_FALSE(v().SaveAnnotations(path.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find(path + ".anno"), std::string::npos);
    EXPECT_NE(messages.messages()[0].text.find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_EQ(v().annotations[0].inUse, 1) << "the annotation stays on the chart";
}

TEST_F(AnnotationView, MarkPeakAtCursorFromTheBlankAreaMenu)
{
    const MenuSeen hidden = pointer->RightClick(At(0.5, 0.5), ID_MARK_PEAK_AT_CURSOR);
    ASSERT_EQ(hidden.enabled.size(), 2u);
    EXPECT_EQ(v().peaks[0].inUse, 0) << "the cursor is hidden";
    v().OnCursor();
    pointer->RightClick(At(0.5, 0.5), ID_MARK_PEAK_AT_CURSOR);
    EXPECT_EQ(v().peaks[0].inUse, 1);
    EXPECT_EQ(v().peaks[0].pixel, v().CursorPoint());
}

TEST_F(AnnotationView, TheDialogSelectsItsTextWheneverTheBoxGainsTheFocus)
{
    sys::FontHandle font = sys::CreateFont(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    {
        CAnnotationDlg d(font, window.get());
        d.text = "hello";
        int result = -1;
        CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& dlg) {
            dlg.show();
            dlg.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
            EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.textEdit()->hasFocus(); }, 2000));
            QApplication::processEvents();
            EXPECT_EQ(dlg.textEdit()->selectedText(), "hello");
            dlg.fontButton()->setFocus();
            dlg.textEdit()->deselect();
            dlg.textEdit()->setFocus();
            QApplication::processEvents();
            EXPECT_EQ(dlg.textEdit()->selectedText(), "hello");
            // What the dialog says.
            QStringList labels;
            for (QLabel* l : dlg.findChildren<QLabel*>())
                labels << l->text();
            EXPECT_TRUE(labels.contains("Annotation"));
            EXPECT_TRUE(labels.contains("Default font is 12 point Arial"));
            EXPECT_EQ(dlg.fontButton()->text(), "&Font");
            QTest::keyClicks(dlg.textEdit(), "typed");
            dlg.accept();
        };
        result = d.Run();
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(d.text, "typed");
    }
    sys::DeleteFont(font);
}

TEST_F(AnnotationView, TheChartShowsTheAnnotationsReadably)
{
    Annotate(At(0.15, 0.2), QString("Cyclohexane 801 cm-1"));
    Annotate(At(0.55, 0.6), QString("Neon reference line"));
    const QSize size = view->size();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        ASSERT_TRUE(XrtDrawToDC(v().chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0,
                                size.width(), size.height()));
    }
    if (const char* png = std::getenv("VEXLAR_ANNOTATION_PNG"))
        image.save(png);
    // Dark text inside each annotation's rectangle, nothing dark just beside.
    for (int k = 0; k < 2; ++k) {
        const AnnotationRecord& a = v().annotations[k];
        int dark = 0, darkBeside = 0;
        for (int y = a.screenRect[1]; y < a.screenRect[3]; ++y) {
            for (int x = a.screenRect[0]; x < a.screenRect[2]; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
            for (int x = a.screenRect[2] + 3; x < a.screenRect[2] + 40; ++x)
                darkBeside += qGray(image.pixel(x, y)) < 128;
        }
        EXPECT_GT(dark, 60) << "slot " << k;
        EXPECT_EQ(darkBeside, 0) << "slot " << k;
    }
}

// --- Through the main frame -----------------------------------------------------------------

namespace {

class AnnotationFrame : public FrameFixture {
protected:
    void Place(int x, int y)
    {
        view()->contextPoint[0] = x;
        view()->contextPoint[1] = y;
        view()->OnAnnotateHere();
    }
    HookReset hooks;
};

}  // namespace

TEST_F(AnnotationFrame, ClearAllAndFileNewClearEveryAnnotation)
{
    Start();
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) { d.accept(); };
    for (int id : {ID_CLEAR_ALL_ANNOTATIONS, ID_FILE_NEW}) {
        Place(300, 200);
        Place(400, 300);
        view()->currentAnnotation = 1;
        view()->annotationMoving = 1;
        QAction* command = frame->action(id);
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->isEnabled()) << id;
        command->trigger();
        for (const AnnotationRecord& a : view()->annotations) {
            EXPECT_EQ(a.inUse, 0) << id;
            int shown = 1;
            XrtTextAreaGetValues(a.textArea, XRT_TEXT_SHOWN, &shown);
            EXPECT_EQ(shown, 0);
        }
        EXPECT_EQ(view()->currentAnnotation, 1) << "left as it was";
        EXPECT_EQ(view()->annotationMoving, 1);
        view()->annotationMoving = 0;
    }
    EXPECT_EQ(frame->action(ID_CLEAR_ALL_ANNOTATIONS)->text(), "&Clear All Annotations");
}

TEST_F(AnnotationFrame, TheChartMenusShowTheirPromptsInTheStatusBar)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    CAnnotationDlg::operatorForTests = [](CAnnotationDlg& d) { d.accept(); };
    Place(400, 250);
    const AnnotationRecord& a = view()->annotations[0];
    // Every item of a menu hovered in turn: its text and the status bar's.
    std::map<std::string, std::string> prompts;
    CVexlarView::contextMenuForTests = [&](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* item : menu.actions()) {
            item->hover();
            prompts[item->text().toStdString()] = frame->statusBar()->currentMessage().toStdString();
        }
        return nullptr;
    };
    const auto rightClick = [&](QPoint inView) {
        const QPoint at = view()->mapTo(frame.get(), inView);
        QTest::mousePress(frame->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
        QTest::mouseRelease(frame->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    };
    rightClick(QPoint(a.screenRect[0] + 2, a.screenRect[1] + 2));
    EXPECT_EQ(view()->currentAnnotation, 0);
    EXPECT_EQ(prompts, (std::map<std::string, std::string>{
                           {"&Edit...", ""}, {"&Move", "Move the current annotation"}, {"&Clear", ""}}));
    EXPECT_EQ(frame->statusBar()->currentMessage(), "") << "the prompt goes with the menu";

    prompts.clear();
    rightClick(QPoint(250, 350));
    EXPECT_EQ(view()->currentAnnotation, -1);
    EXPECT_EQ(prompts, (std::map<std::string, std::string>{
                           {"&Annotate Here", ""},
                           {"Mark Peak at &Cursor", "Marks a peak at the current cursor location"}}));
    EXPECT_EQ(frame->statusBar()->currentMessage(), "");
}

namespace {

// Right-clicks at a view pixel through the main window and picks the
// context-menu command.
void RightClickAndChoose(CMainFrame& frame, CVexlarView& view, QPoint inView, int command)
{
    CVexlarView::contextMenuForTests = [command](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* item : menu.actions()) {
            if (item->data().toInt() == command)
                return item;
        }
        ADD_FAILURE() << "no command " << command << " in " << menu.objectName().toStdString();
        return nullptr;
    };
    const QPoint at = view.mapTo(&frame, inView);
    QTest::mousePress(frame.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(frame.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
}

// The operator clicks OK.
void ClickOk(QDialog& dialog)
{
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    DeliverPendingEvents();
}

}  // namespace

TEST_F(AnnotationFrame, TheDialogRefusesACharacterTheFileCannotHoldAndStaysOpen)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    int refusedWhileOpen = 0;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        ASSERT_TRUE(Activate(d));
        ASSERT_TRUE(d.textEdit()->hasFocus());
        TypeKeys(QString("\u03B1-pinene, 25\u00B0C"));  // over the selected default text
        ClickOk(d);
        refusedWhileOpen += d.isVisible() && d.result() != QDialog::Accepted;
        EXPECT_EQ(d.textEdit()->selectedText(), QString("\u03B1")) << "the character is pointed out";
        // The operator writes the name out instead.
        PressKey(Qt::Key_Home);
        PressKey(Qt::Key_Delete);
        TypeKeys("alpha");
        ClickOk(d);
    };
    RightClickAndChoose(*frame, *view(), QPoint(300, 250), ID_ANNOTATE_HERE);
    EXPECT_EQ(refusedWhileOpen, 1);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(messages.messages()[0].text,
              "The character \"\u03B1\" (U+03B1) cannot be kept in an annotation.\n"
              "Annotations hold Western European (Windows-1252) characters only.");

    // The annotation holds the corrected text, one byte per character.
    TempDir dir;
    FileOperator files;
    files.Choose(dir.file("pinene.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    const std::string anno = ReadWholeFile(dir.file("pinene.ram.anno"));
    ASSERT_EQ(anno.size(), 204u);
    EXPECT_EQ(anno.substr(4, 19), std::string("alpha-pinene, 25\xB0" "C\0", 19));
}

TEST_F(AnnotationFrame, AGraphWrittenElsewhereKeepsItsAnnotationBytesWhenSavedAgain)
{
    Start();
    ASSERT_TRUE(Activate(*frame));
    TempDir dir;
    FileOperator files;
    // A graph, and beside it annotations as another program writes them:
    // Windows-1252 text, and leftovers after the terminators of the text
    // and the font's name.
    files.Choose(dir.file("elsewhere.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    display::AnnotationFileRecord record;
    record.anchorX = 700.0;
    record.anchorY = 2000.0;
    record.font.height = -16;
    record.font.weight = 400;
    record.font.faceName = "Arial";
    std::vector<std::uint8_t> written = display::EncodeAnnotationFile({record});
    const std::string text = "25\xB0" "C \x80 \x96 \x93peak\x94 \x81\x8D\x8F\x90\x9D";
    for (std::size_t i = 0; i < 100; ++i)
        written[4 + i] = static_cast<std::uint8_t>(0xC0 + i % 50);
    std::memcpy(&written[4], text.c_str(), text.size() + 1);
    for (std::size_t i = 6; i < 32; ++i)
        written[4 + 168 + i] = static_cast<std::uint8_t>(0x11 * (i % 15));
    ASSERT_TRUE(WriteWholeFile(dir.file("elsewhere.ram.anno"), std::string(written.begin(), written.end())));

    files.Choose(dir.file("elsewhere.ram"));
    frame->action(ID_FILE_OPEN)->trigger();
    files.Choose(dir.file("again.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    const std::string again = ReadWholeFile(dir.file("again.ram.anno"));
    ASSERT_EQ(again.size(), 204u);
    const std::string before(written.begin(), written.end());
    EXPECT_EQ(again.substr(4, 100), before.substr(4, 100)) << "the text field";
    EXPECT_EQ(again.substr(4 + 168, 32), before.substr(4 + 168, 32)) << "the font name's field";
    EXPECT_TRUE(messages.messages().empty());

    // The operator reads the text as it was written.
    QString shown;
    CAnnotationDlg::operatorForTests = [&](CAnnotationDlg& d) {
        shown = d.textEdit()->text();
        d.reject();
    };
    const QPoint inside(I32At(again, 4 + 100) + 2, I32At(again, 4 + 104) + 2);
    RightClickAndChoose(*frame, *view(), inside, ID_ANNOTATION_EDIT);
    EXPECT_EQ(shown, QString("25\u00B0C \u20AC \u2013 \u201Cpeak\u201D \u0081\u008D\u008F\u0090\u009D"));
}
