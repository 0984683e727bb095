// The data-exchange formats without a window: exact numbers, the metadata
// of a live and of an opened spectrum, the CSV and JCAMP-DX texts, the
// format a file name asks for, and where the spectrum on display came from.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "files/CsvSpectrum.h"
#include "files/FormatChoice.h"
#include "files/JcampSpectrum.h"
#include "files/OpenedSpectrum.h"
#include "files/ShortestNumber.h"
#include "files/SpectrumMetadata.h"
#include "support/DecimalCommaLanguage.h"

using namespace vexlar::files;

namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

SpectrumFacts LiveFacts()
{
    SpectrumFacts f;
    f.written = {2024, 5, 1, 9, 4, 5, 120};
    f.xAxisMode = kRamanShiftAxis;
    f.acquisitionKnown = true;
    f.channel = 2;
    f.integrationTimeMs = 250;
    f.averages = 8;
    f.boxcar = 3;
    f.darkSubtracted = true;
    f.additiveScans = 0;
    f.calibrationKnown = true;
    f.laserWavelength = 632.8f;
    f.calIntercept = 350.0f;
    f.calFirst = 0.5f;
    f.calSecond = 5e-5f;
    f.calThird = 0.0f;
    return f;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace

TEST(ExchangeFormats, NumbersReadBackExactlyWhateverTheLanguage)
{
    vexlar::test::DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    const std::vector<double> awkward = {0.0,
                                         -0.0,
                                         0.1,
                                         350.5,
                                         -12845.123456789012,
                                         1.0 / 3.0,
                                         5e-05,
                                         1e-310,
                                         std::numeric_limits<double>::max(),
                                         4095.0,
                                         632.79998779296875};
    for (const double value : awkward) {
        const std::string text = ShortestText(value);
        EXPECT_EQ(text.find(','), std::string::npos) << text;
        double back = 0.0;
        const auto read = std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(read.ptr, text.data() + text.size()) << text;
        EXPECT_TRUE(SameBits(back, value)) << text;
    }
    EXPECT_EQ(ShortestText(350.5), "350.5");
    EXPECT_EQ(ShortestText(632.8f), "632.8") << "a float as the operator typed it";
    EXPECT_EQ(ShortestText(5e-5f), "5e-05");
    EXPECT_EQ(ShortestText(static_cast<double>(632.8f)), "632.7999877929688");
}

TEST(ExchangeFormats, DatesStateTheOffsetFromUtc)
{
    EXPECT_EQ(IsoDateTime({2024, 5, 1, 9, 4, 5, 120}), "2024-05-01T09:04:05+02:00");
    EXPECT_EQ(IsoDateTime({2024, 12, 31, 23, 59, 59, -330}), "2024-12-31T23:59:59-05:30");
    EXPECT_EQ(IsoDateTime({2024, 1, 2, 3, 4, 5, 0}), "2024-01-02T03:04:05Z");
    EXPECT_EQ(JcampLongDate({2024, 5, 1, 9, 4, 5, 120}), "2024/05/01 09:04:05 +0200");
    EXPECT_EQ(JcampLongDate({2024, 12, 31, 23, 59, 59, -330}), "2024/12/31 23:59:59 -0530");
}

TEST(ExchangeFormats, MetadataSaysOnlyWhatIsKnown)
{
    const auto text = [](const std::vector<MetadataEntry>& entries) {
        std::string all;
        for (const auto& e : entries)
            all += e.name + "=" + e.value + "|";
        return all;
    };
    SpectrumFacts live = LiveFacts();
    EXPECT_EQ(text(DescribeSpectrum(live)),
              "Program=Vexlar 1.05.00|Date=2024-05-01T09:04:05+02:00|Source=live acquisition|Channel=Slave 2|"
              "Integration time (ms)=250|Averages=8|Boxcar=3|Laser wavelength (nm)=632.8|Dark subtracted=yes|"
              "Additive scans=0|Spikes removed=no|Baseline subtracted=no|"
              "Calibration intercept (nm)=350|Calibration first (nm/pixel)=0.5|"
              "Calibration second (nm/pixel^2)=5e-05|Calibration third (nm/pixel^3)=0|"
              "X axis shown=Raman shift (cm-1)|");

    // An opened file: its name and axis, nothing of the live workspace.
    SpectrumFacts opened = live;
    opened.sourceFile = "/data/cyclohexane.ram";
    opened.acquisitionKnown = false;
    opened.calibrationKnown = false;
    EXPECT_EQ(text(DescribeSpectrum(opened)),
              "Program=Vexlar 1.05.00|Date=2024-05-01T09:04:05+02:00|Source=opened file|"
              "Source file=/data/cyclohexane.ram|Baseline subtracted=no|"
              "X values=as read from an opened spectrum file|X axis shown=Raman shift (cm-1)|");
    // The baseline taken off what is shown: said of an opened spectrum too,
    // with its two settings.
    opened.baselineSubtracted = true;
    opened.baselineSmoothness = 1e5;
    opened.baselineAsymmetry = 0.001;
    EXPECT_NE(text(DescribeSpectrum(opened))
                  .find("Baseline subtracted=yes|Baseline smoothness=1e+05|Baseline asymmetry=0.001|"),
              std::string::npos);
    opened.baselineSubtracted = false;
    // Its intensities on the axis the calibration gives: the calibration and
    // the laser line describe the x values.
    opened.calibrationKnown = true;
    const std::string onCalibration = text(DescribeSpectrum(opened));
    EXPECT_NE(onCalibration.find("Laser wavelength (nm)=632.8|"), std::string::npos);
    EXPECT_NE(onCalibration.find("Calibration first (nm/pixel)=0.5|"), std::string::npos);
    EXPECT_EQ(onCalibration.find("Integration time"), std::string::npos);

    EXPECT_EQ(ChannelName(0), "Master");
    EXPECT_EQ(ChannelName(7), "Slave 7");
    EXPECT_EQ(ChannelName(9), "Channel 9");
}

TEST(ExchangeFormats, CsvHasOneCommentLineEachAHeadingAndARowPerPixel)
{
    const double wavelength[3] = {350.0, 350.50005, 351.0002};
    const double shift[3] = {-12845.5, -12843.25, 0.1};
    const double y[3] = {87.6, -3.1, 4095.0};
    SpectrumFacts facts = LiveFacts();
    facts.sourceFile = "odd,\"name\"\nwith a break.ram";
    facts.acquisitionKnown = false;
    const std::string csv = FormatCsvSpectrum(DescribeSpectrum(facts), {wavelength, shift, y, 3});
    const std::vector<std::string> lines = Lines(csv);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "# Vexlar spectrum");
    std::size_t heading = 0;
    while (heading < lines.size() && lines[heading].rfind("#", 0) == 0)
        ++heading;
    EXPECT_NE(csv.find("# Source file: odd,?name\"?with a break.ram\r\n"), std::string::npos)
        << "a line break in a value never starts a line of its own";
    ASSERT_EQ(lines.size(), heading + 4);
    EXPECT_EQ(lines[heading], "pixel,wavelength (nm),Raman shift (cm-1),intensity");
    EXPECT_EQ(lines[heading + 1], "0,350,-12845.5,87.6");
    EXPECT_EQ(lines[heading + 2], "1,350.50005,-12843.25,-3.1");
    EXPECT_EQ(lines[heading + 3], "2,351.0002,0.1,4095");

    // An opened Raman file: its own axis only.
    const std::string opened = FormatCsvSpectrum({}, {nullptr, shift, y, 2});
    EXPECT_EQ(opened,
              "# Vexlar spectrum\r\npixel,Raman shift (cm-1),intensity\r\n0,-12845.5,87.6\r\n1,-12843.25,-3.1\r\n");

    std::string field;
    AppendCsvField(field, "plain");
    field += '|';
    AppendCsvField(field, "a,b");
    field += '|';
    AppendCsvField(field, "say \"hi\"\r\n");
    EXPECT_EQ(field, "plain|\"a,b\"|\"say \"\"hi\"\"\r\n\"");
}

TEST(ExchangeFormats, JcampHoldsTheStandardRecordsAndThePointsItCan)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double shift[6] = {-5.0, 0.0, 2.9625, 1e-5, 800.25, 3000.0};
    const double y[6] = {1.0, 2.0, 87.6, 0.000012, nan, -3.5};
    SpectrumFacts facts = LiveFacts();
    facts.owner = "raman-lab";
    const std::string jdx = FormatJcampSpectrum("cyclohexane ü $$ test", facts, DescribeSpectrum(facts), shift, y, 6);
    const std::vector<std::string> lines = Lines(jdx);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "##TITLE=cyclohexane ?? $? test") << "printable ASCII, no comment start";
    EXPECT_EQ(lines[1], "##JCAMP-DX=5.01");
    EXPECT_EQ(lines[2], "##DATA TYPE=LINK");
    EXPECT_EQ(lines[3], "##BLOCKS=2");
    for (const char* record : {"##DATA TYPE=RAMAN SPECTRUM\r\n##DATA CLASS=XYDATA\r\n##BLOCK_ID=1\r\n",
                               "##DATA TYPE=RAMAN SPECTRUM\r\n##DATA CLASS=XYPOINTS\r\n##BLOCK_ID=2\r\n",
                               "##ORIGIN=Vexlar\r\n",
                               "##OWNER=raman-lab\r\n",
                               "##LONGDATE=2024/05/01 09:04:05 +0200\r\n",
                               "##SPECTROMETER/DATA SYSTEM=Vexlar 1.05.00\r\n",
                               "##$LASER WAVELENGTH NM=632.8\r\n",
                               "##$INTEGRATION TIME MS=250\r\n",
                               "##$AVERAGES=8\r\n",
                               "##$CHANNEL=Slave 2\r\n",
                               "##$DARK SUBTRACTED=yes\r\n",
                               "##$CALIBRATION SECOND=5e-05\r\n",
                               "##XUNITS=1/CM\r\n",
                               "##YUNITS=ARBITRARY UNITS\r\n",
                               "##XFACTOR=1\r\n",
                               "##YFACTOR=1\r\n",
                               "##FIRSTX=2.9625\r\n",
                               "##LASTX=3000\r\n",
                               "##FIRSTY=87.6\r\n",
                               "##MINY=-3.5\r\n",
                               "##MAXY=87.6\r\n",
                               "##NPOINTS=3\r\n"}) {
        EXPECT_NE(jdx.find(record), std::string::npos) << record;
    }
    EXPECT_EQ(jdx.find("##$DATE"), std::string::npos) << "the date is in LONGDATE, the program in DATA SYSTEM";
    // Positive shifts only, a point that is not a number left out, the
    // exponent written with a capital E.
    EXPECT_NE(jdx.find("##XYPOINTS=(XY..XY)\r\n2.9625, 87.6\r\n1E-05, 1.2E-05\r\n3000, -3.5\r\n##END=\r\n##END=\r\n"),
              std::string::npos)
        << jdx;
    EXPECT_EQ(FormatJcampSpectrum("t", facts, {}, shift + 3, y + 3, 2), "") << "one point: no even grid";

    // On the wavelength axis every finite pixel, in nanometres.
    facts.xAxisMode = kWavelengthAxis;
    const std::string nm = FormatJcampSpectrum("t", facts, {}, shift, y, 6);
    EXPECT_NE(nm.find("##XUNITS=NANOMETERS\r\n"), std::string::npos);
    EXPECT_NE(nm.find("##NPOINTS=5\r\n##XYPOINTS=(XY..XY)\r\n-5, 1\r\n0, 2\r\n"), std::string::npos) << nm;
}

TEST(ExchangeFormats, JcampResamplesOntoAnEvenGridNoCoarserThanThePoints)
{
    const struct {
        std::vector<double> x, y;
        std::string data;  // the XYDATA block from ##XFACTOR on
    } cases[] = {
        // Spacings of 0.2 nm and more, in any order: steps of 0.2 nm; Y to
        // 1E-05, as the largest |Y| fits in 32 bits.
        {{501.1, 500.0, 500.5, 500.3},
         {1e4, 10.0, -2.5, 40.0},
         "##XFACTOR=0.1\r\n##YFACTOR=1E-05\r\n##FIRSTX=500\r\n##LASTX=501\r\n##DELTAX=0.2\r\n##FIRSTY=10\r\n"
         "##MINY=10\r\n##MAXY=8332.91667\r\n##NPOINTS=6\r\n##XYDATA=(X++(Y..Y))\r\n"
         "5000 1000000 3000000 1875000 166458333 499875000 833291667\r\n##END=\r\n"},
        // A finest spacing of 0.07: steps of 0.05; Y in tens.
        {{0.0, 0.07, 0.2},
         {0.0, 7e9, 2e9},
         "##XFACTOR=0.01\r\n##YFACTOR=10\r\n##FIRSTX=0\r\n##LASTX=0.2\r\n##DELTAX=0.05\r\n##FIRSTY=0\r\n##MINY=0\r\n"
         "##MAXY=5846153850\r\n##NPOINTS=5\r\n##XYDATA=(X++(Y..Y))\r\n0 0 500000000 584615385 392307692 200000000\r\n"
         "##END=\r\n"},
    };
    SpectrumFacts facts = LiveFacts();
    facts.xAxisMode = kWavelengthAxis;
    for (const auto& c : cases) {
        const std::string jdx =
            FormatJcampSpectrum("t", facts, {}, c.x.data(), c.y.data(), static_cast<int>(c.x.size()));
        const std::size_t data = jdx.find("##XFACTOR=");
        ASSERT_NE(data, std::string::npos) << jdx;
        EXPECT_EQ(jdx.substr(data, c.data.size()), c.data);
    }
}

TEST(ExchangeFormats, TheNamesExtensionChoosesTheFormatElseTheFilter)
{
    const std::vector<std::vector<std::string>> formats = {{"csv"}, {"jdx", "dx"}};
    EXPECT_EQ(FormatOfPath("/d/a.csv", formats, 1), 0);
    EXPECT_EQ(FormatOfPath("/d/a.JDX", formats, 0), 1);
    EXPECT_EQ(FormatOfPath("/d/a.dx", formats, 0), 1);
    EXPECT_EQ(FormatOfPath("/d/a.txt", formats, 1), 1);
    EXPECT_EQ(FormatOfPath("/d.csv/spectrum", formats, 1), 1) << "a folder's extension is not the file's";
    EXPECT_EQ(FormatOfPath("/d/.csv", formats, 1), 1) << "a hidden name has no extension";
}

TEST(ExchangeFormats, ANameEndingInAnotherFormatsExtensionIsKnown)
{
    const std::vector<std::vector<std::string>> figures = {{"png"}, {"svg"}, {"pdf"}};
    EXPECT_TRUE(NamesAnotherFormat("/d/a.jpg", figures));
    EXPECT_TRUE(NamesAnotherFormat("/d/a.png.JPEG", figures));
    EXPECT_EQ(ExtensionOf("/d/a.png.JPEG"), "JPEG");
    EXPECT_FALSE(NamesAnotherFormat("/d/a.PNG", figures));
    EXPECT_FALSE(NamesAnotherFormat("/d/a.pdf", figures));
    EXPECT_FALSE(NamesAnotherFormat("/d.jpg/figure", figures)) << "a folder's extension is not the file's";
    EXPECT_FALSE(NamesAnotherFormat("/d/.jpg", figures)) << "a hidden name has no extension";
    EXPECT_EQ(ExtensionOf("/d/figure"), "");
}

TEST(ExchangeFormats, TheSpectrumOnDisplayIsTheOpenedFilesWhileItsValuesAre)
{
    OpenedSpectrum opened{"/d/x.ram", kRamanShiftAxis, {-1.0, 0.5, 2.0}, {10.0, 20.0, 30.0}};
    double x[3] = {-1.0, 0.5, 2.0};
    double y[3] = {10.0, 20.0, 30.0};
    EXPECT_EQ(OriginOf(opened, kRamanShiftAxis, x, y, 3), DisplayedOrigin::OpenedFile);
    EXPECT_TRUE(HoldsFileAxis(opened, kRamanShiftAxis, x, 3));
    EXPECT_EQ(OriginOf(opened, kWavelengthAxis, x, y, 3), DisplayedOrigin::OpenedFileOnCalibratedAxis)
        << "the other axis comes from the calibration";
    x[2] = 2.5;  // the axis rebuilt
    EXPECT_EQ(OriginOf(opened, kRamanShiftAxis, x, y, 3), DisplayedOrigin::OpenedFileOnCalibratedAxis);
    y[1] = 20.5;  // a scan reached the display
    EXPECT_EQ(OriginOf(opened, kRamanShiftAxis, x, y, 3), DisplayedOrigin::Live);
    EXPECT_EQ(OriginOf(OpenedSpectrum{}, kRamanShiftAxis, x, y, 3), DisplayedOrigin::Live);
    y[1] = 20.0;
    EXPECT_EQ(OriginOf(opened, kRamanShiftAxis, x, y, 2), DisplayedOrigin::Live) << "another number of points";
}
