#include "DataFile.h"

#include "FileReplace.h"
#include "RegularFile.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vexlar::xrt {

namespace {

constexpr int kSignificantDigits = 17;  // every double reads back identical
constexpr std::string_view kDescriptionLine =
    "# One series of points: x<TAB>y per line; lines starting with # are comments.";
constexpr std::size_t kQuotedTextLimit = 40;  // how much of a bad field a message repeats
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

void AppendNumber(std::string* text, double value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, kSignificantDigits);
    text->append(buffer, result.ptr);
}

std::string LineError(std::size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

std::string Quoted(std::string_view text)
{
    const bool cut = text.size() > kQuotedTextLimit;
    std::string quoted;
    quoted.reserve(kQuotedTextLimit + 5);
    quoted.push_back('"');
    quoted.append(text.substr(0, kQuotedTextLimit));
    if (cut)
        quoted.append("...");
    quoted.push_back('"');
    return quoted;
}

std::string_view TrimSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A whole-string decimal integer.
bool ParseInt(std::string_view text, int* value)
{
    auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

// Splits the text into lines, taking "\n" and "\r\n" as line ends and
// refusing a line over the limit before anything is copied. A carriage
// return inside a line means lines that end in a CR alone (old Macintosh
// files), refused by name rather than read as one over-long line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) { }

    // False at the end of the text, on a line ended by a CR alone (see
    // crOnly()) or on an over-long line (see tooLong()).
    bool Next(std::string_view* line)
    {
        if (position_ >= text_.size())
            return false;
        ++number_;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos)
            end = text_.size();
        std::string_view found = text_.substr(position_, end - position_);
        position_ = end + 1;
        if (!found.empty() && found.back() == '\r')
            found.remove_suffix(1);
        if (found.find('\r') != std::string_view::npos) {
            crOnly_ = true;
            return false;
        }
        if (found.size() > kDataFileMaxLineLength) {
            tooLong_ = true;
            return false;
        }
        *line = found;
        return true;
    }

    std::size_t number() const { return number_; }
    bool crOnly() const { return crOnly_; }
    bool tooLong() const { return tooLong_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t number_ = 0;
    bool crOnly_ = false;
    bool tooLong_ = false;
};

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The text without blank lines after its last line (an editor's extra
// Enter at the end): they are harmless. The line end of the last line
// proper stays, so a file cut short is still seen as one.
std::string_view WithoutTrailingBlankLines(std::string_view text)
{
    for (;;) {
        const std::size_t lastEnd = text.rfind('\n');
        if (lastEnd == std::string_view::npos)
            return text;
        if (lastEnd + 1 < text.size()) {
            // Something after the last line end: blanks without one are cut too.
            if (!IsBlank(text.substr(lastEnd + 1)))
                return text;
            text = text.substr(0, lastEnd + 1);
            continue;
        }
        const std::size_t previousEnd = lastEnd == 0 ? std::string_view::npos : text.rfind('\n', lastEnd - 1);
        if (previousEnd == std::string_view::npos || !IsBlank(text.substr(previousEnd + 1, lastEnd - previousEnd - 1)))
            return text;
        text = text.substr(0, previousEnd + 1);
    }
}

bool CheckFormatLine(std::string_view line, std::string* error)
{
    if (line.substr(0, kDataFileFormatLine.size()) != kDataFileFormatLine) {
        *error = LineError(1, "not a Vexlar chart data file (the first line should read \"" +
                                  std::string(kDataFileFormatLine) + std::to_string(kDataFileVersion) + "\")");
        return false;
    }
    std::string_view version = line.substr(kDataFileFormatLine.size());
    int number = 0;
    if (!ParseInt(version, &number) || number != kDataFileVersion) {
        *error = LineError(1, "data file version " + Quoted(version) + " is not supported (only version " +
                                  std::to_string(kDataFileVersion) + " is)");
        return false;
    }
    return true;
}

// One "x<TAB>y" line.
bool ParsePointLine(std::string_view line, std::size_t lineNumber, double* x, double* y, std::string* error)
{
    if (line.empty()) {
        *error = LineError(lineNumber, "empty line where a point was expected");
        return false;
    }
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos) {
        *error = LineError(lineNumber, "expected two numbers separated by one tab, found " + Quoted(line));
        return false;
    }
    std::string_view xText = line.substr(0, tab);
    std::string_view yText = line.substr(tab + 1);
    if (!ParseFiniteDouble(xText, x)) {
        *error = LineError(lineNumber, "x value " + Quoted(xText) + " is not a finite number");
        return false;
    }
    if (!ParseFiniteDouble(yText, y)) {
        *error = LineError(lineNumber, "y value " + Quoted(yText) + " is not a finite number");
        return false;
    }
    return true;
}

}  // namespace

int FirstNonFinitePoint(const double* x, const double* y, int points)
{
    for (int i = 0; i < points; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            return i;
    }
    return -1;
}

std::string FormatDataFile(const double* x, const double* y, int points)
{
    std::string text;
    text.reserve(160 + static_cast<std::size_t>(points) * 48);
    text.append(kDataFileFormatLine).append(std::to_string(kDataFileVersion)).append("\n");
    text.append(kDescriptionLine).append("\n");
    text.append("# ").append(kDataFilePointsKey).append(" ").append(std::to_string(points)).append("\n");
    for (int i = 0; i < points; ++i) {
        AppendNumber(&text, x[i]);
        text.push_back('\t');
        AppendNumber(&text, y[i]);
        text.push_back('\n');
    }
    return text;
}

bool ParseFiniteDouble(std::string_view text, double* value)
{
    // A leading '+' is taken as other programs write it; from_chars does not.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    double parsed = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

bool ParseDataFile(std::string_view text, DataFileContents* contents, std::string* error)
{
    if (text.empty()) {
        *error = "the file is empty";
        return false;
    }
    if (text.size() > kDataFileMaxBytes) {
        *error = "the file is larger than " + std::to_string(kDataFileMaxBytes >> 20) + " MiB";
        return false;
    }

    // A UTF-8 byte-order mark, which some editors put first, carries no meaning.
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        text.remove_prefix(kUtf8ByteOrderMark.size());
    text = WithoutTrailingBlankLines(text);
    if (text.empty()) {
        *error = "the file is empty";
        return false;
    }

    LineReader reader(text);
    std::string_view line;
    auto unreadableLine = [&] {
        if (reader.crOnly()) {
            *error = LineError(reader.number(),
                               "the lines end in a carriage return alone (CR, as old Macintosh programs write "
                               "them); a data file's lines end in LF or CR LF");
        } else {
            *error =
                LineError(reader.number(), "longer than " + std::to_string(kDataFileMaxLineLength) + " characters");
        }
        return false;
    };
    if (!reader.Next(&line))
        return unreadableLine();
    if (!CheckFormatLine(line, error))
        return false;

    DataFileContents read;
    int declared = -1;
    while (reader.Next(&line)) {
        const std::size_t number = reader.number();
        if (!line.empty() && line.front() == '#') {
            std::string_view comment = TrimSpaces(line.substr(1));
            if (comment.substr(0, kDataFilePointsKey.size()) != kDataFilePointsKey)
                continue;
            if (declared >= 0) {
                *error = LineError(number, "a second point count");
                return false;
            }
            std::string_view count = TrimSpaces(comment.substr(kDataFilePointsKey.size()));
            if (!ParseInt(count, &declared) || declared < 1 || declared > kDataFileMaxPoints) {
                *error = LineError(number, "point count " + Quoted(count) + " is not a number from 1 to " +
                                               std::to_string(kDataFileMaxPoints));
                return false;
            }
            read.x.reserve(static_cast<std::size_t>(declared));
            read.y.reserve(static_cast<std::size_t>(declared));
            continue;
        }
        if (declared < 0) {
            *error = LineError(number, "point data before the \"# " + std::string(kDataFilePointsKey) + " N\" line");
            return false;
        }
        if (read.x.size() == static_cast<std::size_t>(declared)) {
            *error = LineError(number, "more points than the " + std::to_string(declared) + " the file declares");
            return false;
        }
        double x = 0.0;
        double y = 0.0;
        if (!ParsePointLine(line, number, &x, &y, error))
            return false;
        read.x.push_back(x);
        read.y.push_back(y);
    }
    if (reader.tooLong() || reader.crOnly())
        return unreadableLine();
    // Every line ends with a line end; a file that stops inside a line was
    // cut short, perhaps inside the last number, which would otherwise read
    // as a different value.
    if (text.back() != '\n') {
        *error = LineError(reader.number(), "the file ends inside this line: it was cut short");
        return false;
    }
    if (declared < 0) {
        *error = "the file has no \"# " + std::string(kDataFilePointsKey) + " N\" line";
        return false;
    }
    if (read.x.size() != static_cast<std::size_t>(declared)) {
        *error =
            "the file ends after " + std::to_string(read.x.size()) + " points; it declares " + std::to_string(declared);
        return false;
    }
    *contents = std::move(read);
    return true;
}

bool WriteDataFileAt(const std::string& path, const double* x, const double* y, int points, std::string* reason)
{
    const int bad = FirstNonFinitePoint(x, y, points);
    if (bad >= 0) {
        *reason = "point " + std::to_string(bad) + " is not a finite number and could not be read back";
        return false;
    }
    return vexlar::sys::ReplaceFileWhole(path, FormatDataFile(x, y, points), reason);
}

bool ReadDataFileAt(const std::string& path, DataFileContents* contents, std::string* reason)
{
    vexlar::sys::FileContents file = vexlar::sys::ReadRegularFile(path, kDataFileMaxBytes);
    if (file.cutShort) {
        file.problem = "is larger than " + std::to_string(kDataFileMaxBytes >> 20) + " MiB, too large for a data file";
        file.status = vexlar::sys::FileContents::Status::Failed;
    }
    if (file.status != vexlar::sys::FileContents::Status::Read) {
        *reason = vexlar::sys::FileProblem(path, file);
        return false;
    }
    std::string error;
    if (!ParseDataFile(file.bytes, contents, &error)) {
        *reason = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace vexlar::xrt
