// The series table of a timed series: when the operator chose it, every
// saved scan also goes into base name + ".series.csv". Rows are appended and
// synced scan by scan, with the durability of the time-stamp file; a table
// on its side is replaced whole every few seconds of the series, at its end
// and when the program ends during it. A table that cannot be written is
// shown on the status bar; what did not reach the file goes with the next
// write, and is counted as lost only if it never did by the end of the
// series. With the table off, nothing of this writes anything.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "FileReplace.h"
#include "TickCount.h"
#include "files/CsvSpectrum.h"
#include "files/FileProblems.h"
#include "instrument/Instrument.h"
#include "timed/SeriesNames.h"
#include "timed/SeriesTable.h"
#include "timed/TimeStampFile.h"

using namespace vexlar;
using namespace vexlar::timed;

namespace {

constexpr char kTableTitle[] = "Vexlar series table";
constexpr std::size_t kFirstSavedScan = 1;

const char* YesNo(bool value)
{
    return value ? "yes" : "no";
}

std::string FormatName(unsigned fileFormat)
{
    switch (fileFormat) {
    case kSpectrumFileFormat:
        return "Standard (*.ram)";
    case kExportFileFormat:
        return "Exported (*.exp)";
    default:
        return "none (" + std::to_string(fileFormat) + ")";
    }
}

std::string LayoutName(unsigned layout)
{
    return layout == kSeriesTableRowPerPixel ? "one row per pixel, one column per scan"
                                             : "one row per scan, one column per pixel";
}

}  // namespace

void Instrument::BeginSeriesTable()
{
    seriesTable_.table.Stop();
    if (seriesTable_.setting != kSeriesTableRowPerScan && seriesTable_.setting != kSeriesTableRowPerPixel)
        return;
    // The series acquires live: the settings in force now describe it.
    files::SpectrumFacts facts = DescribeAcquisition();
    const double* shownX = facts.xAxisMode == files::kRamanShiftAxis ? workspace_.ramanShift : workspace_.wavelength;
    if (files::HoldsFileAxis(openedSpectrum_, facts.xAxisMode, shownX, kPixels))
        facts.calibrationKnown = false;  // the axis still holds an opened file's x values
    std::vector<files::MetadataEntry> entries = files::DescribeSpectrum(facts);
    const SeriesSettings& settings = timeAcq_.settings;
    entries.push_back({"Base file name", "", settings.BaseFilename});
    entries.push_back({"File format", "", FormatName(settings.FileFormat)});
    entries.push_back({"Number of acquisitions", "", std::to_string(settings.NumberOfAcquisitions)});
    entries.push_back({"Delay before first acquisition (s)", "", std::to_string(settings.DelayBeforeFirstAcquisition)});
    entries.push_back({"Delay between acquisitions (s)", "", std::to_string(settings.DelayBetweenAcquisitions)});
    entries.push_back({"Toggle laser", "", YesNo(settings.ToggleLaser == 1)});
    entries.push_back({"Laser warmup time (s)", "", std::to_string(settings.LaserWarmupTime)});
    entries.push_back({"Store dark before each acquisition", "", YesNo(settings.StoreDark == 1)});
    entries.push_back({"Table layout", "", LayoutName(seriesTable_.setting)});
    entries.push_back({"Pixel heading", "", "the " + files::AxisName(facts.xAxisMode) + " of each pixel at the start"});
    entries.push_back({"Time", "", "seconds after the first saved scan, as in the time-stamp file"});
    std::string header;
    files::AppendCsvComments(header, kTableTitle, entries);

    seriesTable_.path = SeriesTableFileName(settings.BaseFilename);
    seriesTable_.table.Start(seriesTable_.setting, std::move(header), shownX, kPixels,
                             files::AxisName(facts.xAxisMode));
    // The file is started at once, so a table of an earlier series under the
    // same name never stands for this one.
    std::string reason;
    if (!WriteSeriesTable(&reason)) {
        NoteSeriesWriteFailure(seriesTable_.path, reason, false);
        ShowSeriesStatus(timeAcq_.seriesStatus);  // at once, not with the next scan
    }
}

void Instrument::AddScanToSeriesTable()
{
    const TimeAcquisitionRun& run = timeAcq_;
    if (!seriesTable_.table.active() || run.timeStamps.size() <= run.scanNumber)
        return;
    // A scan that is not all numbers stays out of the table, counted as a
    // failure to write.
    std::string reason = files::NotFiniteReason(ShownSpectrum(), {}, kPixels);
    if (!reason.empty()) {
        NoteSeriesWriteFailure(seriesTable_.path, run.currentFileName + " left out: " + reason, true);
        return;
    }
    const double seconds = SecondsAfter(run.timeStamps[run.scanNumber], run.timeStamps[kFirstSavedScan]);
    seriesTable_.table.AddScan(seconds, run.currentFileName, ShownSpectrum(), kPixels);
    if (!seriesTable_.table.WriteDue(vexlar::sys::GetTickCount()))
        return;
    if (!WriteSeriesTable(&reason))
        NoteSeriesWriteFailure(seriesTable_.path, reason, false);
}

void Instrument::FinishSeriesTable()
{
    if (!seriesTable_.table.active())
        return;
    // A last try for what has not reached the file; only now is it lost.
    std::string reason;
    if (!WriteSeriesTable(&reason))
        NoteSeriesWriteFailure(seriesTable_.path, reason, true);
    seriesTable_.table.Stop();
}

bool Instrument::WriteSeriesTable(std::string* reason)
{
    SeriesTable& table = seriesTable_.table;
    SeriesTableWrite write = table.PendingWrite();
    if (write.bytes.empty())
        return true;
    std::error_code error;
    if (!write.wholeFile && !std::filesystem::exists(seriesTable_.path, error) && !error) {
        // Appended to, a file that has gone (its folder with it, perhaps)
        // would come back without its "#" lines and heading.
        table.FileGone();
        write = table.PendingWrite();
        timeAcq_.seriesStatusNote += " - \"" + seriesTable_.path + "\" was missing: started again with its heading";
    }
    if (write.wholeFile)
        table.WholeWriteTried(vexlar::sys::GetTickCount());
    const bool written = write.wholeFile ? vexlar::sys::ReplaceFileWhole(seriesTable_.path, write.bytes, reason)
                                         : vexlar::sys::AppendToFile(seriesTable_.path, write.bytes, reason);
    if (written)
        table.Written();
    return written;
}
