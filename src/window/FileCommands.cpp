#include "window/FileCommands.h"

#include <QFileInfo>

#include "MessageBox.h"
#include "Xrt.h"
#include "display/RepaintGuard.h"
#include "files/FileDialogs.h"
#include "files/FormatChoice.h"
#include "window/AnnotationBoard.h"
#include "window/PeakMarks.h"
#include "window/VexlarView.h"
#include "window/ViewHost.h"

namespace vexlar {

namespace {

// Entries of the control bar's x-axis list.
constexpr int kWavelengthEntry = 0;
constexpr int kRamanShiftEntry = 1;

constexpr char kWavelengthTitle[] = "Wavelength (nm)";
constexpr char kRamanTitle[] = "Raman Shift (cm-1)";

// A Raman-shift file is drawn from zero shift to its last pixel.
constexpr double kRamanAxisStart = 0.0;

void Tell(const std::string& message)
{
    if (!message.empty())
        sys::ShowOperatorMessage(message, sys::kErrorTitle);
}

void SetShownX(XrtHandle chart, double minimum, double maximum)
{
    XrtSetValues(chart, XRT_X_BOUND_MIN, minimum);
    XrtSetValues(chart, XRT_X_MIN, minimum);
    XrtSetValues(chart, XRT_X_BOUND_MAX, maximum);
    XrtSetValues(chart, XRT_X_MAX, maximum);
}

}  // namespace

void FileCommands::OnSaveGraph()
{
    const std::string path = CFileDialog::Choose(&view_, files::SaveSpectrumDialog());
    if (!path.empty())
        SaveGraph(path);
}

void FileCommands::SaveGraph(const std::string& path)
{
    // The annotation and peak files would describe a spectrum that was not
    // saved, and could replace those of an earlier good file.
    const std::string failure = view_.instrument().SaveSpectrumFile(path);
    if (!failure.empty()) {
        Tell(failure);
        return;
    }
    // Each writes its file only when there is something to keep and tells
    // the operator itself when it cannot.
    view_.annotations().SaveAnnotations(path.c_str());
    view_.peaks().SavePeakFile(path.c_str());
}

void FileCommands::OnOpenSpectrum()
{
    // The Continuous box is cleared even when the operator then cancels or
    // the file is refused.
    if (ViewHost* host = view_.host())
        host->SetChecked(IDC_CONTINUOUS, false);
    const std::string path = CFileDialog::Choose(&view_, files::OpenSpectrumDialog());
    if (!path.empty())
        OpenSpectrum(path);
}

void FileCommands::OpenSpectrum(const std::string& path)
{
    Instrument& engine = view_.instrument();
    const std::string failure = engine.OpenSpectrumFile(path);
    if (!failure.empty()) {
        Tell(failure);
        return;
    }
    ViewHost* host = view_.host();
    const acquisition::AcquisitionWorkspace& w = engine.workspace();
    {
        RepaintGuard repaint(view_.chart());
        const XrtHandle c = view_.chart();
        const XrtHandle live = view_.liveData();
        // The axis the file's x values are on.
        if (w.xAxisMode == 1) {
            if (host)
                host->SelectItem(IDC_X_AXIS, kRamanShiftEntry);
            SetShownX(c, kRamanAxisStart, w.ramanShift[kPixels - 1]);
            XrtSetValues(c, XRT_X_TITLE, kRamanTitle);
            XrtDataSetXData(live, 0, w.ramanShift, kPixels);
        } else {
            if (host)
                host->SelectItem(IDC_X_AXIS, kWavelengthEntry);
            SetShownX(c, w.wavelength[0], w.wavelength[kPixels - 1]);
            XrtSetValues(c, XRT_X_TITLE, kWavelengthTitle);
            XrtDataSetXData(live, 0, w.wavelength, kPixels);
        }
        XrtDataSetYData(live, 0, engine.ShownSpectrum(), kPixels);
        XrtSetValues(c, XRT_DATA, live);
        // The peaks marked stay at their pixels, on the file's axis.
        view_.peaks().Relabel();
        XrtSetValues(c, XRT_Y_MIN, 0.0);
        XrtSetValues(c, XRT_Y_MAX, kFullScaleIntensity);
        // Tells the operator itself when the file beside the spectrum
        // cannot be read; no file there keeps the annotations on the chart.
        view_.annotations().LoadAnnotations(path.c_str());
    }
    // The file's name without its folder.
    if (host)
        host->SetDocumentTitle(QFileInfo(QFile::decodeName(path.c_str())).fileName().toStdString());
}

void FileCommands::OnExportSpectrum()
{
    // Acquisition goes on: the file holds the arrays as they are now.
    const std::string path = CFileDialog::Choose(&view_, files::ExportSpectrumDialog());
    if (path.empty())
        return;
    WriteExportFile(path.c_str());
}

bool FileCommands::WriteExportFile(const char* path)
{
    const std::string failure = view_.instrument().WriteExportFile(path ? path : "");
    Tell(failure);
    return failure.empty();
}

void FileCommands::OnExportAs()
{
    int filter = Instrument::kCsvFormat;
    const std::string path = CFileDialog::Choose(&view_, files::ExportAsDialog(), &filter);
    if (path.empty())
        return;
    const int format = files::FormatOfPath(path, Instrument::ExportAsExtensions(), filter);
    Tell(view_.instrument().ExportAs(path, format));
}

}  // namespace vexlar
