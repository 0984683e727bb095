// Printing the chart: the page drawn into the rectangle of the page rule,
// real prints to PDF files through the print dialog (looked at as images),
// direct printing, the page set-up kept between prints, the menu commands,
// and every failure told to the operator with its reason.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "ModalDialog.h"
#include "Xrt.h"
#include "commands/CommandIds.h"
#include "display/Chart2D.h"
#include "display/PrintLayout.h"
#include "support/Colours.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// pdftoppm's rendering of a page, in dots per inch.
constexpr int kRenderDpi = 60;
constexpr int kToolTimeoutMs = 30000;
// A dialog left open by a broken script is closed after this long.
constexpr int kDialogSafetyMs = 10000;
// Pixels of rounding and line width allowed at the rectangle's edges.
constexpr int kEdgeTolerance = 2;

// Answers every modal dialog in place of the operator while alive and
// records what was shown.
class DialogScript {
public:
    using Operator = std::function<void(QDialog&)>;

    explicit DialogScript(Operator op)
        : op_(std::move(op)), standIn_([this](QDialog& dialog) {
              shown.push_back(dialog.metaObject()->className());
              op_(dialog);
              return true;
          })
    { }

    std::vector<std::string> shown;

private:
    Operator op_;
    sys::ModalStandIn standIn_;
};

// The operator chooses to print to a PDF file in the print dialog and
// presses Print; any other dialog is a fault.
DialogScript::Operator ChoosePdfFile(const std::string& path)
{
    return [path](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print) {
            ADD_FAILURE() << "expected the print dialog, got " << dialog.metaObject()->className();
            dialog.reject();
            return;
        }
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(QString::fromStdString(path));
        print->done(QDialog::Accepted);
    };
}

bool IsInk(QRgb p)
{
    return qRed(p) < 240 || qGreen(p) < 240 || qBlue(p) < 240;
}

struct InkCheck {
    int red = 0;
    int redOutside = 0;
    int inkOutside = 0;
    QRect redBounds;
    QRect inkBounds;
};

// Where the red spectrum and every other mark lie relative to the rectangle
// the chart should fill (allowing kEdgeTolerance pixels around it).
InkCheck CheckInk(const QImage& image, const QRect& expected)
{
    const QRect allowed = expected.adjusted(-kEdgeTolerance, -kEdgeTolerance, kEdgeTolerance, kEdgeTolerance);
    InkCheck check;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (!IsInk(p))
                continue;
            const bool inside = allowed.contains(x, y);
            check.inkBounds |= QRect(x, y, 1, 1);
            if (!inside)
                ++check.inkOutside;
            if (IsRed(p)) {
                ++check.red;
                check.redBounds |= QRect(x, y, 1, 1);
                if (!inside)
                    ++check.redOutside;
            }
        }
    }
    return check;
}

// Pages of a PDF file as images (kRenderDpi), in order.
std::vector<QImage> RenderPages(const std::string& pdf, const TempDir& scratch)
{
    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    QProcess process;
    const QString prefix = QString::fromStdString(scratch.file("page"));
    process.start(tool, {"-r", QString::number(kRenderDpi), "-png", QString::fromStdString(pdf), prefix});
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftoppm failed on " << pdf << ": " << process.readAllStandardError().toStdString();
        return {};
    }
    std::vector<QImage> pages;
    const QDir dir(QString::fromStdString(scratch.path()));
    for (const QString& name : dir.entryList({"page-*.png"}, QDir::Files, QDir::Name))
        pages.emplace_back(dir.filePath(name));
    return pages;
}

// The rectangle of the page rule on the rendered image of a page printed
// with printer, for a chart window of the given size.
QRect ExpectedOnImage(const QPrinter& printer, QSize chart)
{
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    const PrintedChartRect r = LayOutPrintedChart(chart.width(), chart.height(), printable.width(), printable.height());
    const double scale = static_cast<double>(kRenderDpi) / printer.resolution();
    const auto at = [scale](int device) { return static_cast<int>(std::lround(device * scale)); };
    const int left = printable.left() + r.left;
    const int top = printable.top() + r.top;
    return QRect(QPoint(at(left), at(top)), QPoint(at(left + r.width) - 1, at(top + r.height) - 1));
}

#define SKIP_WITHOUT_PDFTOPPM()                                                                                        \
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())                                                          \
    GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed, so printed pages cannot be "                           \
                    "looked at; scripts/install-deps installs it"

// A view with a known spectrum on screen: a flat base with one tall band in
// the middle of the detector.
class PrintingTest : public ViewFixture {
protected:
    static constexpr float kBase = 400.0f;
    static constexpr float kBand = 3600.0f;
    static constexpr int kBandCentre = 1024;

    void ShowKnownSpectrum()
    {
        std::vector<float> scan(kPixels);
        for (int i = 0; i < kPixels; ++i) {
            const double d = (i - kBandCentre) / 12.0;
            scan[i] = static_cast<float>(kBase + (kBand - kBase) * std::exp(-d * d));
        }
        ScanPixels(0, scan);
        ASSERT_NEAR(ShownY(kBandCentre), kBand, 1e-3);
        ASSERT_NEAR(ShownY(0), kBase, 1e-3);
    }

    // Prints with File > Print to a PDF file chosen in the print dialog.
    void PrintToPdf(const std::string& path)
    {
        DialogScript dialogs(ChoosePdfFile(path));
        view->output().OnFilePrint();
        EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"QPrintDialog"}));
    }

    // Draws the page into an image as a printer page of that size.
    QImage PrintOnImage(QSize page)
    {
        QImage image(page, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        std::string error;
        EXPECT_TRUE(view->output().OnPrint(painter, &error)) << error;
        return image;
    }

    QSize chartSize() const { return view->chartWindow()->size(); }

    TempDir scratch;
};

}  // namespace

TEST_F(PrintingTest, APrintToAPdfFileShowsTheSpectrumInTheRectangleOfThePageRule)
{
    SKIP_WITHOUT_PDFTOPPM();
    CreateView();
    ShowKnownSpectrum();
    XrtSetValues(view->chart(), XRT_CURSOR_SHOWN, 1);
    const std::string pdf = scratch.file("chart.pdf");
    PrintToPdf(pdf);
    EXPECT_TRUE(messages.messages().empty()) << messages.messages().front().text;

    const std::vector<QImage> pages = RenderPages(pdf, scratch);
    ASSERT_EQ(pages.size(), 1u) << "the chart is printed on one page";
    const QImage& page = pages[0];
    const QPrinter& printer = view->output().printSetup();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    EXPECT_NEAR(page.width(), paper.width() * kRenderDpi / printer.resolution(), 1.5);
    EXPECT_NEAR(page.height(), paper.height() * kRenderDpi / printer.resolution(), 1.5);

    // A 1000 x 600 chart on a portrait page: the full printable width, centred down.
    const QRect expected = ExpectedOnImage(printer, chartSize());
    EXPECT_LT(expected.height(), expected.width());
    const InkCheck ink = CheckInk(page, expected);
    EXPECT_GT(ink.red, 100);
    EXPECT_EQ(ink.redOutside, 0) << "red spectrum outside the chart's rectangle";
    EXPECT_EQ(ink.inkOutside, 0) << "marks outside the chart's rectangle, within " << ink.inkBounds.x() << ","
                                 << ink.inkBounds.y() << " " << ink.inkBounds.width() << "x" << ink.inkBounds.height();
    // The spectrum spans the plot across and from the base up to the band;
    // the plot takes most of the chart.
    EXPECT_GT(ink.redBounds.width(), expected.width() * 8 / 10);
    EXPECT_GT(ink.redBounds.height(), expected.height() * 5 / 10);
    // The chart fills its rectangle: scale and titles reach near its edges.
    EXPECT_LT(ink.inkBounds.left() - expected.left(), expected.width() / 20);
    EXPECT_LT(expected.bottom() - ink.inkBounds.bottom(), expected.height() / 10);
    // Equal blank bands above and below (the printer's margins are equal),
    // within the rounding of the image.
    const int bandAbove = expected.top();
    const int bandBelow = page.height() - 1 - expected.bottom();
    EXPECT_NEAR(bandAbove, bandBelow, 2);
}

TEST_F(PrintingTest, ThePrintedPageFollowsTheChartWindowsSizeWhenTheOperatorResizes)
{
    CreateView();
    ShowKnownSpectrum();
    const QSize page(850, 1100);
    const auto rectOnPage = [&] {
        const PrintedChartRect r =
            LayOutPrintedChart(chartSize().width(), chartSize().height(), page.width(), page.height());
        return QRect(r.left, r.top, r.width, r.height);
    };

    // Wider than the page in proportion: full width, centred down.
    const QRect wide = rectOnPage();
    EXPECT_EQ(wide, QRect(0, 295, 850, 510));
    InkCheck ink = CheckInk(PrintOnImage(page), wide);
    EXPECT_GT(ink.red, 100);
    EXPECT_EQ(ink.redOutside, 0);
    EXPECT_EQ(ink.inkOutside, 0);
    EXPECT_GT(ink.redBounds.width(), wide.width() * 8 / 10);

    // Resized tall and narrow: full height, centred across.
    view->resize(400, 800);
    Deliver();
    ASSERT_EQ(chartSize(), QSize(400, 800));
    const QRect tall = rectOnPage();
    EXPECT_EQ(tall, QRect(150, 0, 550, 1100));
    ink = CheckInk(PrintOnImage(page), tall);
    EXPECT_GT(ink.red, 100);
    EXPECT_EQ(ink.redOutside, 0);
    EXPECT_EQ(ink.inkOutside, 0);
    EXPECT_GT(ink.redBounds.width(), tall.width() * 7 / 10);
    EXPECT_GT(ink.redBounds.height(), tall.height() * 5 / 10);
    EXPECT_GT(ink.inkBounds.height(), ink.inkBounds.width()) << "the printed aspect follows the window";
}

TEST_F(PrintingTest, APrintInTheScreensProportionsFillsThePageFromTheCorner)
{
    CreateView();
    ShowKnownSpectrum();
    const QImage image = PrintOnImage(QSize(500, 300));  // 1000 x 600 halved
    const InkCheck ink = CheckInk(image, QRect(0, 0, 500, 300));
    EXPECT_GT(ink.red, 100);
    // The chart reaches every side: the scale on the left, the x title at the
    // bottom, and the spectrum runs to the plot's right end.
    EXPECT_LE(ink.inkBounds.left(), 25);
    EXPECT_GE(ink.inkBounds.bottom(), 280);
    EXPECT_GE(ink.redBounds.right(), 470);
}

TEST_F(PrintingTest, TheCursorAndAnnotationsArePrintedWhereTheyStandOnTheChart)
{
    CreateView();
    ShowKnownSpectrum();
    const QSize page(850, 1100);
    const QImage before = PrintOnImage(page);

    constexpr double kNoteX = 1200.0;  // nm
    constexpr double kNoteY = 3000.0;
    const char* const lines[] = {"Cyclohexane", nullptr};
    // The first annotation's text area, as the chart holds it.
    const XrtHandle note = AnnotationAreas(chart()).at(0).handle;
    ASSERT_TRUE(XrtTextAreaSetValues(note, XRT_TEXT_LINES, lines));
    ASSERT_TRUE(XrtTextAreaSetValues(note, XRT_TEXT_ANCHOR_X, kNoteX));
    ASSERT_TRUE(XrtTextAreaSetValues(note, XRT_TEXT_ANCHOR_Y, kNoteY));
    ASSERT_TRUE(XrtTextAreaSetValues(note, XRT_TEXT_SHOWN, 1));
    ASSERT_TRUE(XrtSetValues(view->chart(), XRT_CURSOR_SHOWN, 1));
    const QImage after = PrintOnImage(page);

    // What changed lies in the chart's rectangle and reaches the note's anchor
    // (chart pixels scaled as the page rule scales them).
    const PrintedChartRect r =
        LayOutPrintedChart(chartSize().width(), chartSize().height(), page.width(), page.height());
    XrtPoint anchorPixel;
    ASSERT_TRUE(XrtUnmap(view->chart(), XRT_MAP_DATA_UNITS, kNoteX, kNoteY, &anchorPixel));
    const double scale = static_cast<double>(r.width) / chartSize().width();
    const QPoint anchorOnPage(r.left + static_cast<int>(anchorPixel.x * scale),
                              r.top + static_cast<int>(anchorPixel.y * scale));
    QRect changed;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_TRUE(QRect(r.left, r.top, r.width, r.height).contains(changed));
    const QRect near = changed.adjusted(-kEdgeTolerance, -kEdgeTolerance, kEdgeTolerance, kEdgeTolerance);
    EXPECT_TRUE(near.contains(anchorOnPage))
        << "changed " << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height()
        << ", anchor at " << anchorOnPage.x() << "," << anchorOnPage.y();
    // The cursor line runs down the plot.
    EXPECT_GT(changed.height(), r.height / 2);
}

TEST_F(PrintingTest, PrintingThroughQtsOwnDialogsWritesTheChosenFileInTheChosenOrientation)
{
    SKIP_WITHOUT_PDFTOPPM();
    CreateView();
    ShowKnownSpectrum();
    const std::string pdf = scratch.file("landscape.pdf");
    bool driven = true;
    // The operator works the real dialogs: in the page set-up, Landscape and
    // OK; in the print dialog, "Print to File (PDF)", a file name and Print.
    DialogScript dialogs([&](QDialog& dialog) {
        // Whatever stays open (a question the script did not expect) is
        // closed, so the test never waits for a person.
        QTimer safety;
        safety.setInterval(kDialogSafetyMs);
        QObject::connect(&safety, &QTimer::timeout, [] {
            if (QWidget* open = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "closing a dialog left open: " << open->metaObject()->className();
                open->close();
            }
        });
        safety.start();
        QTimer::singleShot(0, &dialog, [&] {
            auto* landscape = dialog.findChild<QAbstractButton*>("landscape");
            auto* printers = dialog.findChild<QComboBox*>("printers");
            auto* fileName = dialog.findChild<QLineEdit*>("filename");
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            if (qobject_cast<QPageSetupDialog*>(&dialog) && landscape) {
                landscape->click();
                dialog.accept();
            } else if (qobject_cast<QPrintDialog*>(&dialog) && printers && fileName && buttons &&
                       buttons->button(QDialogButtonBox::Ok)) {
                const int pdfEntry = printers->findText("PDF", Qt::MatchContains);
                if (pdfEntry >= 0)
                    printers->setCurrentIndex(pdfEntry);
                fileName->setText(QString::fromStdString(pdf));
                buttons->button(QDialogButtonBox::Ok)->click();
            } else {
                driven = false;
                dialog.reject();
            }
        });
        dialog.exec();
    });
    view->output().OnFilePrintSetup();
    if (driven)
        view->output().OnFilePrint();
    if (!driven)
        GTEST_SKIP() << "this Qt's print dialogs do not have the expected controls";
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"QPageSetupDialog", "QPrintDialog"}));
    EXPECT_TRUE(messages.messages().empty()) << messages.messages().front().text;

    const QPrinter& printer = view->output().printSetup();
    EXPECT_EQ(printer.outputFileName().toStdString(), pdf);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    const std::vector<QImage> pages = RenderPages(pdf, scratch);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].width(), pages[0].height());
    const InkCheck ink = CheckInk(pages[0], ExpectedOnImage(printer, chartSize()));
    EXPECT_GT(ink.red, 100);
    EXPECT_EQ(ink.redOutside, 0);
    EXPECT_EQ(ink.inkOutside, 0);
}

TEST_F(PrintingTest, ThePrinterSetUpIsKeptBetweenPrintsOfTheRun)
{
    SKIP_WITHOUT_PDFTOPPM();
    CreateView();
    ShowKnownSpectrum();
    QPrinter* seen = nullptr;
    {
        DialogScript setup([&](QDialog& dialog) {
            auto* pageSetup = qobject_cast<QPageSetupDialog*>(&dialog);
            if (!pageSetup) {
                dialog.reject();
                return;
            }
            seen = pageSetup->printer();
            seen->setPageOrientation(QPageLayout::Landscape);
            // The dialog's own choice says the same, whether OK takes it or not.
            if (auto* landscape = dialog.findChild<QAbstractButton*>("landscape"))
                landscape->click();
            dialog.done(QDialog::Accepted);
        });
        view->output().OnFilePrintSetup();
        EXPECT_EQ(setup.shown, (std::vector<std::string>{"QPageSetupDialog"}));
    }
    ASSERT_EQ(seen, &view->output().printSetup());

    // The print dialog opens on the same set-up; the operator only names a file.
    const std::string first = scratch.file("first.pdf");
    {
        DialogScript print([&](QDialog& dialog) {
            auto* printDialog = qobject_cast<QPrintDialog*>(&dialog);
            EXPECT_EQ(printDialog ? printDialog->printer() : nullptr, seen);
            EXPECT_EQ(seen->pageLayout().orientation(), QPageLayout::Landscape);
            ChoosePdfFile(first)(dialog);
        });
        view->output().OnFilePrint();
    }
    std::vector<QImage> pages = RenderPages(first, scratch);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].width(), pages[0].height()) << "printed in the orientation set up";

    // The next print offers the file chosen last; accepting it as it stands
    // prints there again.
    QFile::remove(QString::fromStdString(first));
    {
        DialogScript print([&](QDialog& dialog) {
            auto* printDialog = qobject_cast<QPrintDialog*>(&dialog);
            EXPECT_EQ(printDialog->printer()->outputFileName().toStdString(), first);
            printDialog->done(QDialog::Accepted);
        });
        view->output().OnFilePrint();
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(first)));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PrintingTest, CancellingThePrintDialogPrintsNothing)
{
    CreateView();
    const std::string pdf = scratch.file("never.pdf");
    DialogScript dialogs([&](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print) {
            dialog.reject();
            return;
        }
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(QString::fromStdString(pdf));
        print->done(QDialog::Rejected);
    });
    view->output().OnFilePrint();
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(PrintingTest, DirectPrintingShowsNoDialogAndNeverReplacesAFileUnasked)
{
    CreateView();
    ShowKnownSpectrum();
    const std::string pdf = scratch.file("direct.pdf");
    PrintToPdf(pdf);
    const std::string firstPage = ReadWholeFile(pdf);
    ASSERT_FALSE(firstPage.empty());

    DialogScript none([](QDialog& dialog) {
        ADD_FAILURE() << "direct printing showed " << dialog.metaObject()->className();
        dialog.reject();
    });
    // The file of the last print exists: it is left as it is.
    view->output().OnFilePrintDirect();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find(pdf), std::string::npos);
    EXPECT_NE(messages.messages()[0].text.find("already exists"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(pdf), firstPage);

    // Once it is gone, direct printing writes the page there without asking.
    messages.clear();
    ASSERT_TRUE(QFile::remove(QString::fromStdString(pdf)));
    view->output().OnFilePrintDirect();
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(ReadWholeFile(pdf).starts_with("%PDF"));
    EXPECT_TRUE(none.shown.empty());
}

TEST_F(PrintingTest, DirectPrintingWithNoPrinterAndNoFileChosenTellsTheOperator)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed here; direct printing would print on it";
    CreateView();
    view->output().OnFilePrintDirect();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find("no printer is installed"), std::string::npos);
    EXPECT_TRUE(QDir(QString::fromStdString(scratch.path())).isEmpty());
}

TEST_F(PrintingTest, FailuresAreReportedWithThePathAndReasonAndLeaveNoFile)
{
    CreateView();
    ShowKnownSpectrum();

    // A folder that does not exist.
    const std::string unwritable = scratch.file("missing/folder/chart.pdf");
    PrintToPdf(unwritable);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(messages.messages()[0].text, "Cannot print to \"" + unwritable + "\":\nNo such file or directory.");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(unwritable)));

    // A folder in place of the file.
    messages.clear();
    PrintToPdf(scratch.path());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find("Cannot print to \"" + scratch.path() + "\""), std::string::npos);

    // A pipe in place of the file, with no reader: refused at once, not
    // waited on.
    messages.clear();
    const std::string pipe = scratch.file("chart.pdf");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    PrintToPdf(pipe);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Cannot print to \"" + pipe + "\":\nit is not a file.");

    // The failures leave the set-up fit for the next print.
    messages.clear();
    const std::string good = scratch.file("good.pdf");
    PrintToPdf(good);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(ReadWholeFile(good).starts_with("%PDF"));

    // A chart window with no area: nothing to print, no job started.
    messages.clear();
    view->resize(0, 0);
    Deliver();
    const std::string empty = scratch.file("empty.pdf");
    PrintToPdf(empty);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find("has no area to print"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(empty)));
}

TEST_F(PrintingTest, APageTheChartCouldNotBeDrawnOnIsReportedNotKept)
{
    CreateView();
    // The chart library has lost the chart: drawing fails after the job began.
    ASSERT_TRUE(XrtDestroy(view->chart()));
    const std::string pdf = scratch.file("blank.pdf");
    PrintToPdf(pdf);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_NE(messages.messages()[0].text.find(pdf), std::string::npos);
    EXPECT_NE(messages.messages()[0].text.find("the chart could not be drawn"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf))) << "a blank page must not pass for a printed one";
}

TEST_F(FrameFixture, TheFileMenuPrintsPrintsDirectlyAndSetsUpThePrinter)
{
    Start();
    QAction* print = frame->action(ID_FILE_PRINT);
    QAction* setup = frame->action(ID_FILE_PRINT_SETUP);
    ASSERT_TRUE(print && setup);
    EXPECT_EQ(print->text(), "&Print...\tCtrl+P");
    EXPECT_EQ(print->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(setup->text(), "P&rint Setup...");
    EXPECT_TRUE(print->isEnabled());
    EXPECT_TRUE(setup->isEnabled());
    // Direct printing has no menu item.
    EXPECT_EQ(frame->action(ID_FILE_PRINT_DIRECT), nullptr);

    TempDir scratch;
    const std::string pdf = scratch.file("menu.pdf");
    DialogScript dialogs([&](QDialog& dialog) {
        if (qobject_cast<QPrintDialog*>(&dialog))
            ChoosePdfFile(pdf)(dialog);
        else
            dialog.accept();
    });
    setup->trigger();
    print->trigger();
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"QPageSetupDialog", "QPrintDialog"}));
    EXPECT_TRUE(ReadWholeFile(pdf).starts_with("%PDF"));

    ASSERT_TRUE(QFile::remove(QString::fromStdString(pdf)));
    frame->RunCommand(ID_FILE_PRINT_DIRECT);
    EXPECT_EQ(dialogs.shown.size(), 2u) << "direct printing shows no dialog";
    EXPECT_TRUE(ReadWholeFile(pdf).starts_with("%PDF"));
    EXPECT_TRUE(messages.messages().empty());
}
