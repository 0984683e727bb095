#include "timed/TimeStampFile.h"

#include "files/ExportFormat.h"

namespace vexlar::timed {

namespace {

constexpr char kHeader[] = "Filename\tTime (sec)";
constexpr char kLineEnd[] = "\r\n";
constexpr char kSeparator = '\t';

}  // namespace

double SecondsAfter(std::uint32_t tick, std::uint32_t firstTick)
{
    // Unsigned 32-bit subtraction: the interval survives the wrap of the
    // tick count. The product is taken in double precision, as the factor's
    // exact value requires.
    const std::uint32_t elapsed = tick - firstTick;
    return static_cast<double>(elapsed) * kSecondsPerTick;
}

std::string TimeStampFileText(const std::vector<TimeStampRow>& rows)
{
    std::string text = kHeader;
    text += kLineEnd;
    if (rows.empty())
        return text;
    const std::uint32_t first = rows.front().tick;
    for (const TimeStampRow& row : rows) {
        text += row.fileName;
        text += kSeparator;
        files::AppendTwoDecimals(text, SecondsAfter(row.tick, first));
        text += kLineEnd;
    }
    return text;
}

}  // namespace vexlar::timed
