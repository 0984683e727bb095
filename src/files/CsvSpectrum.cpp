#include "files/CsvSpectrum.h"

#include "files/ShortestNumber.h"

namespace vexlar::files {

namespace {

constexpr char kTitle[] = "Vexlar spectrum";
constexpr char kSeparator = ',';
constexpr char kReplacement = '?';
// A typical row: a pixel number, three numbers of about 18 characters.
constexpr std::size_t kTypicalRowLength = 64;

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

// A comment line must stay one line, and no field of it may open a quoted
// field (a quote just after a comma) that a CSV reader would carry on into
// the following lines.
void AppendOneLine(std::string& text, const std::string& value)
{
    for (const char c : value) {
        const bool opensQuote = c == '"' && !text.empty() && text.back() == kSeparator;
        text += IsControl(static_cast<unsigned char>(c)) || opensQuote ? kReplacement : c;
    }
}

}  // namespace

void AppendCsvComments(std::string& text, const std::string& title, const std::vector<MetadataEntry>& entries)
{
    text += "# ";
    AppendOneLine(text, title);
    text += kCsvLineEnd;
    for (const MetadataEntry& entry : entries) {
        text += "# ";
        AppendOneLine(text, entry.name);
        text += ": ";
        AppendOneLine(text, entry.value);
        text += kCsvLineEnd;
    }
}

void AppendCsvField(std::string& text, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        text += field;
        return;
    }
    text += '"';
    for (const char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    text += '"';
}

std::string FormatCsvSpectrum(const std::vector<MetadataEntry>& entries, const SpectrumColumns& columns)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(columns.pixels > 0 ? columns.pixels : 0) * kTypicalRowLength + 1024);
    AppendCsvComments(text, kTitle, entries);

    text += "pixel";
    if (columns.wavelength)
        text += ",wavelength (nm)";
    if (columns.ramanShift)
        text += ",Raman shift (cm-1)";
    text += ",intensity";
    text += kCsvLineEnd;

    for (int i = 0; i < columns.pixels; ++i) {
        text += std::to_string(i);
        for (const double* column : {columns.wavelength, columns.ramanShift, columns.intensity}) {
            if (!column)
                continue;
            text += kSeparator;
            AppendShortest(text, column[i]);
        }
        text += kCsvLineEnd;
    }
    return text;
}

}  // namespace vexlar::files
