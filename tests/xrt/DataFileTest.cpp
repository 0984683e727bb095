// The chart library's data file (the spectrum file): exact round trip,
// refusal of anything that is not exactly a data file, readable by numpy.

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DataFile.h"
#include "Xrt.h"
#include "support/TempDir.h"

namespace {

using vexlar::test::ReadWholeFile;
using vexlar::test::TempDir;
using vexlar::test::WriteWholeFile;

constexpr int kPoints = 2048;

// Doubles of every kind: random bit patterns over the whole exponent range,
// negative, tiny, huge, subnormal, signed zeros and the extremes.
std::vector<double> AwkwardDoubles(std::uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  std::numeric_limits<double>::denorm_min(),
                                  -std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::lowest(),
                                  std::numeric_limits<double>::epsilon(),
                                  0.1,
                                  -632.8,
                                  1e-300,
                                  -1.7976931348623157e308 / 3,
                                  4095.0};
    while (values.size() < static_cast<std::size_t>(kPoints)) {
        double value = 0;
        const std::uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
        // Subnormals are rare among random bits; add some on purpose.
        values.push_back(std::numeric_limits<double>::denorm_min() * static_cast<double>(random() % 100000));
    }
    values.resize(kPoints);
    return values;
}

XrtHandle MakeData(const std::vector<double>& x, const std::vector<double>& y)
{
    XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, static_cast<int>(x.size()));
    EXPECT_TRUE(XrtDataSetXData(data, 0, x.data(), static_cast<int>(x.size()), 0));
    EXPECT_TRUE(XrtDataSetYData(data, 0, y.data(), static_cast<int>(y.size()), 0));
    return data;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A valid file of n points whose text can then be spoiled.
std::string ValidFile(int points)
{
    std::vector<double> x(points), y(points);
    for (int i = 0; i < points; ++i) {
        x[i] = 350.0 + i * 0.15;
        y[i] = i % 97;
    }
    return vexlar::xrt::FormatDataFile(x.data(), y.data(), points);
}

// Loads text as a data file; returns the handle (0 when refused).
XrtHandle LoadText(const TempDir& dir, const std::string& text)
{
    const std::string path = dir.file("spectrum.ram");
    EXPECT_TRUE(WriteWholeFile(path, text));
    return XrtDataCreateFromFile(path.c_str());
}

std::string ReplaceLine(const std::string& text, int lineNumber, const std::string& replacement)
{
    std::istringstream in(text);
    std::string line, out;
    for (int number = 1; std::getline(in, line); ++number)
        out += (number == lineNumber ? replacement : line) + "\n";
    return out;
}

TEST(XrtDataFile, SavedValuesReadBackBitForBit)
{
    TempDir dir;
    const std::vector<double> x = AwkwardDoubles(1);
    const std::vector<double> y = AwkwardDoubles(2);
    XrtHandle data = MakeData(x, y);
    const std::string path = dir.file("round trip.ram");
    ASSERT_TRUE(XrtDataSaveToFile(data, path.c_str())) << XrtGetLastError();

    XrtHandle loaded = XrtDataCreateFromFile(path.c_str());
    ASSERT_NE(loaded, 0u) << XrtGetLastError();
    int points = 0, sets = 0;
    ASSERT_TRUE(XrtDataGetPointCount(loaded, &points));
    ASSERT_TRUE(XrtDataGetSetCount(loaded, &sets));
    EXPECT_EQ(points, kPoints);
    EXPECT_EQ(sets, 1);
    for (int i = 0; i < kPoints; ++i) {
        double readX = 0, readY = 0;
        ASSERT_TRUE(XrtDataGetXElementIndirect(loaded, 0, i, &readX));
        ASSERT_TRUE(XrtDataGetYElementIndirect(loaded, 0, i, &readY));
        ASSERT_TRUE(SameBits(readX, x[i])) << "x of point " << i << ": " << x[i] << " read back as " << readX;
        ASSERT_TRUE(SameBits(readY, y[i])) << "y of point " << i << ": " << y[i] << " read back as " << readY;
    }

    // The header: a '#' comment naming the format and its version, the
    // point count, then "x<TAB>y" lines.
    const std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.rfind("# Vexlar chart data file, version 1\n", 0), 0u);
    EXPECT_NE(text.find("\n# points: 2048\n"), std::string::npos);
    EXPECT_NE(text.find("\n0\t"), std::string::npos);
    EXPECT_NE(text.find("\n-0\t"), std::string::npos);
    XrtDataDestroy(data);
    XrtDataDestroy(loaded);
}

TEST(XrtDataFile, WritingAndReadingIgnoreTheLocale)
{
    TempDir dir;
    const std::vector<double> x = {350.5, 351.25}, y = {0.125, -1e-5};
    XrtHandle data = MakeData(x, y);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    int tried = 0;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (!std::setlocale(LC_ALL, name))
            continue;
        ++tried;
        const std::string path = dir.file(std::string(name) + ".ram");
        ASSERT_TRUE(XrtDataSaveToFile(data, path.c_str()));
        EXPECT_NE(ReadWholeFile(path).find("\n350.5\t0.125\n"), std::string::npos) << name;
        XrtHandle loaded = XrtDataCreateFromFile(path.c_str());
        ASSERT_NE(loaded, 0u) << name << ": " << XrtGetLastError();
        double value = 0;
        XrtDataGetYElementIndirect(loaded, 0, 1, &value);
        EXPECT_EQ(value, -1e-5);
        XrtDataDestroy(loaded);
    }
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_GT(tried, 0);
    XrtDataDestroy(data);
}

TEST(XrtDataFile, AnythingButExactlyADataFileIsRefusedWithTheReason)
{
    TempDir dir;
    const std::string good = ValidFile(kPoints);
    XrtHandle accepted = LoadText(dir, good);
    ASSERT_NE(accepted, 0u) << XrtGetLastError();
    XrtDataDestroy(accepted);
    // Windows line ends and extra comments are fine too.
    std::string crlf;
    for (char c : ReplaceLine(good, 2, "# written on another machine"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    accepted = LoadText(dir, crlf);
    EXPECT_NE(accepted, 0u) << XrtGetLastError();
    XrtDataDestroy(accepted);

    const std::string points2047 = ReplaceLine(ValidFile(2047), 3, "# points: 2048");
    const std::string points2049 = ReplaceLine(ValidFile(2049), 3, "# points: 2048");
    const std::string overLong = ReplaceLine(good, 100, "350.0\t" + std::string(1100, '1'));
    struct Case {
        const char* what;
        std::string text;
        const char* reason;  // part of the message
    } cases[] = {
        {"empty", "", "empty"},
        {"truncated after a line", good.substr(0, good.rfind('\n', good.size() / 2) + 1), "ends after"},
        {"cut inside the last number", good.substr(0, good.size() - 2), "cut short"},
        {"wrong header", ReplaceLine(good, 1, "# some other file"), "line 1"},
        {"no header", good.substr(good.find('\n') + 1), "line 1"},
        {"newer version", ReplaceLine(good, 1, "# Vexlar chart data file, version 2"), "version"},
        {"2047 points", points2047, "ends after 2047 points"},
        {"2049 points", points2049, "line 2052"},
        {"no point count", ReplaceLine(good, 3, "# nothing"), "line 4"},
        {"bad point count", ReplaceLine(good, 3, "# points: 20x"), "line 3"},
        {"zero points", "# Vexlar chart data file, version 1\n# points: 0\n", "line 2"},
        {"two point counts", ReplaceLine(good, 2, "# points: 2048"), "line 3"},
        {"not a number", ReplaceLine(good, 10, "350.0\tabc"), "line 10"},
        {"number with trailing text", ReplaceLine(good, 11, "350.0\t12.5kg"), "line 11"},
        {"NaN", ReplaceLine(good, 12, "nan\t1"), "line 12"},
        {"infinity", ReplaceLine(good, 13, "350\tinf"), "line 13"},
        {"out of range", ReplaceLine(good, 14, "350\t1e400"), "line 14"},
        {"one column", ReplaceLine(good, 15, "350.0"), "line 15"},
        {"three columns", ReplaceLine(good, 16, "350.0\t1\t2"), "line 16"},
        {"spaces for a tab", ReplaceLine(good, 17, "350.0 1"), "line 17"},
        {"empty line", ReplaceLine(good, 18, ""), "line 18"},
        {"over-long line", overLong, "line 100"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), "line 1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadText(dir, c.text), 0u) << c.what << " was accepted";
        EXPECT_NE(XrtGetLastError().find(c.reason), std::string::npos)
            << c.what << ": the reason \"" << XrtGetLastError() << "\" does not say \"" << c.reason << "\"";
    }

    EXPECT_EQ(XrtDataCreateFromFile(dir.file("missing.ram").c_str()), 0u);
    EXPECT_NE(XrtGetLastError().find("missing.ram"), std::string::npos) << XrtGetLastError();
    EXPECT_EQ(XrtDataCreateFromFile(dir.path().c_str()), 0u);  // a folder
    EXPECT_EQ(XrtDataCreateFromFile(nullptr), 0u);
    EXPECT_EQ(XrtDataCreateFromFile(dir.file("x").c_str(), 1), 0u);
}

// What editors do to a text file: a UTF-8 byte-order mark in front and blank
// lines at the end are harmless and read; lines that end in a CR alone are
// refused with a message that says so, not as one over-long line.
TEST(XrtDataFile, WhatEditorsDoToTheFileIsReadOrNamed)
{
    TempDir dir;
    const std::string good = ValidFile(kPoints);
    const auto firstY = [](XrtHandle data) {
        double y = -1.0;
        XrtDataGetYElementIndirect(data, 0, 5, &y);
        return y;
    };
    for (const std::string& text : {"\xEF\xBB\xBF" + good, good + "\n", good + "\r\n\n  \t\n", good + "\n  "}) {
        const XrtHandle data = LoadText(dir, text);
        ASSERT_NE(data, 0u) << XrtGetLastError();
        int points = 0;
        EXPECT_TRUE(XrtDataGetPointCount(data, &points));
        EXPECT_EQ(points, kPoints);
        EXPECT_EQ(firstY(data), 5.0);
        XrtDataDestroy(data);
    }

    std::string crOnly = good;
    for (char& c : crOnly)
        c = c == '\n' ? '\r' : c;
    std::string crOnlyAfterHeader = good;
    for (std::size_t at = good.find('\n', good.find("# points")); at < good.size(); at = good.find('\n', at + 1))
        crOnlyAfterHeader[at] = '\r';
    for (const std::string& text : {crOnly, crOnlyAfterHeader}) {
        EXPECT_EQ(LoadText(dir, text), 0u);
        EXPECT_NE(XrtGetLastError().find("carriage return alone"), std::string::npos) << XrtGetLastError();
    }
    EXPECT_NE(XrtGetLastError().find("line 3"), std::string::npos) << XrtGetLastError();

    // A blank line among the points is still refused, and a file of nothing
    // but the mark is empty.
    EXPECT_EQ(LoadText(dir, ReplaceLine(good, 500, "")), 0u);
    EXPECT_NE(XrtGetLastError().find("line 500"), std::string::npos) << XrtGetLastError();
    EXPECT_EQ(LoadText(dir, "\xEF\xBB\xBF"), 0u);
    EXPECT_NE(XrtGetLastError().find("empty"), std::string::npos) << XrtGetLastError();
}

TEST(XrtDataFile, AFailedSaveSaysWhyAndLeavesTheOldFile)
{
    TempDir dir;
    std::vector<double> x(4, 1.0), y(4, 2.0);
    XrtHandle data = MakeData(x, y);
    const std::string missingFolder = dir.file("no such folder/spectrum.ram");
    EXPECT_FALSE(XrtDataSaveToFile(data, missingFolder.c_str()));
    EXPECT_NE(XrtGetLastError().find("No such file or directory"), std::string::npos) << XrtGetLastError();
    EXPECT_FALSE(XrtDataSaveToFile(data, ""));
    EXPECT_FALSE(XrtDataSaveToFile(data, dir.file("a.ram").c_str(), 7));

    // Values that could not be read back are not written.
    const std::string path = dir.file("kept.ram");
    ASSERT_TRUE(WriteWholeFile(path, "earlier contents"));
    y[2] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(XrtDataSetYData(data, 0, y.data(), 4, 0));
    EXPECT_FALSE(XrtDataSaveToFile(data, path.c_str()));
    EXPECT_NE(XrtGetLastError().find("point 2"), std::string::npos) << XrtGetLastError();
    EXPECT_EQ(ReadWholeFile(path), "earlier contents");

    // A successful save replaces the file whole and leaves no temporary behind.
    y[2] = 3.0;
    ASSERT_TRUE(XrtDataSetYData(data, 0, y.data(), 4, 0));
    ASSERT_TRUE(XrtDataSaveToFile(data, path.c_str()));
    EXPECT_EQ(ReadWholeFile(path).rfind("# Vexlar chart data file", 0), 0u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);

    // A data set of several sets does not fit the one-series file.
    XrtHandle twoSets = XrtDataCreate(XRT_DATA_COMMON_X, 2, 4);
    EXPECT_FALSE(XrtDataSaveToFile(twoSets, dir.file("two.ram").c_str()));
    XrtDataDestroy(twoSets);
    XrtDataDestroy(data);
}

// A python3 that has numpy, or an empty string.
std::string PythonWithNumpy()
{
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        const std::string command = std::string(candidate) + " -c 'import numpy' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0)
            return candidate;
    }
    return {};
}

bool ParseHexDouble(std::string text, double* value)
{
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.erase(0, 1);
    if (text.rfind("0x", 0) != 0)
        return false;
    text.erase(0, 2);
    auto result = std::from_chars(text.data(), text.data() + text.size(), *value, std::chars_format::hex);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return false;
    if (negative)
        *value = -*value;
    return true;
}

TEST(XrtDataFile, NumpyReadsTheSameNumbers)
{
    const std::string python = PythonWithNumpy();
    if (python.empty())
        GTEST_SKIP() << "python3 with numpy is not installed; the file's readability by numpy is not checked";

    TempDir dir;
    const std::vector<double> x = AwkwardDoubles(3);
    const std::vector<double> y = AwkwardDoubles(4);
    XrtHandle data = MakeData(x, y);
    const std::string path = dir.file("for numpy.ram");
    const std::string out = dir.file("numpy.txt");
    ASSERT_TRUE(XrtDataSaveToFile(data, path.c_str()));
    const std::string script = dir.file("read.py");
    ASSERT_TRUE(WriteWholeFile(script, "import sys, numpy\n"
                                       "table = numpy.loadtxt(sys.argv[1], delimiter='\\t', ndmin=2)\n"
                                       "with open(sys.argv[2], 'w') as out:\n"
                                       "    for x, y in table:\n"
                                       "        out.write(float(x).hex() + ' ' + float(y).hex() + '\\n')\n"));
    const std::string command = python + " '" + script + "' '" + path + "' '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::istringstream lines(ReadWholeFile(out));
    std::string xText, yText;
    int i = 0;
    while (lines >> xText >> yText) {
        ASSERT_LT(i, kPoints);
        double readX = 0, readY = 0;
        ASSERT_TRUE(ParseHexDouble(xText, &readX)) << xText;
        ASSERT_TRUE(ParseHexDouble(yText, &readY)) << yText;
        ASSERT_TRUE(SameBits(readX, x[i])) << "numpy read x of point " << i << " as " << readX << ", not " << x[i];
        ASSERT_TRUE(SameBits(readY, y[i])) << "numpy read y of point " << i << " as " << readY << ", not " << y[i];
        ++i;
    }
    EXPECT_EQ(i, kPoints);
    XrtDataDestroy(data);
}

TEST(XrtDataFile, NumbersAreWholeFiniteDecimals)
{
    using vexlar::xrt::ParseFiniteDouble;
    double value = 0;
    EXPECT_TRUE(ParseFiniteDouble("4.9406564584124654e-324", &value));
    EXPECT_EQ(value, std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(ParseFiniteDouble("+12.5", &value));
    EXPECT_EQ(value, 12.5);
    EXPECT_TRUE(ParseFiniteDouble("-0", &value));
    EXPECT_TRUE(std::signbit(value));
    for (const char* bad : {"", "+", "-", "nan", "NaN", "inf", "-Infinity", "1e400", "0x10", " 1", "1 ", "1,5", "+-1",
                            "--1", "1e", "."}) {
        value = 7;
        EXPECT_FALSE(ParseFiniteDouble(bad, &value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
}

}  // namespace
