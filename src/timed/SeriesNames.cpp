#include "timed/SeriesNames.h"

#include <cstdio>

namespace vexlar::timed {

namespace {

constexpr char kSpectrumExtension[] = ".ram";
constexpr char kExportExtension[] = ".exp";
constexpr char kTimeStampSuffix[] = ".TimeStamps";
// ".", at most ten digits of an unsigned 32-bit number, the terminator.
constexpr std::size_t kNumberTextSize = 16;

}  // namespace

bool FormatWritesFile(unsigned fileFormat)
{
    return fileFormat == kSpectrumFileFormat || fileFormat == kExportFileFormat;
}

std::string SeriesFileName(std::string_view base, unsigned scan, unsigned fileFormat)
{
    char number[kNumberTextSize];
    // Unsigned, so that no scan number is ever printed with a minus sign.
    std::snprintf(number, sizeof number, ".%05u", scan);
    std::string name(base);
    name += number;
    if (fileFormat == kSpectrumFileFormat)
        name += kSpectrumExtension;
    else if (fileFormat == kExportFileFormat)
        name += kExportExtension;
    return name;
}

std::string TimeStampFileName(std::string_view base)
{
    std::string name(base);
    name += kTimeStampSuffix;
    return name;
}

}  // namespace vexlar::timed
