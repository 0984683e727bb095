#include "ProfileDocument.h"

#include <algorithm>

namespace vexlar::sys::detail {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr char kCommentStart = ';';
constexpr char kSectionStart = '[';
constexpr char kSectionEnd = ']';
constexpr char kKeyValueSeparator = '=';

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;       // section or key name
    std::size_t valueStart = 0;  // key lines: where the value begins in the text
};

std::string_view TrimLeft(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

ParsedLine Classify(std::string_view text)
{
    ParsedLine line;
    const std::string_view body = TrimLeft(text);
    if (body.empty()) {
        line.kind = LineKind::Blank;
        return line;
    }
    if (body.front() == kCommentStart) {
        line.kind = LineKind::Comment;
        return line;
    }
    if (body.front() == kSectionStart) {
        const std::size_t close = body.rfind(kSectionEnd);
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = TrimBlanks(body.substr(1, close - 1));
            return line;
        }
    }
    const std::size_t separator = text.find(kKeyValueSeparator);
    if (separator == std::string_view::npos)
        return line;
    line.name = TrimBlanks(text.substr(0, separator));
    if (line.name.empty())
        return line;
    line.kind = LineKind::Key;
    const std::size_t valueStart = text.find_first_not_of(kBlanks, separator + 1);
    line.valueStart = valueStart == std::string_view::npos ? separator + 1 : valueStart;
    return line;
}

std::string_view ValueOf(std::string_view text, const ParsedLine& line)
{
    return TrimBlanks(text.substr(line.valueStart));
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsValidSectionName(std::string_view name)
{
    return !TrimBlanks(name).empty() && !HasLineBreak(name);
}

bool IsValidKeyName(std::string_view name)
{
    const std::string_view trimmed = TrimBlanks(name);
    return !trimmed.empty() && !HasLineBreak(name) && name.find(kKeyValueSeparator) == std::string_view::npos &&
           trimmed.front() != kCommentStart && trimmed.front() != kSectionStart;
}

bool IsValidValue(std::string_view value)
{
    return !HasLineBreak(value);
}

ProfileDocument ProfileDocument::Parse(std::string_view bytes)
{
    ProfileDocument document;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        document.byteOrderMark_ = kByteOrderMark;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    bool newLineKnown = false;
    while (!bytes.empty()) {
        // A line ends in LF, CR LF or, as old Macintosh editors write it, a
        // CR alone; each line keeps its own ending.
        const std::size_t end = bytes.find_first_of("\r\n");
        Line line;
        line.text = bytes.substr(0, end);
        if (end == std::string_view::npos) {
            bytes = {};
        } else {
            const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
            line.ending = crlf ? "\r\n" : std::string(1, bytes[end]);
            if (!newLineKnown) {
                document.newLine_ = line.ending;
                newLineKnown = true;
            }
            bytes.remove_prefix(end + line.ending.size());
        }
        document.lines_.push_back(std::move(line));
    }
    return document;
}

std::string ProfileDocument::Serialize() const
{
    std::string bytes = byteOrderMark_;
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += line.ending;
    }
    return bytes;
}

std::optional<std::size_t> ProfileDocument::FindSection(std::string_view name) const
{
    name = TrimBlanks(name);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine line = Classify(lines_[i].text);
        if (line.kind == LineKind::Section && EqualNoCase(line.name, name))
            return i;
    }
    return std::nullopt;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < lines_.size() && Classify(lines_[i].text).kind != LineKind::Section)
        ++i;
    return i;
}

std::optional<std::size_t> ProfileDocument::FindKey(std::size_t header, std::string_view key) const
{
    key = TrimBlanks(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const ParsedLine line = Classify(lines_[i].text);
        if (line.kind == LineKind::Key && EqualNoCase(line.name, key))
            return i;
    }
    return std::nullopt;
}

// After the section's last entry, so that blank lines and comments that lead
// into the next section stay in front of it.
std::size_t ProfileDocument::InsertionPoint(std::size_t header) const
{
    std::size_t after = header + 1;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const LineKind kind = Classify(lines_[i].text).kind;
        if (kind == LineKind::Key || kind == LineKind::Other)
            after = i + 1;
    }
    return after;
}

const std::string& ProfileDocument::NewLine() const
{
    return newLine_;
}

void ProfileDocument::EndLastLine()
{
    if (!lines_.empty() && lines_.back().ending.empty())
        lines_.back().ending = NewLine();
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key) const
{
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    const auto keyLine = FindKey(*header, key);
    if (!keyLine)
        return std::nullopt;
    const std::string& text = lines_[*keyLine].text;
    return std::string(ValueOf(text, Classify(text)));
}

void ProfileDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    value = TrimBlanks(value);
    const std::string entry = std::string(TrimBlanks(key)) + kKeyValueSeparator + std::string(value);
    const auto header = FindSection(section);
    if (!header) {
        EndLastLine();
        lines_.push_back({kSectionStart + std::string(TrimBlanks(section)) + kSectionEnd, NewLine()});
        lines_.push_back({entry, NewLine()});
        return;
    }
    if (const auto keyLine = FindKey(*header, key)) {
        // Keep the key as the file spells it and the spacing before the value.
        std::string& text = lines_[*keyLine].text;
        text = text.substr(0, Classify(text).valueStart) + std::string(value);
        return;
    }
    const std::size_t at = InsertionPoint(*header);
    if (at == lines_.size())
        EndLastLine();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{entry, NewLine()});
}

bool ProfileDocument::EraseKey(std::string_view section, std::string_view key)
{
    const auto header = FindSection(section);
    if (!header)
        return false;
    const auto keyLine = FindKey(*header, key);
    if (!keyLine)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*keyLine));
    return true;
}

bool ProfileDocument::EraseSection(std::string_view section)
{
    const auto header = FindSection(section);
    if (!header)
        return false;
    // Blank lines and comments after the last entry lead into the next
    // section and stay.
    const std::size_t end = InsertionPoint(*header);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

std::vector<std::string> ProfileDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Line& text : lines_) {
        const ParsedLine line = Classify(text.text);
        if (line.kind != LineKind::Section)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& name) { return EqualNoCase(name, line.name); });
        if (!seen)
            names.emplace_back(line.name);
    }
    return names;
}

std::vector<std::string> ProfileDocument::KeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    const auto header = FindSection(section);
    if (!header)
        return names;
    const std::size_t end = SectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const ParsedLine line = Classify(lines_[i].text);
        if (line.kind != LineKind::Key)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(),
                                      [&](const std::string& name) { return EqualNoCase(name, line.name); });
        if (!seen)
            names.emplace_back(line.name);
    }
    return names;
}

}  // namespace vexlar::sys::detail
