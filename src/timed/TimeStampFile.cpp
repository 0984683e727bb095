#include "timed/TimeStampFile.h"

#include <unistd.h>

#include "FileReplace.h"
#include "files/ExportFormat.h"

namespace vexlar::timed {

namespace {

constexpr char kHeader[] = "Filename\tTime (sec)";
constexpr char kLineEnd[] = "\r\n";
constexpr char kSeparator = '\t';

void AppendRow(std::string& text, const TimeStampRow& row, std::uint32_t firstTick)
{
    text += row.fileName;
    text += kSeparator;
    files::AppendTwoDecimals(text, SecondsAfter(row.tick, firstTick));
    text += kLineEnd;
}

}  // namespace

double SecondsAfter(std::uint32_t tick, std::uint32_t firstTick)
{
    // Unsigned 32-bit subtraction: the interval survives the wrap of the
    // tick count. The product is taken in double precision, as the factor's
    // exact value requires.
    const std::uint32_t elapsed = tick - firstTick;
    return static_cast<double>(elapsed) * kSecondsPerTick;
}

std::string TimeStampFileText(const std::vector<TimeStampRow>& rows, std::uint32_t firstTick)
{
    std::string text = kHeader;
    text += kLineEnd;
    for (const TimeStampRow& row : rows)
        AppendRow(text, row, firstTick);
    return text;
}

std::string TimeStampFileText(const std::vector<TimeStampRow>& rows)
{
    return TimeStampFileText(rows, rows.empty() ? 0 : rows.front().tick);
}

std::string TimeStampRowText(const TimeStampRow& row, std::uint32_t firstTick)
{
    std::string text;
    AppendRow(text, row, firstTick);
    return text;
}

void TimeStampLog::Start()
{
    path_.clear();
    holdsEveryRow_ = false;
}

bool TimeStampLog::AddRow(const std::string& path, const TimeStampRow& row, std::uint32_t firstTick,
                          const std::function<std::vector<TimeStampRow>()>& allRows, std::string* reason)
{
    // Appending to a file that has gone would start it again without its
    // header line and the rows before.
    if (path == path_ && holdsEveryRow_ && ::access(path.c_str(), F_OK) == 0) {
        if (!sys::AppendToFile(path, TimeStampRowText(row, firstTick), reason)) {
            // The row is not in the file: the next one writes it whole.
            holdsEveryRow_ = false;
            return false;
        }
        return true;
    }
    return WriteWhole(path, allRows(), firstTick, reason);
}

bool TimeStampLog::WriteWhole(const std::string& path, const std::vector<TimeStampRow>& rows, std::uint32_t firstTick,
                              std::string* reason)
{
    if (!sys::ReplaceFileWhole(path, TimeStampFileText(rows, firstTick), reason)) {
        // Until a whole write succeeds, no row is appended; a file of an
        // earlier name keeps what it holds.
        holdsEveryRow_ = false;
        return false;
    }
    if (!path_.empty() && path_ != path)
        ::unlink(path_.c_str());
    path_ = path;
    holdsEveryRow_ = true;
    return true;
}

}  // namespace vexlar::timed
