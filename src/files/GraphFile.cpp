// File > Save Graph and File > Open: the spectrum on display written to a
// spectrum file (the chart library's data file of the live data set) with
// its annotations and peak table beside it, and a spectrum file read back
// into the workspace, shown against the axis its x values indicate, with
// acquisition stopped and its annotations restored.

#include <QFileInfo>

#include <cmath>
#include <string>
#include <vector>

#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "acquisition/ViewHost.h"
#include "display/RepaintGuard.h"
#include "files/FileDialogs.h"
#include "files/FileMessages.h"

using namespace vexlar;
using namespace vexlar::files;

namespace {

// Entries of the control bar's x-axis list.
constexpr int kWavelengthEntry = 0;
constexpr int kRamanShiftEntry = 1;
constexpr int kWavelengthMode = 0;
constexpr int kRamanShiftMode = 1;

constexpr char kWavelengthTitle[] = "Wavelength (nm)";
constexpr char kRamanTitle[] = "Raman Shift (cm-1)";

// A Raman-shift file is drawn from zero shift to its last pixel.
constexpr double kRamanAxisStart = 0.0;

constexpr char kNotSaved[] = "Cannot save the graph to";
constexpr char kNotOpened[] = "Cannot open the spectrum file";

// The x and y values of a spectrum file, read out of its data set.
struct FileSpectrum {
    std::vector<double> x;
    std::vector<double> y;
};

// Reads the 2048 points of an opened data set. False, with the reason, when
// it holds another number of points or a value that is not a finite number
// (the chart library refuses those when loading; they are checked again so
// that nothing but numbers ever reaches the axes).
bool ReadFileSpectrum(XrtHandle data, FileSpectrum* out, std::string* reason)
{
    int sets = 0;
    int points = 0;
    if (!XrtDataGetSetCount(data, &sets) || !XrtDataGetPointCount(data, &points)) {
        *reason = ChartLibraryReason();
        return false;
    }
    if (sets != 1 || points != kPixels) {
        *reason = "it holds " + std::to_string(points) + " points; a spectrum has " + std::to_string(kPixels) +
                  ", one per detector pixel";
        return false;
    }
    out->x.assign(kPixels, 0.0);
    out->y.assign(kPixels, 0.0);
    for (int i = 0; i < kPixels; ++i) {
        if (!XrtDataGetXElementIndirect(data, 0, i, &out->x[i]) ||
            !XrtDataGetYElementIndirect(data, 0, i, &out->y[i])) {
            *reason = ChartLibraryReason();
            return false;
        }
        if (!std::isfinite(out->x[i]) || !std::isfinite(out->y[i])) {
            *reason = "point " + std::to_string(i) + " is not a finite number";
            return false;
        }
    }
    return true;
}

void SetShownX(XrtHandle chart, double minimum, double maximum)
{
    XrtSetValues(chart, XRT_X_BOUND_MIN, minimum);
    XrtSetValues(chart, XRT_X_MIN, minimum);
    XrtSetValues(chart, XRT_X_BOUND_MAX, maximum);
    XrtSetValues(chart, XRT_X_MAX, maximum);
}

}  // namespace

void CVexlarView::OnSaveGraph()
{
    const std::string path = CFileDialog::Choose(this, SaveSpectrumDialog());
    if (path.empty())
        return;
    // The live data set as it is drawn: the x axis of the current mode
    // and the spectrum on display. The file is replaced only once the whole
    // of it has been written.
    if (!XrtDataSaveToFile(liveData, path.c_str(), XRT_FILE_DEFAULT)) {
        // The annotation and peak files would describe a spectrum that was
        // not saved, and could replace those of an earlier good file.
        ReportFileError(kNotSaved, path, ChartLibraryReason());
        return;
    }
    // Each writes its file only when there is something to keep and
    // tells the operator itself when it cannot.
    SaveAnnotations(path.c_str());
    SavePeakFile(path.c_str());
}

void CVexlarView::OnOpenSpectrum()
{
    // The Continuous box is cleared even when the operator then cancels or
    // the file is refused.
    if (host_)
        host_->SetChecked(IDC_CONTINUOUS, false);
    if (openedData != 0) {
        XrtDataDestroy(openedData);
        openedData = 0;
    }
    const std::string path = CFileDialog::Choose(this, OpenSpectrumDialog());
    if (path.empty())
        return;

    // The file is read and checked before anything changes, so a file
    // that is refused leaves acquisition, the arrays and the chart as they
    // were.
    const XrtHandle data = XrtDataCreateFromFile(path.c_str(), XRT_FILE_DEFAULT);
    if (data == 0) {
        ReportFileError(kNotOpened, path, ChartLibraryReason());
        return;
    }
    FileSpectrum file;
    std::string reason;
    if (!ReadFileSpectrum(data, &file, &reason)) {
        XrtDataDestroy(data);
        ReportFileError(kNotOpened, path, reason);
        return;
    }
    openedData = data;

    // Scans that arrive from now on are dropped; accumulation ends.
    flags_.scanning = false;
    flags_.additive = false;

    {
        RepaintGuard repaint(chart());
        const XrtHandle c = chart();
        // The sign of the first x value stands in for the unit.
        if (file.x[0] < 0.0) {
            if (host_)
                host_->SelectItem(IDC_X_AXIS, kRamanShiftEntry);
            workspace_.xAxisMode = kRamanShiftMode;
            std::copy(file.y.begin(), file.y.end(), workspace_.spectrum);
            std::copy(file.x.begin(), file.x.end(), workspace_.ramanShift);
            SetShownX(c, kRamanAxisStart, workspace_.ramanShift[kPixels - 1]);
            XrtSetValues(c, XRT_X_TITLE, kRamanTitle);
            XrtDataSetXData(liveData, 0, workspace_.ramanShift, kPixels);
        } else {
            if (host_)
                host_->SelectItem(IDC_X_AXIS, kWavelengthEntry);
            workspace_.xAxisMode = kWavelengthMode;
            std::copy(file.y.begin(), file.y.end(), workspace_.spectrum);
            std::copy(file.x.begin(), file.x.end(), workspace_.wavelength);
            SetShownX(c, workspace_.wavelength[0], workspace_.wavelength[kPixels - 1]);
            XrtSetValues(c, XRT_X_TITLE, kWavelengthTitle);
            XrtDataSetXData(liveData, 0, workspace_.wavelength, kPixels);
        }
        SetLiveYData();
        XrtSetValues(c, XRT_DATA, liveData);
        XrtSetValues(c, XRT_Y_MIN, 0.0);
        XrtSetValues(c, XRT_Y_MAX, kFullScaleIntensity);
        // Tells the operator itself when the file beside the spectrum
        // cannot be read; no file there keeps the annotations on the chart.
        LoadAnnotations(path.c_str());
    }

    // Kept, so that what is written out later knows the spectrum on display
    // is this file's for as long as it is.
    openedSpectrum_ = {path, workspace_.xAxisMode, std::move(file.x), std::move(file.y)};

    // The file's name without its folder.
    if (host_)
        host_->SetDocumentTitle(QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString());
}
