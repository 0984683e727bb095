// Graph scaling: Autoscale fits the y axis to the data inside the shown x
// range, Set Scale takes both ranges from the operator, Unscale returns to
// the default scale. Every change asks for the annotations' rectangles to be
// re-read at the next scan.

#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "calibration/Axes.h"
#include "display/RepaintGuard.h"
#include "display/SetScaleDlg.h"
#include "display/ShownRange.h"

using namespace vexlar;

display::PixelRange CVexlarView::ShownPixels() const
{
    double xMaximum = 0.0, xMinimum = 0.0;
    XrtGetValues(chart(), XRT_X_MAX, &xMaximum);
    XrtGetValues(chart(), XRT_X_MIN, &xMinimum);
    const double* x = workspace_.xAxisMode == 1 ? workspace_.ramanShift : workspace_.wavelength;
    return display::ShownPixelRange(x, xMinimum, xMaximum);
}

void CVexlarView::OnAutoscale()
{
    const display::YRange y = display::AutoscaleYRange(ShownSpectrum(), ShownPixels());
    XrtSetValues(chart(), XRT_Y_MIN, y.low);
    XrtSetValues(chart(), XRT_Y_MAX, y.high);
    flags_.annotationRefresh = true;
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
    flags_.annotationRefresh = true;
}

void CVexlarView::OnUnscale()
{
    {
        RepaintGuard repaint(chart());
        const XrtHandle c = chart();
        const calibration::XRange x = workspace_.xAxisMode == 0
                                          ? calibration::WavelengthAxisRange(workspace_.wavelength)
                                          : calibration::RamanAxisRange(workspace_.ramanShift);
        XrtSetValues(c, XRT_X_BOUND_MIN, x.minimum);
        XrtSetValues(c, XRT_X_BOUND_MAX, x.maximum);
        XrtSetValues(c, XRT_X_MIN, x.minimum);
        XrtSetValues(c, XRT_X_MAX, x.maximum);
        XrtSetValues(c, XRT_Y_MIN, 0.0);
        XrtSetValues(c, XRT_Y_MAX, kFullScaleIntensity);
    }
    flags_.annotationRefresh = true;
}
