#pragma once
// A language with a decimal comma, in force for the life of the object: the
// C library's number formatting (LC_NUMERIC, built with localedef for the
// test, since no such language need be installed). Tests of files that hold
// numbers run under it, as an operator in Berlin would; tests of widgets
// also set Qt's default locale to German.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace vexlar::test {

class CommaLocale {
public:
    CommaLocale()
    {
        const std::string definition = folder_.file("comma-def");
        WriteWholeFile(definition, "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\nEND LC_NUMERIC\n");
        const std::string command = "localedef -c -i '" + definition + "' '" + folder_.file("comma") + "' >/dev/null 2>&1";
        [[maybe_unused]] const int built = std::system(command.c_str());  // warns about the categories left out
        if (const char* path = std::getenv("LOCPATH")) {
            hadPath_ = true;
            savedPath_ = path;
        }
        setenv("LOCPATH", folder_.path().c_str(), 1);
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        active_ = std::setlocale(LC_NUMERIC, "comma") != nullptr;
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        active_ = active_ && std::string(probe) == "1,5";
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        if (hadPath_)
            setenv("LOCPATH", savedPath_.c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // True when the C library writes "1,5" now (localedef worked).
    bool active() const { return active_; }

private:
    TempDir folder_;
    std::string previous_;
    std::string savedPath_;
    bool hadPath_ = false;
    bool active_ = false;
};

}  // namespace vexlar::test
