// File > Export Spectrum: the spectrum on display as tab-separated text, one
// pixel per line, for other programs. The time-acquisition run writes the
// same lines (FormatExportFile) without a message box of its own.

#include <string>

#include "FileReplace.h"
#include "MessageBox.h"
#include "acquisition/VexlarView.h"
#include "files/ExportFormat.h"
#include "files/FileDialogs.h"
#include "files/FileMessages.h"

using namespace vexlar;
using namespace vexlar::files;

namespace {

constexpr char kNotExported[] = "Cannot export the spectrum to";

}  // namespace

void CVexlarView::OnExportSpectrum()
{
    // Acquisition goes on: the file holds the arrays as they are now.
    const std::string path = CFileDialog::Choose(this, ExportSpectrumDialog());
    if (path.empty())
        return;
    WriteExportFile(path.c_str());
}

bool CVexlarView::WriteExportFile(const char* path)
{
    if (!path || !*path) {
        vexlar::sys::ShowOperatorMessage("Cannot export the spectrum: no file name was given.",
                                         vexlar::sys::kErrorTitle);
        return false;
    }
    const double* x = workspace_.xAxisMode == kRamanShiftMode ? workspace_.ramanShift : workspace_.wavelength;
    std::string reason = NotFiniteReason(ShownSpectrum(), {x}, kPixels);
    if (!reason.empty()) {
        ReportFileError(kNotExported, path, reason);
        return false;
    }
    const std::string text =
        FormatExportFile(workspace_.xAxisMode, workspace_.wavelength, workspace_.ramanShift, ShownSpectrum(), kPixels);
    // Replaced whole: an existing file gives way only to a complete new one,
    // so a failed export never leaves a cut-off file in place of a good one.
    if (!vexlar::sys::ReplaceFileWhole(path, text, &reason)) {
        ReportFileError(kNotExported, path, reason);
        return false;
    }
    return true;
}
