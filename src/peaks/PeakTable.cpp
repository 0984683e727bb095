// The peak table: 100 slots, each labelled on the chart with the peak's
// wavelength or Raman shift, written upwards at the peak's point of the live
// data so that the label rides on that point as new scans arrive. Slots are
// filled lowest first by the peak finder or at the cursor, thinned in the
// table dialog, reset, and written to a ".peak" file beside a saved graph.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FileReplace.h"
#include "MessageBox.h"
#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "display/RepaintGuard.h"
#include "peaks/PeakFile.h"
#include "peaks/PeakTableDlg.h"

using namespace vexlar;

namespace {

using vexlar::sys::kErrorTitle;
constexpr int kRamanShiftMode = 1;

void SetLabelShown(const PeakRecord& peak, int shown)
{
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_SHOWN, shown ? 1 : 0);
}

}  // namespace

int CVexlarView::AddPeak(int pixel)
{
    int slot = 0;
    while (slot < kPeakSlots && peakTable_.peaks[slot].inUse != 0)
        ++slot;
    if (slot == kPeakSlots)
        return 0;
    if (pixel < 0 || pixel > kPixels - 1)
        return 0;
    PeakRecord& peak = peakTable_.peaks[slot];
    peak.inUse = 1;
    peak.intensity = ShownSpectrum()[pixel];
    peak.pixel = pixel;
    LabelPeakAtItsPixel(peak);
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_POINT, pixel);
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_SHOWN, 1);
    return 1;
}

void CVexlarView::LabelPeakAtItsPixel(PeakRecord& peak)
{
    const int pixel = peak.pixel;
    peak.x = workspace_.xAxisMode == kRamanShiftMode ? workspace_.ramanShift[pixel] : workspace_.wavelength[pixel];
    const std::string label = peaks::PeakXText(peak.x, workspace_.xAxisMode);
    std::snprintf(peak.label, sizeof peak.label, "%s", label.c_str());
    const char* const lines[] = {peak.label, nullptr};
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_LINES, lines);
}

void CVexlarView::RelabelPeaks()
{
    for (PeakRecord& peak : peakTable_.peaks) {
        if (peak.inUse && peak.pixel >= 0 && peak.pixel < kPixels)
            LabelPeakAtItsPixel(peak);
    }
}

int CVexlarView::RemovePeak(int slot)
{
    if (slot < 0 || slot >= kPeakSlots || peakTable_.peaks[slot].inUse != 1)
        return 0;
    peakTable_.peaks[slot].inUse = 0;
    peakTable_.peaks[slot].pixel = -1;
    SetLabelShown(peakTable_.peaks[slot], 0);
    return 1;
}

void CVexlarView::ResetPeakTable()
{
    RepaintGuard repaint(chart());
    for (PeakRecord& peak : peakTable_.peaks) {
        peak.inUse = 0;
        SetLabelShown(peak, 0);
    }
    peakTable_.peakLabelsShown = false;
}

void CVexlarView::ShowPeakLabels(int on)
{
    RepaintGuard repaint(chart());
    for (const PeakRecord& peak : peakTable_.peaks) {
        if (peak.inUse == 1)
            SetLabelShown(peak, on);
    }
}

void CVexlarView::OnPeakLabels()
{
    if (peakTable_.peakLabelsShown) {
        peakTable_.peakLabelsShown = false;
        ShowPeakLabels(0);
        return;
    }
    // The first time labels are turned on the spectrum is searched; after
    // that (a reset included) only the peaks in the table are shown.
    if (!peakTable_.peakSearchDone)
        MarkAllPeaks();
    peakTable_.peakLabelsShown = true;
    ShowPeakLabels(1);
}

void CVexlarView::MarkPeakAtCursor()
{
    // The guard also covers the chart's context menu, which offers the
    // command whatever the cursor does.
    if (!flags_.cursorShown)
        return;
    if (!peakTable_.peakLabelsShown)
        peakTable_.peakLabelsShown = true;
    AddPeak(CursorPoint());
}

void CVexlarView::OnShowPeakTable()
{
    CPeakTableDlg dialog(
        peakTable_, workspace_.xAxisMode, [this](int slot) { RemovePeak(slot); }, this);
    dialog.Run();
}

bool CVexlarView::SavePeakFile(const char* path)
{
    if (!peakTable_.peakLabelsShown)
        return true;
    const std::string file = std::string(path ? path : "") + peaks::kPeakFileSuffix;
    peaks::PeakFileHeader header;
    if (app_) {
        header.integrationTime = app_->driverParams.IntegrationTime;
        header.average = app_->driverParams.Average;
        header.boxcar = app_->driverParams.Boxcar;
    }
    header.additions = flags_.additions;
    header.xAxisMode = workspace_.xAxisMode;
    header.spikesRemoved = IsRemovingSpikes();
    header.baselineSubtracted = IsBaselineSubtracted();
    header.baselineSmoothness = cleaning_.baseline.Settings().smoothness;
    header.baselineAsymmetry = cleaning_.baseline.Settings().asymmetry;
    std::vector<peaks::PeakFileRow> rows;
    rows.reserve(kPeakSlots);
    for (const PeakRecord& peak : peakTable_.peaks) {
        if (peak.inUse == 1)
            rows.push_back({peak.pixel, peak.x, peak.intensity});
    }
    std::string reason;
    if (path == nullptr || *path == '\0') {
        reason = "no file name was given";
    } else if (vexlar::sys::ReplaceFileWhole(file, peaks::PeakFileText(header, rows), &reason)) {
        return true;
    }
    vexlar::sys::ShowOperatorMessage("The peak table could not be saved to \"" + file + "\":\n" + reason, kErrorTitle);
    return false;
}
