// The cursor: one detector pixel marked on the chart, moved by 1 or 25
// pixels from the tool bar or the keyboard, and reported with its x value
// and intensity in the status bar, together with the additive scan count.
// Graph scaling: Autoscale fits the y axis to the data inside the shown x
// range, Set Scale takes both ranges from the operator, Unscale returns to
// the default scale. Every change asks for the annotations' rectangles to be
// re-read at the next scan.

#include <QKeyEvent>

#include <algorithm>

#include "Xrt.h"
#include "calibration/Axes.h"
#include "display/RepaintGuard.h"
#include "display/SetScaleDlg.h"
#include "display/ShownRange.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

using namespace vexlar;

namespace {

// The pixels under the chart's shown x range.
display::PixelRange ShownPixels(XrtHandle chart, const Instrument& instrument)
{
    double xMaximum = 0.0, xMinimum = 0.0;
    XrtGetValues(chart, XRT_X_MAX, &xMaximum);
    XrtGetValues(chart, XRT_X_MIN, &xMinimum);
    return display::ShownPixelRange(instrument.ShownX(), xMinimum, xMaximum);
}

}  // namespace

void CVexlarView::OnCursor()
{
    if (cursorShown_) {
        cursorShown_ = false;
        XrtSetValues(chart(), XRT_CURSOR_SHOWN, 0);
        return;
    }
    const int point = display::CursorStartPixel(ShownPixels(chart(), *instrument_));
    cursorShown_ = true;
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
    const acquisition::AcquisitionFlags& flags = instrument_->flags();
    const acquisition::AcquisitionWorkspace& workspace = instrument_->workspace();
    if (!flags.additive && !cursorShown_)
        return;
    // The numbers only: the status bar makes the text when it shows it.
    display::Readout readout;
    readout.scanCount = flags.additive;
    readout.scans = flags.additions;
    if (cursorShown_) {
        const int p = std::clamp(CursorPoint(), 0, kPixels - 1);
        readout.cursor = true;
        readout.pixel = p;
        readout.ramanShift = workspace.xAxisMode != 0;
        readout.x = workspace.xAxisMode == 0 ? workspace.wavelength[p] : workspace.ramanShift[p];
        readout.intensity = instrument_->ShownSpectrum()[p];
    }
    if (host_)
        host_->SetStatusReadout(readout);
}

void CVexlarView::OnAutoscale()
{
    const display::YRange y =
        display::AutoscaleYRange(instrument_->ShownSpectrum(), ShownPixels(chart(), *instrument_));
    XrtSetValues(chart(), XRT_Y_MIN, y.low);
    XrtSetValues(chart(), XRT_Y_MAX, y.high);
    annotationRefresh_ = true;
}

void CVexlarView::OnSetScale()
{
    double xMaximum = 0.0, xMinimum = 0.0, yMaximum = 0.0, yMinimum = 0.0;
    XrtGetValues(chart(), XRT_X_MAX, &xMaximum);
    XrtGetValues(chart(), XRT_X_MIN, &xMinimum);
    XrtGetValues(chart(), XRT_Y_MAX, &yMaximum);
    XrtGetValues(chart(), XRT_Y_MIN, &yMinimum);
    CSetScaleDlg dialog(this);
    dialog.xMaximum = static_cast<float>(xMaximum);
    dialog.xMinimum = static_cast<float>(xMinimum);
    dialog.yMaximum = static_cast<float>(yMaximum);
    dialog.yMinimum = static_cast<float>(yMinimum);
    if (dialog.Run() == QDialog::Accepted) {
        XrtSetValues(chart(), XRT_X_MAX, static_cast<double>(dialog.xMaximum));
        XrtSetValues(chart(), XRT_X_MIN, static_cast<double>(dialog.xMinimum));
        XrtSetValues(chart(), XRT_Y_MAX, static_cast<double>(dialog.yMaximum));
        XrtSetValues(chart(), XRT_Y_MIN, static_cast<double>(dialog.yMinimum));
    }
    annotationRefresh_ = true;
}

void CVexlarView::OnUnscale()
{
    {
        RepaintGuard repaint(chart());
        const XrtHandle c = chart();
        const acquisition::AcquisitionWorkspace& w = instrument_->workspace();
        const calibration::XRange x = w.xAxisMode == 0 ? calibration::WavelengthAxisRange(w.wavelength)
                                                       : calibration::RamanAxisRange(w.ramanShift);
        XrtSetValues(c, XRT_X_BOUND_MIN, x.minimum);
        XrtSetValues(c, XRT_X_BOUND_MAX, x.maximum);
        XrtSetValues(c, XRT_X_MIN, x.minimum);
        XrtSetValues(c, XRT_X_MAX, x.maximum);
        XrtSetValues(c, XRT_Y_MIN, 0.0);
        XrtSetValues(c, XRT_Y_MAX, kFullScaleIntensity);
    }
    annotationRefresh_ = true;
}
