#pragma once
// Annotations: up to 100 short texts the operator writes on the chart, each
// anchored at a point in data units and drawn by its slot's text area, so it
// stays on that point when the scale or the window changes. A right-click in
// the plot opens the chart's context menu: Edit, Move and Clear over an
// annotation, Annotate Here (and Mark Peak at Cursor) elsewhere. The
// annotations are saved beside a saved graph and read back when it is opened.

#include <QPoint>

#include <functional>
#include <memory>

#include "XrtValue.h"
#include "display/AnnotationSlots.h"

class CVexlarView;
class QAction;
class QMenu;

namespace vexlar {

class AnnotationBoard {
public:
    explicit AnnotationBoard(CVexlarView& view) : view_(view) { }

    // The chart the annotations are drawn on: each slot's text area made there.
    void AttachChart(XrtHandle chart);
    // Each annotation's rectangle read again from the chart as laid out now.
    void RefreshGeometry();
    void ReleaseFonts();

    // The context menu of a right-click at screenPoint (global): null when the
    // point lies outside the plot rectangle spanned by the shown ranges, else
    // "annotation_popup" over an annotation and "blank_area_popup" elsewhere.
    // Notes the annotation hit and the point, as the right-click does.
    std::unique_ptr<QMenu> ContextMenuAt(const QPoint& screenPoint);
    // The right-click: that menu, run at the point, and its choice carried out.
    void OnContextMenu(const QPoint& screenPoint);
    // A context-menu command, by its id.
    void OnContextCommand(int id);
    // Tests put their own operator here: given the menu and the point, it
    // returns the action chosen (null: the menu was dismissed).
    static std::function<QAction*(QMenu&, const QPoint&)> contextMenuForTests;

    // The pointer moved, or the left button went down, at a view pixel: a
    // moving annotation follows, and is dropped by the press.
    void PointerMoved(const QPoint& at);
    void LeftPressed(const QPoint& at);
    // The move step: the current annotation to chart-window pixel (x, y).
    void MoveAnnotationTo(int x, int y);

    void OnAnnotateHere();
    void OnAnnotationEdit();
    void OnAnnotationMove();
    void OnAnnotationClear();
    void ClearAllAnnotations();
    // path + ".anno"; false (after telling the operator) when it cannot be
    // written or read as an annotation file.
    bool SaveAnnotations(const char* path);
    bool LoadAnnotations(const char* path);

private:
    CVexlarView& view_;
    display::AnnotationSlots slots_;
};

}  // namespace vexlar
