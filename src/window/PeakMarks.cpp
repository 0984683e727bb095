#include "window/PeakMarks.h"

#include <QDialog>

#include <cstdio>
#include <vector>

#include "FileReplace.h"
#include "Font.h"
#include "MessageBox.h"
#include "Xrt.h"
#include "display/RepaintGuard.h"
#include "instrument/Instrument.h"
#include "peaks/PeakFile.h"
#include "peaks/PeakFinderDlg.h"
#include "peaks/PeakSearch.h"
#include "peaks/PeakTableDlg.h"

namespace vexlar {

namespace {

constexpr int kRamanShiftMode = 1;
constexpr int kPeakLabelFontHeight = 14;
constexpr int kUpwardsEscapement = 900;  // tenths of a degree: text reads upwards

void SetLabelShown(const PeakRecord& peak, int shown)
{
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_SHOWN, shown ? 1 : 0);
}

}  // namespace

PeakMarks::PeakMarks(Instrument& instrument, QWidget* dialogParent)
    : instrument_(instrument), dialogParent_(dialogParent)
{ }

void PeakMarks::AttachChart(XrtHandle chart)
{
    chart_ = chart;
    // Peak labels: written upwards at their peak's data point. Each text
    // area keeps its own copy of the font, so it goes at once.
    const sys::FontHandle peakLabelFont = sys::CreateFont(kPeakLabelFontHeight, 0, kUpwardsEscapement,
                                                          kUpwardsEscapement, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    for (PeakRecord& peak : table_.peaks) {
        peak.inUse = 0;
        peak.labelArea = XrtTextAreaCreate(chart);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_FONT, XrtHandle{peakLabelFont});
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_ATTACH, XRT_ATTACH_DATA_POINT);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_PLACEMENT, XRT_PLACE_ABOVE);
        XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_DATA_SET, 0);
    }
    sys::DeleteFont(peakLabelFont);
}

int PeakMarks::AddPeak(int pixel)
{
    int slot = 0;
    while (slot < kPeakSlots && table_.peaks[slot].inUse != 0)
        ++slot;
    if (slot == kPeakSlots)
        return 0;
    if (pixel < 0 || pixel > kPixels - 1)
        return 0;
    PeakRecord& peak = table_.peaks[slot];
    peak.inUse = 1;
    peak.intensity = instrument_.ShownSpectrum()[pixel];
    peak.pixel = pixel;
    LabelAtItsPixel(peak);
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_POINT, pixel);
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_SHOWN, 1);
    return 1;
}

void PeakMarks::LabelAtItsPixel(PeakRecord& peak)
{
    const acquisition::AcquisitionWorkspace& w = instrument_.workspace();
    const int pixel = peak.pixel;
    peak.x = w.xAxisMode == kRamanShiftMode ? w.ramanShift[pixel] : w.wavelength[pixel];
    const std::string label = peaks::PeakXText(peak.x, w.xAxisMode);
    std::snprintf(peak.label, sizeof peak.label, "%s", label.c_str());
    const char* const lines[] = {peak.label, nullptr};
    XrtTextAreaSetValues(peak.labelArea, XRT_TEXT_LINES, lines);
}

void PeakMarks::Relabel()
{
    for (PeakRecord& peak : table_.peaks) {
        if (peak.inUse && peak.pixel >= 0 && peak.pixel < kPixels)
            LabelAtItsPixel(peak);
    }
}

void PeakMarks::AxisModeChanged()
{
    if (table_.peakLabelsShown) {
        ResetPeakTable();
        MarkAllPeaks();
    } else {
        Relabel();
    }
}

int PeakMarks::RemovePeak(int slot)
{
    if (slot < 0 || slot >= kPeakSlots || table_.peaks[slot].inUse != 1)
        return 0;
    table_.peaks[slot].inUse = 0;
    table_.peaks[slot].pixel = -1;
    SetLabelShown(table_.peaks[slot], 0);
    return 1;
}

void PeakMarks::ResetPeakTable()
{
    RepaintGuard repaint(chart_);
    for (PeakRecord& peak : table_.peaks) {
        peak.inUse = 0;
        SetLabelShown(peak, 0);
    }
    table_.peakLabelsShown = false;
}

void PeakMarks::ShowPeakLabels(int on)
{
    RepaintGuard repaint(chart_);
    for (const PeakRecord& peak : table_.peaks) {
        if (peak.inUse == 1)
            SetLabelShown(peak, on);
    }
}

void PeakMarks::OnPeakLabels()
{
    if (table_.peakLabelsShown) {
        table_.peakLabelsShown = false;
        ShowPeakLabels(0);
        return;
    }
    // The first time labels are turned on the spectrum is searched; after
    // that (a reset included) only the peaks in the table are shown.
    if (!table_.peakSearchDone)
        MarkAllPeaks();
    table_.peakLabelsShown = true;
    ShowPeakLabels(1);
}

void PeakMarks::MarkPeakAtCursor()
{
    // The guard also covers the chart's context menu, which offers the
    // command whatever the cursor does.
    const std::optional<int> pixel = cursorPixel_ ? cursorPixel_() : std::nullopt;
    if (!pixel)
        return;
    if (!table_.peakLabelsShown)
        table_.peakLabelsShown = true;
    AddPeak(*pixel);
}

void PeakMarks::OnShowPeakTable()
{
    CPeakTableDlg dialog(
        table_, instrument_.workspace().xAxisMode, [this](int slot) { RemovePeak(slot); }, dialogParent_);
    dialog.Run();
}

bool PeakMarks::SavePeakFile(const char* path) const
{
    if (!table_.peakLabelsShown)
        return true;
    const std::string file = std::string(path ? path : "") + peaks::kPeakFileSuffix;
    peaks::PeakFileHeader header;
    const DriverParams& p = instrument_.params();
    header.integrationTime = p.IntegrationTime;
    header.average = p.Average;
    header.boxcar = p.Boxcar;
    header.additions = instrument_.flags().additions;
    header.xAxisMode = instrument_.workspace().xAxisMode;
    header.spikesRemoved = instrument_.IsRemovingSpikes();
    header.baselineSubtracted = instrument_.IsBaselineSubtracted();
    header.baselineSmoothness = instrument_.baselineSettings().smoothness;
    header.baselineAsymmetry = instrument_.baselineSettings().asymmetry;
    std::vector<peaks::PeakFileRow> rows;
    rows.reserve(kPeakSlots);
    for (const PeakRecord& peak : table_.peaks) {
        if (peak.inUse == 1)
            rows.push_back({peak.pixel, peak.x, peak.intensity});
    }
    std::string reason;
    if (path == nullptr || *path == '\0') {
        reason = "no file name was given";
    } else if (sys::ReplaceFileWhole(file, peaks::PeakFileText(header, rows), &reason)) {
        return true;
    }
    sys::ShowOperatorMessage("The peak table could not be saved to \"" + file + "\":\n" + reason, sys::kErrorTitle);
    return false;
}

void PeakMarks::FindPeaks()
{
    // Up to 100 new labels, drawn once at the end.
    RepaintGuard repaint(chart_);
    // A peak the full table refuses is dropped and the search goes on.
    const acquisition::AcquisitionWorkspace& w = instrument_.workspace();
    peaks::SearchPeaks(instrument_.ShownSpectrum(), peaks::FirstCandidate(w.xAxisMode, w.ramanShift), table_.criteria,
                       [this](int pixel) { AddPeak(pixel); });
}

void PeakMarks::MarkAllPeaks()
{
    FindPeaks();
    table_.peakLabelsShown = true;
    table_.peakSearchDone = true;
}

void PeakMarks::OnPeakSettings()
{
    CPeakFinderDlg dialog(dialogParent_);
    dialog.criteria = table_.criteria;
    if (dialog.Run() != QDialog::Accepted)
        return;
    table_.criteria = dialog.criteria;
    // Labels on the chart follow the new settings at once.
    if (table_.peakLabelsShown) {
        ResetPeakTable();
        MarkAllPeaks();
    }
}

}  // namespace vexlar
