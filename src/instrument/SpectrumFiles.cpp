// The spectrum on display written out and a spectrum file read back: the
// spectrum file (the chart library's data file: the x axis of the mode and
// the spectrum as shown), the tab-separated export, CSV and JCAMP-DX with a
// header of what is known about it, and File > Open's read, checked before
// anything changes. Each returns the operator's message when it fails.

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

#include "DataFile.h"
#include "FileReplace.h"
#include "files/CsvSpectrum.h"
#include "files/ExportFormat.h"
#include "files/FileProblems.h"
#include "files/JcampSpectrum.h"
#include "files/LocalClock.h"
#include "instrument/Instrument.h"

using namespace vexlar;
using namespace vexlar::files;

namespace {

constexpr char kNotSaved[] = "Cannot save the graph to";
constexpr char kNotOpened[] = "Cannot open the spectrum file";
constexpr char kNotExported[] = "Cannot export the spectrum to";

// The name the JCAMP-DX file gives the spectrum: the file's, without folder
// and extension.
std::string SpectrumTitle(const std::string& path)
{
    const std::string title = QFileInfo(QFile::decodeName(path.c_str())).completeBaseName().toStdString();
    return title.empty() ? std::string(kProgramName) + " spectrum" : title;  // JCAMP-DX needs a title
}

// The login name of the operator, the person who made the spectrum and
// answers for it: what JCAMP-DX asks of ##OWNER that the program knows.
std::string OperatorName()
{
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name.toStdString();
    }
    return {};
}

}  // namespace

const std::vector<std::vector<std::string>>& Instrument::ExportAsExtensions()
{
    static const std::vector<std::vector<std::string>> extensions = {{"csv"}, {"jdx", "dx", "jcm"}};
    return extensions;
}

bool Instrument::WriteSpectrumFile(const std::string& path, std::string* reason) const
{
    // The spectrum as drawn: the x axis of the mode and the spectrum on
    // display. The file is replaced only once the whole of it is written.
    return xrt::WriteDataFileAt(path, ShownX(), ShownSpectrum(), kPixels, reason);
}

std::string Instrument::SaveSpectrumFile(const std::string& path) const
{
    if (path.empty())
        return FileErrorText(kNotSaved, path, "no file name given");
    std::string reason;
    return WriteSpectrumFile(path, &reason) ? std::string() : FileErrorText(kNotSaved, path, reason);
}

std::string Instrument::WriteExportFile(const std::string& path) const
{
    if (path.empty())
        return "Cannot export the spectrum: no file name was given.";
    std::string reason = NotFiniteReason(ShownSpectrum(), {ShownX()}, kPixels);
    if (!reason.empty())
        return FileErrorText(kNotExported, path, reason);
    const std::string text =
        FormatExportFile(workspace_.xAxisMode, workspace_.wavelength, workspace_.ramanShift, ShownSpectrum(), kPixels);
    // Replaced whole: an existing file gives way only to a complete new one,
    // so a failed export never leaves a cut-off file in place of a good one.
    if (!sys::ReplaceFileWhole(path, text, &reason))
        return FileErrorText(kNotExported, path, reason);
    return {};
}

std::string Instrument::ExportAs(const std::string& path, int format) const
{
    const SpectrumFacts facts = DescribeDisplayedSpectrum();
    const std::vector<MetadataEntry> entries = DescribeSpectrum(facts);
    const double* shownX = facts.xAxisMode == kRamanShiftAxis ? workspace_.ramanShift : workspace_.wavelength;
    std::string text;
    std::string reason;
    if (format == kJcampFormat) {
        reason = NotFiniteReason(ShownSpectrum(), {shownX}, kPixels);
        if (!reason.empty())
            return FileErrorText(kNotExported, path, reason);
        text = FormatJcampSpectrum(SpectrumTitle(path), facts, entries, shownX, ShownSpectrum(), kPixels);
        if (text.empty())
            return FileErrorText(kNotExported, path,
                                 "the spectrum has no two points of different x that JCAMP-DX can hold (a finite x "
                                 "value and intensity, and on the Raman axis a positive shift), so no evenly spaced "
                                 "spectrum can be made of it.");
    } else {
        SpectrumColumns columns;
        columns.intensity = ShownSpectrum();
        columns.pixels = kPixels;
        if (facts.calibrationKnown) {
            // Both axes come from the calibration and the laser line.
            columns.wavelength = workspace_.wavelength;
            columns.ramanShift = workspace_.ramanShift;
        } else if (facts.xAxisMode == kRamanShiftAxis) {
            columns.ramanShift = workspace_.ramanShift;  // the opened file's axis only
        } else {
            columns.wavelength = workspace_.wavelength;
        }
        reason = NotFiniteReason(columns.intensity, {columns.wavelength, columns.ramanShift}, kPixels);
        if (!reason.empty())
            return FileErrorText(kNotExported, path, reason);
        text = FormatCsvSpectrum(entries, columns);
    }
    if (!sys::ReplaceFileWhole(path, text, &reason))
        return FileErrorText(kNotExported, path, reason);
    return {};
}

std::string Instrument::OpenSpectrumFile(const std::string& path)
{
    // The file is read and checked before anything changes, so a file that
    // is refused leaves acquisition and the arrays as they were.
    xrt::DataFileContents file;
    std::string reason;
    if (!xrt::ReadDataFileAt(path, &file, &reason))
        return FileErrorText(kNotOpened, path, reason);
    if (file.x.size() != static_cast<std::size_t>(kPixels)) {
        return FileErrorText(kNotOpened, path,
                             "it holds " + std::to_string(file.x.size()) + " points; a spectrum has " +
                                 std::to_string(kPixels) + ", one per detector pixel");
    }
    for (int i = 0; i < kPixels; ++i) {
        if (!std::isfinite(file.x[i]) || !std::isfinite(file.y[i]))
            return FileErrorText(kNotOpened, path, "point " + std::to_string(i) + " is not a finite number");
    }

    // Scans that arrive from now on are dropped; accumulation ends.
    flags_.scanning = false;
    flags_.additive = false;
    // The sign of the first x value stands in for the unit.
    const bool raman = file.x[0] < 0.0;
    workspace_.xAxisMode = raman ? kRamanShiftMode : 0;
    std::copy(file.y.begin(), file.y.end(), workspace_.spectrum);
    std::copy(file.x.begin(), file.x.end(), raman ? workspace_.ramanShift : workspace_.wavelength);
    UpdateShownSpectrum();
    // Kept, so that what is written out later knows the spectrum on display
    // is this file's for as long as it is.
    openedSpectrum_ = {path, workspace_.xAxisMode, std::move(file.x), std::move(file.y)};
    return {};
}

SpectrumFacts Instrument::DescribeAcquisition() const
{
    SpectrumFacts facts;
    facts.written = CurrentLocalTime();
    facts.owner = OperatorName();
    facts.xAxisMode = workspace_.xAxisMode == kRamanShiftAxis ? kRamanShiftAxis : kWavelengthAxis;
    const DriverParams& p = params();
    facts.acquisitionKnown = true;
    facts.channel = workspace_.channel;
    // While a switching scan of a timed series is out, the block holds its
    // short values; the spectrum on display was taken with the saved ones.
    facts.integrationTimeMs = timeAcq_.restorePending ? timeAcq_.savedIntegrationTime : p.IntegrationTime;
    facts.averages = timeAcq_.restorePending ? timeAcq_.savedAverage : p.Average;
    facts.boxcar = p.Boxcar;
    // Additive mode subtracts the dark from every scan it adds.
    facts.darkSubtracted = flags_.darkStored && (flags_.additive || flags_.subtractDark);
    facts.additiveScans = flags_.additive ? flags_.additions : 0;
    facts.spikesRemoved = cleaning_.removeSpikes != 0;
    facts.baselineSubtracted = IsBaselineSubtracted();
    facts.baselineSmoothness = cleaning_.baseline.Settings().smoothness;
    facts.baselineAsymmetry = cleaning_.baseline.Settings().asymmetry;
    facts.baselineCutOn = cleaning_.baseline.Settings().cutOn;
    facts.calibrationKnown = true;
    facts.laserWavelength = calibration_.laserWavelength;
    facts.calIntercept = calibration_.table.calIntercept[workspace_.channel];
    facts.calFirst = calibration_.table.calFirst[workspace_.channel];
    facts.calSecond = calibration_.table.calSecond[workspace_.channel];
    facts.calThird = calibration_.table.calThird[workspace_.channel];
    return facts;
}

SpectrumFacts Instrument::DescribeDisplayedSpectrum() const
{
    SpectrumFacts facts = DescribeAcquisition();
    const double* shownX = facts.xAxisMode == kRamanShiftAxis ? workspace_.ramanShift : workspace_.wavelength;
    const DisplayedOrigin origin = OriginOf(openedSpectrum_, facts.xAxisMode, shownX, workspace_.spectrum, kPixels);
    if (origin == DisplayedOrigin::Live) {
        // What went into the spectrum on display when it was made, not the
        // switches now: a sum kept on display after additive mode was left
        // is still a dark-subtracted sum of its scans.
        facts.darkSubtracted = spectrumMade_.darkSubtracted;
        facts.additiveScans = spectrumMade_.additiveScans;
        return facts;
    }
    // The opened file's intensities: the workspace's settings did not make
    // them, and the file does not say what did.
    facts.sourceFile = openedSpectrum_.path;
    facts.acquisitionKnown = false;
    facts.spikesRemoved = false;
    facts.calibrationKnown = origin == DisplayedOrigin::OpenedFileOnCalibratedAxis;
    return facts;
}
