// The chart that fills the view: its one-time set-up and following the
// view's size.

#include <QResizeEvent>

#include <algorithm>
#include <string>

#include "Font.h"
#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "display/Chart2D.h"
#include "display/RepaintGuard.h"

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
constexpr int kPeakLabelFontHeight = 14;
constexpr int kUpwardsEscapement = 900;  // tenths of a degree: text reads upwards

// Style records: line pattern, line width, line colour (0x00BBGGRR), point
// symbol, symbol size, symbol colour, and one more word; the last two stay 0.
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr XrtDataStyle kSpectrumStyle{{2, 2, kRed, 1, 2, kRed, 0, 0, 0}};
constexpr XrtDataStyle kSecondStyle{{4, 2, kBlue, 0, 2, kRed, 0, 0, 0}};

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
    XrtDataSetXData(liveData, 0, workspace_.wavelength, kPixels);
    SetLiveYData();
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
    seriesStyle = kSpectrumStyle;
    XrtSetValues(c, XRT_DATA, liveData);
    XrtSetValues(c, XRT_LEGEND_SHOWN, 0);
    XrtSetNthDataStyle(c, 0, &seriesStyle);
    secondStyle = kSecondStyle;
    XrtSetValues(c, XRT_SECOND_STYLE, &secondStyle);
    // The cursor waits hidden in the middle of the detector.
    XrtSetValues(c, XRT_TEXT_AREAS_ENABLED, 1);
    XrtSetValues(c, XRT_ANTIALIASED_LINES, 0);
    XrtSetValues(c, XRT_CURSOR_POINT, kInitialCursorPoint);
    // Peak labels: written upwards at their peak's data point. Each text
    // area keeps its own copy of the font, so it goes at once.
    const vexlar::sys::FontHandle peakLabelFont = vexlar::sys::CreateFont(
        kPeakLabelFontHeight, 0, kUpwardsEscapement, kUpwardsEscapement, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    for (PeakRecord& peak : peakTable_.peaks) {
        peak.inUse = 0;
        peak.labelArea = XrtTextAreaCreate(c);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_FONT, XrtHandle{peakLabelFont});
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_ATTACH, XRT_ATTACH_DATA_POINT);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_PLACEMENT, XRT_PLACE_ABOVE);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_DATA_SET, 0);
    }
    vexlar::sys::DeleteFont(peakLabelFont);
    // Annotation slots: free, empty, each with its own font and a hidden
    // text area anchored in data units.
    for (AnnotationRecord& a : annotationSlots_.annotations) {
        a.inUse = 0;
        a.text[0] = '\0';
        std::fill(std::begin(a.screenRect), std::end(a.screenRect), 0);
        a.CreateFont();
        a.textArea = XrtTextAreaCreate(c);
        XrtTextAreaSetValues(a.textArea, XRT_TEXT_ATTACH, XRT_ATTACH_COORDS);
        XrtTextAreaSetValues(a.textArea, XRT_TEXT_SHOWN, 0);
    }
    XrtSetValues(c, XRT_REPAINT, 1);
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
    flags_.annotationRefresh = true;
}
