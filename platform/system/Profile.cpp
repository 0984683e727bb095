// The private-profile settings calls: each read loads the file (or the
// values a batch has collected for it), each write outside a batch loads,
// edits one line and replaces the file whole.

#include "Profile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "ProfileDocument.h"
#include "ProfileStorage.h"

namespace vexlar::sys {

namespace {

using detail::ProfileDocument;

constexpr const char* kProgramFolderName = "vexlar";
constexpr const char* kDefaultConfigFolder = ".config";

// The values collected by an open batch for one file.
struct PendingFile {
    std::optional<ProfileDocument> document;  // loaded at the first read or write
    std::string fileBytes;                    // what the file held when loaded or last written
    bool dirty = false;
};

struct ProfileState {
    std::mutex mutex;                            // the program's thread and the driver's may both keep settings
    std::map<std::string, PendingFile> batches;  // by resolved path
    ProfileReplaceHook replaceHook;
};

ProfileState& State()
{
    static ProfileState state;
    return state;
}

thread_local std::string tLastError;

void Succeed()
{
    tLastError.clear();
}

bool Fail(std::string reason)
{
    tLastError = std::move(reason);
    return false;
}

bool IsBareName(std::string_view fileName)
{
    return fileName.find('/') == std::string_view::npos;
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

// A file's contents as a document; a missing file is an empty one.
bool LoadDocument(const std::string& path, ProfileDocument* document, std::string* bytes)
{
    detail::FileRead read = detail::ReadProfileFile(path);
    if (read.status == detail::ReadStatus::Failed)
        return Fail(std::move(read.error));
    *bytes = std::move(read.bytes);
    *document = ProfileDocument::Parse(*bytes);
    return true;
}

// The document reads see: a batch's collected values, or the file. Null when
// the file exists but cannot be read (the reason is then the last error).
const ProfileDocument* DocumentForReading(const std::string& path, ProfileDocument* scratch)
{
    auto& batches = State().batches;
    if (auto open = batches.find(path); open != batches.end()) {
        PendingFile& pending = open->second;
        if (!pending.document) {
            ProfileDocument loaded;
            if (!LoadDocument(path, &loaded, &pending.fileBytes))
                return nullptr;
            pending.document = std::move(loaded);
        }
        Succeed();
        return &*pending.document;
    }
    std::string bytes;
    if (!LoadDocument(path, scratch, &bytes))
        return nullptr;
    Succeed();
    return scratch;
}

bool Store(const std::string& path, const std::string& bytes)
{
    std::string error;
    // The program's own settings folder is made on its first write; any
    // other folder is the caller's to provide.
    const std::string folder = SettingsFolder();
    if (std::filesystem::path(path).parent_path() == folder && !detail::EnsureFolder(folder, &error))
        return Fail(std::move(error));
    if (!detail::ReplaceProfileFile(path, bytes, State().replaceHook, &error))
        return Fail(std::move(error));
    Succeed();
    return true;
}

// Writes a batch's collected values when there are any.
bool FlushPending(const std::string& path, PendingFile& pending)
{
    if (!pending.dirty || !pending.document) {
        Succeed();
        return true;
    }
    pending.dirty = false;
    const std::string bytes = pending.document->Serialize();
    if (bytes == pending.fileBytes) {
        Succeed();
        return true;
    }
    if (!Store(path, bytes)) {
        // The values never reached the file; reads must show what it holds.
        pending.document.reset();
        return false;
    }
    pending.fileBytes = bytes;
    return true;
}

std::string_view StripQuotes(std::string_view value)
{
    constexpr std::size_t kQuotePair = 2;
    if (value.size() >= kQuotePair && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - kQuotePair);
    return value;
}

unsigned CopyText(std::string_view text, char* out, unsigned size)
{
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return static_cast<unsigned>(count);
}

// Names each ending in a zero, the list in a second zero.
unsigned CopyNameList(const std::vector<std::string>& names, char* out, unsigned size)
{
    constexpr unsigned kListTerminators = 2;
    std::string joined;
    for (const std::string& name : names) {
        joined += name;
        joined += '\0';
    }
    if (size < kListTerminators) {
        out[0] = '\0';
        return 0;
    }
    if (joined.size() + 1 <= size && !joined.empty()) {
        std::memcpy(out, joined.data(), joined.size());
        out[joined.size()] = '\0';
        return static_cast<unsigned>(joined.size());
    }
    const std::size_t count = std::min<std::size_t>(joined.size(), size - kListTerminators);
    std::memcpy(out, joined.data(), count);
    out[count] = '\0';
    out[count + 1] = '\0';
    return static_cast<unsigned>(count);
}

// A leading decimal integer after optional blanks and sign, wrapping at 32
// bits; 0 when there is none.
int LeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        magnitude = 0u - magnitude;
    return static_cast<int>(magnitude);
}

std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    quoted.append(text);
    quoted += '"';
    return quoted;
}

enum class Edit { SetValue, EraseKey, EraseSection };

std::string RefusalReason(const char* section, const char* key, const char* value)
{
    if (!detail::IsValidSectionName(section))
        return "the section name " + Quoted(section) + " cannot be stored in it";
    if (key && !detail::IsValidKeyName(key))
        return "the key name " + Quoted(key) + " cannot be stored in it";
    if (value && !detail::IsValidValue(value))
        return "the value of " + Quoted(key) + " holds a line break";
    return {};
}

void Apply(ProfileDocument& document, const char* section, const char* key, const char* value)
{
    if (!key)
        document.EraseSection(section);
    else if (!value)
        document.EraseKey(section, key);
    else
        document.SetValue(section, key, value);
}

}  // namespace

std::string SettingsFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // Relative values are to be ignored, as the base-directory rules say.
    if (configHome && configHome[0] == '/') {
        std::string folder = configHome;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (folder != "/")
            folder += '/';
        return folder + kProgramFolderName;
    }
    return HomeFolder() + "/" + kDefaultConfigFolder + "/" + kProgramFolderName;
}

std::string ResolveProfilePath(const char* fileName)
{
    if (!fileName || !*fileName)
        return {};
    if (IsBareName(fileName))
        return SettingsFolder() + "/" + fileName;
    return fileName;
}

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                                 unsigned size, const char* fileName)
{
    if (!out || size == 0)
        return 0;
    std::lock_guard lock(State().mutex);
    const std::string path = ResolveProfilePath(fileName);
    ProfileDocument scratch;
    const ProfileDocument* document = path.empty() ? nullptr : DocumentForReading(path, &scratch);
    if (!section)
        return CopyNameList(document ? document->SectionNames() : std::vector<std::string>(), out, size);
    if (!key)
        return CopyNameList(document ? document->KeyNames(section) : std::vector<std::string>(), out, size);
    if (document) {
        if (const auto value = document->Value(section, key))
            return CopyText(StripQuotes(*value), out, size);
    }
    std::string_view fallback = defaultValue ? defaultValue : "";
    fallback = fallback.substr(0, fallback.find_last_not_of(" \t") + 1);
    return CopyText(fallback, out, size);
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* fileName)
{
    if (!section || !key)
        return defaultValue;
    std::lock_guard lock(State().mutex);
    const std::string path = ResolveProfilePath(fileName);
    ProfileDocument scratch;
    const ProfileDocument* document = path.empty() ? nullptr : DocumentForReading(path, &scratch);
    if (!document)
        return defaultValue;
    const auto value = document->Value(section, key);
    if (!value || StripQuotes(*value).empty())
        return defaultValue;
    return LeadingInteger(StripQuotes(*value));
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* fileName)
{
    if (!section && !key && !value) {
        Succeed();  // a request to flush a cache; every write already reaches the file
        return true;
    }
    const std::string path = ResolveProfilePath(fileName);
    if (path.empty())
        return Fail("Cannot write a settings file: no file name was given");
    if (!section)
        return Fail("Cannot write the settings file " + Quoted(path) + ": no section was given");
    if (const std::string refusal = RefusalReason(section, key, value); !refusal.empty())
        return Fail("Cannot write the settings file " + Quoted(path) + ": " + refusal);

    std::lock_guard lock(State().mutex);
    auto& batches = State().batches;
    if (auto open = batches.find(path); open != batches.end()) {
        PendingFile& pending = open->second;
        if (!pending.document) {
            ProfileDocument loaded;
            if (!LoadDocument(path, &loaded, &pending.fileBytes))
                return false;
            pending.document = std::move(loaded);
        }
        Apply(*pending.document, section, key, value);
        pending.dirty = true;
        Succeed();
        return true;
    }

    ProfileDocument document;
    std::string original;
    if (!LoadDocument(path, &document, &original))
        return false;
    Apply(document, section, key, value);
    const std::string bytes = document.Serialize();
    if (bytes == original) {
        Succeed();
        return true;
    }
    return Store(path, bytes);
}

std::string LastProfileError()
{
    return tLastError;
}

void SetProfileReplaceHookForTesting(ProfileReplaceHook hook)
{
    std::lock_guard lock(State().mutex);
    State().replaceHook = std::move(hook);
}

ProfileWriteBatch::ProfileWriteBatch(const char* fileName) : path_(ResolveProfilePath(fileName))
{
    if (path_.empty())
        return;
    std::lock_guard lock(State().mutex);
    owner_ = State().batches.try_emplace(path_).second;
}

ProfileWriteBatch::~ProfileWriteBatch()
{
    if (path_.empty())
        return;
    std::lock_guard lock(State().mutex);
    auto& batches = State().batches;
    auto open = batches.find(path_);
    if (open == batches.end())
        return;
    FlushPending(path_, open->second);
    if (owner_)
        batches.erase(open);
}

bool ProfileWriteBatch::Commit()
{
    if (path_.empty())
        return result_;
    std::lock_guard lock(State().mutex);
    auto& batches = State().batches;
    auto open = batches.find(path_);
    if (open == batches.end() || !open->second.dirty)
        return result_;
    result_ = FlushPending(path_, open->second);
    return result_;
}

}  // namespace vexlar::sys
