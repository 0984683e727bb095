#include "display/AnnotationFile.h"

#include "FileReplace.h"
#include "RegularFile.h"
#include "display/Windows1252.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vexlar::display {

namespace {

// --- Little-endian fields -------------------------------------------------------

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutI32(std::uint8_t* at, std::int32_t value)
{
    PutU32(at, static_cast<std::uint32_t>(value));
}

void PutDouble(std::uint8_t* at, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

std::int32_t GetI32(const std::uint8_t* at)
{
    return static_cast<std::int32_t>(GetU32(at));
}

double GetDouble(const std::uint8_t* at)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

// The zero-terminated text of a field; false when the field holds no zero.
bool GetText(const std::uint8_t* at, std::size_t fieldSize, std::string* text)
{
    const void* end = std::memchr(at, 0, fieldSize);
    if (!end)
        return false;
    text->assign(reinterpret_cast<const char*>(at), static_cast<const std::uint8_t*>(end) - at);
    return true;
}

// --- UTF-8 --------------------------------------------------------------------------

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the UTF-8 character starting at text[i], or 1 for a byte
// that starts no well-formed character.
std::size_t CharacterLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if ((lead & 0xE0) == 0xC0 && lead >= 0xC2)
        length = 2;
    else if ((lead & 0xF0) == 0xE0)
        length = 3;
    else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 1 || i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(static_cast<unsigned char>(text[i + k])))
            return 1;
    }
    return length;
}

// --- Records --------------------------------------------------------------------------

void EncodeFont(std::uint8_t* at, const sys::LogFont& font, const std::uint8_t* afterFaceName)
{
    PutI32(at + kFontHeightOffset, font.height);
    PutI32(at + kFontWidthOffset, font.width);
    PutI32(at + kFontEscapementOffset, font.escapement);
    PutI32(at + kFontOrientationOffset, font.orientation);
    PutI32(at + kFontWeightOffset, font.weight);
    at[kFontItalicOffset] = font.italic;
    at[kFontUnderlineOffset] = font.underline;
    at[kFontStrikeOutOffset] = font.strikeOut;
    at[kFontCharSetOffset] = font.charSet;
    at[kFontOutPrecisionOffset] = font.outPrecision;
    at[kFontClipPrecisionOffset] = font.clipPrecision;
    at[kFontQualityOffset] = font.quality;
    at[kFontPitchAndFamilyOffset] = font.pitchAndFamily;
    FillTextField(FitText(font.faceName, kFontFaceNameSize - 1), afterFaceName, kFontFaceNameSize,
                  at + kFontFaceNameOffset);
}

void EncodeRecord(std::uint8_t* at, const AnnotationFileRecord& record)
{
    FillTextField(Windows1252FromUtf8(record.text, '?'), record.afterText.data(), kAnnoTextSize, at + kAnnoTextOffset);
    for (std::size_t i = 0; i < record.screenRect.size(); ++i)
        PutI32(at + kAnnoRectOffset + 4 * i, record.screenRect[i]);
    for (std::size_t i = 0; i < record.pixelPosition.size(); ++i)
        PutI32(at + kAnnoPositionOffset + 4 * i, record.pixelPosition[i]);
    PutDouble(at + kAnnoAnchorXOffset, record.anchorX);
    PutDouble(at + kAnnoAnchorYOffset, record.anchorY);
    EncodeFont(at + kAnnoFontOffset, record.font, record.afterFaceName.data());
}

bool InRange(std::int32_t value, std::int32_t limit)
{
    return value >= -limit && value <= limit;
}

// The font description at `at`, with its face-name field's bytes after the
// terminator; an empty string when usable, else why not.
std::string DecodeFont(const std::uint8_t* at, sys::LogFont* font, std::uint8_t* afterFaceName)
{
    font->height = GetI32(at + kFontHeightOffset);
    font->width = GetI32(at + kFontWidthOffset);
    font->escapement = GetI32(at + kFontEscapementOffset);
    font->orientation = GetI32(at + kFontOrientationOffset);
    font->weight = GetI32(at + kFontWeightOffset);
    font->italic = at[kFontItalicOffset];
    font->underline = at[kFontUnderlineOffset];
    font->strikeOut = at[kFontStrikeOutOffset];
    font->charSet = at[kFontCharSetOffset];
    font->outPrecision = at[kFontOutPrecisionOffset];
    font->clipPrecision = at[kFontClipPrecisionOffset];
    font->quality = at[kFontQualityOffset];
    font->pitchAndFamily = at[kFontPitchAndFamilyOffset];
    if (!GetText(at + kFontFaceNameOffset, kFontFaceNameSize, &font->faceName))
        return "its font name has no end within " + std::to_string(kFontFaceNameSize) + " bytes";
    KeepAfterTerminator(at + kFontFaceNameOffset, kFontFaceNameSize, afterFaceName);
    if (font->weight < 0 || font->weight > kFontMaxWeight)
        return "its font weight " + std::to_string(font->weight) + " is not between 0 and " +
               std::to_string(kFontMaxWeight);
    if (!InRange(font->height, kFontMaxSize) || !InRange(font->width, kFontMaxSize))
        return "its font size " + std::to_string(font->height) + " x " + std::to_string(font->width) +
               " is larger than " + std::to_string(kFontMaxSize) + " pixels";
    return {};
}

std::string DecodeRecord(const std::uint8_t* at, AnnotationFileRecord* record)
{
    std::string bytes;
    if (!GetText(at + kAnnoTextOffset, kAnnoTextSize, &bytes))
        return "its text has no end within " + std::to_string(kAnnoTextSize) + " bytes";
    // A UTF-8 text of earlier versions may hold characters that Windows-1252,
    // and so the slot and the file, cannot: they are '?', as they will be
    // written.
    record->text = Utf8FromWindows1252(Windows1252FromUtf8(Utf8FromWindows1252OrUtf8(bytes), '?'));
    KeepAfterTerminator(at + kAnnoTextOffset, kAnnoTextSize, record->afterText.data());
    for (std::size_t i = 0; i < record->screenRect.size(); ++i)
        record->screenRect[i] = GetI32(at + kAnnoRectOffset + 4 * i);
    for (std::size_t i = 0; i < record->pixelPosition.size(); ++i)
        record->pixelPosition[i] = GetI32(at + kAnnoPositionOffset + 4 * i);
    record->anchorX = GetDouble(at + kAnnoAnchorXOffset);
    record->anchorY = GetDouble(at + kAnnoAnchorYOffset);
    if (!std::isfinite(record->anchorX) || !std::isfinite(record->anchorY))
        return "its anchor point is not a finite number";
    return DecodeFont(at + kAnnoFontOffset, &record->font, record->afterFaceName.data());
}

AnnotationDecode Refused(std::string reason)
{
    AnnotationDecode result;
    result.error = std::move(reason);
    return result;
}

}  // namespace

void FillTextField(std::string_view bytes, const std::uint8_t* after, std::size_t size, std::uint8_t* field)
{
    std::memcpy(field, after, size);
    const std::size_t length = std::min(std::min(bytes.find('\0'), bytes.size()), size - 1);
    std::memcpy(field, bytes.data(), length);
    field[length] = 0;
}

void KeepAfterTerminator(const std::uint8_t* field, std::size_t size, std::uint8_t* after)
{
    const void* end = std::memchr(field, 0, size);
    const std::size_t terminator = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - field) : size;
    std::memset(after, 0, size);
    if (terminator + 1 < size)
        std::memcpy(after + terminator + 1, field + terminator + 1, size - terminator - 1);
}

std::string FitText(std::string_view text, std::size_t maxBytes)
{
    const std::size_t end = std::min(text.find('\0'), text.size());
    text = text.substr(0, end);
    std::size_t kept = 0;
    while (kept < text.size()) {
        const std::size_t length = CharacterLength(text, kept);
        if (kept + length > maxBytes)
            break;
        kept += length;
    }
    return std::string(text.substr(0, kept));
}

std::vector<std::uint8_t> EncodeAnnotationFile(const std::vector<AnnotationFileRecord>& records)
{
    const std::size_t count = std::min(records.size(), static_cast<std::size_t>(kAnnoMaxRecords));
    std::vector<std::uint8_t> bytes(kAnnoCountSize + kAnnoRecordSize * count, 0);
    PutI32(bytes.data(), static_cast<std::int32_t>(count));
    for (std::size_t k = 0; k < count; ++k)
        EncodeRecord(bytes.data() + kAnnoCountSize + kAnnoRecordSize * k, records[k]);
    return bytes;
}

AnnotationDecode DecodeAnnotationFile(const std::uint8_t* bytes, std::size_t size)
{
    if (!bytes || size < kAnnoCountSize)
        return Refused("the file is too short to hold the number of annotations");
    const std::int32_t count = GetI32(bytes);
    if (count < 0)
        return Refused("the number of annotations is negative (" + std::to_string(count) + ")");
    if (count > kAnnoMaxRecords)
        return Refused("the file gives " + std::to_string(count) + " annotations; at most " +
                       std::to_string(kAnnoMaxRecords) + " fit on the chart");
    const auto records = static_cast<std::size_t>(count);
    const std::size_t needed = kAnnoCountSize + kAnnoRecordSize * records;
    if (size < needed)
        return Refused("the file is " + std::to_string(size) + " bytes long, but " + std::to_string(count) +
                       " annotations need " + std::to_string(needed));

    AnnotationDecode result;
    result.records.resize(records);
    for (std::size_t k = 0; k < records; ++k) {
        const std::string why = DecodeRecord(bytes + kAnnoCountSize + kAnnoRecordSize * k, &result.records[k]);
        if (!why.empty())
            return Refused("annotation " + std::to_string(k + 1) + " of " + std::to_string(count) +
                           " is damaged: " + why);
    }
    result.ok = true;
    return result;
}

AnnotationFileRead ReadAnnotationFile(const std::string& path)
{
    AnnotationFileRead result;
    const vexlar::sys::FileContents contents = vexlar::sys::ReadRegularFile(path, kAnnoMaxFileSize);
    switch (contents.status) {
    case vexlar::sys::FileContents::Status::Missing:
        result.status = AnnotationFileRead::Status::Missing;
        break;
    case vexlar::sys::FileContents::Status::Failed:
        result.status = AnnotationFileRead::Status::Failed;
        result.reason = "it " + contents.problem;
        break;
    case vexlar::sys::FileContents::Status::Read:
        result.status = AnnotationFileRead::Status::Read;
        result.bytes.assign(contents.bytes.begin(), contents.bytes.end());
        break;
    }
    return result;
}

bool WriteAnnotationFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* reason)
{
    return vexlar::sys::ReplaceFileWhole(path, std::string(bytes.begin(), bytes.end()), reason);
}

}  // namespace vexlar::display
