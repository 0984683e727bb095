#pragma once
// A language whose numbers are written with a decimal comma, made for the
// test with localedef (no such language may be installed) and put in force
// for LC_NUMERIC while the object lives; the previous language, and
// LOCPATH, come back when it goes.

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
