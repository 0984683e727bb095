// The annotation file codec: the byte layout, reading back what was written,
// refusing damaged files as a whole, and writing without half-written files.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include <sys/stat.h>

#include "display/AnnotationFile.h"
#include "support/TempDir.h"

using namespace vexlar::display;
using vexlar::test::ReadWholeFile;
using vexlar::test::TempDir;
using vexlar::test::WriteWholeFile;

namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::int32_t>(U32At(b, at));
}

double DoubleAt(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b[at + static_cast<std::size_t>(i)];
    return std::bit_cast<double>(bits);
}

void PutI32At(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
}

void PutDoubleAt(std::vector<std::uint8_t>& b, std::size_t at, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

AnnotationFileRecord Sample(const std::string& text, double x)
{
    AnnotationFileRecord r;
    r.text = text;
    r.screenRect = {-5, 20, 300, 40};
    r.pixelPosition = {-5, 20};
    r.anchorX = x;
    r.anchorY = -1234.5;
    r.font.height = -27;
    r.font.width = 3;
    r.font.escapement = 900;
    r.font.orientation = 450;
    r.font.weight = 700;
    r.font.italic = 1;
    r.font.underline = 0;
    r.font.strikeOut = 1;
    r.font.charSet = 0xEE;
    r.font.outPrecision = 3;
    r.font.clipPrecision = 2;
    r.font.quality = 4;
    r.font.pitchAndFamily = 0x22;
    r.font.faceName = "Arial";
    return r;
}

std::size_t RecordAt(int k)
{
    return kAnnoCountSize + kAnnoRecordSize * static_cast<std::size_t>(k);
}

AnnotationDecode Decode(const std::vector<std::uint8_t>& bytes)
{
    return DecodeAnnotationFile(bytes.data(), bytes.size());
}

}  // namespace

TEST(AnnotationFile, RecordsAreLaidOutFieldByFieldLittleEndian)
{
    const std::vector<std::uint8_t> b = EncodeAnnotationFile({Sample("first", 632.8), Sample("second", 1e-300)});
    ASSERT_EQ(b.size(), 4u + 2 * 200u);
    EXPECT_EQ(b[0], 2);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0);

    const std::size_t r = RecordAt(1);
    EXPECT_EQ(r, 204u);
    // Text, its terminator and nothing after it.
    EXPECT_EQ(std::memcmp(&b[r], "second", 6), 0);
    for (std::size_t i = 6; i < 100; ++i)
        EXPECT_EQ(b[r + i], 0) << "text byte " << i;
    // Rectangle, position: -5 is FB FF FF FF.
    EXPECT_EQ(b[r + 100], 0xFB);
    EXPECT_EQ(b[r + 103], 0xFF);
    EXPECT_EQ(I32At(b, r + 100), -5);
    EXPECT_EQ(I32At(b, r + 104), 20);
    EXPECT_EQ(I32At(b, r + 108), 300);
    EXPECT_EQ(I32At(b, r + 112), 40);
    EXPECT_EQ(I32At(b, r + 116), -5);
    EXPECT_EQ(I32At(b, r + 120), 20);
    // Anchors: IEEE doubles, least significant byte first.
    EXPECT_EQ(DoubleAt(b, r + 124), 1e-300);
    EXPECT_EQ(DoubleAt(b, r + 132), -1234.5);
    EXPECT_EQ(DoubleAt(b, RecordAt(0) + 124), 632.8);
    const auto bits = std::bit_cast<std::uint64_t>(-1234.5);
    EXPECT_EQ(b[r + 132], static_cast<std::uint8_t>(bits));
    EXPECT_EQ(b[r + 139], static_cast<std::uint8_t>(bits >> 56));
    // The 60-byte font description at 140.
    const std::size_t f = r + 140;
    EXPECT_EQ(I32At(b, f + 0), -27);
    EXPECT_EQ(I32At(b, f + 4), 3);
    EXPECT_EQ(I32At(b, f + 8), 900);
    EXPECT_EQ(I32At(b, f + 12), 450);
    EXPECT_EQ(I32At(b, f + 16), 700);
    const std::uint8_t flags[8] = {1, 0, 1, 0xEE, 3, 2, 4, 0x22};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(b[f + 20 + i], flags[i]) << "font byte " << 20 + i;
    EXPECT_EQ(f + 28, r + 168);
    EXPECT_EQ(std::memcmp(&b[r + 168], "Arial\0", 6), 0);
    for (std::size_t i = 5; i < 32; ++i)
        EXPECT_EQ(b[r + 168 + i], 0);
}

TEST(AnnotationFile, WhatIsWrittenReadsBackTheSame)
{
    AnnotationFileRecord odd = Sample(std::string(99, 'x'), -0.0);
    odd.font.faceName = std::string(31, 'F');
    odd.screenRect = {std::numeric_limits<std::int32_t>::min(), 0, std::numeric_limits<std::int32_t>::max(), -1};
    AnnotationFileRecord latin = Sample("caf\u00E9 \u00B5m \u20AC", std::numeric_limits<double>::max());
    latin.font = vexlar::sys::LogFont{};  // an all-zero description is usable: the default font
    std::vector<AnnotationFileRecord> records(100, Sample("n", 1.0));
    records[0] = odd;
    records[99] = latin;
    const AnnotationDecode d = Decode(EncodeAnnotationFile(records));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.records, records);
    EXPECT_TRUE(std::signbit(d.records[0].anchorX));

    // A count of 0 is a file with no annotation; bytes after the last record
    // carry no meaning.
    std::vector<std::uint8_t> empty(4, 0);
    const AnnotationDecode none = Decode(empty);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.records.empty());
    std::vector<std::uint8_t> trailing = EncodeAnnotationFile({Sample("a", 2.0)});
    trailing.insert(trailing.end(), {1, 2, 3});
    ASSERT_TRUE(Decode(trailing).ok);
    EXPECT_EQ(Decode(trailing).records[0], Sample("a", 2.0));

    // Text too long for its field is cut at 99 characters, a face name at a
    // UTF-8 character.
    AnnotationFileRecord longer = Sample(std::string(98, 'a') + "\u00E9" + "zz", 1.0);
    longer.font.faceName = std::string(30, 'b') + "\xE2\x82\xAC";
    const AnnotationDecode cut = Decode(EncodeAnnotationFile({longer}));
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.records[0].text, std::string(98, 'a') + "\u00E9");
    EXPECT_EQ(cut.records[0].font.faceName, std::string(30, 'b'));
}

TEST(AnnotationFile, TextIsWindows1252AndBytesAfterTheTerminatorsAreKept)
{
    // A record as another program writes it: Windows-1252 text, and what was
    // in memory after the terminators of the text and of the face name.
    std::vector<std::uint8_t> file = EncodeAnnotationFile({Sample("x", 600.0), Sample("y", 700.0)});
    const std::string texts[] = {std::string("25\xB0"
                                             "C \x80 \x96 \x93peak\x94 \x81\x8D\x8F\x90\x9D"),
                                 std::string("caf\xE9")};
    for (int k = 0; k < 2; ++k) {
        const std::size_t r = RecordAt(k);
        for (std::size_t i = 0; i < 100; ++i)
            file[r + i] = static_cast<std::uint8_t>(0xC0 + i % 50);
        std::memcpy(&file[r], texts[k].c_str(), texts[k].size() + 1);
        for (std::size_t i = 6; i < 32; ++i)
            file[r + 168 + i] = static_cast<std::uint8_t>(0x11 * (i % 15));
    }
    const AnnotationDecode d = Decode(file);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.records[0].text, "25\u00B0C \u20AC \u2013 \u201Cpeak\u201D \u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(d.records[1].text, "caf\u00E9");
    EXPECT_EQ(d.records[0].font.faceName, "Arial");
    EXPECT_EQ(EncodeAnnotationFile(d.records), file) << "loaded and saved again: the same bytes";

    // Written from UTF-8 text: one byte per character, nothing after it.
    const std::vector<std::uint8_t> fresh = EncodeAnnotationFile({Sample("25\u00B0C \u20AC", 1.0)});
    EXPECT_EQ(std::string(fresh.begin() + 4, fresh.begin() + 12), std::string("25\xB0"
                                                                              "C \x80\0\0",
                                                                              8));
    // A character Windows-1252 cannot hold (the dialog refuses it before
    // it gets here) is written as '?'.
    const std::vector<std::uint8_t> greek = EncodeAnnotationFile({Sample("\u03B1-pinene", 1.0)});
    EXPECT_EQ(std::string(greek.begin() + 4, greek.begin() + 13), std::string("?-pinene\0", 9));

    // A new text written over a loaded field keeps the bytes after the old
    // terminator that it does not cover.
    AnnotationFileRecord edited = d.records[1];
    edited.text = "caf\u00E9 au lait";
    const std::vector<std::uint8_t> again = EncodeAnnotationFile({edited});
    EXPECT_EQ(std::string(again.begin() + 4, again.begin() + 16), "caf\xE9 au lait");
    EXPECT_EQ(again[4 + 12], 0);
    for (std::size_t i = 13; i < 100; ++i)
        EXPECT_EQ(again[4 + i], file[RecordAt(1) + i]) << "byte " << i;
}

TEST(AnnotationFile, Utf8TextOfEarlierVersionsReadsAsUtf8AndIsWrittenInWindows1252)
{
    const struct {
        std::string bytes, text;
    } cases[] = {
        {"25\xC2\xB0"
         "C \xC3\xA9",
         "25\u00B0C \u00E9"},                                    // UTF-8, as earlier versions wrote it
        {"\xE2\x82\xAC 5 \xE2\x80\x93 6", "\u20AC 5 \u2013 6"},  // three-byte characters
        {"25\xB0"
         "C \xE9",
         "25\u00B0C \u00E9"},                             // Windows-1252
        {"\xC3\xA9t\xE9", "\u00C3\u00A9t\u00E9"},         // not UTF-8 throughout
        {"802 cm\xE2\x81\xBB\xC2\xB9", "802 cm?\u00B9"},  // U+207B: no Windows-1252 byte
        {"\xC3\xA9", "\u00E9"},                           // both: read as UTF-8
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> file = EncodeAnnotationFile({Sample("", 1.0)});
        std::memcpy(&file[4], c.bytes.c_str(), c.bytes.size() + 1);
        const AnnotationDecode d = Decode(file);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.records[0].text, c.text) << c.bytes;
    }
    // Saved again: in Windows-1252, the same characters.
    std::vector<std::uint8_t> file = EncodeAnnotationFile({Sample("", 1.0)});
    std::memcpy(&file[4], "25\xC2\xB0", 5);
    const std::vector<std::uint8_t> saved = EncodeAnnotationFile(Decode(file).records);
    EXPECT_EQ(std::string(saved.begin() + 4, saved.begin() + 9), std::string("25\xB0\0\0", 5));
}

TEST(AnnotationFile, FitTextKeepsWholeCharacters)
{
    EXPECT_EQ(FitText("abc", 99), "abc");
    EXPECT_EQ(FitText(std::string(150, 'q'), 99), std::string(99, 'q'));
    EXPECT_EQ(FitText("ab\xC3\xA9", 3), "ab");  // é needs two bytes
    EXPECT_EQ(FitText("ab\xC3\xA9", 4), "ab\xC3\xA9");
    EXPECT_EQ(FitText("a\xE2\x82\xAC", 3), "a");  // €
    EXPECT_EQ(FitText("\xF0\x9F\x94\xAC!", 4), "\xF0\x9F\x94\xAC");
    EXPECT_EQ(FitText("\xF0\x9F\x94\xAC!", 3), "");
    // Bytes that are not UTF-8 (older single-byte texts) count one each.
    EXPECT_EQ(FitText("caf\xE9", 4), "caf\xE9");
    EXPECT_EQ(FitText("\xC3"
                      "A",
                      1),
              "\xC3");
    // The text ends at its first zero byte.
    EXPECT_EQ(FitText(std::string("ab\0cd", 5), 99), "ab");
}

TEST(AnnotationFile, DamagedFilesAreRefusedWhole)
{
    const std::vector<std::uint8_t> good = EncodeAnnotationFile({Sample("one", 1.0), Sample("two", 2.0)});
    ASSERT_TRUE(Decode(good).ok);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* reason;  // part of the reason given
    };
    std::vector<Case> cases;
    cases.push_back({"no count", {2, 0, 0}, "too short"});
    cases.push_back({"empty", {}, "too short"});
    {
        auto b = good;
        PutI32At(b, 0, -1);
        cases.push_back({"negative count", b, "negative (-1)"});
    }
    {
        std::vector<std::uint8_t> b(4 + 200 * 101, 0);
        PutI32At(b, 0, 101);
        cases.push_back({"count above 100", b, "101 annotations"});
    }
    {
        auto b = good;
        PutI32At(b, 0, std::numeric_limits<std::int32_t>::max());
        cases.push_back({"huge count", b, "2147483647"});
    }
    {
        auto b = good;
        b.pop_back();
        cases.push_back({"one byte short", b, "403 bytes long"});
    }
    {
        auto b = good;
        std::memset(&b[RecordAt(1)], 'x', 100);
        cases.push_back({"text without end", b, "annotation 2 of 2"});
    }
    {
        auto b = good;
        PutDoubleAt(b, RecordAt(0) + 132, std::nan(""));
        cases.push_back({"anchor not a number", b, "anchor"});
    }
    {
        auto b = good;
        PutDoubleAt(b, RecordAt(1) + 124, -std::numeric_limits<double>::infinity());
        cases.push_back({"anchor infinite", b, "anchor"});
    }
    {
        auto b = good;
        std::memset(&b[RecordAt(0) + 168], 'F', 32);
        cases.push_back({"face name without end", b, "font name"});
    }
    {
        auto b = good;
        PutI32At(b, RecordAt(0) + 156, 5000);
        cases.push_back({"weight", b, "weight 5000"});
    }
    {
        auto b = good;
        PutI32At(b, RecordAt(1) + 156, -1);
        cases.push_back({"negative weight", b, "weight -1"});
    }
    {
        auto b = good;
        PutI32At(b, RecordAt(1) + 140, std::numeric_limits<std::int32_t>::min());
        cases.push_back({"height", b, "font size"});
    }
    {
        auto b = good;
        PutI32At(b, RecordAt(0) + 144, 1001);
        cases.push_back({"width", b, "font size"});
    }
    for (const Case& c : cases) {
        const AnnotationDecode d = Decode(c.bytes);
        EXPECT_FALSE(d.ok) << c.name;
        EXPECT_TRUE(d.records.empty()) << c.name;
        EXPECT_NE(d.error.find(c.reason), std::string::npos) << c.name << ": " << d.error;
    }
    // The limits themselves are fine.
    auto edge = good;
    PutI32At(edge, RecordAt(0) + 140, -1000);
    PutI32At(edge, RecordAt(0) + 156, 1000);
    EXPECT_TRUE(Decode(edge).ok);
}

TEST(AnnotationFile, ReadingTellsMissingFromUnreadable)
{
    TempDir dir;
    EXPECT_EQ(ReadAnnotationFile(dir.file("none.anno")).status, AnnotationFileRead::Status::Missing);
    EXPECT_EQ(ReadAnnotationFile(dir.file("none/deeper.anno")).status, AnnotationFileRead::Status::Missing);

    const AnnotationFileRead folder = ReadAnnotationFile(dir.path());
    EXPECT_EQ(folder.status, AnnotationFileRead::Status::Failed);
    EXPECT_FALSE(folder.reason.empty());

    // Only as much as 100 records can fill is read.
    ASSERT_TRUE(WriteWholeFile(dir.file("big.anno"), std::string(kAnnoMaxFileSize + 5000, 'z')));
    const AnnotationFileRead big = ReadAnnotationFile(dir.file("big.anno"));
    EXPECT_EQ(big.status, AnnotationFileRead::Status::Read);
    EXPECT_EQ(big.bytes.size(), kAnnoMaxFileSize);

    ASSERT_TRUE(WriteWholeFile(dir.file("small.anno"), std::string("\x01\x02", 2)));
    const AnnotationFileRead small = ReadAnnotationFile(dir.file("small.anno"));
    EXPECT_EQ(small.status, AnnotationFileRead::Status::Read);
    EXPECT_EQ(small.bytes, (std::vector<std::uint8_t>{1, 2}));
}

TEST(AnnotationFile, WritingReplacesWholeOrNotAtAll)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::vector<std::uint8_t> bytes = EncodeAnnotationFile({Sample("one", 1.0)});
    const std::string asText(bytes.begin(), bytes.end());
    std::string reason;

    // A new file, then an existing one replaced with its permissions kept.
    const std::string path = dir.file("run1.ram.anno");
    ASSERT_TRUE(WriteAnnotationFile(path, bytes, &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), asText);
    ASSERT_TRUE(WriteWholeFile(path, "old contents"));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteAnnotationFile(path, bytes, &reason)) << reason;
    EXPECT_EQ(ReadWholeFile(path), asText);
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Through a symbolic link to its target; the link stays.
    const std::string target = dir.file("target.anno");
    ASSERT_TRUE(WriteWholeFile(target, "x"));
    fs::create_symlink(target, dir.file("link.anno"));
    ASSERT_TRUE(WriteAnnotationFile(dir.file("link.anno"), bytes, &reason)) << reason;
    EXPECT_TRUE(fs::is_symlink(dir.file("link.anno")));
    EXPECT_EQ(ReadWholeFile(target), asText);

    // A folder that does not exist: the reason, and nothing written.
    reason.clear();
    EXPECT_FALSE(WriteAnnotationFile(dir.file("missing/run.ram.anno"), bytes, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(fs::exists(dir.file("missing")));

    // The last step fails (a folder has the file's name): no temporary file
    // is left behind and the folder is untouched.
    fs::create_directory(dir.file("taken.anno"));
    reason.clear();
    EXPECT_FALSE(WriteAnnotationFile(dir.file("taken.anno"), bytes, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(fs::is_directory(dir.file("taken.anno")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.anno", "run1.ram.anno", "taken.anno", "target.anno"}));
}
