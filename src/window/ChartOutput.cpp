// The chart on paper and in figures: File > Print with the print dialog,
// direct printing without it, File > Print Setup with the page set-up
// dialog, and File > Save Figure.
//
// One printer set-up lives as long as the view, so the printer, paper,
// orientation and output file the operator chose stay chosen for the next
// print of the run. A print job prints one page: the chart as the operator
// sees it (spectrum, scale, cursor, peak labels, annotations), as large as
// the printable area allows with the screen's aspect ratio. A PDF file is a
// printer like any other (the print dialog's "Print to File (PDF)"), so an
// operator without a printer can keep a page.
//
// Nothing is printed through an output that failed to open, and a failed
// print is reported to the operator with the printer or file and the reason.
// A PDF file is drawn into a scratch file first and then written whole in
// place of the chosen one, like every data file: a disk that fills up is
// reported, and never leaves a cut-off page where a good one was.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>

#include <sys/stat.h>

#include "FileReplace.h"
#include "MessageBox.h"
#include "ModalDialog.h"
#include "Xrt.h"
#include "display/Chart2D.h"
#include "display/FigureRender.h"
#include "display/FigureResolutionDlg.h"
#include "display/PrintLayout.h"
#include "files/FileDialogs.h"
#include "files/FileMessages.h"
#include "files/FormatChoice.h"
#include "window/ChartOutput.h"
#include "window/VexlarView.h"

namespace {

// The print job has one page: the chart.
constexpr int kOnlyPage = 1;
constexpr char kDefaultDocumentName[] = "Vexlar";

using vexlar::LayOutPrintedChart;
using vexlar::PrintedChartRect;

bool PrintsToFile(const QPrinter& printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat;
}

// The printer or file the page goes to, as the operator knows it.
std::string TargetName(const QPrinter& printer)
{
    const QString quoted = QStringLiteral("\"%1\"");
    if (PrintsToFile(printer))
        return quoted.arg(printer.outputFileName()).toStdString();
    const QString name = printer.printerName();
    if (name.isEmpty())
        return "the default printer";
    return "the printer " + quoted.arg(name).toStdString();
}

void ReportPrintError(const std::string& target, const std::string& reason)
{
    vexlar::sys::ShowOperatorMessage("Cannot print to " + target + ":\n" + reason, vexlar::sys::kErrorTitle);
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string NoAreaReason(QSize client, int pageWidth, int pageHeight)
{
    return "the chart window (" + SizeText(client.width(), client.height()) +
           " pixels) has no area to print on the page (" + SizeText(pageWidth, pageHeight) + " printable units).";
}

// Checks that the chart has an area to print on the page of printer (before
// a print job is started for nothing).
bool ChartFitsPage(const CChart2D* chartWindow, const QPrinter& printer, std::string* reason)
{
    const QSize client = chartWindow ? chartWindow->size() : QSize();
    if (!LayOutPrintedChart(client.width(), client.height(), printer.width(), printer.height()).empty())
        return true;
    *reason = NoAreaReason(client, printer.width(), printer.height());
    return false;
}

// Checks that the chosen output can take the page. A PDF file must have been
// chosen and be writable; without the print dialog an existing file is not
// replaced, as nobody has been asked whether it may be.
bool OutputReady(const QPrinter& printer, bool direct, bool* createdFile, std::string* reason)
{
    *createdFile = false;
    if (!PrintsToFile(printer))
        return true;
    const QString path = printer.outputFileName();
    if (path.isEmpty()) {
        *reason = "no printer is installed and no file to print to has been chosen.\n"
                  "Choose a PDF file in the print dialog (File > Print...).";
        return false;
    }
    // A pipe in the file's place would hold the program in the open below
    // until some other process reads it. (A device is written into as it
    // stands, and reports its own failures.)
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
        *reason = "it is not a file.";
        return false;
    }
    QFile probe(path);
    const bool existed = probe.exists();
    if (direct && existed) {
        *reason = "the file already exists.\nPrint with File > Print... to choose whether to replace it.";
        return false;
    }
    // Opened for appending, so that an existing file is not cut short before
    // the print job itself replaces it.
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *reason = probe.errorString().toStdString() + ".";
        return false;
    }
    probe.close();
    *createdFile = !existed;
    return true;
}

// The end of every complete PDF file (trailing line ends aside).
constexpr char kPdfEnd[] = "%%EOF";
constexpr char kScratchPdfName[] = "/vexlar-print-XXXXXX.pdf";

// Writes the page drawn into the scratch file in place of the chosen file,
// whole or not at all; false with the reason.
bool KeepPrintedPage(const QString& scratch, const QString& chosen, std::string* reason)
{
    QFile page(scratch);
    if (!page.open(QIODevice::ReadOnly)) {
        *reason = page.errorString().toStdString() + ".";
        return false;
    }
    const QByteArray bytes = page.readAll();
    if (!bytes.trimmed().endsWith(kPdfEnd)) {
        *reason = "the page could not be written.";
        return false;
    }
    if (!vexlar::sys::ReplaceFileWhole(QFile::encodeName(chosen).toStdString(), bytes.toStdString(), reason)) {
        *reason += ".";
        return false;
    }
    return true;
}

// The print job of the toolkit's standard print procedure: prepare (the
// dialog unless printing directly), begin, the one page, end.
void PrintChart(vexlar::ChartOutput& view, const CVexlarView& chartView, bool direct)
{
    QPrinter& printer = view.printSetup();
    if (!view.OnPreparePrinting(printer, direct))
        return;
    const std::string target = TargetName(printer);
    std::string reason;
    bool createdFile = false;
    if (!ChartFitsPage(chartView.chartWindow(), printer, &reason) ||
        !OutputReady(printer, direct, &createdFile, &reason)) {
        ReportPrintError(target, reason);
        return;
    }
    const QString title = chartView.window()->windowTitle();
    printer.setDocName(title.isEmpty() ? QString(kDefaultDocumentName) : title);

    // A PDF file's page goes to a scratch file for the length of the job.
    const QString chosen = printer.outputFileName();
    QTemporaryFile scratch(QDir::tempPath() + kScratchPdfName);
    if (PrintsToFile(printer)) {
        if (!scratch.open()) {
            if (createdFile)
                QFile::remove(chosen);
            ReportPrintError(target, "no scratch file for the page: " + scratch.errorString().toStdString() + ".");
            return;
        }
        printer.setOutputFileName(scratch.fileName());
    }

    QPainter painter;
    bool printed = painter.begin(&printer);
    if (!printed) {
        reason = "the print job could not be started.";
    } else {
        view.OnBeginPrinting(painter, printer);
        printed = view.OnPrint(painter, &reason);
        view.OnEndPrinting(painter, printer);
        if (!printed)
            printer.abort();
        painter.end();
        if (printed && printer.printerState() == QPrinter::Error) {
            printed = false;
            reason = "the page could not be written.";
        }
    }
    if (PrintsToFile(printer)) {
        printer.setOutputFileName(chosen);
        if (printed)
            printed = KeepPrintedPage(scratch.fileName(), chosen, &reason);
    }
    if (!printed) {
        // A file this print made is taken away again; one that was there
        // before is as it was.
        if (createdFile)
            QFile::remove(chosen);
        ReportPrintError(target, reason);
    }
}

}  // namespace

QPrinter& vexlar::ChartOutput::printSetup()
{
    // The page is measured in the screen's resolution, the units the chart
    // is laid out in, so it is drawn on paper as it is on the screen; the
    // drawing itself is vector, so the page loses no sharpness by it.
    if (!printSetup_)
        printSetup_ = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    return *printSetup_;
}

void vexlar::ChartOutput::OnFilePrint()
{
    PrintChart(*this, view_, false);
}

void vexlar::ChartOutput::OnFilePrintDirect()
{
    PrintChart(*this, view_, true);
}

void vexlar::ChartOutput::OnFilePrintSetup()
{
    // The dialog writes the operator's choices into the kept set-up when
    // accepted and leaves it alone when cancelled.
    QPageSetupDialog dialog(&printSetup(), &view_);
    vexlar::sys::RunModal(dialog);
}

bool vexlar::ChartOutput::OnPreparePrinting(QPrinter& printer, bool direct)
{
    if (direct)
        return true;
    QPrintDialog dialog(&printer, &view_);
    // One page, so there is no range or selection to choose.
    dialog.setMinMax(kOnlyPage, kOnlyPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return vexlar::sys::RunModal(dialog) == QDialog::Accepted;
}

void vexlar::ChartOutput::OnBeginPrinting(QPainter&, QPrinter&) { }

void vexlar::ChartOutput::OnEndPrinting(QPainter&, QPrinter&) { }

bool vexlar::ChartOutput::OnPrint(QPainter& painter, std::string* error)
{
    // The painter draws in the page's device units from the top-left corner
    // of its printable area, so the rectangle of the page rule is handed to
    // the chart as it stands.
    const QPaintDevice* page = painter.isActive() ? painter.device() : nullptr;
    if (!page) {
        *error = "the page is not open for drawing.";
        return false;
    }
    const QSize client = view_.chartWindow() ? view_.chartWindow()->size() : QSize();
    const PrintedChartRect r = LayOutPrintedChart(client.width(), client.height(), page->width(), page->height());
    if (r.empty()) {
        *error = NoAreaReason(client, page->width(), page->height());
        return false;
    }
    if (!XrtDrawToDC(view_.chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, r.left, r.top, r.width,
                     r.height)) {
        *error = "the chart could not be drawn (" + XrtGetLastError() + ").";
        return false;
    }
    return true;
}

// --- Figures ---------------------------------------------------------------------------

namespace {

// The formats, in the order of the dialog's filters.
constexpr int kPngFormat = 0;
constexpr int kSvgFormat = 1;
const std::vector<std::vector<std::string>> kExtensions = {{"png"}, {"svg"}, {"pdf"}};

constexpr char kNotSaved[] = "Cannot save the figure to";

}  // namespace

void vexlar::ChartOutput::OnSaveFigure()
{
    int filter = kPngFormat;
    const std::string path = CFileDialog::Choose(&view_, files::SaveFigureDialog(), &filter);
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
    const CChart2D* chartWindow = view_.chartWindow();
    const QSize chartSize = chartWindow ? chartWindow->size() : QSize();
    const double screenDpi = chartWindow ? chartWindow->logicalDpiX() : 0.0;
    const QString title = QFileInfo(QFile::decodeName(path.c_str())).completeBaseName();

    QByteArray bytes;
    std::string reason;
    bool drawn = false;
    if (format == kPngFormat) {
        CFigureResolutionDlg resolution(chartSize, screenDpi, &view_);
        resolution.dpi = figureDpi_;
        if (resolution.Run() != QDialog::Accepted)
            return;
        figureDpi_ = resolution.dpi;
        drawn = display::RenderPngFigure(view_.chart(), chartSize, screenDpi, figureDpi_, &bytes, &reason);
    } else if (format == kSvgFormat) {
        drawn = display::RenderSvgFigure(view_.chart(), chartSize, screenDpi, title, &bytes, &reason);
    } else {
        drawn = display::RenderPdfFigure(view_.chart(), chartSize, screenDpi, title, &bytes, &reason);
    }
    if (drawn && vexlar::sys::ReplaceFileWhole(path, bytes.toStdString(), &reason))
        return;
    files::ReportFileError(kNotSaved, path, reason);
}
