#include "support/CommaLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vexlar::test {

ScopedCommaLocale::ScopedCommaLocale()
{
    const std::string definition = folder_.file("comma-def");
    if (!WriteWholeFile(
            definition, "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n"))
        return;
    const std::string command = "localedef -c -i '" + definition + "' '" + folder_.file("comma") + "' >/dev/null 2>&1";
    // localedef warns (non-zero) about the categories left out.
    [[maybe_unused]] const int built = std::system(command.c_str());
    if (const char* path = std::getenv("LOCPATH")) {
        hadPath_ = true;
        previousPath_ = path;
    }
    previousLocale_ = std::setlocale(LC_NUMERIC, nullptr);
    setenv("LOCPATH", folder_.path().c_str(), 1);
    if (std::setlocale(LC_NUMERIC, "comma") == nullptr)
        return;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    active_ = std::strcmp(probe, "1,5") == 0;
}

ScopedCommaLocale::~ScopedCommaLocale()
{
    if (!previousLocale_.empty())
        std::setlocale(LC_NUMERIC, previousLocale_.c_str());
    if (hadPath_)
        setenv("LOCPATH", previousPath_.c_str(), 1);
    else
        unsetenv("LOCPATH");
}

}  // namespace vexlar::test
