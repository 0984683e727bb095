#pragma once
// A language with a decimal comma for the C library's number formatting,
// made for the test with localedef (no such language need be installed) and
// put in force for LC_NUMERIC while the object lives.

#include <string>

#include "support/TempDir.h"

namespace vexlar::test {

class ScopedCommaLocale {
public:
    ScopedCommaLocale();
    ~ScopedCommaLocale();
    ScopedCommaLocale(const ScopedCommaLocale&) = delete;
    ScopedCommaLocale& operator=(const ScopedCommaLocale&) = delete;

    // False when no such language could be made here (localedef missing).
    bool active() const { return active_; }

private:
    TempDir folder_;
    std::string previousLocale_;
    std::string previousPath_;
    bool hadPath_ = false;
    bool active_ = false;
};

}  // namespace vexlar::test
