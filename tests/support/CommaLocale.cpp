#include "support/CommaLocale.h"

#include <clocale>
#include <cstdlib>

namespace vexlar::test {

ScopedCommaLocale::ScopedCommaLocale()
{
    // Only the number conventions matter.
    const std::string definition = folder_.file("comma-def");
    WriteWholeFile(definition, "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n");
    const std::string command = "localedef -c -i '" + definition + "' '" + folder_.file("comma") + "' >/dev/null 2>&1";
    [[maybe_unused]] const int built = std::system(command.c_str());  // warns (non-zero) about the categories left out
    const char* path = std::getenv("LOCPATH");
    hadPath_ = path != nullptr;
    previousPath_ = path ? path : "";
    setenv("LOCPATH", folder_.path().c_str(), 1);
    previousLocale_ = std::setlocale(LC_NUMERIC, nullptr);
    active_ = std::setlocale(LC_NUMERIC, "comma") != nullptr;
}

ScopedCommaLocale::~ScopedCommaLocale()
{
    std::setlocale(LC_NUMERIC, previousLocale_.c_str());
    if (hadPath_)
        setenv("LOCPATH", previousPath_.c_str(), 1);
    else
        unsetenv("LOCPATH");
}

}  // namespace vexlar::test
