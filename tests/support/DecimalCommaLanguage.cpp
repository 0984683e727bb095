#include "support/DecimalCommaLanguage.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace vexlar::test {

namespace {

// Only the number conventions; localedef fills the other categories with
// its defaults and says so (a warning, and a non-zero exit status).
constexpr char kDefinition[] = "LC_NUMERIC\n"
                               "decimal_point \",\"\n"
                               "thousands_sep \".\"\n"
                               "grouping 3;3\n"
                               "END LC_NUMERIC\n";

// What the language writes for 1.5; the process's numeric language is put
// back afterwards. (setlocale, not newlocale: the C library's newlocale
// leaks the search path it builds from LOCPATH.)
std::string OneAndAHalf(const char* name)
{
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string previous = current ? current : "C";
    if (!std::setlocale(LC_NUMERIC, name))
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    std::setlocale(LC_NUMERIC, previous.c_str());
    return text;
}

}  // namespace

DecimalCommaLanguage::DecimalCommaLanguage()
{
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    previousNumeric_ = numeric ? numeric : "C";
    const char* path = std::getenv("LOCPATH");
    hadPath_ = path != nullptr;
    previousPath_ = path ? path : "";

    const std::string definition = folder_.file("decimal-comma.def");
    if (!WriteWholeFile(definition, kDefinition)) {
        failure_ = "cannot write " + definition;
        return;
    }
    const std::string command = "localedef -c -i '" + definition + "' '" + folder_.file(kName) + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());  // non-zero: the categories left out
    setenv("LOCPATH", folder_.path().c_str(), 1);
    const std::string written = OneAndAHalf(kName);
    if (written != "1,5")
        failure_ = "localedef did not make a decimal-comma language (1.5 is written \"" + written + "\")";
}

DecimalCommaLanguage::~DecimalCommaLanguage()
{
    std::setlocale(LC_NUMERIC, previousNumeric_.c_str());
    if (hadPath_)
        setenv("LOCPATH", previousPath_.c_str(), 1);
    else
        unsetenv("LOCPATH");
}

bool DecimalCommaLanguage::UseForNumbers()
{
    return made() && std::setlocale(LC_NUMERIC, kName) != nullptr;
}

}  // namespace vexlar::test
