#pragma once
// The private-profile settings service: text files of [sections] holding
// key=value lines, read and written a value at a time.
//
// The rules: sections and keys match without regard to case; an existing key is replaced
// in place; a new key goes to the end of its section and a new section to the
// end of the file; sections, keys, comments and line ends the caller does not
// touch are kept byte for byte. Every write that changes the file replaces it
// through a temporary file in the same folder, synced, and a rename, so a
// crash never leaves a half-written file.
//
// A file name without a folder is resolved to the program's settings folder,
// $XDG_CONFIG_HOME/vexlar (by default ~/.config/vexlar), which is created when
// a file is first written there. A name with a folder is used as it stands.

#include <functional>
#include <string>

namespace vexlar::sys {

// The folder bare settings-file names resolve to (not created here).
std::string SettingsFolder();
// The full path a settings-file name resolves to.
std::string ResolveProfilePath(const char* fileName);

// Copies the value of key in section into out (at most size - 1 characters,
// always terminated when size > 0) and returns the number of characters
// copied. A missing file, section or key gives defaultValue (null reads as "",
// trailing blanks dropped). A value in matching single or double quotes is
// given without them. A null key lists the section's key names and a null
// section the file's section names instead of a value, each name ending in a
// zero and the list in a second zero (cut short to size - 2 characters when
// it does not fit), so that a caller can walk a file it does not know.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                                 unsigned size, const char* fileName);

// The value of key read as a leading decimal integer (optional leading blanks
// and sign); a value that does not begin with one reads 0; a missing file,
// section or key, or an empty value, gives defaultValue. Digits beyond the
// range of 32 bits wrap around: the number is kept modulo 2^32 and read as a
// signed 32-bit value (4294967297 reads 1, 4294967295 reads -1); no value is
// refused for being too long.
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* fileName);

// Sets key in section to value, creating the file and the section when
// missing. Returns false when the file cannot be read or written; the reason
// is then in LastProfileError(). Inside a ProfileWriteBatch for the same file
// the value is kept in memory and written when the batch is committed.
//
// Surrounding blanks of names and value are dropped; a null value deletes the key and a null key the whole section; all
// three null asks to flush a cache, of which there is none (returns true).
// Names or values that would break the file's structure (line breaks, a key
// holding '=' or starting with ';' or '[', an empty name) are refused with
// false and the reason, and nothing is written.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* fileName);

// Why the last failing call on this thread failed, with the file's path;
// empty after success. Reads fail only when a file exists but cannot be read
// (they then return the default).
std::string LastProfileError();

// For tests: called on every file replacement with the written and synced
// temporary file and the file it is about to replace. Returning 0 goes on;
// returning an errno value makes the replacement fail with that reason, as if
// the disk had refused it. An empty function removes the hook.
using ProfileReplaceHook = std::function<int(const std::string& temporaryPath, const std::string& targetPath)>;
void SetProfileReplaceHookForTesting(ProfileReplaceHook hook);

// Collects every write to one file while it is open and writes the file once,
// at Commit() or, at the latest, when it goes away. Batches do not nest: a
// batch opened for a file that already has one joins it (its Commit() writes
// what has been collected so far) and the first batch's end closes it.
class ProfileWriteBatch {
public:
    explicit ProfileWriteBatch(const char* fileName);
    ~ProfileWriteBatch();
    ProfileWriteBatch(const ProfileWriteBatch&) = delete;
    ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;

    // Writes the collected values; false with LastProfileError() on failure.
    // A second Commit() without new writes does nothing and returns the
    // first result. The batch stays open until it goes away: later writes
    // are collected again. After a failed write the collected values are
    // dropped, so reads show what the file really holds.
    bool Commit();

private:
    std::string path_;
    bool owner_ = false;  // false for a batch opened while another was open for the file
    bool result_ = true;
};

}  // namespace vexlar::sys
