// Annotations on the chart: the right-click menus, placing, editing, moving
// and clearing, the per-scan refresh of the hit rectangles, the fonts, and
// the annotation file beside a saved graph, worked through the view the way
// the operator works it (pointer input through the screen window).

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
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
#include <functional>
#include <map>
#include <optional>

#include "Font.h"
#include "ModalDialog.h"
#include "Xrt.h"
#include "commands/CommandIds.h"
#include "display/AnnotationDlg.h"
#include "display/AnnotationFile.h"
#include "support/ChartReadout.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/OperatorInput.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"

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

// The operators of the annotation dialog and of the font chooser it opens,
// as each test sets them. The font chooser's operator is given the font the
// chooser opened on and returns the font picked, or nothing for Cancel; the
// real chooser runs when it is empty.
std::function<void(CAnnotationDlg&)> annotationOperator;
std::function<std::optional<QFont>(const QFont& current)> fontChooser;

// No dialog or menu of a test ever waits for a person: one nobody expected
// fails the test and is dismissed. The operators are emptied when the test
// ends.
struct HookReset {
    HookReset()
        : dialogs([](QDialog& dialog) {
              if (auto* annotation = dynamic_cast<CAnnotationDlg*>(&dialog)) {
                  if (!annotationOperator)
                      return false;
                  annotationOperator(*annotation);
                  return true;
              }
              auto* chooser = dynamic_cast<QFontDialog*>(&dialog);
              if (!chooser || !fontChooser)
                  return false;
              const std::optional<QFont> picked = fontChooser(chooser->currentFont());
              if (picked) {
                  chooser->setCurrentFont(*picked);
                  chooser->accept();
              } else {
                  chooser->reject();
              }
              return true;
          })
    {
        annotationOperator = [](CAnnotationDlg& d) {
            ADD_FAILURE() << "an annotation dialog nobody expected";
            d.reject();
        };
        fontChooser = [](const QFont&) {
            ADD_FAILURE() << "a font chooser nobody expected";
            return std::optional<QFont>();
        };
        AnnotationBoard::contextMenuForTests = [](QMenu&, const QPoint&) -> QAction* {
            ADD_FAILURE() << "a context menu nobody expected";
            return nullptr;
        };
    }
    ~HookReset()
    {
        annotationOperator = nullptr;
        fontChooser = nullptr;
        AnnotationBoard::contextMenuForTests = nullptr;
    }

    sys::ModalStandIn dialogs;
};

// Where the chart draws a text area, as (left, top, right, bottom).
std::vector<int> RectOf(const TextSeen& area)
{
    return {area.left, area.top, area.left + area.width, area.top + area.height};
}

// The font the chart draws a text area with.
sys::FontHandle FontOf(const TextSeen& area)
{
    XrtHandle font = 0;
    XrtTextAreaGetValues(area.handle, XRT_TEXT_FONT, &font);
    return font;
}

// The current annotation's text, as the Edit command given from the keyboard
// shows it (and is cancelled); nullopt when there is none.
std::optional<std::string> CurrentAnnotationText(CVexlarView& view)
{
    std::optional<std::string> text;
    auto previous = annotationOperator;
    annotationOperator = [&text](CAnnotationDlg& d) {
        text = d.textEdit()->text().toStdString();
        d.reject();
    };
    view.annotations().OnAnnotationEdit();
    annotationOperator = previous;
    return text;
}

// Everything a failed load must leave alone, slot by slot, as the chart
// holds it.
struct SlotState {
    bool shown;
    std::vector<std::string> lines;
    std::vector<int> rect;
    double anchorX, anchorY;
    sys::FontHandle font;

    bool operator==(const SlotState&) const = default;
};

std::vector<SlotState> Snapshot(XrtHandle chart)
{
    std::vector<SlotState> all;
    for (const TextSeen& a : AnnotationAreas(chart))
        all.push_back({a.shown, a.lines, RectOf(a), a.anchorX, a.anchorY, FontOf(a)});
    return all;
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
    Pointer(QWidget* view, QWidget* topLevel) : view_(view), top_(topLevel) { }

    // Right-clicks at view pixel p and picks the item with the command id
    // (0: dismisses the menu).
    MenuSeen RightClick(QPoint p, int choose = 0)
    {
        MenuSeen seen;
        auto previous = AnnotationBoard::contextMenuForTests;
        AnnotationBoard::contextMenuForTests = [&seen, choose](QMenu& menu, const QPoint&) -> QAction* {
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
        AnnotationBoard::contextMenuForTests = previous;
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

    // Slot k's text area: the chart makes one per slot, in slot order.
    TextSeen Slot(int k) const { return AnnotationAreas(chart()).at(static_cast<std::size_t>(k)); }

    // The text of the annotation whose menu a right-click at p opens, read
    // in its Edit dialog (cancelled); empty over a blank area.
    std::string AnnotationAt(QPoint p)
    {
        std::string text;
        auto previous = annotationOperator;
        annotationOperator = [&text](CAnnotationDlg& d) {
            text = d.textEdit()->text().toStdString();
            d.reject();
        };
        pointer->RightClick(p, ID_ANNOTATION_EDIT);
        annotationOperator = previous;
        return text;
    }

    // Whether right-clicks find an annotation exactly in rectangle r: just
    // inside its corners, and not on its right and bottom edges (where
    // those lie inside the plot).
    bool HitRectangleIs(const std::vector<int>& r)
    {
        const QRect plot = PlotRect();
        const int right = std::min(r[2], plot.right() + 1);
        const int bottom = std::min(r[3], plot.bottom() + 1);
        bool hit = pointer->RightClick(QPoint(r[0], r[1])).name == "annotation_popup" &&
                   pointer->RightClick(QPoint(right - 1, bottom - 1)).name == "annotation_popup";
        if (r[2] <= plot.right())
            hit = hit && pointer->RightClick(QPoint(r[2], r[1] + 1)).name == "blank_area_popup";
        if (r[3] <= plot.bottom())
            hit = hit && pointer->RightClick(QPoint(r[0], r[3])).name == "blank_area_popup";
        return hit;
    }

    std::optional<std::string> CurrentText() { return CurrentAnnotationText(v()); }

    // The text of slot 0 as the annotation file holds it.
    std::string TextInFile()
    {
        const std::string path = dir.file("text.ram");
        EXPECT_TRUE(v().annotations().SaveAnnotations(path.c_str()));
        const std::string b = ReadWholeFile(path + ".anno");
        return b.size() < 104 ? std::string() : std::string(b.data() + 4);
    }

    // Annotate Here, as the keyboard gives it: placed at the point of the
    // last right-click in the plot. Returns where the chart anchors it.
    std::pair<double, double> AnnotateAtLastPoint(int slot)
    {
        auto previous = annotationOperator;
        annotationOperator = [](CAnnotationDlg& d) { d.accept(); };
        v().annotations().OnAnnotateHere();
        annotationOperator = previous;
        return {Slot(slot).anchorX, Slot(slot).anchorY};
    }

    std::pair<double, double> DataAt(QPoint p) const
    {
        XrtMapResult m;
        EXPECT_TRUE(XrtMap(chart(), XRT_MAP_DATA_UNITS, p.x(), p.y(), &m));
        return {m.x, m.y};
    }

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
        auto previous = annotationOperator;
        annotationOperator = [text](CAnnotationDlg& d) {
            if (text)
                d.textEdit()->setText(*text);
            d.accept();
        };
        const MenuSeen seen = pointer->RightClick(p, ID_ANNOTATE_HERE);
        annotationOperator = previous;
        return seen;
    }

    // The hit point inside a slot's rectangle.
    static QPoint Inside(const TextSeen& a) { return {a.left + 2, a.top + 2}; }

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

    // Over the margins, the axes and their labels: no menu, nothing noted,
    // and no annotation current any more.
    Annotate(At(0.3, 0.3), QString("noted"));
    const QPoint noted = Inside(Slot(0));
    for (QPoint p : {QPoint(plot.left() - 1, plot.center().y()), QPoint(plot.right() + 1, plot.center().y()),
                     QPoint(plot.center().x(), plot.top() - 1), QPoint(plot.center().x(), plot.bottom() + 1),
                     QPoint(5, 5), QPoint(plot.left() - 30, plot.bottom() + 30)}) {
        ASSERT_EQ(pointer->RightClick(noted).name, "annotation_popup");
        EXPECT_FALSE(pointer->RightClick(p).shown) << p.x() << "," << p.y();
        EXPECT_FALSE(CurrentText()) << p.x() << "," << p.y();
    }
    EXPECT_TRUE(AnnotateAtLastPoint(1) == DataAt(noted)) << "the point of the last right-click in the plot";
    v().annotations().ClearAllAnnotations();

    // The edges belong to the plot; the blank-area menu, with the point kept
    // in view pixels.
    for (QPoint p : {plot.topLeft(), plot.bottomRight(), plot.center()}) {
        const MenuSeen seen = pointer->RightClick(p);
        ASSERT_TRUE(seen.shown) << p.x() << "," << p.y();
        EXPECT_EQ(seen.name, "blank_area_popup");
        EXPECT_EQ(seen.items, (std::vector<std::string>{"&Annotate Here", "Mark Peak at &Cursor"}));
        EXPECT_TRUE(AnnotateAtLastPoint(0) == DataAt(p)) << p.x() << "," << p.y();
        v().annotations().ClearAllAnnotations();
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
    annotationOperator = [](CAnnotationDlg& d) { d.reject(); };
    pointer->RightClick(p, ID_ANNOTATE_HERE);
    EXPECT_FALSE(Slot(0).shown);

    // The dialog opens on the default text, all of it selected; confirmed
    // without typing, that text is the annotation.
    QString shown, selected, caption;
    annotationOperator = [&](CAnnotationDlg& d) {
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

    const TextSeen a = Slot(0);
    ASSERT_TRUE(a.shown);
    const auto [expectedX, expectedY] = DataAt(p);
    EXPECT_EQ(a.anchorX, expectedX);
    EXPECT_EQ(a.anchorY, expectedY);
    EXPECT_EQ(a.lines, std::vector<std::string>{kDefaultText});
    // The text sits with its corner on the point; its rectangle is current.
    EXPECT_EQ(a.left, p.x());
    EXPECT_EQ(a.top, p.y());
    EXPECT_TRUE(HitRectangleIs(RectOf(a)));
    EXPECT_GT(a.width, 50);
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(a.handle, &drawnWith));
    EXPECT_EQ(drawnWith, Description(FontOf(a)));
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
    ASSERT_TRUE(Slot(1).shown);
    const QPoint overlap = p + QPoint(2, 2);

    MenuSeen seen = pointer->RightClick(overlap);
    EXPECT_EQ(seen.name, "annotation_popup");
    EXPECT_EQ(seen.items, (std::vector<std::string>{"&Edit...", "&Move", "&Clear"}));
    EXPECT_EQ(AnnotationAt(overlap), "first") << "the lowest slot wins";

    // Clear hides the first; the second is hit there now.
    const sys::FontHandle font = FontOf(Slot(0));
    const std::vector<int> rect = RectOf(Slot(0));
    pointer->RightClick(overlap, ID_ANNOTATION_CLEAR);
    EXPECT_FALSE(Slot(0).shown);
    EXPECT_EQ(FontOf(Slot(0)), font) << "the slot keeps its font";
    EXPECT_EQ(RectOf(Slot(0)), rect) << "and its rectangle";
    EXPECT_EQ(AnnotationAt(overlap), "second");

    // A new annotation takes the lowest free slot again.
    Annotate(At(0.8, 0.8), QString("third"));
    EXPECT_EQ(Slot(0).text(), "third");
    // Just outside a rectangle (right and bottom edges excluded) is blank.
    EXPECT_TRUE(HitRectangleIs(RectOf(Slot(0))));
}

TEST_F(AnnotationView, TheHundredAndFirstAnnotationIsRefused)
{
    int dialogs = 0;
    annotationOperator = [&](CAnnotationDlg& d) {
        ++dialogs;
        d.accept();
    };
    // Right-clicked once at a blank spot, then Annotate Here a hundred times.
    pointer->RightClick(At(0.1, 0.1));
    for (int k = 0; k < kAnnotationSlots; ++k)
        v().annotations().OnAnnotateHere();
    EXPECT_EQ(dialogs, 100);
    EXPECT_TRUE(messages.messages().empty());
    const std::vector<SlotState> before = Snapshot(chart());

    pointer->RightClick(At(0.7, 0.7), ID_ANNOTATE_HERE);
    EXPECT_EQ(dialogs, 100) << "no dialog";
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Unable to add annotation!\n\nThere is a limit of 100 annotations");
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(Snapshot(chart()), before);
}

TEST_F(AnnotationView, EditChangesTheTextAndFontButNotTheAnchorAndLongTextIsCut)
{
    Annotate(At(0.3, 0.6), QString("caf\u00e9 \u00b5m"));
    EXPECT_EQ(TextInFile(), "caf\xE9 \xB5m") << "one byte each, as the file holds them";
    const double x = Slot(0).anchorX, y = Slot(0).anchorY;

    // Edit shows the stored text; Cancel changes nothing.
    QString shown;
    annotationOperator = [&](CAnnotationDlg& d) {
        shown = d.textEdit()->text();
        d.textEdit()->setText("ignored");
        d.reject();
    };
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_EDIT);
    EXPECT_EQ(shown, QString("caf\u00e9 \u00b5m"));
    EXPECT_EQ(TextInFile(), "caf\xE9 \xB5m");

    // The field takes no more than the slot holds: 99 characters.
    const QString longText = QString(98, 'a') + QString("\u00e9xyz");
    annotationOperator = [&](CAnnotationDlg& d) {
        d.textEdit()->setText(longText);
        d.accept();
    };
    const std::vector<int> before = RectOf(Slot(0));
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_EDIT);
    EXPECT_EQ(TextInFile(), std::string(98, 'a') + "\xE9");
    EXPECT_EQ(Slot(0).anchorX, x);
    EXPECT_EQ(Slot(0).anchorY, y);
    EXPECT_NE(RectOf(Slot(0)), before) << "the rectangle follows the longer text";
    EXPECT_TRUE(HitRectangleIs(RectOf(Slot(0))));
    EXPECT_EQ(Slot(0).lines, std::vector<std::string>{std::string(98, 'a') + "\u00e9"});

    annotationOperator = [&](CAnnotationDlg& d) {
        d.textEdit()->setText(QString(150, 'b'));
        d.accept();
    };
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_EDIT);
    EXPECT_EQ(TextInFile(), std::string(99, 'b'));
}

TEST_F(AnnotationView, MoveFollowsThePointerAndDropsOnTheNextLeftPress)
{
    Annotate(At(0.5, 0.5), QString("moving"));
    Annotate(At(0.2, 0.8), QString("still"));
    const std::vector<int> otherRect = RectOf(Slot(1));

    // Left presses with no move pending do nothing.
    pointer->LeftClick(At(0.7, 0.3));
    pointer->Move(At(0.6, 0.2));
    EXPECT_EQ(Slot(0).left, At(0.5, 0.5).x());

    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_MOVE);
    for (QPoint p : {At(0.3, 0.3), At(0.6, 0.25), At(0.9, 0.1)}) {
        pointer->Move(p);
        const TextSeen a = Slot(0);
        EXPECT_EQ(a.left, p.x());
        EXPECT_EQ(a.top, p.y());
        const auto [mx, my] = DataAt(p);
        EXPECT_EQ(a.anchorX, mx);
        EXPECT_EQ(a.anchorY, my);
    }
    const QPoint drop = At(0.65, 0.45);
    pointer->LeftClick(drop);
    EXPECT_EQ(Slot(0).left, drop.x());
    EXPECT_EQ(Slot(0).top, drop.y());

    // Dropped: the pointer and further presses leave it there.
    pointer->Move(At(0.1, 0.1));
    pointer->LeftClick(At(0.2, 0.2));
    EXPECT_EQ(Slot(0).left, drop.x());
    EXPECT_EQ(Slot(0).top, drop.y());
    EXPECT_EQ(RectOf(Slot(1)), otherRect);
    // It is hit where it now is, its rectangle where it is drawn.
    EXPECT_EQ(AnnotationAt(drop + QPoint(3, 3)), "moving");
    EXPECT_TRUE(HitRectangleIs(RectOf(Slot(0))));

    // With no current annotation (a right-click on a blank spot after Move)
    // a pending move has nothing to move.
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_MOVE);
    v().annotations().ContextMenuAt(view->mapToGlobal(At(0.3, 0.3)));
    ASSERT_FALSE(CurrentText());
    pointer->Move(At(0.3, 0.3));
    pointer->LeftClick(At(0.3, 0.3));
    EXPECT_EQ(Slot(0).left, drop.x());
    EXPECT_EQ(RectOf(Slot(1)), otherRect);
    // The press ended the move: with an annotation current again, the
    // pointer moves nothing.
    pointer->RightClick(Inside(Slot(0)));
    pointer->Move(At(0.4, 0.7));
    EXPECT_EQ(Slot(0).left, drop.x());
}

TEST_F(AnnotationView, AfterAScaleChangeOrResizeRightClicksTestTheOldRectanglesUntilAScan)
{
    // Lower quarter of the full scale: the Autoscale below moves it up.
    const QPoint p = At(0.5, 0.75);
    Annotate(p, QString("band"));
    const std::vector<int> placed = RectOf(Slot(0));

    std::vector<float> ramp(kPixels);
    for (int i = 0; i < kPixels; ++i)
        ramp[i] = static_cast<float>(i);
    ScanPixels(0, ramp);
    v().OnBarParam(BAR_ADDITIVE);  // acquisition stopped
    v().OnAutoscale();
    const std::vector<int> drawn = RectOf(Slot(0));
    ASSERT_LT(drawn[1], placed[1] - 50) << "the text moved with the scale";
    EXPECT_TRUE(HitRectangleIs(placed)) << "hit where it was";
    EXPECT_EQ(pointer->RightClick(QPoint(drawn[0] + 2, drawn[1] + 2)).name, "blank_area_popup");

    // A scan that arrives while stopped is dropped and refreshes nothing.
    Scan(0, 100.0f);
    EXPECT_TRUE(HitRectangleIs(placed));
    // The next handled scan re-reads the rectangles (and the chart is laid
    // out for it once more).
    v().OnBarParam(BAR_CONTINUOUS);
    EXPECT_TRUE(ScanRefreshesAnnotations(100.0f));
    EXPECT_FALSE(ScanRefreshesAnnotations(100.0f));
    EXPECT_TRUE(HitRectangleIs(drawn));

    // The same after a resize.
    v().OnBarParam(BAR_ADDITIVE);
    view->resize(700, 420);
    const std::vector<int> resized = RectOf(Slot(0));
    ASSERT_NE(resized, drawn);
    EXPECT_TRUE(HitRectangleIs(drawn));
    v().OnBarParam(BAR_CONTINUOUS);
    EXPECT_TRUE(ScanRefreshesAnnotations(100.0f));
    EXPECT_TRUE(HitRectangleIs(resized));
}

TEST_F(AnnotationView, AFontPickedStaysWithTheSlotEvenWhenTheDialogIsCancelled)
{
    QFont offered;
    int chooserRuns = 0;
    QFont chosen("Liberation Serif");
    chosen.setPointSize(20);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);  // the chooser offers no effects: not kept
    std::optional<QFont> answer = chosen;
    fontChooser = [&](const QFont& current) {
        offered = current;
        ++chooserRuns;
        return answer;
    };
    annotationOperator = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.reject();
    };
    // The slot's first font, as an annotation placed and cleared shows it.
    Annotate(At(0.5, 0.5), QString("first"));
    const sys::FontHandle original = FontOf(Slot(0));
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_CLEAR);
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_EQ(chooserRuns, 1);
    // Arial as the chooser finds it among this machine's fonts.
    EXPECT_EQ(offered.family(), QFontDialog(QFont("Arial")).currentFont().family())
        << "the chooser starts from the slot's font";
    EXPECT_NEAR(offered.pointSizeF(), 16 * 72.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 0.5);
    EXPECT_FALSE(Slot(0).shown);
    sys::LogFont released;
    EXPECT_FALSE(sys::GetFontDescription(original, &released)) << "the replaced font is released";

    // The next annotation placed in the slot uses it.
    Annotate(At(0.5, 0.5), QString("serif"));
    EXPECT_NE(FontOf(Slot(0)), original);
    sys::LogFont picked = Description(FontOf(Slot(0)));
    EXPECT_EQ(picked.faceName, "Liberation Serif");
    EXPECT_EQ(picked.height, -std::lround(20 * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72.0));
    EXPECT_EQ(picked.weight, 700);
    EXPECT_EQ(picked.italic, 1);
    EXPECT_EQ(picked.underline, 0);
    EXPECT_EQ(picked.strikeOut, 0);
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(Slot(0).handle, &drawnWith));
    EXPECT_EQ(drawnWith, picked);

    // Clear does not reset it; the chooser cancelled keeps it too.
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_CLEAR);
    EXPECT_EQ(Description(FontOf(Slot(0))), picked);
    answer.reset();
    const sys::FontHandle kept = FontOf(Slot(0));
    annotationOperator = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.reject();
    };
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_EQ(chooserRuns, 2);
    EXPECT_EQ(FontOf(Slot(0)), kept);
    EXPECT_EQ(offered.family(), "Liberation Serif");
}

TEST_F(AnnotationView, TheSystemFontChooserOffersNoEffects)
{
    // The real chooser, answered by a timer inside its own event loop.
    fontChooser = nullptr;
    bool sawChooser = false, effectsShown = true;
    QFont startedFrom;
    annotationOperator = [&](CAnnotationDlg& d) {
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
    // The slot's font, as the next annotation placed there is drawn.
    annotationOperator = [](CAnnotationDlg& d) { d.accept(); };
    pointer->RightClick(At(0.5, 0.5), ID_ANNOTATE_HERE);
    EXPECT_NEAR(startedFrom.pointSizeF(), 16 * 72.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 0.5);
    const sys::LogFont picked = Description(FontOf(Slot(0)));
    EXPECT_EQ(picked.height, -std::lround(18 * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72.0));
    EXPECT_EQ(picked.underline, 0);
    EXPECT_EQ(picked.strikeOut, 0);
}

TEST_F(AnnotationView, TheFileHoldsTheAnnotationsInUseFieldByField)
{
    Annotate(At(0.2, 0.3), QString("alpha"));
    Annotate(At(0.5, 0.5), QString("beta"));
    Annotate(At(0.7, 0.2), QString("gamma"));
    pointer->RightClick(Inside(Slot(1)), ID_ANNOTATION_CLEAR);

    const std::string path = dir.file("run1.ram");
    ASSERT_TRUE(v().annotations().SaveAnnotations(path.c_str()));
    const std::string b = ReadWholeFile(path + ".anno");
    ASSERT_EQ(b.size(), 4u + 2 * 200u);
    EXPECT_EQ(I32At(b, 0), 2);
    const TextSeen written[] = {Slot(0), Slot(2)};
    const char* texts[] = {"alpha", "gamma"};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::size_t r = 4 + 200 * k;
        const TextSeen& a = written[k];
        const std::vector<int> rect = RectOf(a);
        const std::size_t length = std::strlen(texts[k]) + 1;  // with its terminator
        EXPECT_EQ(std::string(b.data() + r, length), std::string(texts[k], length));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(I32At(b, r + 100 + 4 * static_cast<std::size_t>(i)), rect[static_cast<std::size_t>(i)]);
        EXPECT_EQ(I32At(b, r + 116), a.left);
        EXPECT_EQ(I32At(b, r + 120), a.top);
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
    fontChooser = [&](const QFont&) { return std::optional<QFont>(chosen); };
    annotationOperator = [](CAnnotationDlg& d) {
        d.fontButton()->click();
        d.textEdit()->setText("mono");
        d.accept();
    };
    pointer->RightClick(At(0.3, 0.3), ID_ANNOTATE_HERE);
    Annotate(At(0.6, 0.6), QString("plain"));
    const std::vector<SlotState> saved = Snapshot(chart());
    const sys::LogFont monoFont = Description(FontOf(Slot(0)));
    const std::string path = dir.file("pair.ram");
    ASSERT_TRUE(v().annotations().SaveAnnotations(path.c_str()));

    // Something else on the chart, then the graph's annotations again.
    v().annotations().ClearAllAnnotations();
    Annotate(At(0.8, 0.8), QString("other"));
    Annotate(At(0.1, 0.9), QString("another"));
    Annotate(At(0.9, 0.1), QString("third"));
    ASSERT_TRUE(v().annotations().LoadAnnotations(path.c_str()));
    const std::vector<SlotState> loaded = Snapshot(chart());
    for (int k = 0; k < 2; ++k) {
        SlotState expected = saved[static_cast<std::size_t>(k)];
        expected.font = loaded[static_cast<std::size_t>(k)].font;  // a new font, made from the file
        EXPECT_EQ(loaded[static_cast<std::size_t>(k)], expected) << "slot " << k;
    }
    EXPECT_EQ(Description(FontOf(Slot(0))), monoFont);
    EXPECT_FALSE(Slot(2).shown);
    for (int k = 0; k < 2; ++k)
        EXPECT_TRUE(HitRectangleIs(RectOf(Slot(k)))) << "slot " << k;
    sys::LogFont drawnWith;
    ASSERT_TRUE(XrtTextAreaGetFont(Slot(0).handle, &drawnWith));
    EXPECT_EQ(drawnWith, monoFont);
    int repaint = 0;
    XrtGetValues(v().chart(), XRT_REPAINT, &repaint);
    EXPECT_EQ(repaint, 1);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, AnAnnotationSavedInWavelengthModeKeepsItsNumberInRamanMode)
{
    ASSERT_EQ(ScaleOf(chart()).xTitle, "Wavelength (nm)");
    Annotate(At(0.5, 0.4), QString("here"));
    const double x = Slot(0).anchorX, y = Slot(0).anchorY;
    const std::string path = dir.file("nm.ram");
    ASSERT_TRUE(v().annotations().SaveAnnotations(path.c_str()));

    v().instrument().SetXAxisMode(1);
    ASSERT_TRUE(v().annotations().LoadAnnotations(path.c_str()));
    const TextSeen a = Slot(0);
    EXPECT_EQ(a.anchorX, x);
    EXPECT_EQ(a.anchorY, y);
    // Drawn at that Raman shift, and hit there.
    const QPoint at = PixelOf(x, y);
    EXPECT_EQ(a.left, at.x());
    EXPECT_EQ(a.top, at.y());
    EXPECT_NE(at.x(), At(0.5, 0.4).x());
    EXPECT_EQ(AnnotationAt(at + QPoint(2, 2)), "here");
}

TEST_F(AnnotationView, NoAnnotationsWriteNoFileAndNoFileKeepsTheCurrentOnes)
{
    const std::string path = dir.file("bare.ram");
    EXPECT_TRUE(v().annotations().SaveAnnotations(path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path + ".anno"));
    // An annotation file already there stays as it is.
    ASSERT_TRUE(WriteWholeFile(path + ".anno", "earlier"));
    Annotate(At(0.5, 0.5), QString("gone"));
    pointer->RightClick(Inside(Slot(0)), ID_ANNOTATION_CLEAR);
    EXPECT_TRUE(v().annotations().SaveAnnotations(path.c_str()));
    EXPECT_EQ(ReadWholeFile(path + ".anno"), "earlier");

    // Opening a graph saved without annotations keeps those on the chart.
    Annotate(At(0.4, 0.4), QString("mine"));
    const std::vector<SlotState> before = Snapshot(chart());
    EXPECT_TRUE(v().annotations().LoadAnnotations(dir.file("other.ram").c_str()));
    EXPECT_EQ(Snapshot(chart()), before);
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
    pointer->RightClick(Inside(Slot(1)));  // a current annotation
    ASSERT_EQ(CurrentText(), std::optional<std::string>("also kept"));
    const std::vector<SlotState> before = Snapshot(chart());
    const std::string path = dir.file("broken.ram");
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteWholeFile(path + ".anno", c.contents));
        messages.clear();
        EXPECT_FALSE(v().annotations().LoadAnnotations(path.c_str())) << c.name;
        ASSERT_EQ(messages.messages().size(), 1u) << c.name;
        const std::string& text = messages.messages()[0].text;
        EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
        EXPECT_NE(text.find(path + ".anno"), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(Snapshot(chart()), before) << c.name;
        EXPECT_EQ(CurrentText(), std::optional<std::string>("also kept"));
    }

    // A name that cannot be read as a file at all.
    std::filesystem::remove(path + ".anno");
    std::filesystem::create_directory(path + ".anno");
    messages.clear();
    EXPECT_FALSE(v().annotations().LoadAnnotations(path.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find(path + ".anno"), std::string::npos);
    EXPECT_EQ(Snapshot(chart()), before);

    // The file itself is still good for what it holds.
    ASSERT_TRUE(WriteWholeFile(dir.file("good.ram.anno"), bytes(valid)));
    messages.clear();
    EXPECT_TRUE(v().annotations().LoadAnnotations(dir.file("good.ram").c_str()));
    EXPECT_EQ(Slot(1).text(), "from file");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(AnnotationView, AnAnnotationFileThatCannotBeWrittenIsReported)
{
    Annotate(At(0.5, 0.5), QString("lost?"));
    const std::string path = dir.file("no such folder/run.ram");
    EXPECT_FALSE(v().annotations().SaveAnnotations(path.c_str()));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find(path + ".anno"), std::string::npos);
    EXPECT_NE(messages.messages()[0].text.find(std::strerror(ENOENT)), std::string::npos);
    EXPECT_TRUE(Slot(0).shown) << "the annotation stays on the chart";
}

TEST_F(AnnotationView, MarkPeakAtCursorFromTheBlankAreaMenu)
{
    const MenuSeen hidden = pointer->RightClick(At(0.5, 0.5), ID_MARK_PEAK_AT_CURSOR);
    ASSERT_EQ(hidden.enabled.size(), 2u);
    EXPECT_TRUE(ShownPeakLabels(chart()).empty()) << "the cursor is hidden";
    v().OnCursor();
    pointer->RightClick(At(0.5, 0.5), ID_MARK_PEAK_AT_CURSOR);
    ASSERT_EQ(ShownPeakLabels(chart()).size(), 1u);
    EXPECT_EQ(PeakLabels(chart()).at(0).point, v().CursorPoint());
}

TEST_F(AnnotationView, TheDialogSelectsItsTextWheneverTheBoxGainsTheFocus)
{
    sys::FontHandle font = sys::CreateFont(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    {
        CAnnotationDlg d(font, window.get());
        d.text = "hello";
        int result = -1;
        annotationOperator = [&](CAnnotationDlg& dlg) {
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
        ASSERT_TRUE(XrtDrawToDC(v().chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, size.width(),
                                size.height()));
    }
    if (const char* png = std::getenv("VEXLAR_ANNOTATION_PNG"))
        image.save(png);
    // Dark text inside each annotation's rectangle, nothing dark just beside.
    for (int k = 0; k < 2; ++k) {
        const std::vector<int> r = RectOf(Slot(k));
        int dark = 0, darkBeside = 0;
        for (int y = r[1]; y < r[3]; ++y) {
            for (int x = r[0]; x < r[2]; ++x)
                dark += qGray(image.pixel(x, y)) < 128;
            for (int x = r[2] + 3; x < r[2] + 40; ++x)
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
    // A right-click at view pixel (x, y), then Annotate Here.
    void Place(int x, int y)
    {
        view()->annotations().ContextMenuAt(view()->mapToGlobal(QPoint(x, y)));
        view()->annotations().OnAnnotateHere();
    }

    std::optional<std::string> CurrentText() { return CurrentAnnotationText(*view()); }
    HookReset hooks;
};

}  // namespace

TEST_F(AnnotationFrame, ClearAllAndFileNewClearEveryAnnotation)
{
    Start();
    annotationOperator = [](CAnnotationDlg& d) { d.accept(); };
    for (int id : {ID_CLEAR_ALL_ANNOTATIONS, ID_FILE_NEW}) {
        Place(300, 200);
        Place(400, 300);
        // The second made current, and its move begun.
        const TextSeen second = AnnotationAreas(chart()).at(1);
        view()->annotations().ContextMenuAt(view()->mapToGlobal(QPoint(second.left + 2, second.top + 2)));
        view()->annotations().OnContextCommand(ID_ANNOTATION_MOVE);
        QAction* command = frame->action(id);
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->isEnabled()) << id;
        command->trigger();
        for (const TextSeen& a : AnnotationAreas(chart()))
            EXPECT_FALSE(a.shown) << id;
        // Left as it was: the move still carries the second slot with the
        // pointer, until the left press that ends it.
        const QPointF to(350, 250);
        QMouseEvent move(QEvent::MouseMove, to, view()->mapToGlobal(to), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &move);
        XrtMapResult expected;
        ASSERT_TRUE(XrtMap(chart(), XRT_MAP_DATA_UNITS, 350, 250, &expected));
        EXPECT_EQ(AnnotationAreas(chart()).at(1).anchorX, expected.x) << "left as it was";
        EXPECT_EQ(CurrentText(), std::optional<std::string>(kDefaultText));
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, QPoint(350, 250));
    }
    EXPECT_EQ(frame->action(ID_CLEAR_ALL_ANNOTATIONS)->text(), "&Clear All Annotations");
}

TEST_F(AnnotationFrame, TheChartMenusShowTheirPromptsInTheStatusBar)
{
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    annotationOperator = [](CAnnotationDlg& d) { d.accept(); };
    Place(400, 250);
    const TextSeen a = AnnotationAreas(chart()).at(0);
    // Every item of a menu hovered in turn: its text and the status bar's.
    std::map<std::string, std::string> prompts;
    AnnotationBoard::contextMenuForTests = [&](QMenu& menu, const QPoint&) -> QAction* {
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
    rightClick(QPoint(a.left + 2, a.top + 2));
    EXPECT_EQ(CurrentText(), std::optional<std::string>(kDefaultText));
    EXPECT_EQ(prompts, (std::map<std::string, std::string>{
                           {"&Edit...", ""}, {"&Move", "Move the current annotation"}, {"&Clear", ""}}));
    EXPECT_EQ(frame->statusBar()->currentMessage(), "") << "the prompt goes with the menu";

    prompts.clear();
    rightClick(QPoint(250, 350));
    EXPECT_FALSE(CurrentText());
    EXPECT_EQ(prompts,
              (std::map<std::string, std::string>{
                  {"&Annotate Here", ""}, {"Mark Peak at &Cursor", "Marks a peak at the current cursor location"}}));
    EXPECT_EQ(frame->statusBar()->currentMessage(), "");
}

namespace {

// Right-clicks at a view pixel through the main window and picks the
// context-menu command.
void RightClickAndChoose(CMainFrame& frame, CVexlarView& view, QPoint inView, int command)
{
    AnnotationBoard::contextMenuForTests = [command](QMenu& menu, const QPoint&) -> QAction* {
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
    annotationOperator = [&](CAnnotationDlg& d) {
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
    EXPECT_EQ(messages.messages()[0].text, "The character \"\u03B1\" (U+03B1) cannot be kept in an annotation.\n"
                                           "Annotations hold Western European (Windows-1252) characters only.");

    // The annotation holds the corrected text, one byte per character.
    TempDir dir;
    FileOperator files;
    files.Choose(dir.file("pinene.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    const std::string anno = ReadWholeFile(dir.file("pinene.ram.anno"));
    ASSERT_EQ(anno.size(), 204u);
    EXPECT_EQ(anno.substr(4, 19), std::string("alpha-pinene, 25\xB0"
                                              "C\0",
                                              19));
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
    // Every field of the font description other than the defaults.
    record.font.height = -16;
    record.font.width = 7;
    record.font.escapement = 900;
    record.font.orientation = 450;
    record.font.weight = 700;
    record.font.italic = 1;
    record.font.underline = 1;
    record.font.strikeOut = 1;
    record.font.charSet = 0xEE;
    record.font.outPrecision = 3;
    record.font.clipPrecision = 2;
    record.font.quality = 4;
    record.font.pitchAndFamily = 0x22;
    record.font.faceName = "Arial";
    std::vector<std::uint8_t> written = display::EncodeAnnotationFile({record});
    const std::string text = "25\xB0"
                             "C \x80 \x96 \x93peak\x94 \x81\x8D\x8F\x90\x9D";
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
    EXPECT_EQ(again.substr(4 + 140, 28), before.substr(4 + 140, 28)) << "the font description, field by field";
    EXPECT_EQ(again.substr(4 + 168, 32), before.substr(4 + 168, 32)) << "the font name's field";
    EXPECT_TRUE(messages.messages().empty());

    // The operator reads the text as it was written.
    QString shown;
    annotationOperator = [&](CAnnotationDlg& d) {
        shown = d.textEdit()->text();
        d.reject();
    };
    const QPoint inside(I32At(again, 4 + 100) + 2, I32At(again, 4 + 104) + 2);
    RightClickAndChoose(*frame, *view(), inside, ID_ANNOTATION_EDIT);
    EXPECT_EQ(shown, QString("25\u00B0C \u20AC \u2013 \u201Cpeak\u201D \u0081\u008D\u008F\u0090\u009D"));
}
