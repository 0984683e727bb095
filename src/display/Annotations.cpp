// Annotations: up to 100 short texts the operator writes on the chart, each
// anchored at a point in data units and drawn by its slot's text area, so it
// stays on that point when the scale or the window changes. A right-click in
// the plot opens the chart's context menu: Edit, Move and Clear over an
// annotation, Annotate Here (and Mark Peak at Cursor) elsewhere. The
// annotations are saved beside a saved graph and read back when it is opened.

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusTipEvent>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Font.h"
#include "MessageBox.h"
#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "display/AnnotationDlg.h"
#include "display/AnnotationFile.h"
#include "display/AnnotationHitTest.h"
#include "display/RepaintGuard.h"
#include "display/Windows1252.h"

using namespace vexlar;

std::function<QAction*(QMenu&, const QPoint&)> CVexlarView::contextMenuForTests;

namespace {

using vexlar::sys::kErrorTitle;
constexpr char kSlotsFullMessage[] = "Unable to add annotation!\n\nThere is a limit of 100 annotations";
constexpr char kAnnotationFileSuffix[] = ".anno";
constexpr char kBlankAreaPopup[] = "blank_area_popup";
constexpr char kAnnotationPopup[] = "annotation_popup";
constexpr char kMovePrompt[] = "Move the current annotation";
constexpr char kDefaultFace[] = "Arial";

bool IsSlot(int slot)
{
    return slot >= 0 && slot < kAnnotationSlots;
}

// The slot's text as the operator reads it (UTF-8).
std::string SlotText(const AnnotationRecord& a)
{
    return display::Utf8FromWindows1252(std::string_view(a.text, ::strnlen(a.text, sizeof a.text)));
}

// Puts the text (UTF-8, of characters Windows-1252 holds: the dialog has
// checked) into the slot, cut to what the slot holds (99 characters). The
// bytes a loaded file held after the old text's terminator stay.
void StoreText(AnnotationRecord& a, std::string_view text)
{
    auto* field = reinterpret_cast<std::uint8_t*>(a.text);
    std::uint8_t after[kAnnotationTextSize];
    display::KeepAfterTerminator(field, sizeof a.text, after);
    display::FillTextField(display::Windows1252FromUtf8(text, '?'), after, sizeof a.text, field);
}

// The slot's text area shows the slot's text, as a list of one line.
void ShowTextInArea(const AnnotationRecord& a)
{
    const std::string text = SlotText(a);
    const char* const lines[] = {text.c_str(), nullptr};
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_LINES, lines);
}

void AnchorTextArea(AnnotationRecord& a, double x, double y)
{
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_ANCHOR_X, x);
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_ANCHOR_Y, y);
    a.anchorX = x;
    a.anchorY = y;
}

display::AnnotationFileRecord FileRecordFrom(const AnnotationRecord& a)
{
    display::AnnotationFileRecord r;
    r.text = SlotText(a);
    display::KeepAfterTerminator(reinterpret_cast<const std::uint8_t*>(a.text), sizeof a.text, r.afterText.data());
    std::copy(std::begin(a.screenRect), std::end(a.screenRect), r.screenRect.begin());
    std::copy(std::begin(a.pixelPosition), std::end(a.pixelPosition), r.pixelPosition.begin());
    r.anchorX = a.anchorX;
    r.anchorY = a.anchorY;
    if (!sys::GetFontDescription(a.font, &r.font)) {
        r.font.height = kAnnotationFontHeight;
        r.font.faceName = kDefaultFace;
    }
    std::copy(std::begin(a.afterFaceName), std::end(a.afterFaceName), r.afterFaceName.begin());
    return r;
}

void ShowFileError(const std::string& what, const std::string& file, const std::string& reason)
{
    sys::ShowOperatorMessage(what + " \"" + file + "\":\n" + reason, kErrorTitle);
}

QAction* AddCommand(QMenu& menu, const char* text, int id)
{
    QAction* action = menu.addAction(QString::fromUtf8(text));
    action->setData(id);
    return action;
}

}  // namespace

// --- The context menus ----------------------------------------------------------------

std::unique_ptr<QMenu> CVexlarView::ContextMenuAt(const QPoint& screenPoint)
{
    annotationSlots_.currentAnnotation = -1;
    // The plot rectangle spanned by the shown ranges, in view pixels.
    const XrtHandle c = chart();
    double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
    XrtGetValues(c, XRT_X_MIN, &xMin);
    XrtGetValues(c, XRT_X_MAX, &xMax);
    XrtGetValues(c, XRT_Y_MIN, &yMin);
    XrtGetValues(c, XRT_Y_MAX, &yMax);
    XrtPoint low, high;
    if (!XrtUnmap(c, XRT_MAP_DATA_UNITS, xMin, yMin, &low) || !XrtUnmap(c, XRT_MAP_DATA_UNITS, xMax, yMax, &high))
        return nullptr;
    const display::PixelRect plot{std::min(low.x, high.x), std::min(low.y, high.y), std::max(low.x, high.x),
                                  std::max(low.y, high.y)};
    const QPoint at = screenPoint - mapToGlobal(QPoint(0, 0));
    // Over the margins, the axes and their titles there is no menu.
    if (!display::PlotHolds(plot, at.x(), at.y()))
        return nullptr;
    annotationSlots_.contextPoint[0] = at.x();
    annotationSlots_.contextPoint[1] = at.y();
    // Where annotations overlap, the lowest slot is the one hit.
    annotationSlots_.currentAnnotation = display::HitAnnotation(annotationSlots_.annotations, at.x(), at.y());
    // The annotation's menu, or the blank area's.
    auto menu = std::make_unique<QMenu>();
    if (annotationSlots_.currentAnnotation != -1) {
        menu->setObjectName(kAnnotationPopup);
        AddCommand(*menu, "&Edit...", ID_ANNOTATION_EDIT);
        AddCommand(*menu, "&Move", ID_ANNOTATION_MOVE)->setStatusTip(kMovePrompt);
        AddCommand(*menu, "&Clear", ID_ANNOTATION_CLEAR);
    } else {
        menu->setObjectName(kBlankAreaPopup);
        AddCommand(*menu, "&Annotate Here", ID_ANNOTATE_HERE);
        // The peak command keeps the prompt it has in the Peaks menu.
        AddCommand(*menu, "Mark Peak at &Cursor", ID_MARK_PEAK_AT_CURSOR)
            ->setStatusTip(QString::fromUtf8(FindCommand(ID_MARK_PEAK_AT_CURSOR)->prompt));
    }
    // The prompt of the item pointed at goes to the frame's status bar.
    connect(menu.get(), &QMenu::hovered, this, [this](QAction* action) {
        QStatusTipEvent tip(action->statusTip());
        QCoreApplication::sendEvent(this, &tip);
    });
    return menu;
}

void CVexlarView::OnContextMenu(const QPoint& screenPoint)
{
    std::unique_ptr<QMenu> menu = ContextMenuAt(screenPoint);
    if (!menu)
        return;
    QAction* chosen = contextMenuForTests ? contextMenuForTests(*menu, screenPoint) : menu->exec(screenPoint);
    // The menu's prompt leaves the status bar with the menu.
    QStatusTipEvent clear{QString()};
    QCoreApplication::sendEvent(this, &clear);
    if (chosen && chosen->isEnabled())
        OnContextCommand(chosen->data().toInt());
}

void CVexlarView::OnContextCommand(int id)
{
    switch (id) {
    case ID_ANNOTATE_HERE:
        OnAnnotateHere();
        break;
    case ID_ANNOTATION_EDIT:
        OnAnnotationEdit();
        break;
    case ID_ANNOTATION_MOVE:
        OnAnnotationMove();
        break;
    case ID_ANNOTATION_CLEAR:
        OnAnnotationClear();
        break;
    case ID_MARK_PEAK_AT_CURSOR:
        MarkPeakAtCursor();
        break;
    default:
        break;
    }
}

void CVexlarView::contextMenuEvent(QContextMenuEvent* event)
{
    OnContextMenu(event->globalPos());
    event->accept();
}

// --- Moving -----------------------------------------------------------------------------

void CVexlarView::MoveAnnotationTo(int x, int y)
{
    // A right-click on a blank spot while a move is pending leaves no
    // annotation to move.
    if (!IsSlot(annotationSlots_.currentAnnotation))
        return;
    AnnotationRecord& a = annotationSlots_.annotations[annotationSlots_.currentAnnotation];
    XrtMapResult point;
    if (!XrtMap(chart(), XRT_MAP_DATA_UNITS, x, y, &point))
        return;
    AnchorTextArea(a, point.x, point.y);
    ReadBackGeometry(a);
}

void CVexlarView::mouseMoveEvent(QMouseEvent* event)
{
    if (annotationSlots_.annotationMoving) {
        const QPoint at = event->position().toPoint();
        MoveAnnotationTo(at.x(), at.y());
    }
    QWidget::mouseMoveEvent(event);
}

void CVexlarView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The left press drops a moving annotation where it is; otherwise it
    // does nothing at all.
    if (annotationSlots_.annotationMoving) {
        const QPoint at = event->position().toPoint();
        MoveAnnotationTo(at.x(), at.y());
        annotationSlots_.annotationMoving = false;
    }
    event->accept();
}

// --- The commands -------------------------------------------------------------------------

void CVexlarView::OnAnnotateHere()
{
    int slot = 0;
    while (slot < kAnnotationSlots && annotationSlots_.annotations[slot].inUse)
        ++slot;
    if (slot == kAnnotationSlots) {
        sys::ShowOperatorMessage(kSlotsFullMessage, kErrorTitle);
        return;
    }
    AnnotationRecord& a = annotationSlots_.annotations[slot];
    // A font picked in the dialog stays with the slot even on Cancel.
    CAnnotationDlg dialog(a.font, this);
    if (dialog.Run() != QDialog::Accepted)
        return;
    a.inUse = 1;
    StoreText(a, dialog.text.toStdString());
    XrtMapResult point;
    XrtMap(chart(), XRT_MAP_DATA_UNITS, annotationSlots_.contextPoint[0], annotationSlots_.contextPoint[1], &point);
    AnchorTextArea(a, point.x, point.y);
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_FONT, XrtHandle{a.font});
    ShowTextInArea(a);
    ReadBackGeometry(a);
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 1);
}

void CVexlarView::OnAnnotationEdit()
{
    const int slot = annotationSlots_.currentAnnotation;
    if (!IsSlot(slot))
        return;
    AnnotationRecord& a = annotationSlots_.annotations[slot];
    CAnnotationDlg dialog(a.font, this);
    dialog.text = QString::fromStdString(SlotText(a));
    if (dialog.Run() != QDialog::Accepted)
        return;
    // The anchor stays where it is.
    a.inUse = 1;
    StoreText(a, dialog.text.toStdString());
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_FONT, XrtHandle{a.font});
    ShowTextInArea(a);
    ReadBackGeometry(a);
}

void CVexlarView::OnAnnotationMove()
{
    annotationSlots_.annotationMoving = true;
}

void CVexlarView::OnAnnotationClear()
{
    if (!IsSlot(annotationSlots_.currentAnnotation))
        return;
    // The slot keeps its font and its last rectangle.
    AnnotationRecord& a = annotationSlots_.annotations[annotationSlots_.currentAnnotation];
    a.inUse = 0;
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
}

void CVexlarView::ClearAllAnnotations()
{
    for (AnnotationRecord& a : annotationSlots_.annotations) {
        if (a.inUse) {
            a.inUse = 0;
            XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
        }
    }
}

// --- The annotation file ---------------------------------------------------------------------

bool CVexlarView::SaveAnnotations(const char* path)
{
    if (!path)
        return false;
    std::vector<display::AnnotationFileRecord> records;
    for (const AnnotationRecord& a : annotationSlots_.annotations) {
        if (a.inUse)
            records.push_back(FileRecordFrom(a));
    }
    // No annotation: no file, and a file of that name stays as it is.
    if (records.empty())
        return true;
    const std::string file = std::string(path) + kAnnotationFileSuffix;
    std::string reason;
    if (!display::WriteAnnotationFile(file, display::EncodeAnnotationFile(records), &reason)) {
        ShowFileError("Unable to save the annotations to", file, reason);
        return false;
    }
    return true;
}

bool CVexlarView::LoadAnnotations(const char* path)
{
    if (!path)
        return false;
    const std::string file = std::string(path) + kAnnotationFileSuffix;
    // No annotation file beside the spectrum: the annotations on the
    // chart stay.
    const display::AnnotationFileRead read = display::ReadAnnotationFile(file);
    if (read.status == display::AnnotationFileRead::Status::Missing)
        return true;
    if (read.status == display::AnnotationFileRead::Status::Failed) {
        ShowFileError("Unable to read the annotations from", file, read.reason);
        return false;
    }
    // The whole file is checked, and every font made, before anything on
    // the chart changes.
    const display::AnnotationDecode decoded = display::DecodeAnnotationFile(read.bytes.data(), read.bytes.size());
    if (!decoded.ok) {
        ShowFileError("Unable to read the annotations from", file, decoded.error);
        return false;
    }
    std::vector<sys::FontHandle> fonts;
    for (const display::AnnotationFileRecord& r : decoded.records) {
        const sys::FontHandle font = sys::CreateFontIndirect(r.font);
        if (font == 0) {
            for (sys::FontHandle made : fonts)
                sys::DeleteFont(made);
            ShowFileError("Unable to read the annotations from", file,
                          "the font of annotation " + std::to_string(fonts.size() + 1) + " cannot be made");
            return false;
        }
        fonts.push_back(font);
    }

    ClearAllAnnotations();
    {
        // The chart draws once, with every annotation in place.
        RepaintGuard repaint(chart());
        for (std::size_t k = 0; k < decoded.records.size(); ++k) {
            const display::AnnotationFileRecord& r = decoded.records[k];
            AnnotationRecord& a = annotationSlots_.annotations[k];
            a.inUse = 1;
            // The text field and the font name's field as the file held them.
            const auto field = reinterpret_cast<std::uint8_t*>(a.text);
            display::FillTextField(display::Windows1252FromUtf8(r.text, '?'), r.afterText.data(), sizeof a.text, field);
            std::copy(r.afterFaceName.begin(), r.afterFaceName.end(), a.afterFaceName);
            std::copy(r.screenRect.begin(), r.screenRect.end(), a.screenRect);
            std::copy(r.pixelPosition.begin(), r.pixelPosition.end(), a.pixelPosition);
            AnchorTextArea(a, r.anchorX, r.anchorY);
            a.ReleaseFont();
            a.font = fonts[k];
            XrtTextAreaSetValues(a.textArea, XRT_TEXT_FONT, XrtHandle{a.font});
            ShowTextInArea(a);
            XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 1);
        }
    }
    // The rectangles where the chart has just put the texts.
    for (AnnotationRecord& a : annotationSlots_.annotations) {
        if (a.inUse)
            ReadBackGeometry(a);
    }
    return true;
}
