#pragma once
// The peak table of the window: 100 slots, each labelled on the chart with
// the peak's wavelength or Raman shift, written upwards at the peak's point
// of the live data so that the label rides on that point as new scans
// arrive. Slots are filled lowest first by the peak finder or at the cursor,
// thinned in the table dialog, reset, and written to a ".peak" file beside a
// saved graph. A peak stays at its pixel when the axes change under it.

#include <functional>
#include <optional>
#include <string>

#include "XrtValue.h"
#include "peaks/PeakTableState.h"

class QWidget;

namespace vexlar {

class Instrument;

class PeakMarks {
public:
    // The spectrum searched and its axes come from instrument; the dialogs
    // open over dialogParent.
    PeakMarks(Instrument& instrument, QWidget* dialogParent);

    // The chart the labels are drawn on: each slot's label area made there.
    void AttachChart(XrtHandle chart);
    // Where the cursor stands: the pixel, or none when it is not shown.
    void SetCursor(std::function<std::optional<int>()> cursorPixel) { cursorPixel_ = std::move(cursorPixel); }

    // 1 when the peak was entered, 0 when refused (table full, pixel outside).
    int AddPeak(int pixel);
    // 1 when the slot was in use.
    int RemovePeak(int slot);
    void ResetPeakTable();
    void ShowPeakLabels(int on);
    // Peak Labels: shown or hidden; the first time shown, the spectrum is searched.
    void OnPeakLabels();
    // Mark All Peaks: the spectrum on display searched, every peak entered.
    void MarkAllPeaks();
    // Mark Peak at Cursor (nothing while the cursor is hidden).
    void MarkPeakAtCursor();
    void OnShowPeakTable();
    // Peak Settings: the criteria in their dialog; labels shown are made again.
    void OnPeakSettings();
    // Writes path + ".peak" while the labels are shown; false (after telling
    // the operator) when it cannot be written.
    bool SavePeakFile(const char* path) const;
    bool ArePeakLabelsShown() const { return table_.peakLabelsShown; }

    // Every peak labelled again on the axes as they are now.
    void Relabel();
    // The operator chose another x axis: labels shown are made again by a
    // new search, carrying values in the new unit; hidden ones keep their
    // peaks, in the new unit.
    void AxisModeChanged();

    const peaks::PeakCriteria& criteria() const { return table_.criteria; }
    void SetCriteria(const peaks::PeakCriteria& criteria) { table_.criteria = criteria; }

private:
    void FindPeaks();
    void LabelAtItsPixel(PeakRecord& peak);

    Instrument& instrument_;
    QWidget* dialogParent_;
    XrtHandle chart_ = 0;
    std::function<std::optional<int>()> cursorPixel_;
    peaks::PeakTable table_;
};

}  // namespace vexlar
