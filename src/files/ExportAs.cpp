// File > Export As...: the spectrum on display, live or opened, written for
// the programs scientists take it to: CSV with a header of what is known
// about it, or JCAMP-DX 5.01. The dialog's filter chooses the format (a
// typed extension of the other format wins). Acquisition goes on; the file
// holds the arrays as they are now.

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <string>

#include "FileReplace.h"
#include "acquisition/VexlarView.h"
#include "files/CsvSpectrum.h"
#include "files/FileDialogs.h"
#include "files/FileMessages.h"
#include "files/FormatChoice.h"
#include "files/JcampSpectrum.h"
#include "files/LocalClock.h"

using namespace vexlar;
using namespace vexlar::files;

namespace {

// The formats, in the order of the dialog's filters.
constexpr int kCsvFormat = 0;
constexpr int kJcampFormat = 1;
const std::vector<std::vector<std::string>> kExtensions = {{"csv"}, {"jdx", "dx", "jcm"}};

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

void CVexlarView::OnExportAs()
{
    int filter = kCsvFormat;
    const std::string path = CFileDialog::Choose(this, ExportAsDialog(), &filter);
    if (path.empty())
        return;
    const int format = FormatOfPath(path, kExtensions, filter);

    const SpectrumFacts facts = DescribeDisplayedSpectrum();
    const std::vector<MetadataEntry> entries = DescribeSpectrum(facts);
    const double* shownX = facts.xAxisMode == kRamanShiftAxis ? workspace_.ramanShift : workspace_.wavelength;
    std::string text;
    std::string reason;
    if (format == kJcampFormat) {
        reason = NotFiniteReason(ShownSpectrum(), {shownX}, kPixels);
        if (!reason.empty()) {
            ReportFileError(kNotExported, path, reason);
            return;
        }
        text = FormatJcampSpectrum(SpectrumTitle(path), facts, entries, shownX, ShownSpectrum(), kPixels);
        if (text.empty()) {
            ReportFileError(kNotExported, path,
                            "the spectrum has no two points of different x that JCAMP-DX can hold (a finite x "
                            "value and intensity, and on the Raman axis a positive shift), so no evenly spaced "
                            "spectrum can be made of it.");
            return;
        }
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
        if (!reason.empty()) {
            ReportFileError(kNotExported, path, reason);
            return;
        }
        text = FormatCsvSpectrum(entries, columns);
    }
    if (!vexlar::sys::ReplaceFileWhole(path, text, &reason))
        ReportFileError(kNotExported, path, reason);
}

SpectrumFacts CVexlarView::DescribeAcquisition() const
{
    SpectrumFacts facts;
    facts.written = CurrentLocalTime();
    facts.owner = OperatorName();
    facts.xAxisMode = workspace_.xAxisMode == kRamanShiftAxis ? kRamanShiftAxis : kWavelengthAxis;
    const DriverParams& p = app_->driverParams;
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

SpectrumFacts CVexlarView::DescribeDisplayedSpectrum() const
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
