// File > Save Figure...: the chart as the operator sees it, drawn by the
// chart library into a PNG image at a chosen resolution, an SVG drawing or a
// PDF page, and written whole like every file of the program. The dialog's
// filter chooses the format (a typed extension of another format wins); a
// typed extension of none of them is refused, so that no file ever holds
// one format under another's name.

#include <QFile>
#include <QFileInfo>

#include <string>
#include <vector>

#include "FileReplace.h"
#include "acquisition/VexlarView.h"
#include "display/Chart2D.h"
#include "display/FigureRender.h"
#include "display/FigureResolutionDlg.h"
#include "files/FileDialogs.h"
#include "files/FileMessages.h"
#include "files/FormatChoice.h"

using namespace vexlar;

namespace {

// The formats, in the order of the dialog's filters.
constexpr int kPngFormat = 0;
constexpr int kSvgFormat = 1;
const std::vector<std::vector<std::string>> kExtensions = {{"png"}, {"svg"}, {"pdf"}};

constexpr char kNotSaved[] = "Cannot save the figure to";

}  // namespace

void CVexlarView::OnSaveFigure()
{
    int filter = kPngFormat;
    const std::string path = CFileDialog::Choose(this, files::SaveFigureDialog(), &filter);
    if (path.empty())
        return;
    if (files::NamesAnotherFormat(path, kExtensions)) {
        files::ReportFileError(kNotSaved, path,
                               "A figure is saved as PNG (.png), SVG (.svg) or PDF (.pdf), and \"." +
                                   files::ExtensionOf(path) +
                                   "\" is none of them. Nothing was written: choose a name ending in one of them.");
        return;
    }
    const int format = files::FormatOfPath(path, kExtensions, filter);
    const QSize chartSize = chartWindow_ ? chartWindow_->size() : QSize();
    const double screenDpi = chartWindow_ ? chartWindow_->logicalDpiX() : 0.0;
    const QString title = QFileInfo(QFile::decodeName(path.c_str())).completeBaseName();

    QByteArray bytes;
    std::string reason;
    bool drawn = false;
    if (format == kPngFormat) {
        CFigureResolutionDlg resolution(chartSize, screenDpi, this);
        resolution.dpi = figureDpi_;
        if (resolution.Run() != QDialog::Accepted)
            return;
        figureDpi_ = resolution.dpi;
        drawn = display::RenderPngFigure(chart(), chartSize, screenDpi, figureDpi_, &bytes, &reason);
    } else if (format == kSvgFormat) {
        drawn = display::RenderSvgFigure(chart(), chartSize, screenDpi, title, &bytes, &reason);
    } else {
        drawn = display::RenderPdfFigure(chart(), chartSize, screenDpi, title, &bytes, &reason);
    }
    if (drawn && vexlar::sys::ReplaceFileWhole(path, bytes.toStdString(), &reason))
        return;
    files::ReportFileError(kNotSaved, path, reason);
}
