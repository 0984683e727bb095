#pragma once

#include <string>

namespace vexlar::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole contents of a file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes bytes to a file, replacing it; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vexlar::test
