#include "Chart2D.h"

#include <QPalette>
#include <QRect>

CChart2D::CChart2D() : QWidget(nullptr) { }

CChart2D::~CChart2D()
{
    // The window first (hidden, so nothing is painted half torn down), then
    // the chart, which takes its drawing surface out of the window with it.
    hide();
    if (chart_ != 0)
        XrtDestroy(chart_);
}

bool CChart2D::Create(const char* name, unsigned style, const QRect& rect, QWidget* parent, unsigned id)
{
    if (created_ || !parent)
        return false;
    created_ = true;
    setParent(parent);
    setObjectName(QString::fromLocal8Bit(name ? name : ""));
    setGeometry(rect);
    id_ = id;
    // White behind the chart, where it does not reach (while it is being sized).
    QPalette paper = palette();
    paper.setColor(QPalette::Window, Qt::white);
    setPalette(paper);
    setAutoFillBackground(true);
    // Pointer moves without a button pressed are delivered only to widgets
    // that track the mouse, along the whole way up to the view.
    setMouseTracking(true);
    parent->setMouseTracking(true);
    setVisible((style & kStyleVisible) != 0);

    chart_ = XrtCreate();
    if (chart_ == 0)
        return false;
    XrtAttachWindow(chart_, this);
    return true;
}
