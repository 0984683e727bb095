#include "timed/SeriesTable.h"

#include "files/CsvSpectrum.h"
#include "files/ExportFormat.h"
#include "files/ShortestNumber.h"

namespace vexlar::timed {

namespace {

constexpr char kFileNameSuffix[] = ".series.csv";
constexpr char kTimeHeading[] = "time (s)";
constexpr char kFileHeading[] = "file";
constexpr char kSeparator = ',';
// On its side: the time line (a "#" line, so that a reader of numbers
// passes over it) and the heading row come before the pixels' rows.
constexpr char kTimeLineHeading[] = "# time (s)";
constexpr std::size_t kTimeRow = 0;
constexpr std::size_t kFileRow = 1;
constexpr std::size_t kFirstPixelRow = 2;

std::string TwoDecimals(double value)
{
    std::string text;
    files::AppendTwoDecimals(text, value);
    return text;
}

}  // namespace

std::string SeriesTableFileName(std::string_view base)
{
    return std::string(base) + kFileNameSuffix;
}

void SeriesTable::Start(unsigned layout, std::string header, const double* x, int pixels,
                        const std::string& axisHeading)
{
    *this = SeriesTable();
    if (layout != kSeriesTableRowPerScan && layout != kSeriesTableRowPerPixel)
        return;
    layout_ = layout;
    pixels_ = pixels > 0 ? pixels : 0;
    header_ = std::move(header);
    if (layout_ == kSeriesTableRowPerScan) {
        header_ += kTimeHeading;
        header_ += kSeparator;
        header_ += kFileHeading;
        for (int i = 0; i < pixels_; ++i) {
            header_ += kSeparator;
            files::AppendShortest(header_, x[i]);
        }
        header_ += files::kCsvLineEnd;
    } else {
        rows_.assign(kFirstPixelRow + static_cast<std::size_t>(pixels_), std::string());
        rows_[kTimeRow] = kTimeLineHeading;
        files::AppendCsvField(rows_[kFileRow], axisHeading);
        for (int i = 0; i < pixels_; ++i)
            files::AppendShortest(rows_[kFirstPixelRow + static_cast<std::size_t>(i)], x[i]);
        changed_ = true;
    }
}

void SeriesTable::Stop()
{
    *this = SeriesTable();
}

void SeriesTable::AddScan(double seconds, const std::string& fileName, const double* y, int pixels)
{
    if (!active())
        return;
    const int shared = pixels < pixels_ ? pixels : pixels_;
    if (layout_ == kSeriesTableRowPerScan) {
        unwritten_ += TwoDecimals(seconds);
        unwritten_ += kSeparator;
        files::AppendCsvField(unwritten_, fileName);
        for (int i = 0; i < pixels_; ++i) {
            unwritten_ += kSeparator;
            if (i < shared)
                files::AppendShortest(unwritten_, y[i]);
        }
        unwritten_ += files::kCsvLineEnd;
        return;
    }
    rows_[kTimeRow] += kSeparator;
    rows_[kTimeRow] += TwoDecimals(seconds);
    rows_[kFileRow] += kSeparator;
    files::AppendCsvField(rows_[kFileRow], fileName);
    for (int i = 0; i < pixels_; ++i) {
        std::string& row = rows_[kFirstPixelRow + static_cast<std::size_t>(i)];
        row += kSeparator;
        if (i < shared)
            files::AppendShortest(row, y[i]);
    }
    changed_ = true;
}

SeriesTableWrite SeriesTable::PendingWrite() const
{
    SeriesTableWrite write;
    if (layout_ == kSeriesTableRowPerScan) {
        write.wholeFile = !fileStarted_;
        if (write.wholeFile)
            write.bytes = header_;
        write.bytes += unwritten_;
    } else if (layout_ == kSeriesTableRowPerPixel && changed_) {
        write.wholeFile = true;
        std::size_t size = header_.size();
        for (const std::string& row : rows_)
            size += row.size() + 2;
        write.bytes.reserve(size);
        write.bytes = header_;
        for (const std::string& row : rows_) {
            write.bytes += row;
            write.bytes += files::kCsvLineEnd;
        }
    }
    return write;
}

void SeriesTable::Written()
{
    fileStarted_ = true;
    unwritten_.clear();
    changed_ = false;
}

bool SeriesTable::WriteDue(std::uint32_t now) const
{
    if (layout_ == kSeriesTableRowPerScan)
        return true;
    // Unsigned difference: right across the wrap of the tick count.
    return changed_ && (!wholeWriteTried_ || now - lastWholeWriteTry_ >= kSeriesTableRewriteMs);
}

void SeriesTable::WholeWriteTried(std::uint32_t now)
{
    wholeWriteTried_ = true;
    lastWholeWriteTry_ = now;
}

void SeriesTable::FileGone()
{
    fileStarted_ = false;
}

}  // namespace vexlar::timed
