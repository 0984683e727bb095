// Replacing a file whole, and never replacing a device, a pipe or a folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <vector>

#include <sys/resource.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileReplace.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

using namespace vexlar::sys;
using namespace vexlar::test;

namespace {

std::size_t EntriesIn(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

}  // namespace

TEST(FileReplace, ReplacesWholeKeepsPermissionsAndLinks)
{
    TempDir dir;
    std::string reason;
    const std::string path = dir.file("run.TimeStamps");
    ASSERT_TRUE(ReplaceFileWhole(path, "first\r\n", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "first\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(ReplaceFileWhole(path, "second", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "second");
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file left";

    // A link is written through: it stays a link to the new content.
    const std::string link = dir.file("link.exp");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ReplaceFileWhole(link, "third", &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(path), "third");
    // A link whose target does not exist yet (a settings file kept
    // elsewhere) stays a link, and its target is made.
    const std::string dangling = dir.file("vexlar.ini");
    ASSERT_EQ(::symlink("kept/vexlar.ini", dangling.c_str()), 0);
    std::filesystem::create_directory(dir.file("kept"));
    ASSERT_TRUE(ReplaceFileWhole(dangling, "[Acquisition]", &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(ReadWholeFile(dir.file("kept/vexlar.ini")), "[Acquisition]");
}

TEST(FileReplace, FailuresGiveTheReasonAndLeaveNothingBehind)
{
    TempDir dir;
    std::string reason;
    // A folder that is really a file.
    ASSERT_TRUE(WriteWholeFile(dir.file("plain"), "x"));
    EXPECT_FALSE(ReplaceFileWhole(dir.file("plain/run.00001.exp"), "data", &reason));
    EXPECT_EQ(reason, "Not a directory");
    // A folder where the file should be.
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(ReplaceFileWhole(dir.file("folder"), "data", &reason));
    EXPECT_EQ(reason, "Is a directory");
    EXPECT_EQ(EntriesIn(dir.path()), 2u);

    // A full device through a link: written into, never replaced, and its
    // failure reported.
    const std::string link = dir.file("run.TimeStamps");
    ASSERT_EQ(::symlink("/dev/full", link.c_str()), 0);
    EXPECT_FALSE(ReplaceFileWhole(link, "data", &reason));
    EXPECT_EQ(reason, "No space left on device");
    EXPECT_TRUE(IsCharacterDevice("/dev/full"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    // A pipe nobody reads refuses at once instead of blocking.
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(ReplaceFileWhole(pipe, "data", &reason));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    // One that a process holds open but never reads is given up once it is
    // full, whether replaced or appended to.
    const int heldOpen = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(heldOpen, 0);
    SetWaitForReaderMs(20);
    const std::string spectrum(100 * 1024, '1');
    EXPECT_FALSE(ReplaceFileWhole(pipe, spectrum, &reason));
    EXPECT_EQ(reason, kNothingReads);
    EXPECT_FALSE(AppendToFile(pipe, spectrum, &reason));
    EXPECT_EQ(reason, kNothingReads);
    SetWaitForReaderMs(kWaitForReaderMs);
    ::close(heldOpen);
}

TEST(FileReplace, ReplacesWholeOrLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("run.ram.peak");
    std::string reason;
    ASSERT_TRUE(ReplaceFileWhole(path, "first\r\n", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "first\r\n");
    ASSERT_TRUE(ReplaceFileWhole(path, "second", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "second");

    // A folder that does not exist, a file in place of a folder: the reason.
    EXPECT_FALSE(ReplaceFileWhole(dir.file("missing/run.ram.peak"), "x", &reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(ReplaceFileWhole(path + "/inside.peak", "x", &reason));
    EXPECT_EQ(reason, "Not a directory");
    // A folder in the file's place stays a folder.
    std::filesystem::create_directory(dir.file("folder.peak"));
    EXPECT_FALSE(ReplaceFileWhole(dir.file("folder.peak"), "x", &reason));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.peak")));

    // A write that fails part way (the file-size limit stands in for a full
    // disk): the old file stays whole and no temporary file is left.
    struct rlimit old { };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ReplaceFileWhole(path, std::string(1000, 'z'), &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(ReadWholeFile(path), "second");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder.peak", "run.ram.peak"}));
}

TEST(FileAppend, AppendsWholeRecordsOrNone)
{
    TempDir dir;
    const std::string path = dir.file("run.TimeStamps");
    std::string reason;
    ASSERT_TRUE(AppendToFile(path, "Filename\tTime (sec)\r\n", &reason)) << reason;
    ASSERT_TRUE(AppendToFile(path, "run.00001.ram\t0.00\r\n", &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), "Filename\tTime (sec)\r\nrun.00001.ram\t0.00\r\n");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // A record that fails part way (the file-size limit stands in for a full
    // disk) is cut off again: the file ends with its last whole record.
    const std::string before = ReadWholeFile(path);
    struct rlimit old { };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 5;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool appended = AppendToFile(path, "run.00002.ram\t1.00\r\n", &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(appended);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(ReadWholeFile(path), before);

    // Failures name their reason; a pipe nobody reads refuses at once, a
    // full device reports itself, a folder is never written.
    EXPECT_FALSE(AppendToFile(dir.file("missing/run.TimeStamps"), "x", &reason));
    EXPECT_EQ(reason, "No such file or directory");
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(AppendToFile(dir.file("folder"), "x", &reason));
    EXPECT_EQ(reason, "Is a directory");
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(AppendToFile(pipe, "x", &reason));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_FALSE(AppendToFile("/dev/full", "x", &reason));
    EXPECT_EQ(reason, "No space left on device");
}
