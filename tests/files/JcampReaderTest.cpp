// The JCAMP-DX file of File > Export As..., read by jcampconverter (a reader
// nobody here wrote, from the npm registry, pinned by the lock file in
// tests/files/jcamp and installed into the build folder), as written: the
// spectrum it reads is the one on display on an even grid, each value to the
// precision written, and the units, the owner and the laser wavelength come
// through. Skipped, saying so, where npm is not installed.

#include <QAction>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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

bool HaveCommand(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Copies the reader's package files into the build folder and installs the
// locked packages there, unless that lock is installed already. False with
// the reason.
bool InstallReader(std::string* reason)
{
    const std::string source = VEXLAR_JCAMP_READER_SOURCE;
    const std::string target = VEXLAR_JCAMP_READER_DIR;
    const std::string lock = ReadWholeFile(source + "/package-lock.json");
    if (lock.empty()) {
        *reason = "no lock file at " + source;
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(target, ignored);
    const bool installed = ReadWholeFile(target + "/package-lock.json") == lock &&
                           !ReadWholeFile(target + "/node_modules/jcampconverter/package.json").empty();
    for (const char* file : {"package.json", "package-lock.json", "read-jcamp.mjs"}) {
        if (!WriteWholeFile(target + "/" + file, ReadWholeFile(source + "/" + file))) {
            *reason = std::string("cannot write ") + file + " into " + target;
            return false;
        }
    }
    if (installed)
        return true;
    const std::string command =
        "cd " + ShellQuoted(target) + " && npm ci --no-audit --no-fund --loglevel=error >npm-ci.log 2>&1";
    if (std::system(command.c_str()) != 0) {
        *reason = "npm ci failed: " + ReadWholeFile(target + "/npm-ci.log");
        return false;
    }
    return true;
}

struct ReaderOutput {
    std::vector<std::string> items;  // "name=value" lines
    std::vector<double> x, y;
};

ReaderOutput Read(const std::string& jdx, const std::string& out)
{
    const std::string command = "node " + ShellQuoted(std::string(VEXLAR_JCAMP_READER_DIR) + "/read-jcamp.mjs") + " " +
                                ShellQuoted(jdx) + " >" + ShellQuoted(out);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    ReaderOutput result;
    std::istringstream lines(ReadWholeFile(out));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find('=') != std::string::npos) {
            result.items.push_back(line);
            continue;
        }
        const std::size_t space = line.find(' ');
        double x = 0.0, y = 0.0;
        const auto rx = std::from_chars(line.data(), line.data() + space, x);
        const auto ry = std::from_chars(line.data() + space + 1, line.data() + line.size(), y);
        EXPECT_TRUE(rx.ec == std::errc() && ry.ec == std::errc()) << line;
        result.x.push_back(x);
        result.y.push_back(y);
    }
    return result;
}

bool Has(const ReaderOutput& r, const std::string& item)
{
    return std::find(r.items.begin(), r.items.end(), item) != r.items.end();
}

// The number of a "name=value" item.
double Number(const ReaderOutput& r, const std::string& name)
{
    for (const std::string& item : r.items) {
        double value = 0.0;
        if (item.rfind(name + "=", 0) == 0 &&
            std::from_chars(item.data() + name.size() + 1, item.data() + item.size(), value).ec == std::errc())
            return value;
    }
    ADD_FAILURE() << "the reader gave no number " << name;
    return std::nan("");
}

}  // namespace

TEST_F(FrameFixture, JcampDxIsReadByAnIndependentReaderValueForValue)
{
    if (!HaveCommand("node") || !HaveCommand("npm"))
        GTEST_SKIP() << "Node.js and npm are not installed: the JCAMP-DX file is not checked by jcampconverter "
                        "(scripts/install-deps installs them)";
    std::string reason;
    ASSERT_TRUE(InstallReader(&reason)) << reason;

    DecimalCommaLanguage comma;
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    Start();
    constexpr int kPixels = calibration::kPixels;
    float scan[kPixels];
    for (int i = 0; i < kPixels; ++i)
        scan[i] = 50.0f + static_cast<float>((i * 37) % 4000) + static_cast<float>(i % 3) / 8.0f;
    driver().FillPixels(0, scan);
    driver().Post(WM_SCAN_COMPLETE, 0);
    Deliver();
    double wavelength[kPixels], wavenumber[kPixels], spectrum[kPixels], ramanShift[kPixels];
    calibration::RebuildAxes(calibration::Coefficients{}, calibration::LaserWavenumber(632.8f), wavelength, wavenumber,
                             spectrum, ramanShift);

    qputenv("USER", "raman-lab");  // the operator's login name, the file's owner
    TempDir dir;
    FileOperator op;
    for (const int mode : {1, 0}) {
        view()->instrument().SetXAxisMode(mode);
        const std::string name = mode == 1 ? "raman shift.jdx" : "wavelength.jdx";
        op.Choose(dir.file(name));
        frame->action(ID_EXPORT_AS)->trigger();
        const ReaderOutput r = Read(dir.file(name), dir.file("read.txt"));

        EXPECT_TRUE(Has(r, "blocks=LINK|RAMAN SPECTRUM XYDATA|RAMAN SPECTRUM XYPOINTS")) << mode;
        EXPECT_TRUE(Has(r, "dataType=RAMAN SPECTRUM")) << mode;
        EXPECT_TRUE(Has(r, "version=5.01")) << mode;
        EXPECT_TRUE(Has(r, "dataClass=XYDATA")) << mode;
        EXPECT_TRUE(Has(r, "owner=raman-lab")) << mode;
        EXPECT_TRUE(Has(r, "title=" + name.substr(0, name.size() - 4))) << mode;
        EXPECT_TRUE(Has(r, mode == 1 ? "xUnits=1/CM" : "xUnits=NANOMETERS")) << mode;
        EXPECT_TRUE(Has(r, "yUnits=ARBITRARY UNITS")) << mode;
        EXPECT_TRUE(Has(r, "laser=632.8")) << mode;
        // An even grid within the pixels shown (Raman-shift mode: the positive
        // shifts, from pixel 537 on), no coarser than their finest step.
        const int first = mode == 1 ? 537 : 0;
        const double* axis = mode == 1 ? ramanShift : wavelength;
        double finest = axis[kPixels - 1] - axis[first];
        for (int i = first + 1; i < kPixels; ++i)
            finest = std::min(finest, axis[i] - axis[i - 1]);
        const double x0 = Number(r, "firstX");
        const double dx = Number(r, "deltaX");
        const auto n = static_cast<std::size_t>(Number(r, "npoints"));
        ASSERT_EQ(r.x.size(), n) << mode;
        ASSERT_EQ(r.y.size(), n);
        EXPECT_LE(dx, finest) << mode;
        EXPECT_TRUE(x0 >= axis[first] && x0 - dx < axis[first]) << x0;
        const double xn = x0 + static_cast<double>(n - 1) * dx;
        EXPECT_TRUE(xn <= axis[kPixels - 1] && xn + dx > axis[kPixels - 1]) << xn;
        // Each value the spectrum between its pixels, to the precision written.
        const double yFactor = Number(r, "yFactor");
        int j = first;
        for (std::size_t k = 0; k < n; ++k) {
            const double x = x0 + static_cast<double>(k) * dx;
            ASSERT_NEAR(r.x[k], x, 1e-6 * dx) << k;
            while (j + 2 < kPixels && axis[j + 1] < x)
                ++j;
            const double t = (x - axis[j]) / (axis[j + 1] - axis[j]);
            const double y = scan[j] + (scan[j + 1] - scan[j]) * t;
            ASSERT_NEAR(r.y[k], y, yFactor / 2 + 1e-9 * std::fabs(y)) << "x " << x;
        }
    }
    EXPECT_TRUE(messages.messages().empty());
}
