#pragma once
// "Peak Table": one row per peak in the table (slot number, x value and
// intensity), from which the operator removes the peaks of the rows selected.
// Removals act on the live table at once, so their labels leave the chart
// while the dialog is still open.

#include <QDialog>

#include <functional>

#include "peaks/PeakTableState.h"

class QLabel;
class QListWidget;
class QPushButton;

class CPeakTableDlg : public QDialog {
    Q_OBJECT

public:
    // table: the view's, read as it is while the dialog is open; xAxisMode:
    // the mode shown; removePeak: removes a slot from it (and its label
    // from the chart).
    CPeakTableDlg(const vexlar::peaks::PeakTable& table, int xAxisMode, std::function<void(int slot)> removePeak,
                  QWidget* parent = nullptr);

    // Control ids.
    static constexpr int kListId = 1039;
    static constexpr int kRemoveId = 1040;
    static constexpr int kXHeadingId = 1041;

    // Fills the heading and the rows from the table and runs the dialog.
    int Run();

    // Removes the peaks of the selected rows, last row first.
    void OnRemovePeak();

    QListWidget* list() const { return list_; }
    QPushButton* removeButton() const { return removeButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    QLabel* xHeading() const { return xHeading_; }

private:
    void FillRows();

    const vexlar::peaks::PeakTable& table_;
    int xAxisMode_;
    std::function<void(int slot)> removePeak_;
    QListWidget* list_;
    QLabel* xHeading_;
    QPushButton* removeButton_;
    QPushButton* closeButton_;
};
