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
#include "commands/CommandIds.h"
#include "commands/CommandTable.h"
#include "display/AnnotationDlg.h"
#include "display/AnnotationFile.h"
#include "display/AnnotationHitTest.h"
#include "display/RepaintGuard.h"
#include "display/Windows1252.h"
#include "window/AnnotationBoard.h"
#include "window/PeakMarks.h"
#include "window/VexlarView.h"

namespace vexlar {

std::function<QAction*(QMenu&, const QPoint&)> AnnotationBoard::contextMenuForTests;

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

std::unique_ptr<QMenu> AnnotationBoard::ContextMenuAt(const QPoint& screenPoint)
{
    slots_.currentAnnotation = -1;
    // The plot rectangle spanned by the shown ranges, in view pixels.
    const XrtHandle c = view_.chart();
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
    const QPoint at = screenPoint - view_.mapToGlobal(QPoint(0, 0));
    // Over the margins, the axes and their titles there is no menu.
    if (!display::PlotHolds(plot, at.x(), at.y()))
        return nullptr;
    slots_.contextPoint[0] = at.x();
    slots_.contextPoint[1] = at.y();
    // Where annotations overlap, the lowest slot is the one hit.
    slots_.currentAnnotation = display::HitAnnotation(slots_.annotations, at.x(), at.y());
    // The annotation's menu, or the blank area's.
    auto menu = std::make_unique<QMenu>();
    if (slots_.currentAnnotation != -1) {
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
    QObject::connect(menu.get(), &QMenu::hovered, &view_, [this](QAction* action) {
        QStatusTipEvent tip(action->statusTip());
        QCoreApplication::sendEvent(&view_, &tip);
    });
    return menu;
}

void AnnotationBoard::OnContextMenu(const QPoint& screenPoint)
{
    std::unique_ptr<QMenu> menu = ContextMenuAt(screenPoint);
    if (!menu)
        return;
    QAction* chosen = contextMenuForTests ? contextMenuForTests(*menu, screenPoint) : menu->exec(screenPoint);
    // The menu's prompt leaves the status bar with the menu.
    QStatusTipEvent clear{QString()};
    QCoreApplication::sendEvent(&view_, &clear);
    if (chosen && chosen->isEnabled())
        OnContextCommand(chosen->data().toInt());
}

void AnnotationBoard::OnContextCommand(int id)
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
        view_.peaks().MarkPeakAtCursor();
        break;
    default:
        break;
    }
}

// --- Moving -----------------------------------------------------------------------------

void AnnotationBoard::MoveAnnotationTo(int x, int y)
{
    // A right-click on a blank spot while a move is pending leaves no
    // annotation to move.
    if (!IsSlot(slots_.currentAnnotation))
        return;
    AnnotationRecord& a = slots_.annotations[slots_.currentAnnotation];
    XrtMapResult point;
    if (!XrtMap(view_.chart(), XRT_MAP_DATA_UNITS, x, y, &point))
        return;
    AnchorTextArea(a, point.x, point.y);
    ReadBackGeometry(a);
}

void AnnotationBoard::PointerMoved(const QPoint& at)
{
    if (slots_.annotationMoving)
        MoveAnnotationTo(at.x(), at.y());
}

void AnnotationBoard::LeftPressed(const QPoint& at)
{
    // The left press drops a moving annotation where it is; otherwise it
    // does nothing at all.
    if (slots_.annotationMoving) {
        MoveAnnotationTo(at.x(), at.y());
        slots_.annotationMoving = false;
    }
}

// --- The commands -------------------------------------------------------------------------

void AnnotationBoard::OnAnnotateHere()
{
    int slot = 0;
    while (slot < kAnnotationSlots && slots_.annotations[slot].inUse)
        ++slot;
    if (slot == kAnnotationSlots) {
        sys::ShowOperatorMessage(kSlotsFullMessage, kErrorTitle);
        return;
    }
    AnnotationRecord& a = slots_.annotations[slot];
    // A font picked in the dialog stays with the slot even on Cancel.
    CAnnotationDlg dialog(a.font, &view_);
    if (dialog.Run() != QDialog::Accepted)
        return;
    a.inUse = 1;
    StoreText(a, dialog.text.toStdString());
    XrtMapResult point;
    XrtMap(view_.chart(), XRT_MAP_DATA_UNITS, slots_.contextPoint[0], slots_.contextPoint[1], &point);
    AnchorTextArea(a, point.x, point.y);
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_FONT, XrtHandle{a.font});
    ShowTextInArea(a);
    ReadBackGeometry(a);
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 1);
}

void AnnotationBoard::OnAnnotationEdit()
{
    const int slot = slots_.currentAnnotation;
    if (!IsSlot(slot))
        return;
    AnnotationRecord& a = slots_.annotations[slot];
    CAnnotationDlg dialog(a.font, &view_);
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

void AnnotationBoard::OnAnnotationMove()
{
    slots_.annotationMoving = true;
}

void AnnotationBoard::OnAnnotationClear()
{
    if (!IsSlot(slots_.currentAnnotation))
        return;
    // The slot keeps its font and its last rectangle.
    AnnotationRecord& a = slots_.annotations[slots_.currentAnnotation];
    a.inUse = 0;
    XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
}

void AnnotationBoard::ClearAllAnnotations()
{
    for (AnnotationRecord& a : slots_.annotations) {
        if (a.inUse) {
            a.inUse = 0;
            XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
        }
    }
}

// --- The annotation file ---------------------------------------------------------------------

bool AnnotationBoard::SaveAnnotations(const char* path)
{
    if (!path)
        return false;
    std::vector<display::AnnotationFileRecord> records;
    for (const AnnotationRecord& a : slots_.annotations) {
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

bool AnnotationBoard::LoadAnnotations(const char* path)
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
        RepaintGuard repaint(view_.chart());
        for (std::size_t k = 0; k < decoded.records.size(); ++k) {
            const display::AnnotationFileRecord& r = decoded.records[k];
            AnnotationRecord& a = slots_.annotations[k];
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
    for (AnnotationRecord& a : slots_.annotations) {
        if (a.inUse)
            ReadBackGeometry(a);
    }
    return true;
}

void AnnotationBoard::AttachChart(XrtHandle chart)
{
    // Annotation slots: free, empty, each with its own font and a hidden
    // text area anchored in data units.
    for (AnnotationRecord& a : slots_.annotations) {
        a.inUse = 0;
        a.text[0] = '\0';
        std::fill(std::begin(a.screenRect), std::end(a.screenRect), 0);
        a.CreateFont();
        a.textArea = XrtTextAreaCreate(chart);
        XrtTextAreaSetValues(a.textArea, XRT_TEXT_ATTACH, XRT_ATTACH_COORDS);
        XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
    }
}

void AnnotationBoard::RefreshGeometry()
{
    for (AnnotationRecord& a : slots_.annotations) {
        if (a.inUse)
            ReadBackGeometry(a);
    }
}

void AnnotationBoard::ReleaseFonts()
{
    for (AnnotationRecord& a : slots_.annotations)
        a.ReleaseFont();
}

}  // namespace vexlar
