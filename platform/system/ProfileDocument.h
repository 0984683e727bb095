#pragma once
// A settings file held in memory as its lines, each kept byte for byte with
// its own line end, so that a write changes only the line it has to.
//
// A line ends in LF, CR LF or a CR alone (old Macintosh editors). Lines are
// read the way the private-profile service reads them: leading
// blanks are ignored; a line starting with ';' is a comment; a line starting
// with '[' and holding a ']' names a section (the text up to the last ']',
// without surrounding blanks); a line holding '=' is a key (the text before
// the first '=') and its value (the text after it), both without surrounding
// blanks; anything else is kept and never matched. Names match without
// regard to ASCII case. When a section or a key appears more than once, the
// first one counts, for reading and for writing alike.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlar::sys::detail {

class ProfileDocument {
public:
    static ProfileDocument Parse(std::string_view bytes);
    std::string Serialize() const;

    // The value as stored (without surrounding blanks), or nothing when the
    // section or the key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces the key's line in place, or adds "key=value" after the last
    // entry of the section, or adds the section with the key at the end of
    // the file. Names and value must already be valid (see IsValid*).
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; false when there was none.
    bool EraseKey(std::string_view section, std::string_view key);
    // Removes the section's header and all its lines; false when there was none.
    bool EraseSection(std::string_view section);

    // Names in file order, first spelling of each, without repeats.
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

private:
    struct Line {
        std::string text;    // without the line end
        std::string ending;  // "\n", "\r\n", "\r" or "" for a last line without one
    };

    std::optional<std::size_t> FindSection(std::string_view name) const;
    std::size_t SectionEnd(std::size_t header) const;
    std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
    std::size_t InsertionPoint(std::size_t header) const;
    const std::string& NewLine() const;
    void EndLastLine();

    std::string byteOrderMark_;
    std::vector<Line> lines_;
    std::string newLine_ = "\n";
};

// Surrounding blanks removed.
std::string_view TrimBlanks(std::string_view text);
// ASCII case-insensitive equality.
bool EqualNoCase(std::string_view a, std::string_view b);

// What may be written without breaking the file's structure.
bool IsValidSectionName(std::string_view name);
bool IsValidKeyName(std::string_view name);
bool IsValidValue(std::string_view value);

}  // namespace vexlar::sys::detail
