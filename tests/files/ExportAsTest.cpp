// File > Export As... through the menu and the real file dialog: the live
// spectrum and an opened one as CSV (read back by Python's csv module and by
// numpy) and as JCAMP-DX, under a decimal-comma language.

#include <QAction>
#include <QLocale>
#include <QTest>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Xrt.h"
#include "XrtCodes.h"
#include "calibration/Axes.h"
#include "commands/CommandIds.h"
#include "support/DecimalCommaLanguage.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/Python.h"
#include "support/TempDir.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

double ParseHex(const std::string& text)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t start = text.find("0x") + 2;
    double value = 0.0;
    std::from_chars(text.data() + start, text.data() + text.size(), value, std::chars_format::hex);
    return negative ? -value : value;
}

// The axes the default calibration and a 632.8 nm laser give.
struct DefaultAxes {
    DefaultAxes()
    {
        double spectrum[kPixels];
        calibration::RebuildAxes(calibration::Coefficients{}, calibration::LaserWavenumber(632.8f), wavelength,
                                 wavenumber, spectrum, ramanShift);
    }
    double wavelength[kPixels];
    double wavenumber[kPixels];
    double ramanShift[kPixels];
};

std::vector<std::string> CommentLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line) && line.rfind("#", 0) == 0)
        lines.push_back(line.substr(0, line.size() - 1));  // without the CR
    return lines;
}

class ExportAs : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Start();
        // A scan with a different, fractional value at every pixel.
        for (int i = 0; i < kPixels; ++i)
            scan[i] = 100.0f + static_cast<float>(i) * 0.5f + static_cast<float>(i % 7) / 64.0f;
        driver().FillPixels(0, scan);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        FrameFixture::TearDown();
    }

    std::string Export(const std::string& name, const std::string& filter = {})
    {
        if (filter.empty())
            op.Choose(dir.file(name));
        else
            op.ChooseWithFilter(dir.file(name), filter);
        frame->action(ID_EXPORT_AS)->trigger();
        return ReadWholeFile(dir.file(name));
    }

    float scan[kPixels];
    TempDir dir;
    FileOperator op;
    DefaultAxes axes;
};

}  // namespace

TEST_F(ExportAs, TheLiveSpectrumAsCsvReadsBackInPythonAndNumpyValueForValue)
{
    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    const std::string csv = Export("live.csv");
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(op.seen.back().title, "Export Spectrum As");
    EXPECT_EQ(op.seen.back().filters, (QStringList{"CSV Files (*.csv)", "JCAMP-DX Files (*.jdx *.dx)"}));
    std::vector<std::string> header = CommentLines(csv);
    ASSERT_GE(header.size(), 3u);
    EXPECT_EQ(header[2].substr(0, 8), "# Date: ");
    EXPECT_EQ(header[2].size(),
              std::string("# Date: 2024-05-01T09:04:05+02:00").size() - (header[2].back() == 'Z' ? 5 : 0))
        << header[2];
    header.erase(header.begin() + 2);  // the date differs from run to run
    EXPECT_EQ(header, (std::vector<std::string>{
                          "# Vexlar spectrum", "# Program: Vexlar 1.05.00", "# Source: live acquisition",
                          "# Channel: Master", "# Integration time (ms): 100", "# Averages: 1", "# Boxcar: 1",
                          "# Laser wavelength (nm): 632.8", "# Dark subtracted: no", "# Additive scans: 0",
                          "# Spikes removed: no", "# Baseline subtracted: no", "# Calibration intercept (nm): 350",
                          "# Calibration first (nm/pixel): 0.5", "# Calibration second (nm/pixel^2): 5e-05",
                          "# Calibration third (nm/pixel^3): 0", "# X axis shown: wavelength (nm)"}));

    const std::string python = PythonWithNumpy();
    if (python.empty())
        GTEST_SKIP() << "python3 with numpy is not installed; the CSV file is not read back by them";
    const std::string script = dir.file("read.py");
    ASSERT_TRUE(WriteWholeFile(script,
                               "import csv, sys, numpy\n"
                               "path, out = sys.argv[1], sys.argv[2]\n"
                               "with open(path, newline='', encoding='utf-8') as f:\n"
                               "    lines = list(csv.reader(f))\n"
                               "first = next(i for i, r in enumerate(lines) if r and not r[0].startswith('#'))\n"
                               "heading, body = lines[first], lines[first + 1:]\n"
                               "table = numpy.loadtxt(path, delimiter=',', comments='#', skiprows=first + 1, ndmin=2)\n"
                               "with open(out, 'w') as o:\n"
                               "    o.write('|'.join(heading) + '\\n')\n"
                               "    for r, t in zip(body, table):\n"
                               "        o.write(' '.join(float(v).hex() for v in r) + ' ' +\n"
                               "                ' '.join(float(v).hex() for v in t) + '\\n')\n"));
    const std::string out = dir.file("read.txt");
    const std::string command =
        python + " " + ShellQuoted(script) + " " + ShellQuoted(dir.file("live.csv")) + " " + ShellQuoted(out);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::istringstream read(ReadWholeFile(out));
    std::string heading;
    std::getline(read, heading);
    EXPECT_EQ(heading, "pixel|wavelength (nm)|Raman shift (cm-1)|intensity");
    int row = 0;
    std::string line;
    while (std::getline(read, line)) {
        std::istringstream values(line);
        std::vector<double> v;
        std::string hex;
        while (values >> hex)
            v.push_back(ParseHex(hex));
        ASSERT_EQ(v.size(), 8u) << line;
        const double expected[4] = {static_cast<double>(row), axes.wavelength[row], axes.ramanShift[row],
                                    static_cast<double>(scan[row])};
        for (int k = 0; k < 4; ++k) {
            ASSERT_TRUE(SameBits(v[k], expected[k])) << "csv module, row " << row << " column " << k;
            ASSERT_TRUE(SameBits(v[4 + k], expected[k])) << "numpy, row " << row << " column " << k;
        }
        ++row;
    }
    EXPECT_EQ(row, kPixels);
}

TEST_F(ExportAs, TheFilterOrTheTypedExtensionChoosesTheFormat)
{
    const std::string jcamp = Export("by-filter", "JCAMP-DX Files (*.jdx *.dx)");
    EXPECT_TRUE(jcamp.empty()) << "the name was given the filter's extension";
    const std::string jdx = ReadWholeFile(dir.file("by-filter.jdx"));
    EXPECT_EQ(jdx.rfind("##TITLE=by-filter\r\n##JCAMP-DX=5.01\r\n", 0), 0u) << jdx.substr(0, 80);
    EXPECT_NE(jdx.find("##XUNITS=NANOMETERS\r\n"), std::string::npos);
    EXPECT_NE(jdx.find("##NPOINTS=2048\r\n##XYPOINTS=(XY..XY)\r\n350, 100\r\n"), std::string::npos);

    const std::string csv = Export("typed.csv", "JCAMP-DX Files (*.jdx *.dx)");
    EXPECT_EQ(csv.rfind("# Vexlar spectrum\r\n", 0), 0u) << "the name says CSV";
    EXPECT_EQ(Export("default"), "");
    EXPECT_EQ(ReadWholeFile(dir.file("default.csv")).rfind("# Vexlar spectrum\r\n", 0), 0u);

    // In Raman-shift mode only the positive shifts, as the export has them.
    view()->instrument().SetXAxisMode(1);
    const std::string raman = Export("raman.jdx");
    EXPECT_NE(raman.find("##XUNITS=1/CM\r\n"), std::string::npos);
    EXPECT_NE(raman.find("##$LASER WAVELENGTH NM=632.8\r\n"), std::string::npos);
    EXPECT_NE(raman.find("##NPOINTS=1511\r\n"), std::string::npos);

    op.Cancel();
    frame->action(ID_EXPORT_AS)->trigger();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_TRUE(bar()->IsChecked(IDC_CONTINUOUS)) << "exporting leaves acquisition running";
}

TEST_F(ExportAs, AnOpenedSpectrumSaysWhereItCameFromAndNothingItCannotKnow)
{
    view()->instrument().SetXAxisMode(1);
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_FILE_OPEN)->trigger();
    Deliver();

    const std::string csv = Export("opened.csv");
    const std::vector<std::string> header = CommentLines(csv);
    const std::string joined = [&] {
        std::string all;
        for (const std::string& l : header)
            all += l + "\n";
        return all;
    }();
    EXPECT_NE(joined.find("# Source: opened file\n# Source file: " + dir.file("sample.ram") + "\n"), std::string::npos)
        << joined;
    for (const char* absent : {"Channel", "Integration", "Averages", "Laser", "Dark", "Calibration"})
        EXPECT_EQ(joined.find(absent), std::string::npos) << absent << " is not known of a file\n" << joined;
    EXPECT_NE(csv.find("\r\npixel,Raman shift (cm-1),intensity\r\n0,"), std::string::npos);

    const std::string jdx = Export("opened.jdx");
    EXPECT_NE(jdx.find("##XUNITS=1/CM\r\n"), std::string::npos);
    EXPECT_NE(jdx.find("##$SOURCE FILE=" + dir.file("sample.ram") + "\r\n"), std::string::npos);
    EXPECT_EQ(jdx.find("LASER"), std::string::npos);

    // Its intensities on the wavelength axis the calibration gives.
    view()->instrument().SetXAxisMode(0);
    const std::string onAxis = Export("on-axis.csv");
    EXPECT_NE(onAxis.find("# Source: opened file\r\n"), std::string::npos);
    EXPECT_NE(onAxis.find("# Calibration first (nm/pixel): 0.5\r\n"), std::string::npos);
    EXPECT_EQ(onAxis.find("# Integration time"), std::string::npos);
    EXPECT_NE(onAxis.find("\r\npixel,wavelength (nm),Raman shift (cm-1),intensity\r\n"), std::string::npos);

    // Acquisition resumed: the next scan is live again.
    QTest::mouseClick(bar()->Control(IDC_CONTINUOUS), Qt::LeftButton);
    driver().Fill(0, 7.0f);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    const std::string live = Export("live-again.csv");
    EXPECT_NE(live.find("# Source: live acquisition\r\n"), std::string::npos) << live.substr(0, 300);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ExportAs, AFileThatCannotBeWrittenIsReportedWithItsPathAndReason)
{
    std::filesystem::create_directory(dir.file("gone"));
    op.Choose(dir.file("gone/a.csv"), [&] { std::filesystem::remove(dir.file("gone")); });
    frame->action(ID_EXPORT_AS)->trigger();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    const std::string& text = messages.messages()[0].text;
    EXPECT_EQ(text.rfind("Cannot export the spectrum to \"" + dir.file("gone/a.csv") + "\":\n", 0), 0u) << text;
    EXPECT_GT(text.size(), dir.file("gone/a.csv").size() + 40) << "with the reason";
}

TEST_F(ExportAs, WithTheBaselineSubtractedTheFileHoldsWhatTheChartShowsAndSaysSo)
{
    frame->action(ID_SUBTRACT_BASELINE)->trigger();
    driver().FillPixels(0, scan);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    XrtHandle data = 0;
    XrtGetValues(view()->chart(), XRT_DATA, &data);
    std::vector<double> shown(kPixels);
    for (int i = 0; i < kPixels; ++i)
        XrtDataGetYElementIndirect(data, 0, i, &shown[i]);
    ASSERT_NE(shown[1000], static_cast<double>(scan[1000])) << "the chart shows the spectrum less its baseline";

    const std::string csv = Export("corrected.csv");
    const std::vector<std::string> header = CommentLines(csv);
    for (const char* line : {"# Spikes removed: no", "# Baseline subtracted: yes", "# Baseline smoothness: 1000",
                             "# Baseline asymmetry: 0.01"})
        EXPECT_NE(std::find(header.begin(), header.end(), line), header.end()) << line;
    std::istringstream rows(csv);
    std::string line;
    int pixel = 0;
    while (std::getline(rows, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'p')
            continue;
        const std::string intensity = line.substr(line.rfind(',') + 1, line.size() - line.rfind(',') - 2);
        double value = 0.0;
        std::from_chars(intensity.data(), intensity.data() + intensity.size(), value);
        ASSERT_TRUE(SameBits(value, shown[pixel])) << "pixel " << pixel << ": " << line;
        ++pixel;
    }
    EXPECT_EQ(pixel, kPixels);

    const std::string jdx = Export("corrected.jdx");
    EXPECT_NE(jdx.find("##$BASELINE SUBTRACTED=yes\r\n"), std::string::npos);
}

TEST_F(ExportAs, AnAdditiveSumKeptOnDisplayAfterPausingIsDescribedAsTheSumItIs)
{
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_SUBTRACT_DARK)->trigger();
    frame->action(ID_ADDITIVE_MODE)->trigger();
    Deliver();
    float brighter[kPixels];
    for (int i = 0; i < kPixels; ++i)
        brighter[i] = scan[i] + 10.0f;
    for (int n = 0; n < 3; ++n) {
        driver().FillPixels(0, brighter);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
    const auto described = [](const std::string& csv) {
        std::vector<std::string> lines;
        for (const std::string& line : CommentLines(csv)) {
            if (line.rfind("# Dark subtracted:", 0) == 0 || line.rfind("# Additive scans:", 0) == 0)
                lines.push_back(line);
        }
        return lines;
    };
    const std::vector<std::string> sum{"# Dark subtracted: yes", "# Additive scans: 3"};
    const std::string accumulating = Export("accumulating.csv");
    EXPECT_EQ(described(accumulating), sum);

    // Additive clicked again: the sum stays on display, and so does what it is.
    frame->action(ID_ADDITIVE_MODE)->trigger();
    Deliver();
    ASSERT_FALSE(view()->instrument().flags().additive);
    const std::string paused = Export("paused.csv");
    EXPECT_EQ(described(paused), sum);
    EXPECT_NE(paused.find("\r\n0,350,"), std::string::npos);
    EXPECT_NE(paused.find(",30\r\n"), std::string::npos) << "three scans, each 10 above the dark";
    // The header aside from the date, the data and all: the same file.
    const auto withoutDate = [](std::string csv) {
        const std::size_t date = csv.find("# Date: ");
        return csv.erase(date, csv.find('\n', date) - date);
    };
    EXPECT_EQ(withoutDate(paused), withoutDate(accumulating));

    // Subtract Dark switched off while nothing is acquired: the sum on
    // display still had its dark taken off.
    frame->action(ID_SUBTRACT_DARK)->trigger();
    const std::string jdx = Export("switched.jdx");
    EXPECT_NE(jdx.find("##$DARK SUBTRACTED=yes\r\n##$ADDITIVE SCANS=3\r\n"), std::string::npos);

    // Continuous again (the scan in flight at the pause is dropped): the
    // next scan is a single scan, its dark not taken off.
    QTest::mouseClick(bar()->Control(IDC_CONTINUOUS), Qt::LeftButton);
    for (int n = 0; n < 2; ++n) {
        driver().FillPixels(0, brighter);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
    EXPECT_EQ(described(Export("single.csv")),
              (std::vector<std::string>{"# Dark subtracted: no", "# Additive scans: 0"}));
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ExportAs, ADarkSubtractedScanStaysDescribedSoWhenSubtractDarkIsSwitchedOffAfterIt)
{
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_SUBTRACT_DARK)->trigger();
    driver().FillPixels(0, scan);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_NE(Export("on.csv").find("# Dark subtracted: yes\r\n# Additive scans: 0\r\n"), std::string::npos);
    // Switched off with no new scan: the spectrum on display is still the
    // dark-subtracted one (zero everywhere).
    frame->action(ID_SUBTRACT_DARK)->trigger();
    const std::string stillOn = Export("still.csv");
    EXPECT_NE(stillOn.find("# Dark subtracted: yes\r\n"), std::string::npos);
    EXPECT_NE(stillOn.find("\r\n0,350,"), std::string::npos);
    EXPECT_NE(stillOn.find(",0\r\n1,"), std::string::npos);
    driver().FillPixels(0, scan);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    EXPECT_NE(Export("off.csv").find("# Dark subtracted: no\r\n"), std::string::npos);
}
