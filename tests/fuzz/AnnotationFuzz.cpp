// The annotation file (".anno"), as loading a graph reads it: the bytes of
// the file through the codec, and the file itself through its reader. What
// is accepted holds at most 100 records of usable texts, anchors and fonts,
// and encodes to the very bytes it was read from (the text fields' bytes
// after their terminators included), but for a text read as UTF-8, which is
// written in Windows-1252.

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "display/AnnotationFile.h"
#include "display/Windows1252.h"

using namespace vexlar::display;

namespace {

void CheckUsable(const AnnotationFileRecord& record)
{
    const std::optional<std::string> stored = Windows1252FromUtf8(record.text);
    VEXLAR_FUZZ_CHECK(stored.has_value());
    VEXLAR_FUZZ_CHECK(stored->size() <= kAnnoMaxTextLength);
    VEXLAR_FUZZ_CHECK(record.text.find('\0') == std::string::npos);
    VEXLAR_FUZZ_CHECK(record.font.faceName.size() < kFontFaceNameSize);
    VEXLAR_FUZZ_CHECK(record.font.faceName.find('\0') == std::string::npos);
    VEXLAR_FUZZ_CHECK(std::isfinite(record.anchorX) && std::isfinite(record.anchorY));
    VEXLAR_FUZZ_CHECK(record.font.weight >= 0 && record.font.weight <= kFontMaxWeight);
    VEXLAR_FUZZ_CHECK(record.font.height >= -kFontMaxSize && record.font.height <= kFontMaxSize);
    VEXLAR_FUZZ_CHECK(record.font.width >= -kFontMaxSize && record.font.width <= kFontMaxSize);
}

// A record read and written again: every field but the text the same bytes;
// the text the same characters in Windows-1252, and the same bytes unless
// they were read as UTF-8.
void CheckWrittenBack(const std::uint8_t* read, const std::uint8_t* written, const std::string& text)
{
    VEXLAR_FUZZ_CHECK(std::equal(written + kAnnoTextSize, written + kAnnoRecordSize, read + kAnnoTextSize));
    const auto field = [](const std::uint8_t* at) { return std::string(reinterpret_cast<const char*>(at)); };
    VEXLAR_FUZZ_CHECK(Utf8FromWindows1252(field(written)) == text);
    if (Utf8FromWindows1252(field(read)) == text)
        VEXLAR_FUZZ_CHECK(std::equal(written, written + kAnnoTextSize, read));
}

}  // namespace

VEXLAR_FUZZ_TARGET(annotation_file)
{
    const AnnotationDecode decoded = DecodeAnnotationFile(size ? data : nullptr, size);
    if (!decoded.ok) {
        VEXLAR_FUZZ_CHECK(!decoded.error.empty());
    } else {
        VEXLAR_FUZZ_CHECK(decoded.error.empty());
        VEXLAR_FUZZ_CHECK(decoded.records.size() <= static_cast<std::size_t>(kAnnoMaxRecords));
        for (const AnnotationFileRecord& record : decoded.records)
            CheckUsable(record);
        if (!decoded.records.empty()) {
            const std::vector<std::uint8_t> encoded = EncodeAnnotationFile(decoded.records);
            VEXLAR_FUZZ_CHECK(encoded.size() == kAnnoCountSize + kAnnoRecordSize * decoded.records.size());
            VEXLAR_FUZZ_CHECK(std::equal(encoded.begin(), encoded.begin() + kAnnoCountSize, data));
            for (std::size_t k = 0; k < decoded.records.size(); ++k)
                CheckWrittenBack(data + kAnnoCountSize + kAnnoRecordSize * k,
                                 encoded.data() + kAnnoCountSize + kAnnoRecordSize * k, decoded.records[k].text);
            const AnnotationDecode again = DecodeAnnotationFile(encoded.data(), encoded.size());
            VEXLAR_FUZZ_CHECK(again.ok);
        }
    }

    // The same bytes as a file: read whole (up to the longest file there can
    // be) and decoded the same way.
    const std::string path = vexlar::fuzz::ScratchFile("graph.ram.anno");
    vexlar::fuzz::WriteScratch(path, data, size);
    const AnnotationFileRead read = ReadAnnotationFile(path);
    VEXLAR_FUZZ_CHECK(read.status == AnnotationFileRead::Status::Read);
    VEXLAR_FUZZ_CHECK(read.bytes.size() == std::min(size, kAnnoMaxFileSize));
    const AnnotationDecode fromFile = DecodeAnnotationFile(read.bytes.data(), read.bytes.size());
    VEXLAR_FUZZ_CHECK(fromFile.ok == decoded.ok);
    if (fromFile.ok)
        VEXLAR_FUZZ_CHECK(fromFile.records == decoded.records);
    return 0;
}
