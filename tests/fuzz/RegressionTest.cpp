// Every saved input of the fuzz targets, fed to its reader in the ordinary
// build: the seed corpus (valid and broken files of each kind) and every
// input that ever made a reader crash or break a promise. A target that
// breaks aborts the test with the input's name on standard error.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzTarget.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesUnder(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) {
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Feeds every file of the folder to the target; returns how many.
std::size_t FeedAll(vexlar::fuzz::Target target, const fs::path& folder)
{
    const std::vector<fs::path> files = FilesUnder(folder);
    for (const fs::path& file : files) {
        const std::string bytes = Bytes(file);
        std::fprintf(stderr, "%s\n", file.c_str());  // names the input a crash came from
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    return files.size();
}

}  // namespace

TEST(FuzzRegressions, EverySeedAndEveryInputThatOnceBrokeAReaderIsHandled)
{
    const fs::path data(VEXLAR_FUZZ_DATA_DIR);
    const auto& targets = vexlar::fuzz::Targets();
    ASSERT_EQ(targets.size(), 4u) << "the spectrum file, the annotation file, the settings files, the numbers";
    for (const auto& [name, target] : targets) {
        SCOPED_TRACE(name);
        const std::size_t seeds = FeedAll(target, data / "corpus" / name);
        EXPECT_GE(seeds, 3u) << "each target keeps valid and broken seeds";
        FeedAll(target, data / "regressions" / name);
    }
}

TEST(FuzzRegressions, EveryRegressionFolderBelongsToATarget)
{
    const fs::path data(VEXLAR_FUZZ_DATA_DIR);
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(data / "regressions", missing)) {
        if (entry.is_directory()) {
            EXPECT_EQ(vexlar::fuzz::Targets().count(entry.path().filename().string()), 1u) << entry.path();
        }
    }
}
