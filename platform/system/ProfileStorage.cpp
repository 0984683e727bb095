#include "ProfileStorage.h"

#include "FileReplace.h"
#include "RegularFile.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace vexlar::sys::detail {

namespace {

// No settings file comes near this; anything larger is not one.
constexpr std::size_t kMaximumFileBytes = 16 * 1024 * 1024;

// The control characters no text holds: all but the tab, LF, VT, FF and CR.
constexpr std::string_view kControlBytes = "\x01\x02\x03\x04\x05\x06\x07\x08\x0E\x0F\x10\x11\x12\x13\x14\x15"
                                           "\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x7F";

std::string Quoted(const std::string& path)
{
    std::string quoted = "\"";
    quoted += path;
    quoted += '"';
    return quoted;
}

std::string ReadError(const std::string& path, const std::string& reason)
{
    return "Cannot read the settings file " + Quoted(path) + ": " + reason;
}

std::string WriteError(const std::string& path, const std::string& reason)
{
    return "Cannot write the settings file " + Quoted(path) + ": " + reason;
}

}  // namespace

FileRead ReadProfileFile(const std::string& path)
{
    FileRead result;
    FileContents contents = ReadRegularFile(path, kMaximumFileBytes);
    switch (contents.status) {
    case FileContents::Status::Missing:
        result.status = ReadStatus::Missing;
        return result;
    case FileContents::Status::Failed:
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, "it " + contents.problem);
        return result;
    case FileContents::Status::Read:
        break;
    }
    if (contents.cutShort) {
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, "the file is too large to be a settings file");
        return result;
    }
    // A NUL byte cuts a name or a value short wherever it stands, so a
    // setting would silently go missing; any other control character (but
    // the tab, the line ends and the form and line feeds) is written by no
    // editor: a file holding one is binary data, and reading it would give
    // the defaults without a word. Neither is a settings file.
    if (const std::size_t nul = contents.bytes.find('\0'); nul != std::string::npos) {
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, "it holds a NUL byte (at byte " + std::to_string(nul + 1) +
                                           "), so it is not a settings file");
        return result;
    }
    if (const std::size_t control = contents.bytes.find_first_of(kControlBytes); control != std::string::npos) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(contents.bytes[control]));
        result.status = ReadStatus::Failed;
        result.error = ReadError(path, std::string("it holds the control character ") + code + " (at byte " +
                                           std::to_string(control + 1) + "), so it is not a settings file");
        return result;
    }
    result.status = ReadStatus::Read;
    result.bytes = std::move(contents.bytes);
    return result;
}

bool ReplaceProfileFile(const std::string& path, const std::string& bytes, const ReplaceStep& beforeRename,
                        std::string* error)
{
    std::string reason;
    if (ReplaceFileWhole(path, bytes, beforeRename, &reason))
        return true;
    *error = WriteError(path, reason);
    return false;
}

bool EnsureFolder(const std::string& folder, std::string* error)
{
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        *error = "Cannot create the settings folder " + Quoted(folder) + ": " + code.message();
        return false;
    }
    return true;
}

}  // namespace vexlar::sys::detail
