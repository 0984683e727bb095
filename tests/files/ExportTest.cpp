// Export Spectrum through the real handler, with the dialog answered by a
// test operator.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/FileOperator.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ExportTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        for (int i = 0; i < kPixels; ++i)
            ramp[i] = static_cast<float>(i);
        ScanPixels(0, ramp);
    }

    // The ramp scanned with some pixels changed.
    void ScanRampWith(const std::map<int, float>& pixels)
    {
        std::vector<float> values = ramp;
        for (const auto& [pixel, value] : pixels)
            values[static_cast<std::size_t>(pixel)] = value;
        ScanPixels(0, values);
    }

    std::vector<float> ramp = std::vector<float>(kPixels);

    std::string Export(const std::string& name, const std::string& written)
    {
        op.Choose(dir.file(name));
        view->files().OnExportSpectrum();
        return ReadWholeFile(dir.file(written));
    }

    TempDir dir;
    FileOperator op;
};

}  // namespace

TEST_F(ExportTest, WavelengthModeWritesEveryPixelRamanShiftModeThePositiveShiftsOnly)
{
    ScanRampWith({{0, 87.6f}, {1, -3.1f}});                     // pixel 1 below the dark spectrum
    const std::string nm = Export("spectrum", "spectrum.exp");  // the extension is added
    EXPECT_EQ(Lines(nm), 2048u);
    EXPECT_EQ(nm.rfind("350.00\t87.60\r\n", 0), 0u) << nm.substr(0, 40);
    EXPECT_EQ(nm.find("\t-3.10\r\n"), nm.find('\t', nm.find('\n')));
    ScanRampWith({{0, 11.0f}});
    EXPECT_EQ(ShownY(0), 11.0) << "exporting does not pause acquisition";

    view->instrument().SetXAxisMode(1);
    ASSERT_LE(ShownX(536), 0.0);
    const std::string raman = Export("raman.exp", "raman.exp");
    EXPECT_EQ(Lines(raman), 1511u);
    EXPECT_EQ(raman.rfind("2.96\t537.00\r\n", 0), 0u) << raman.substr(0, 40);
    EXPECT_EQ(raman.find('-'), std::string::npos) << "no anti-Stokes shift";
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ExportTest, ExportingOverAnExistingFileReplacesItWhole)
{
    const std::string path = dir.file("old.exp");
    ASSERT_TRUE(WriteWholeFile(path, std::string(200000, 'x')));
    ScanRampWith({{3, 0.005f}});
    std::string expected;
    for (int i = 0; i < kPixels; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%.2f\t%.2f\r\n", ShownX(i), ShownY(i));
        expected += line;
    }
    EXPECT_EQ(Export("old.exp", "old.exp"), expected);
    EXPECT_EQ(op.questions.size(), 1u) << "asked before replacing";

    op.replace = false;  // declined: the file stays as it is
    ScanRampWith({{0, 5.0f}});
    EXPECT_EQ(Export("old.exp", "old.exp"), expected);
    op.Cancel();
    view->files().OnExportSpectrum();
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReportedAndAGoodOneIsKept)
{
    // The timed series writes through the same call.
    const std::string good = dir.file("good.exp");
    ASSERT_TRUE(view->files().WriteExportFile(good.c_str()));
    const std::string before = ReadWholeFile(good);

    // Its folder gone by the time the file is written.
    std::filesystem::create_directory(dir.file("gone"));
    op.Choose(dir.file("gone/a.exp"), [&] { std::filesystem::remove(dir.file("gone")); });
    view->files().OnExportSpectrum();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
    const std::string& text = messages.messages()[0].text;
    EXPECT_EQ(text.rfind("Cannot export the spectrum to \"" + dir.file("gone/a.exp") + "\":\n", 0), 0u) << text;
    EXPECT_GT(text.size(), dir.file("gone/a.exp").size() + 40) << "with the reason";

    // A folder where the file should go; no name at all.
    std::filesystem::create_directory(dir.file("folder.exp"));
    EXPECT_FALSE(view->files().WriteExportFile(dir.file("folder.exp").c_str()));
    EXPECT_FALSE(view->files().WriteExportFile(""));
    EXPECT_EQ(messages.messages().size(), 3u);

    EXPECT_EQ(ReadWholeFile(good), before);
    int files = 0;  // and no temporary file left behind
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST_F(ExportTest, ASpectrumThatIsNotAllNumbersIsRefusedAndNothingWritten)
{
    // An intensity no file can hold (an additive sum that ran past the
    // largest double): each export says so, and writes nothing.
    ScanRampWith({{7, -INFINITY}});
    for (const auto& [name, command] :
         {std::pair{"a.exp", &FileCommands::OnExportSpectrum}, std::pair{"a.csv", &FileCommands::OnExportAs},
          std::pair{"a.jdx", &FileCommands::OnExportAs}}) {
        messages.clear();
        op.Choose(dir.file(name));
        (view->files().*command)();
        const vexlar::sys::OperatorMessage refusal{"Cannot export the spectrum to \"" + dir.file(name) +
                                                       "\":\nthe intensity at pixel 7 is -inf, not a finite "
                                                       "number; nothing was written.",
                                                   "Vexlar Error"};
        EXPECT_EQ(messages.messages(), std::vector<vexlar::sys::OperatorMessage>{refusal}) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
}
