// File > Export Spectrum: the spectrum on display as tab-separated text, one
// pixel per line, for other programs. The time-acquisition run writes its
// export files through WriteExportFile too.

#include <QSaveFile>

#include <string>

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
        vexlar::sys::ShowOperatorMessage("Cannot export the spectrum: no file name was given.", kErrorTitle);
        return false;
    }
    const std::string text = FormatExportFile(xAxisMode, wavelength, ramanShift, spectrum, kPixels);
    // Written beside the target and renamed over it: an existing file is
    // replaced whole, and only once the new one is complete, so a failed
    // export never leaves a cut-off file in place of a good one.
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly)) {
        ReportFileError(kNotExported, path, file.errorString().toStdString());
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.commit()) {
        ReportFileError(kNotExported, path, file.errorString().toStdString());
        return false;
    }
    return true;
}
