#pragma once
// CChart2D: the child window that holds the chart.
//
// The window is an ordinary widget; the chart library draws inside it once
// the chart is attached. The window handles no input of its own: pointer
// moves, button presses and context-menu requests over the chart fall
// through the chart (which takes no input) to this window, which passes them
// on to its parent, the view, with positions in the parent's coordinates.
// The chart window sits at (0, 0) of the view, so those are also chart-window
// coordinates.

#include <QWidget>

#include "Xrt.h"

class QRect;

class CChart2D : public QWidget {
    Q_OBJECT

public:
    // Window style bits Create understands.
    static constexpr unsigned kStyleChild = 0x40000000;
    static constexpr unsigned kStyleVisible = 0x10000000;

    CChart2D();
    // Destroys the window's contents, then the chart.
    ~CChart2D() override;
    CChart2D(const CChart2D&) = delete;
    CChart2D& operator=(const CChart2D&) = delete;

    // Makes the window a child of parent with the given name, style,
    // rectangle and id, creates the chart and attaches it. False when the
    // window cannot be made (no parent, or Create was already called) or the
    // chart cannot be created.
    bool Create(const char* name, unsigned style, const QRect& rect, QWidget* parent, unsigned id);

    // The chart handle; 0 while there is none.
    XrtHandle chart() const { return chart_; }
    unsigned id() const { return id_; }

private:
    XrtHandle chart_ = 0;
    unsigned id_ = 0;
    bool created_ = false;
};
