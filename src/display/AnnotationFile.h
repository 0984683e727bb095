#pragma once
// The annotation file (spectrum path + ".anno"): the annotations saved beside
// a graph. Little-endian, written and read field by field:
//
//   0            4 bytes   signed count N of records (1 to 100 when written)
//   4 + 200 * k  200 bytes record k
//
// Record: the text (100 bytes: Windows-1252 characters, zero-terminated),
// the screen rectangle (left, top, right, bottom), the pixel position (x, y),
// the anchor x and y (IEEE doubles) and the font description in the 60-byte
// logical-font layout. Earlier versions of the program wrote the text in
// UTF-8; such a text is read as UTF-8 (Utf8FromWindows1252OrUtf8 says
// when), a character Windows-1252 cannot hold as '?', and written again in
// Windows-1252.
//
// The bytes after the terminator of a text field carry no meaning, but files
// written elsewhere hold whatever was in memory there. They are kept, at
// their places, so that a record loaded and saved again is the same bytes
// (but for a UTF-8 text, which is then its Windows-1252 bytes).
//
// Plain C++: turning records into bytes and back, checking every count and
// length before it is used, and writing the file so that a failed save never
// leaves a half-written file behind.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "LogFont.h"

namespace vexlar::display {

// File layout.
constexpr int kAnnoMaxRecords = 100;
constexpr std::size_t kAnnoCountSize = 4;
constexpr std::size_t kAnnoRecordSize = 200;
constexpr std::size_t kAnnoTextSize = 100;  // 99 bytes and the terminator
constexpr std::size_t kAnnoMaxTextLength = kAnnoTextSize - 1;
constexpr std::size_t kAnnoMaxFileSize = kAnnoCountSize + kAnnoRecordSize * kAnnoMaxRecords;

// Offsets inside a record.
constexpr std::size_t kAnnoTextOffset = 0;
constexpr std::size_t kAnnoRectOffset = 100;
constexpr std::size_t kAnnoPositionOffset = 116;
constexpr std::size_t kAnnoAnchorXOffset = 124;
constexpr std::size_t kAnnoAnchorYOffset = 132;
constexpr std::size_t kAnnoFontOffset = 140;

// Offsets inside the 60-byte font description.
constexpr std::size_t kFontDescriptionSize = 60;
constexpr std::size_t kFontHeightOffset = 0;
constexpr std::size_t kFontWidthOffset = 4;
constexpr std::size_t kFontEscapementOffset = 8;
constexpr std::size_t kFontOrientationOffset = 12;
constexpr std::size_t kFontWeightOffset = 16;
constexpr std::size_t kFontItalicOffset = 20;
constexpr std::size_t kFontUnderlineOffset = 21;
constexpr std::size_t kFontStrikeOutOffset = 22;
constexpr std::size_t kFontCharSetOffset = 23;
constexpr std::size_t kFontOutPrecisionOffset = 24;
constexpr std::size_t kFontClipPrecisionOffset = 25;
constexpr std::size_t kFontQualityOffset = 26;
constexpr std::size_t kFontPitchAndFamilyOffset = 27;
constexpr std::size_t kFontFaceNameOffset = 28;
constexpr std::size_t kFontFaceNameSize = sys::kLogFontFaceNameSize;  // 31 bytes and the terminator

// What a font description may hold to be usable for an annotation: a weight
// of the logical-font scale and a character size that fits on a screen.
constexpr std::int32_t kFontMaxWeight = 1000;
constexpr std::int32_t kFontMaxSize = 1000;

// One annotation as the file holds it.
struct AnnotationFileRecord {
    // UTF-8, at most 99 characters, each one that Windows-1252 holds, no zero.
    std::string text;
    // The text field's bytes after the text's terminator, at their places;
    // zero up to and at the terminator.
    std::array<std::uint8_t, kAnnoTextSize> afterText{};
    std::array<std::int32_t, 4> screenRect{};  // left, top, right, bottom
    std::array<std::int32_t, 2> pixelPosition{};
    double anchorX = 0.0;
    double anchorY = 0.0;
    sys::LogFont font;  // the face name at most 31 bytes
    // The face-name field's bytes after the name's terminator, at their
    // places; zero up to and at the terminator.
    std::array<std::uint8_t, kFontFaceNameSize> afterFaceName{};

    bool operator==(const AnnotationFileRecord&) const = default;
};

// The count and the records in file order. The text is written in
// Windows-1252, cut to 99 characters; a character Windows-1252 cannot hold is
// written as '?' (callers refuse such text before it gets here: the
// annotation dialog does). A face name longer than 31 bytes is cut at a UTF-8
// character boundary. Callers pass 1 to 100 records; more are not written.
std::vector<std::uint8_t> EncodeAnnotationFile(const std::vector<AnnotationFileRecord>& records);

struct AnnotationDecode {
    bool ok = false;
    std::vector<AnnotationFileRecord> records;
    std::string error;  // why the bytes are refused, when not ok
};

// Reads every record, checking the whole file before giving anything back:
// a count below 0 or above 100, fewer bytes than the count says, a text or a
// face name without its terminator, an anchor that is not a finite number or
// an unusable font description refuse the whole file. Bytes after the last
// record carry no meaning.
AnnotationDecode DecodeAnnotationFile(const std::uint8_t* bytes, std::size_t size);

// A fixed-size text field: its text's bytes (cut to size - 1) and a
// terminator, written over after's bytes (size of them).
void FillTextField(std::string_view bytes, const std::uint8_t* after, std::size_t size, std::uint8_t* field);
// The bytes of a text field after its text's terminator, at their places,
// zero up to and at the terminator (all zero when the field holds no zero).
void KeepAfterTerminator(const std::uint8_t* field, std::size_t size, std::uint8_t* after);

// The longest start of text that fits in maxBytes without splitting a UTF-8
// character (bytes that are not UTF-8 are taken one by one). The text ends at
// its first zero byte.
std::string FitText(std::string_view text, std::size_t maxBytes);

// Writing and reading the file itself.
struct AnnotationFileRead {
    enum class Status { Read, Missing, Failed };
    Status status = Status::Missing;
    std::vector<std::uint8_t> bytes;  // at most kAnnoMaxFileSize: the rest carries no meaning
    std::string reason;               // for Failed
};

// The file's first kAnnoMaxFileSize bytes, read without ever waiting on it.
// A file that does not exist is Missing; one that exists but cannot be read
// or is not a regular file (a folder, a FIFO) is Failed, with the reason.
AnnotationFileRead ReadAnnotationFile(const std::string& path);

// Writes the bytes to a temporary file beside path and renames it into place
// (through a symbolic link to its target), so that the file is either the
// old one or the whole new one. False with the reason when it cannot be
// written; no temporary file is left then.
bool WriteAnnotationFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* reason);

}  // namespace vexlar::display
