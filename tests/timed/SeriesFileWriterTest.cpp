// Replacing series files whole, and never through a device or a folder.

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "support/TempDir.h"
#include "timed/SeriesFileWriter.h"

using namespace vexlar::timed;
using namespace vexlar::test;

namespace {

std::size_t EntriesIn(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

bool IsCharacterDevice(const char* path)
{
    struct stat info {};
    return ::lstat(path, &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

TEST(SeriesFileWriter, ReplacesWholeKeepsPermissionsAndLinks)
{
    TempDir dir;
    std::string reason;
    const std::string path = dir.file("run.TimeStamps");
    ASSERT_TRUE(ReplaceFileText(path, "first\r\n", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "first\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(ReplaceFileText(path, "second", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "second");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";

    // A link is written through: it stays a link to the new content.
    const std::string link = dir.file("link.exp");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ReplaceFileText(link, "third", &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(path), "third");
}

TEST(SeriesFileWriter, FailuresGiveTheReasonAndLeaveNothingBehind)
{
    TempDir dir;
    std::string reason;
    // A folder that is really a file.
    ASSERT_TRUE(WriteWholeFile(dir.file("plain"), "x"));
    EXPECT_FALSE(ReplaceFileText(dir.file("plain/run.00001.exp"), "data", &reason));
    EXPECT_EQ(reason, "Not a directory");
    // A folder where the file should be.
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(ReplaceFileText(dir.file("folder"), "data", &reason));
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_EQ(EntriesIn(dir.path()), 2u);

    // A full device through a link: written into, never replaced, and its
    // failure reported.
    const std::string link = dir.file("run.TimeStamps");
    ASSERT_EQ(::symlink("/dev/full", link.c_str()), 0);
    EXPECT_FALSE(ReplaceFileText(link, "data", &reason));
    EXPECT_EQ(reason, "No space left on device");
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    // A pipe nobody reads refuses at once instead of blocking.
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(ReplaceFileText(pipe, "data", &reason));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST(SeriesFileWriter, OnlyRegularFilesMayBeReplacedByRenaming)
{
    TempDir dir;
    std::string reason;
    EXPECT_TRUE(MayReplaceByRename(dir.file("new.ram"), &reason));
    ASSERT_TRUE(WriteWholeFile(dir.file("old.ram"), "x"));
    EXPECT_TRUE(MayReplaceByRename(dir.file("old.ram"), &reason));
    EXPECT_FALSE(MayReplaceByRename("/dev/null", &reason));
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_FALSE(MayReplaceByRename(dir.path(), &reason));
    EXPECT_EQ(reason, "Is a directory");
    const std::string link = dir.file("run.00001.ram");
    ASSERT_EQ(::symlink("/dev/full", link.c_str()), 0);
    EXPECT_FALSE(MayReplaceByRename(link, &reason)) << "a link to a device is a device";
}
