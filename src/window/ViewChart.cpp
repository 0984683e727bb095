// The chart that fills the view: its one-time set-up, following the view's
// size, the x axis of the mode in use, and the spectrum the engine makes,
// brought onto the chart as the engine says it changed.

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QResizeEvent>

#include "Messages.h"
#include "Xrt.h"
#include "calibration/Axes.h"
#include "display/Chart2D.h"
#include "display/RepaintGuard.h"
#include "window/AnnotationBoard.h"
#include "window/ChartPacer.h"
#include "window/ControlCommands.h"
#include "window/PeakMarks.h"
#include "window/VexlarView.h"

using namespace vexlar;

namespace {

// The chart window is a visible child of the view.
constexpr unsigned kChildVisibleStyle = CChart2D::kStyleChild | CChart2D::kStyleVisible;
constexpr unsigned kChartWindowId = 0;

constexpr int kPlotMarginBottom = 60;
constexpr int kPlotMarginTop = 18;
constexpr int kPlotMarginRight = 40;
constexpr int kPlotMarginLeft = 60;
constexpr int kInitialCursorPoint = 1000;

constexpr char kWavelengthTitle[] = "Wavelength (nm)";
constexpr char kRamanTitle[] = "Raman Shift (cm-1)";

// Style records: line pattern, line width, line colour (0x00BBGGRR), point
// symbol, symbol size, symbol colour, and one more word; the last two stay 0.
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr XrtDataStyle kSpectrumStyle{{2, 2, kRed, 1, 2, kRed, 0, 0, 0}};
constexpr XrtDataStyle kSecondStyle{{4, 2, kBlue, 0, 2, kRed, 0, 0, 0}};

void SetXRange(XrtHandle chart, calibration::XRange range)
{
    XrtSetValues(chart, XRT_X_MIN, range.minimum);
    XrtSetValues(chart, XRT_X_BOUND_MIN, range.minimum);
    XrtSetValues(chart, XRT_X_MAX, range.maximum);
    XrtSetValues(chart, XRT_X_BOUND_MAX, range.maximum);
}

void SetFullScaleY(XrtHandle chart)
{
    XrtSetValues(chart, XRT_Y_MIN, 0.0);
    XrtSetValues(chart, XRT_Y_MAX, kFullScaleIntensity);
}

}  // namespace

XrtHandle CVexlarView::chart() const
{
    return chartWindow_ ? chartWindow_->chart() : 0;
}

void CVexlarView::SetUpPlot(const QRect& rect)
{
    // The live data set exists already (made at the view's set-up).
    // The chart window; set-up goes on with whatever handles exist.
    chartWindow_ = new CChart2D;
    chartWindow_->Create("", kChildVisibleStyle, rect, this, kChartWindowId);
    const XrtHandle c = chart();
    XrtDataSetXData(liveData_, 0, instrument_->workspace().wavelength, kPixels);
    XrtDataSetYData(liveData_, 0, instrument_->ShownSpectrum(), kPixels);
    XrtSetValues(c, XRT_REPAINT, 0);
    // No right axis line, no minor ticks, no top axis line, no grid.
    XrtSetValues(c, XRT_RIGHT_AXIS_SHOWN, 0);
    XrtSetValues(c, XRT_X_MINOR_TICKS_SHOWN, 0);
    XrtSetValues(c, XRT_Y_MINOR_TICKS_SHOWN, 0);
    XrtSetValues(c, XRT_TOP_AXIS_SHOWN, 0);
    XrtSetValues(c, XRT_X_GRID_SHOWN, 0);
    XrtSetValues(c, XRT_Y_GRID_SHOWN, 0);
    XrtSetValues(c, XRT_MARGIN_BOTTOM, kPlotMarginBottom);
    XrtSetValues(c, XRT_MARGIN_TOP, kPlotMarginTop);
    XrtSetValues(c, XRT_MARGIN_RIGHT, kPlotMarginRight);
    XrtSetValues(c, XRT_MARGIN_LEFT, kPlotMarginLeft);
    ApplyXAxisToChart();
    XrtSetValues(c, XRT_Y_TITLE, "Intensity");
    seriesStyle_ = kSpectrumStyle;
    XrtSetValues(c, XRT_DATA, liveData_);
    XrtSetValues(c, XRT_LEGEND_SHOWN, 0);
    XrtSetNthDataStyle(c, 0, &seriesStyle_);
    secondStyle_ = kSecondStyle;
    XrtSetValues(c, XRT_SECOND_STYLE, &secondStyle_);
    // The cursor waits hidden in the middle of the detector.
    XrtSetValues(c, XRT_TEXT_AREAS_ENABLED, 1);
    XrtSetValues(c, XRT_ANTIALIASED_LINES, 0);
    XrtSetValues(c, XRT_CURSOR_POINT, kInitialCursorPoint);
    peaks_->AttachChart(c);
    annotations_->AttachChart(c);
    XrtSetValues(c, XRT_REPAINT, 1);
}

void CVexlarView::ApplyXAxisToChart()
{
    const XrtHandle c = chart();
    const acquisition::AcquisitionWorkspace& w = instrument_->workspace();
    if (w.xAxisMode != 0) {
        XrtDataSetXData(liveData_, 0, w.ramanShift, kPixels);
        SetXRange(c, calibration::RamanAxisRange(w.ramanShift));
        SetFullScaleY(c);
        XrtSetValues(c, XRT_X_TITLE, kRamanTitle);
        return;
    }
    XrtDataSetXData(liveData_, 0, w.wavelength, kPixels);
    SetXRange(c, calibration::WavelengthAxisRange(w.wavelength));
    SetFullScaleY(c);
    XrtSetValues(c, XRT_X_TITLE, kWavelengthTitle);
}

void CVexlarView::ShowSpectrum()
{
    {
        RepaintGuard repaint(chart());
        XrtDataSetYData(liveData_, 0, instrument_->ShownSpectrum(), kPixels);
        XrtSetValues(chart(), XRT_DATA, liveData_);
    }
    if (cursorShown_)
        UpdateReadout();
}

void CVexlarView::TakeShownSpectrum()
{
    if (instrument_->flags().additive || cursorShown_)
        UpdateReadout();
    XrtDataSetYData(liveData_, 0, instrument_->ShownSpectrum(), kPixels);
}

void CVexlarView::OnScanProcessed(bool shown)
{
    // The chart draws nothing until the new spectrum is attached.
    RepaintGuard repaint(chart());

    // Annotation rectangles are re-read from a freshly laid-out chart after
    // a resize or a scale change.
    if (annotationRefresh_) {
        XrtSetValues(chart(), XRT_REPAINT, 1);
        annotations_->RefreshGeometry();
        annotationRefresh_ = false;
        XrtSetValues(chart(), XRT_REPAINT, 0);
    }

    // The new spectrum to the chart. It is drawn once the next scan has been
    // asked for (or when no next scan follows), and then only when a
    // display frame has passed since the last drawing; otherwise by the
    // frame timer, at the latest a frame after it arrived. With the baseline
    // subtracted, the shown spectrum (and the readout, which reads it) is
    // taken from the engine only as the frame is drawn, so the baseline is
    // fitted once per frame, not once per scan.
    spectrumWaiting_ = shown && instrument_->IsSubtractingBaseline();
    if (!spectrumWaiting_)
        TakeShownSpectrum();
    repaint.Release();
    if (!shown) {
        pacer_->Cancel();  // the run's dark scan is not shown
    } else {
        XrtSetValues(chart(), XRT_DATA, liveData_);
        pacer_->Waiting();
    }
}

void CVexlarView::FollowAxes(AxisChange change)
{
    // A peak stays at its pixel when the axes change under it.
    if (change != AxisChange::Mode)
        peaks_->Relabel();
    // The laser line moves the chart only on the Raman axis, and the shown
    // spectrum only with the baseline (its cut-on moves with the axis).
    const bool raman = instrument_->workspace().xAxisMode == 1;
    if (change == AxisChange::RamanMoved && !raman && !instrument_->IsSubtractingBaseline())
        return;
    {
        RepaintGuard repaint(chart());
        if (change != AxisChange::RamanMoved || raman)
            ApplyXAxisToChart();
        XrtDataSetYData(liveData_, 0, instrument_->ShownSpectrum(), kPixels);
        XrtSetValues(chart(), XRT_DATA, liveData_);
    }
    if (change != AxisChange::Mode)
        return;
    peaks_->AxisModeChanged();
    annotationRefresh_ = true;
}

bool CVexlarView::event(QEvent* e)
{
    if (const auto* message = sys::AsWindowMessage(e)) {
        if (message->message() == WM_BAR_PARAM) {
            OnBarParam(static_cast<int>(message->wParam()));
            return true;
        }
    }
    return QWidget::event(e);
}

void CVexlarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (chartWindow_) {
        const int cx = event->size().width();
        const int cy = event->size().height();
        RepaintGuard repaint(chart());
        chartWindow_->setGeometry(0, 0, cx, cy);
        XrtSetValues(chart(), XRT_ORIGIN_X, 0);
        XrtSetValues(chart(), XRT_WIDTH, cx);
        XrtSetValues(chart(), XRT_ORIGIN_Y, 0);
        XrtSetValues(chart(), XRT_HEIGHT, cy);
    }
    annotationRefresh_ = true;
}

void CVexlarView::contextMenuEvent(QContextMenuEvent* event)
{
    annotations_->OnContextMenu(event->globalPos());
    event->accept();
}

void CVexlarView::mouseMoveEvent(QMouseEvent* event)
{
    annotations_->PointerMoved(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CVexlarView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    annotations_->LeftPressed(event->position().toPoint());
    event->accept();
}
