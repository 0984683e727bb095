#pragma once
// Files as tests look at them: the program's settings file in the test's own
// configuration folder, what a folder holds, and what kind of file a path is.
// Plain C++: tests of pure logic use these too.

#include <set>
#include <string>

namespace vexlar::test {

// The path of a settings file (the program's "vexlar.ini" by default) in
// this test's configuration folder.
std::string SettingsFilePath(const char* fileName = "vexlar.ini");
// The settings file replaced by text (its folder made when missing), before
// the program reads it; false when it cannot be written.
bool WriteSettingsFile(const std::string& text, const char* fileName = "vexlar.ini");
// The settings file's bytes; empty when there is none.
std::string ReadSettingsFile(const char* fileName = "vexlar.ini");

// Whether path is a character device itself (a link to one is not).
bool IsCharacterDevice(const std::string& path);

// The folder's entries, its subfolders' included (names, kinds and contents
// of files), to see that a failed write changed nothing and left nothing
// behind.
std::string FolderListing(const std::string& folder);

// The names of the entries directly in folder.
std::set<std::string> NamesIn(const std::string& folder);

}  // namespace vexlar::test
