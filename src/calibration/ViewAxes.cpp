// The view's calibration table and x axes: rebuilding the axis arrays for
// the selected channel and laser line, and putting the axis of the current
// x-axis mode on the chart.

#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "display/RepaintGuard.h"
#include "text/NumberText.h"

using namespace vexlar;

namespace {

constexpr char kWavelengthTitle[] = "Wavelength (nm)";
constexpr char kRamanTitle[] = "Raman Shift (cm-1)";

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

void CVexlarView::RebuildAxes()
{
    const calibration::Coefficients c = calibration::ChannelCoefficients(calibration_, workspace_.channel);
    calibration::RebuildAxes(c, calibration_.laserWavenumber, workspace_.wavelength, workspace_.wavenumber,
                             workspace_.spectrum, workspace_.ramanShift);
    RelabelPeaks();
}

void CVexlarView::ShowXAxis()
{
    ApplyXAxisToChart();
    SetLiveYData();
    XrtSetValues(chart(), XRT_DATA, liveData);
}

void CVexlarView::ApplyXAxisToChart()
{
    if (workspace_.xAxisMode != 0) {
        ApplyRamanAxisToChart();
        return;
    }
    const XrtHandle c = chart();
    XrtDataSetXData(liveData, 0, workspace_.wavelength, kPixels);
    SetXRange(c, calibration::WavelengthAxisRange(workspace_.wavelength));
    SetFullScaleY(c);
    XrtSetValues(c, XRT_X_TITLE, kWavelengthTitle);
}

void CVexlarView::ApplyRamanAxisToChart()
{
    const XrtHandle c = chart();
    XrtDataSetXData(liveData, 0, workspace_.ramanShift, kPixels);
    SetXRange(c, calibration::RamanAxisRange(workspace_.ramanShift));
    SetFullScaleY(c);
    XrtSetValues(c, XRT_X_TITLE, kRamanTitle);
}

void CVexlarView::SelectChannel(int index)
{
    // Only the eight channels the tables hold; a list closed without a
    // selection changes nothing.
    if (index < 0 || index >= kChannels)
        return;
    workspace_.channel = static_cast<std::int16_t>(index);
    RepaintGuard repaint(chart());
    RebuildAxes();
    ShowXAxis();
}

bool CVexlarView::SetLaserWavelength(const char* text)
{
    const std::optional<double> value = LeadingDouble(text ? text : "");
    // A wavelength that is not a positive finite number would put infinite
    // Raman shifts on the axis: it is refused and nothing changes.
    if (!value || !calibration::IsUsableLaserWavelength(*value))
        return false;
    calibration_.laserWavelength = static_cast<float>(*value);
    calibration_.laserWavenumber = calibration::LaserWavenumber(*value);
    calibration::ComputeRamanShift(calibration_.laserWavenumber, workspace_.wavenumber, workspace_.ramanShift);
    RelabelPeaks();
    // The Raman axis moves, and with it the baseline's cut-on.
    if (workspace_.xAxisMode == 1 || cleaning_.subtractBaseline) {
        RepaintGuard repaint(chart());
        if (workspace_.xAxisMode == 1)
            ApplyRamanAxisToChart();
        SetLiveYData();
        XrtSetValues(chart(), XRT_DATA, liveData);
    }
    return true;
}

void CVexlarView::SetXAxisMode(int index)
{
    // Only the two axes there are.
    if (index != 0 && index != 1)
        return;
    workspace_.xAxisMode = index;
    {
        RepaintGuard repaint(chart());
        ShowXAxis();
    }
    // Peak labels shown are made again, carrying values in the new unit;
    // a table whose labels are hidden keeps its peaks, in the new unit.
    if (peakTable_.peakLabelsShown) {
        ResetPeakTable();
        MarkAllPeaks();
    } else {
        RelabelPeaks();
    }
    flags_.annotationRefresh = true;
}
