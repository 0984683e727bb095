// The cursor: one detector pixel marked on the chart, moved by 1 or 25
// pixels from the tool bar or the keyboard, and reported with its x value
// and intensity in the status bar, together with the additive scan count.

#include <QKeyEvent>

#include <algorithm>

#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "display/ShownRange.h"

using namespace vexlar;

void CVexlarView::OnCursor()
{
    if (flags_.cursorShown) {
        flags_.cursorShown = false;
        XrtSetValues(chart(), XRT_CURSOR_SHOWN, 0);
        return;
    }
    const int point = display::CursorStartPixel(ShownPixels());
    flags_.cursorShown = true;
    XrtSetValues(chart(), XRT_CURSOR_POINT, point);
    XrtSetValues(chart(), XRT_CURSOR_SHOWN, 1);
}

int CVexlarView::CursorPoint() const
{
    int p = 0;
    XrtGetValues(chart(), XRT_CURSOR_POINT, &p);
    return p;
}

void CVexlarView::MoveCursor(display::CursorMove move)
{
    XrtSetValues(chart(), XRT_CURSOR_POINT, display::MoveCursor(CursorPoint(), move));
    UpdateReadout();
    XrtSetValues(chart(), XRT_REPAINT, 1);
}

void CVexlarView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        MoveCursor(display::CursorMove::Right1);
        break;
    case Qt::Key_Left:
        MoveCursor(display::CursorMove::Left1);
        break;
    case Qt::Key_PageUp:
        MoveCursor(display::CursorMove::Right25);
        break;
    case Qt::Key_PageDown:
        MoveCursor(display::CursorMove::Left25);
        break;
    case Qt::Key_Escape:
    case Qt::Key_R:
        OnUnscale();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Comma:
    case Qt::Key_Period:
        // Taken, and nothing happens.
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CVexlarView::UpdateReadout()
{
    if (!flags_.additive && !flags_.cursorShown)
        return;
    // The numbers only: the status bar makes the text when it shows it.
    display::Readout readout;
    readout.scanCount = flags_.additive;
    readout.scans = flags_.additions;
    if (flags_.cursorShown) {
        const int p = std::clamp(CursorPoint(), 0, kPixels - 1);
        readout.cursor = true;
        readout.pixel = p;
        readout.ramanShift = workspace_.xAxisMode != 0;
        readout.x = workspace_.xAxisMode == 0 ? workspace_.wavelength[p] : workspace_.ramanShift[p];
        readout.intensity = ShownSpectrum()[p];
    }
    if (host_)
        host_->SetStatusReadout(readout);
}
