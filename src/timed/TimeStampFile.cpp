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

std::string TimeStampFileText(const std::vector<TimeStampRow>& rows)
{
    std::string text = kHeader;
    text += kLineEnd;
    if (rows.empty())
        return text;
    const std::uint32_t first = rows.front().tick;
    for (const TimeStampRow& row : rows)
        AppendRow(text, row, first);
    return text;
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
    rowsInFile_ = 0;
}

bool TimeStampLog::AddRow(const std::string& path, std::size_t rowNumber, const TimeStampRow& row,
                          std::uint32_t firstTick, const std::function<std::vector<TimeStampRow>()>& allRows,
                          std::string* reason)
{
    if (path == path_ && rowNumber > 1 && rowsInFile_ == rowNumber - 1) {
        if (!sys::AppendToFile(path, TimeStampRowText(row, firstTick), reason)) {
            // The row is not in the file: the next one writes it whole.
            rowsInFile_ = 0;
            return false;
        }
        rowsInFile_ = rowNumber;
        return true;
    }
    const std::vector<TimeStampRow> rows = allRows();
    if (!WriteWhole(path, rows, reason))
        return false;
    rowsInFile_ = rows.size() == rowNumber ? rowNumber : 0;
    return true;
}

bool TimeStampLog::WriteWhole(const std::string& path, const std::vector<TimeStampRow>& rows, std::string* reason)
{
    if (!sys::ReplaceFileWhole(path, TimeStampFileText(rows), reason)) {
        // Until a whole write succeeds, no row is appended; a file of an
        // earlier name keeps what it holds.
        rowsInFile_ = 0;
        return false;
    }
    if (!path_.empty() && path_ != path)
        ::unlink(path_.c_str());
    path_ = path;
    rowsInFile_ = rows.size();
    return true;
}

}  // namespace vexlar::timed
