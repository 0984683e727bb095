// File > Save Figure... through the menu, the real file dialog and the
// resolution dialog's widgets: a PNG image of the stated size and
// resolution with the red spectrum where the chart draws it, an SVG drawing
// that parses and holds the spectrum as one line of every point, and a PDF
// page that pdftoppm turns into the same picture.

#include <QAction>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QXmlStreamReader>

#include <filesystem>
#include <string>

#include "Xrt.h"
#include "commands/CommandIds.h"
#include "display/Chart2D.h"
#include "display/FigureResolutionDlg.h"
#include "display/FigureSize.h"
#include "support/Colours.h"
#include "support/DecimalCommaLanguage.h"
#include "support/DialogOperator.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr float kLevel = 2000.0f;
constexpr int kPoints = 2048;

// The operator of the next resolution dialogs.
using ResolutionOperator = ScopedDialogOperator<CFigureResolutionDlg>;

// Types text into the resolution box from the keyboard, as the operator.
void Type(CFigureResolutionDlg& dialog, const QString& text)
{
    QSpinBox* box = dialog.resolutionBox();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

class SaveFigure : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Start();
        driver().Fill(0, kLevel);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        FrameFixture::TearDown();
    }

    void Save(const std::string& name, const std::string& filter = {})
    {
        if (filter.empty())
            op.Choose(dir.file(name));
        else
            op.ChooseWithFilter(dir.file(name), filter);
        frame->action(ID_SAVE_FIGURE)->trigger();
    }

    QSize ChartSize() const { return view()->chartWindow()->size(); }
    double ScreenDpi() const { return view()->chartWindow()->logicalDpiX(); }
    // Where the chart draws the spectrum's middle point on the screen.
    QPoint Middle() const
    {
        XrtPoint p;
        double x = 0.0;
        XrtGetValues(view()->chart(), XRT_X_MIN, &x);
        double xMax = 0.0;
        XrtGetValues(view()->chart(), XRT_X_MAX, &xMax);
        EXPECT_TRUE(XrtUnmap(view()->chart(), XRT_MAP_DATA_UNITS, (x + xMax) / 2, kLevel, &p));
        return {p.x, p.y};
    }

    TempDir dir;
    FileOperator op;
};

}  // namespace

TEST_F(SaveFigure, APngAtTheChosenResolutionShowsTheSpectrumWhereTheChartDrawsIt)
{
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    int asked = 0;
    ResolutionOperator resolution([&](CFigureResolutionDlg& d) {
        ++asked;
        EXPECT_EQ(d.windowTitle(), "Figure Resolution");
        EXPECT_EQ(d.resolutionBox()->value(), 300) << "300 dpi to begin with";
        const display::FigurePixels at300 =
            display::FigureSizeAt(ChartSize().width(), ChartSize().height(), ScreenDpi(), 300);
        EXPECT_EQ(d.SizeText(), QStringLiteral("%1 x %2 pixels").arg(at300.width).arg(at300.height));
        Type(d, "150");
        d.accept();
    });
    Save("figure");  // the PNG filter comes first and gives the extension
    EXPECT_EQ(op.seen.back().title, "Save Figure");
    EXPECT_EQ(op.seen.back().filters,
              (QStringList{"PNG Images (*.png)", "SVG Drawings (*.svg)", "PDF Documents (*.pdf)"}));
    ASSERT_EQ(asked, 1);

    const QImage image(QString::fromStdString(dir.file("figure.png")));
    ASSERT_FALSE(image.isNull());
    const display::FigurePixels expected =
        display::FigureSizeAt(ChartSize().width(), ChartSize().height(), ScreenDpi(), 150);
    EXPECT_EQ(image.width(), expected.width);
    EXPECT_EQ(image.height(), expected.height);
    EXPECT_EQ(image.dotsPerMeterX(), display::DotsPerMetre(150));
    EXPECT_EQ(image.dotsPerMeterY(), display::DotsPerMetre(150));

    // The red line at the place of the chart's own drawing, scaled.
    const double scale = static_cast<double>(image.width()) / ChartSize().width();
    const QPoint middle = Middle();
    const int column = static_cast<int>(std::lround(middle.x() * scale));
    int redRow = -1;
    for (int y = 0; y < image.height() && redRow < 0; ++y) {
        if (IsRed(image.pixel(column, y)))
            redRow = y;
    }
    EXPECT_NEAR(redRow, middle.y() * scale, 3.0);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SaveFigure, TheResolutionGoesUpToTheLargestFigureOfTheChartAndCancelWritesNothing)
{
    int asked = 0;
    ResolutionOperator resolution([&](CFigureResolutionDlg& d) {
        ++asked;
        const auto at = [&](int dpi) {
            return display::FigureSizeAt(ChartSize().width(), ChartSize().height(), ScreenDpi(), dpi);
        };
        const int most = d.resolutionBox()->maximum();
        ASSERT_FALSE(display::FigureFits(at(2400))) << "the test's chart must be too large for 2400 dpi";
        EXPECT_TRUE(display::FigureFits(at(most)));
        EXPECT_FALSE(display::FigureFits(at(most + 1))) << "the box offers every resolution that fits";
        d.reject();
    });
    Save("large.png");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(messages.messages().empty());

    op.Cancel();
    frame->action(ID_SAVE_FIGURE)->trigger();
    EXPECT_EQ(asked, 1) << "no resolution is asked after Cancel";
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // OK takes the highest resolution offered.
    CFigureResolutionDlg highest(QSize(1000, 600), 96.0, frame.get());
    highest.resolutionBox()->setValue(highest.resolutionBox()->maximum());
    highest.accept();
    EXPECT_EQ(highest.result(), QDialog::Accepted);
    EXPECT_EQ(highest.dpi, highest.resolutionBox()->maximum());
    EXPECT_TRUE(messages.messages().empty());

    // A chart too large for an image even at the lowest resolution: OK
    // refuses and the dialog stays open.
    CFigureResolutionDlg tooLarge(QSize(1000, 600), 0.5, frame.get());
    tooLarge.accept();
    EXPECT_EQ(tooLarge.result(), QDialog::Rejected);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    EXPECT_EQ(messages.messages()[0].text,
              "An image of 20000 x 12000 pixels is too large.\nChoose a lower resolution.");
}

// Lines drawn in the cursor's grey in an SVG drawing.
int CursorLines(const QByteArray& svg)
{
    QXmlStreamReader xml(svg);
    int lines = 0;
    bool insideGrey = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("g"))
            insideGrey = xml.attributes().value("stroke") == QLatin1String("#404040");
        else if (insideGrey && xml.name() != QLatin1String("text"))
            ++lines;
    }
    return lines;
}

TEST_F(SaveFigure, AnSvgDrawingHoldsTheSpectrumAsOneLineOfEveryPoint)
{
    Save("figure.svg", "PNG Images (*.png)");  // the typed extension wins
    const QByteArray svg = QByteArray::fromStdString(ReadWholeFile(dir.file("figure.svg")));
    ASSERT_FALSE(svg.isEmpty());
    QXmlStreamReader xml(svg);
    int redLines = 0;
    qsizetype redPoints = 0;
    QString width;
    bool insideRed = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("svg"))
            width = a.value("width").toString();
        if (xml.name() == QLatin1String("g"))
            insideRed = a.value("stroke") == QLatin1String("#ff0000");
        if (insideRed && (xml.name() == QLatin1String("polyline") || xml.name() == QLatin1String("path"))) {
            ++redLines;
            redPoints = a.value("points").toString().split(' ', Qt::SkipEmptyParts).size();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_FALSE(width.isEmpty());
    EXPECT_EQ(redLines, 1) << "the spectrum is one line";
    EXPECT_EQ(redPoints, kPoints) << "with a point for every pixel";

    // The cursor is in the figure while it is shown, as on the screen.
    EXPECT_EQ(CursorLines(svg), 0);
    frame->action(ID_CURSOR)->trigger();
    Save("cursor.svg");
    EXPECT_EQ(CursorLines(QByteArray::fromStdString(ReadWholeFile(dir.file("cursor.svg")))), 1);
}

TEST_F(SaveFigure, APdfPageOfTheChartsSizeTurnsIntoThePicture)
{
    // An opened spectrum is drawn as it is shown.
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_FILE_OPEN)->trigger();
    Deliver();
    Save("figure.pdf");
    const std::string pdf = ReadWholeFile(dir.file("figure.pdf"));
    ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_TRUE(messages.messages().empty());

    const QString tool = QStandardPaths::findExecutable("pdftoppm");
    if (tool.isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed; the page is not turned into a picture";
    QProcess process;
    const QString prefix = QString::fromStdString(dir.file("page"));
    process.start(tool, {"-r", QString::number(ScreenDpi()), "-png", "-singlefile",
                         QString::fromStdString(dir.file("figure.pdf")), prefix});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage page(prefix + ".png");
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), ChartSize().width(), 2);
    EXPECT_NEAR(page.height(), ChartSize().height(), 2);
    const QPoint middle = Middle();
    int redRow = -1;
    for (int y = 0; y < page.height() && redRow < 0; ++y) {
        if (IsRed(page.pixel(middle.x(), y)))
            redRow = y;
    }
    EXPECT_NEAR(redRow, middle.y(), 3);
}

TEST_F(SaveFigure, AFigureThatCannotBeWrittenIsReported)
{
    std::filesystem::create_directory(dir.file("gone"));
    op.Choose(dir.file("gone/a.svg"), [&] { std::filesystem::remove(dir.file("gone")); });
    frame->action(ID_SAVE_FIGURE)->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text.rfind("Cannot save the figure to \"" + dir.file("gone/a.svg") + "\":\n", 0),
              0u)
        << messages.messages()[0].text;
}

TEST_F(SaveFigure, ANameEndingInAnotherFormatsExtensionIsRefusedAndNothingWritten)
{
    // Under every filter: never PNG, SVG or PDF data under a JPEG name.
    for (const std::string filter : {"PNG Images (*.png)", "SVG Drawings (*.svg)", "PDF Documents (*.pdf)"}) {
        messages.clear();
        ResolutionOperator resolution([](CFigureResolutionDlg& d) { d.accept(); });
        Save("figure.jpg", filter);
        EXPECT_FALSE(std::filesystem::exists(dir.file("figure.jpg"))) << filter;
        ASSERT_EQ(messages.messages().size(), 1u) << filter;
        EXPECT_EQ(messages.messages()[0].text,
                  "Cannot save the figure to \"" + dir.file("figure.jpg") +
                      "\":\nA figure is saved as PNG (.png), SVG (.svg) or PDF (.pdf), and \".jpg\" is none of them. "
                      "Nothing was written: choose a name ending in one of them.");
    }
    // The same name ending in one of them is saved.
    messages.clear();
    Save("figure.jpg.svg", "PNG Images (*.png)");
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(ReadWholeFile(dir.file("figure.jpg.svg")).rfind("<?xml", 0), 0u);
}

TEST_F(SaveFigure, TheResolutionDialogShowsItsWholeTitleAndTheLargestSize)
{
    CFigureResolutionDlg d(QSize(1000, 600), 96.0, frame.get());
    d.dpi = 300;
    ResolutionOperator resolution([](CFigureResolutionDlg& shown) {
        shown.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
        // The title as a title bar draws it (bold), beside the window menu's
        // icon and three buttons, each at least a line high and as wide.
        QFont bold = shown.font();
        bold.setBold(true);
        const int line = shown.fontMetrics().height();
        const int title = QFontMetrics(bold).horizontalAdvance("Figure Resolution");
        EXPECT_GE(shown.width(), title + 6 * line) << "title " << title << ", line " << line;
        // The largest image the box can ask for fits its label.
        shown.resolutionBox()->setValue(shown.resolutionBox()->maximum());
        const QLabel* size = nullptr;
        for (const QLabel* label : shown.findChildren<QLabel*>()) {
            if (label->text().endsWith(" pixels"))
                size = label;
        }
        ASSERT_NE(size, nullptr);
        EXPECT_GE(size->width(), size->fontMetrics().horizontalAdvance(size->text())) << size->text().toStdString();
        shown.reject();
    });
    EXPECT_EQ(d.Run(), QDialog::Rejected);
}
