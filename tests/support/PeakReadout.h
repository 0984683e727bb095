#pragma once
// The peak table as the operator sees it: the rows the Peak Table dialog
// lists, and the chart's peak labels; and the operators of the peak dialogs (the chart makes one label per slot, in
// slot order, so a row's slot number names its label).

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "peaks/PeakFinderDlg.h"
#include "peaks/PeakTableDlg.h"
#include "support/ChartReadout.h"
#include "support/DialogOperator.h"
#include "window/PeakMarks.h"
#include "window/VexlarView.h"

namespace vexlar::test {

// The operators of the Peak Table and Configure Peak Finder dialogs opened
// while they live.
using PeakTableOperator = ScopedDialogOperator<CPeakTableDlg>;
using PeakFinderOperator = ScopedDialogOperator<CPeakFinderDlg>;

// The rows the Peak Table dialog lists right now, and its x heading.
inline std::vector<std::string> PeakTableRows(CVexlarView& view, std::string* heading = nullptr)
{
    std::vector<std::string> rows;
    PeakTableOperator op([&](CPeakTableDlg& d) {
        for (int r = 0; r < d.list()->count(); ++r)
            rows.push_back(d.list()->item(r)->text().toStdString());
        if (heading)
            *heading = d.xHeading()->text().toStdString();
        d.closeButton()->click();
    });
    view.peaks().OnShowPeakTable();
    return rows;
}

// The slots in use, lowest first: the number each row starts with.
inline std::vector<int> SlotsInUse(CVexlarView& view)
{
    std::vector<int> slots;
    for (const std::string& row : PeakTableRows(view))
        slots.push_back(std::atoi(row.c_str() + 1));
    return slots;
}

// The labels of the slots in use, in slot order.
inline std::vector<TextSeen> MarkedPeaks(CVexlarView& view)
{
    const std::vector<TextSeen> labels = PeakLabels(view.chart());
    std::vector<TextSeen> marked;
    for (int slot : SlotsInUse(view))
        marked.push_back(labels.at(static_cast<std::size_t>(slot)));
    return marked;
}

// The pixel each slot in use marks, in slot order.
inline std::vector<int> MarkedPixels(CVexlarView& view)
{
    std::vector<int> pixels;
    for (const TextSeen& label : MarkedPeaks(view))
        pixels.push_back(label.point);
    return pixels;
}

// The label text of each slot in use, in slot order.
inline std::vector<std::string> MarkedLabels(CVexlarView& view)
{
    std::vector<std::string> texts;
    for (const TextSeen& label : MarkedPeaks(view))
        texts.push_back(label.text());
    return texts;
}

}  // namespace vexlar::test
