// The private-profile settings calls on real files in a temporary folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "Profile.h"
#include "ProfileDocument.h"
#include "support/TempDir.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace vexlar::sys;
using vexlar::test::NamesIn;
using vexlar::test::ReadWholeFile;
using vexlar::test::TempDir;
using vexlar::test::WriteWholeFile;

namespace {

std::string ReadText(const char* section, const char* key, const char* fallback, const std::string& file,
                     unsigned size = 64)
{
    std::vector<char> out(size, 'x');
    const unsigned n = GetPrivateProfileString(section, key, fallback, out.data(), size, file.c_str());
    EXPECT_EQ(out[n], '\0');
    return std::string(out.data(), n);
}

// "k0", "k1", ... (built by appending: GCC 12 warns falsely on "k" + string).
std::string KeyName(int i)
{
    std::string name = "k";
    name += std::to_string(i);
    return name;
}

// Counts file replacements and can make them fail.
class ReplaceCounter {
public:
    explicit ReplaceCounter(int failWith = 0)
    {
        SetProfileReplaceHookForTesting([this, failWith](const std::string& temporary, const std::string&) {
            ++count;
            lastTemporary = temporary;
            temporaryContents = ReadWholeFile(temporary);
            return failWith;
        });
    }
    ~ReplaceCounter() { SetProfileReplaceHookForTesting({}); }

    int count = 0;
    std::string lastTemporary;
    std::string temporaryContents;
};

class ProfileTest : public testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("test.ini");
};

}  // namespace

TEST_F(ProfileTest, ReadsTextWithDefaultsTrimmingQuotesAndTruncation)
{
    EXPECT_EQ(ReadText("Acquisition", "LaserWavelength", "632.8 nm", ini), "632.8 nm");  // no file
    EXPECT_TRUE(LastProfileError().empty());
    ASSERT_TRUE(WriteWholeFile(ini, "[Acquisition]\n  LaserWavelength  =   532 nm  \n"
                                    "Quoted=\"  spaced  \"\nSingle='x'\nLone=\"\nEmpty=\n"));
    EXPECT_EQ(ReadText("Acquisition", "LaserWavelength", "632.8 nm", ini), "532 nm");
    EXPECT_EQ(ReadText("Acquisition", "Quoted", "", ini), "  spaced  ");
    EXPECT_EQ(ReadText("Acquisition", "Single", "", ini), "x");
    EXPECT_EQ(ReadText("Acquisition", "Lone", "", ini), "\"");
    EXPECT_EQ(ReadText("Acquisition", "Empty", "fallback", ini), "");
    EXPECT_EQ(ReadText("Acquisition", "Missing", "fallback  ", ini), "fallback");
    EXPECT_EQ(ReadText("Missing", "LaserWavelength", nullptr, ini), "");

    // At most size - 1 characters, always terminated, nothing written beyond.
    char out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(GetPrivateProfileString("Acquisition", "LaserWavelength", "", out, 4, ini.c_str()), 3u);
    EXPECT_STREQ(out, "532");
    EXPECT_EQ(out[4], 'x');
    EXPECT_EQ(GetPrivateProfileString("Acquisition", "LaserWavelength", "", out, 1, ini.c_str()), 0u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(GetPrivateProfileString("Acquisition", "LaserWavelength", "", out, 0, ini.c_str()), 0u);
}

TEST_F(ProfileTest, ReadsLeadingDecimalIntegers)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[N]\nplain=42\nblanks=  \t-17\nplus=+8\nunit=250 ms\nword=abc\n"
                                    "empty=\nbig=65636\nwrap=4294967296\nlow=2147483648\nquoted=\"12\"\n"
                                    "signonly=-\n"));
    EXPECT_EQ(GetPrivateProfileInt("N", "plain", 5, ini.c_str()), 42);
    EXPECT_EQ(GetPrivateProfileInt("N", "blanks", 5, ini.c_str()), -17);
    EXPECT_EQ(GetPrivateProfileInt("N", "plus", 5, ini.c_str()), 8);
    EXPECT_EQ(GetPrivateProfileInt("N", "unit", 5, ini.c_str()), 250);
    EXPECT_EQ(GetPrivateProfileInt("N", "word", 5, ini.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileInt("N", "signonly", 5, ini.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileInt("N", "empty", 5, ini.c_str()), 5);
    EXPECT_EQ(GetPrivateProfileInt("N", "missing", 5, ini.c_str()), 5);
    EXPECT_EQ(GetPrivateProfileInt("Missing", "plain", -3, ini.c_str()), -3);
    EXPECT_EQ(GetPrivateProfileInt("N", "plain", 9, dir.file("absent.ini").c_str()), 9);
    EXPECT_EQ(GetPrivateProfileInt("N", "big", 5, ini.c_str()), 65636);
    EXPECT_EQ(GetPrivateProfileInt("N", "wrap", 5, ini.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileInt("N", "low", 5, ini.c_str()), INT_MIN);
    EXPECT_EQ(GetPrivateProfileInt("N", "quoted", 5, ini.c_str()), 12);
}

TEST_F(ProfileTest, MatchesSectionsAndKeysWithoutRegardToCaseAndFirstOneCounts)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[Acquisition]\nIntegrationTime=250\nintegrationtime=999\n"
                                    "[ACQUISITION]\nAverage=7\n"));
    EXPECT_EQ(GetPrivateProfileInt("acquisition", "INTEGRATIONTIME", 0, ini.c_str()), 250);
    EXPECT_EQ(GetPrivateProfileInt(" Acquisition ", " IntegrationTime ", 0, ini.c_str()), 250);
    // Only the first of two same-named sections is looked at.
    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Average", 1, ini.c_str()), 1);

    ASSERT_TRUE(WritePrivateProfileString("ACQUISITION", "integrationTIME", "300", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("acquisition", "average", "4", ini.c_str()));
    EXPECT_EQ(ReadWholeFile(ini), "[Acquisition]\nIntegrationTime=300\nintegrationtime=999\naverage=4\n"
                                  "[ACQUISITION]\nAverage=7\n");
}

TEST_F(ProfileTest, FileWrittenFromNothingKeepsTheOrderOfFirstWrites)
{
    ASSERT_TRUE(WritePrivateProfileString("A", "k1", "1", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("A", "k2", "2", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("B", "k1", "3", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("A", "k3", "4", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("A", "k1", "5", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("A", "empty", "", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("B", "spaced", "  x y  ", ini.c_str()));
    // No byte-order mark, no blank lines, values without surrounding blanks.
    EXPECT_EQ(ReadWholeFile(ini), "[A]\nk1=5\nk2=2\nk3=4\nempty=\n[B]\nk1=3\nspaced=x y\n");
    EXPECT_TRUE(LastProfileError().empty());
}

TEST_F(ProfileTest, EditsOnlyTheLineWrittenAndKeepsEverythingElseByteForByte)
{
    const std::string original = "\xEF\xBB\xBF; Vexlar settings\r\n"
                                 "\r\n"
                                 "[DialogBar]\r\n"
                                 "Channel = Master\r\n"
                                 "; the operator's note\r\n"
                                 "Unknown=keep me   \r\n"
                                 "a line without an equals sign\r\n"
                                 "\r\n"
                                 "; leads into the next section\r\n"
                                 "[Custom]\r\n"
                                 "  Indented = yes\r\n"
                                 "; closing remark without a line end";
    ASSERT_TRUE(WriteWholeFile(ini, original));
    EXPECT_EQ(ReadText("DialogBar", "Channel", "", ini), "Master");

    // Replaced in place, the spelling and spacing before the value kept.
    ASSERT_TRUE(WritePrivateProfileString("DialogBar", "Channel", "Slave 3", ini.c_str()));
    std::string expected = original;
    expected.replace(expected.find("Channel = Master"), 16, "Channel = Slave 3");
    EXPECT_EQ(ReadWholeFile(ini), expected);

    // A new key goes after the section's last entry, with the file's line ends.
    ASSERT_TRUE(WritePrivateProfileString("DialogBar", "XAxis", "Wavelength (nm)", ini.c_str()));
    expected.insert(expected.find("a line without an equals sign\r\n") + 31, "XAxis=Wavelength (nm)\r\n");
    EXPECT_EQ(ReadWholeFile(ini), expected);

    // A new section goes to the end; the last line gets its line end first.
    ASSERT_TRUE(WritePrivateProfileString("PeakFind", "Width", "1", ini.c_str()));
    expected += "\r\n[PeakFind]\r\nWidth=1\r\n";
    EXPECT_EQ(ReadWholeFile(ini), expected);

    // Writing the value a key already has leaves the file untouched.
    ReplaceCounter replacements;
    ASSERT_TRUE(WritePrivateProfileString("Custom", "indented", "yes", ini.c_str()));
    EXPECT_EQ(replacements.count, 0);
    EXPECT_EQ(ReadWholeFile(ini), expected);
}

TEST_F(ProfileTest, DeletesListsAndRefusesWhatWouldBreakTheFile)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[A]\nk1=1\nK2=2\nk1=dup\n[B]\nx=1\n; about C\n[C]\ny=2\n"));

    char list[64];
    EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", list, sizeof list, ini.c_str()), 6u);
    EXPECT_EQ(std::string(list, 7), std::string("A\0B\0C\0\0", 7));
    EXPECT_EQ(GetPrivateProfileString("a", nullptr, "", list, sizeof list, ini.c_str()), 6u);
    EXPECT_EQ(std::string(list, 7), std::string("k1\0K2\0\0", 7));
    EXPECT_EQ(GetPrivateProfileString("a", nullptr, "", list, 5, ini.c_str()), 3u);
    EXPECT_EQ(std::string(list, 5), std::string("k1\0\0\0", 5));  // cut short, two zeros at the end

    ASSERT_TRUE(WritePrivateProfileString("A", "K2", nullptr, ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("B", nullptr, nullptr, ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("Missing", nullptr, nullptr, ini.c_str()));
    EXPECT_TRUE(WritePrivateProfileString(nullptr, nullptr, nullptr, ini.c_str()));
    const std::string kept = "[A]\nk1=1\nk1=dup\n; about C\n[C]\ny=2\n";
    EXPECT_EQ(ReadWholeFile(ini), kept);

    const char* refused[][3] = {{"A", "k", "two\nlines"}, {"A", "a=b", "1"}, {"A", "; comment", "1"},
                                {"A", "[Section]", "1"},  {"A", "  ", "1"},  {"", "k", "1"},
                                {"Two\rLines", "k", "1"}};
    for (const auto& write : refused) {
        SCOPED_TRACE(std::string(write[0]) + "/" + write[1]);
        EXPECT_FALSE(WritePrivateProfileString(write[0], write[1], write[2], ini.c_str()));
        EXPECT_NE(LastProfileError().find(ini), std::string::npos) << LastProfileError();
    }
    EXPECT_FALSE(WritePrivateProfileString(nullptr, "k", "1", ini.c_str()));
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "1", nullptr));
    EXPECT_FALSE(LastProfileError().empty());
    EXPECT_EQ(ReadWholeFile(ini), kept);
}

TEST_F(ProfileTest, UnwritableFolderIsReportedWithPathAndReasonAndLeavesNothing)
{
    // A folder that is a regular file stops even the superuser.
    ASSERT_TRUE(WriteWholeFile(dir.file("plain"), "not a folder"));
    const std::string path = dir.file("plain") + "/vexlar.ini";
    EXPECT_EQ(ReadText("A", "k", "fallback", path), "fallback");
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "1", path.c_str()));
    EXPECT_NE(LastProfileError().find(path), std::string::npos) << LastProfileError();
    EXPECT_NE(LastProfileError().find(std::strerror(ENOTDIR)), std::string::npos) << LastProfileError();
    EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plain"});

    // The same for the settings folder of bare names.
    setenv("XDG_CONFIG_HOME", dir.file("plain").c_str(), 1);
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "1", "vexlar.ini"));
    EXPECT_NE(LastProfileError().find(dir.file("plain") + "/vexlar"), std::string::npos) << LastProfileError();
    EXPECT_EQ(ReadWholeFile(dir.file("plain")), "not a folder");

    // A file that exists but cannot be read: defaults, the reason, no write.
    fs::create_directory(dir.file("folder.ini"));
    EXPECT_EQ(ReadText("A", "k", "fallback", dir.file("folder.ini")), "fallback");
    EXPECT_NE(LastProfileError().find(dir.file("folder.ini")), std::string::npos) << LastProfileError();
    EXPECT_FALSE(WritePrivateProfileString("A", "k", "1", dir.file("folder.ini").c_str()));
    EXPECT_TRUE(fs::is_empty(dir.file("folder.ini")));
}

TEST_F(ProfileTest, ReplacementIsWholeOrNothing)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[A]\nk=old\n"));
    ::chmod(ini.c_str(), 0640);
    {
        ReplaceCounter refusingDisk(ENOSPC);
        EXPECT_FALSE(WritePrivateProfileString("A", "k", "new", ini.c_str()));
        EXPECT_EQ(refusingDisk.count, 1);
        // The new contents were complete in a file beside the old one...
        EXPECT_EQ(fs::path(refusingDisk.lastTemporary).parent_path(), fs::path(dir.path()));
        EXPECT_EQ(refusingDisk.temporaryContents, "[A]\nk=new\n");
    }
    // ...but the failure left the old file and no temporary file.
    EXPECT_NE(LastProfileError().find(ini), std::string::npos) << LastProfileError();
    EXPECT_NE(LastProfileError().find(std::strerror(ENOSPC)), std::string::npos) << LastProfileError();
    EXPECT_EQ(ReadWholeFile(ini), "[A]\nk=old\n");
    EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"test.ini"});

    // A successful write keeps the file's permissions and writes through a link.
    fs::create_symlink(ini, dir.file("link.ini"));
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "new", dir.file("link.ini").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(ReadWholeFile(ini), "[A]\nk=new\n");
    struct stat info { };
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(LastProfileError().empty());
    EXPECT_EQ(NamesIn(dir.path()), (std::set<std::string>{"link.ini", "test.ini"}));
}

TEST_F(ProfileTest, BatchWritesTheFileOnce)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[Keep]\nx=1\n"));
    ReplaceCounter replacements;
    {
        ProfileWriteBatch batch(ini.c_str());
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(
                WritePrivateProfileString("Batch", KeyName(i).c_str(), std::to_string(i * i).c_str(), ini.c_str()));
        // Nothing on disk yet, but reads see the collected values.
        EXPECT_EQ(replacements.count, 0);
        EXPECT_EQ(ReadWholeFile(ini), "[Keep]\nx=1\n");
        EXPECT_EQ(GetPrivateProfileInt("batch", "K19", 0, ini.c_str()), 361);

        EXPECT_TRUE(batch.Commit());
        EXPECT_EQ(replacements.count, 1);
        EXPECT_EQ(GetPrivateProfileInt("Batch", "k7", 0, dir.file("test.ini").c_str()), 49);
        EXPECT_TRUE(batch.Commit());  // nothing new: nothing written
        EXPECT_EQ(replacements.count, 1);

        ASSERT_TRUE(WritePrivateProfileString("Batch", "late", "yes", ini.c_str()));
        EXPECT_EQ(replacements.count, 1);
    }  // going away writes what came after the commit
    EXPECT_EQ(replacements.count, 2);
    EXPECT_EQ(ReadText("Batch", "late", "", ini), "yes");
    EXPECT_EQ(ReadWholeFile(ini).rfind("[Keep]\nx=1\n[Batch]\nk0=0\nk1=1\n", 0), 0u);

    // Without a batch each write replaces the file.
    ASSERT_TRUE(WritePrivateProfileString("Batch", "k0", "a", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("Batch", "k1", "b", ini.c_str()));
    EXPECT_EQ(replacements.count, 4);
}

TEST_F(ProfileTest, BatchOpenedInsideAnotherJoinsIt)
{
    ReplaceCounter replacements;
    ProfileWriteBatch outer(ini.c_str());
    ASSERT_TRUE(WritePrivateProfileString("A", "k1", "1", ini.c_str()));
    {
        ProfileWriteBatch inner(ini.c_str());
        ASSERT_TRUE(WritePrivateProfileString("A", "k2", "2", ini.c_str()));
        EXPECT_TRUE(inner.Commit());  // writes everything collected so far
        EXPECT_EQ(replacements.count, 1);
        EXPECT_EQ(ReadWholeFile(ini), "[A]\nk1=1\nk2=2\n");
    }
    // The inner batch's end does not close the outer one.
    ASSERT_TRUE(WritePrivateProfileString("A", "k3", "3", ini.c_str()));
    EXPECT_EQ(replacements.count, 1);
    EXPECT_TRUE(outer.Commit());
    EXPECT_EQ(replacements.count, 2);
    EXPECT_EQ(ReadWholeFile(ini), "[A]\nk1=1\nk2=2\nk3=3\n");
}

TEST_F(ProfileTest, FailedBatchReportsAndDropsTheCollectedValues)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[A]\nk=old\n"));
    ReplaceCounter refusingDisk(EIO);
    ProfileWriteBatch batch(ini.c_str());
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "new", ini.c_str()));
    EXPECT_EQ(ReadText("A", "k", "", ini), "new");
    EXPECT_FALSE(batch.Commit());
    EXPECT_NE(LastProfileError().find(ini), std::string::npos) << LastProfileError();
    EXPECT_FALSE(batch.Commit());  // the first result stands
    EXPECT_EQ(ReadText("A", "k", "", ini), "old");
    EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"test.ini"});
}

TEST_F(ProfileTest, BareNamesResolveToTheSettingsFolderMadeOnFirstWrite)
{
    const std::string config = dir.file("config");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(SettingsFolder(), config + "/vexlar");
    EXPECT_EQ(ResolveProfilePath("vexlar.ini"), config + "/vexlar/vexlar.ini");
    EXPECT_EQ(ResolveProfilePath("sub/vexlar.ini"), "sub/vexlar.ini");
    EXPECT_EQ(ResolveProfilePath("/abs/vexlar.ini"), "/abs/vexlar.ini");
    EXPECT_FALSE(fs::exists(config));

    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Average", 1, "vexlar.ini"), 1);
    EXPECT_FALSE(fs::exists(config));
    ASSERT_TRUE(WritePrivateProfileString("Acquisition", "Average", "8", "vexlar.ini"));
    EXPECT_EQ(ReadWholeFile(config + "/vexlar/vexlar.ini"), "[Acquisition]\nAverage=8\n");
    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Average", 1, "vexlar.ini"), 8);
    setenv("XDG_CONFIG_HOME", (config + "//").c_str(), 1);
    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Average", 1, "vexlar.ini"), 8);
    EXPECT_EQ(SettingsFolder(), config + "/vexlar");

    // A relative XDG_CONFIG_HOME is ignored in favour of ~/.config.
    const char* previousHome = std::getenv("HOME");
    const std::string home = previousHome ? previousHome : "";
    setenv("HOME", dir.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(SettingsFolder(), dir.path() + "/.config/vexlar");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ResolveProfilePath("vexlar.ini"), dir.path() + "/.config/vexlar/vexlar.ini");
    if (previousHome)
        setenv("HOME", home.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST_F(ProfileTest, WritesFromTwoThreadsAreNotLost)
{
    constexpr int kWritesPerThread = 40;
    auto writer = [this](const char* section) {
        for (int i = 0; i < kWritesPerThread; ++i)
            EXPECT_TRUE(WritePrivateProfileString(section, KeyName(i).c_str(), "v", ini.c_str()));
    };
    std::thread program(writer, "Program");
    std::thread driver(writer, "Driver");
    program.join();
    driver.join();
    for (const char* section : {"Program", "Driver"})
        for (int i = 0; i < kWritesPerThread; ++i)
            EXPECT_EQ(ReadText(section, KeyName(i).c_str(), "lost", ini), "v") << section << i;
}

TEST(ProfileDocumentTest, ParsingAndWritingBackGivesTheSameBytes)
{
    using vexlar::sys::detail::ProfileDocument;
    const std::string inputs[] = {"",
                                  "\n",
                                  "\r\n\r\n",
                                  "no line end",
                                  "[A]\rk=1\r",
                                  "\xEF\xBB\xBF",
                                  "\xEF\xBB\xBF[A]\nk=1",
                                  "a\n\nb\r\n\n",
                                  std::string("[A]\nk=with\0zero\n", 16),
                                  "[unclosed\n=no key\n  ;\t comment\n"};
    for (const std::string& input : inputs)
        EXPECT_EQ(ProfileDocument::Parse(input).Serialize(), input);

    // The mark is not part of the first section's name.
    const ProfileDocument marked = ProfileDocument::Parse("\xEF\xBB\xBF[A]\nk=1\n");
    EXPECT_EQ(marked.Value("A", "k"), "1");
    EXPECT_EQ(ProfileDocument::Parse("[unclosed\n=no key\n").SectionNames(), std::vector<std::string>{});
}

// Old Macintosh editors end lines in a CR alone: such a file is read line by
// line, and a value written into it keeps the file's own line ends.
TEST_F(ProfileTest, CarriageReturnOnlyFilesAreReadLineByLine)
{
    ASSERT_TRUE(WriteWholeFile(ini, "[Acquisition]\rAverage=8\rBoxcar=3\r[Master]\rFirst=0.25\r"));
    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Average", 1, ini.c_str()), 8);
    EXPECT_EQ(GetPrivateProfileInt("Acquisition", "Boxcar", 1, ini.c_str()), 3);
    EXPECT_EQ(ReadText("Master", "First", "0.5", ini), "0.25");
    ASSERT_TRUE(WritePrivateProfileString("Acquisition", "Channel", "2", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileString("PeakFind", "Width", "4", ini.c_str()));
    EXPECT_EQ(ReadWholeFile(ini), "[Acquisition]\rAverage=8\rBoxcar=3\rChannel=2\r[Master]\rFirst=0.25\r"
                                  "[PeakFind]\rWidth=4\r");
}

// A NUL byte would cut a name or a value short and silently drop a setting:
// the file is refused with its path, reads give the defaults and no write
// goes through it.
TEST_F(ProfileTest, AFileHoldingANulByteIsRefusedAndNeverWrittenOver)
{
    const std::string bytes("[Master]\nFirst=0.25\n[Sla\0ve1]\nFirst=0.75\n", 41);
    ASSERT_TRUE(WriteWholeFile(ini, bytes));
    EXPECT_EQ(ReadText("Master", "First", "0.5", ini), "0.5");
    EXPECT_NE(LastProfileError().find(ini), std::string::npos) << LastProfileError();
    EXPECT_NE(LastProfileError().find("NUL byte"), std::string::npos) << LastProfileError();
    EXPECT_FALSE(WritePrivateProfileString("Master", "First", "0.3", ini.c_str()));
    EXPECT_NE(LastProfileError().find("NUL byte"), std::string::npos) << LastProfileError();
    EXPECT_EQ(ReadWholeFile(ini), bytes);
}
