#pragma once
// "Time Acquisition": the eight settings of a timed series, and whether the
// series is also written as one table, edited as copies. OK takes the typed
// values only when every number is an unsigned whole number, the base file
// name is given and fits, and a toggled laser warms up within the delay
// between scans.

#include <QDialog>

#include <optional>
#include <string>

#include "timed/SeriesSettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CTimeAcquisitionDlg : public QDialog {
    Q_OBJECT

public:
    explicit CTimeAcquisitionDlg(QWidget* parent = nullptr);

    // Control ids.
    static constexpr int kToggleLaserId = 1044;
    static constexpr int kLaserWarmupTimeId = 1045;
    static constexpr int kBaseFilenameId = 1046;
    static constexpr int kBrowseId = 1047;
    static constexpr int kDelayBetweenId = 1048;
    static constexpr int kNumberOfAcquisitionsId = 1049;
    static constexpr int kFileFormatId = 1050;
    static constexpr int kDelayBeforeFirstId = 1051;
    static constexpr int kStoreDarkId = 1052;
    static constexpr int kSeriesTableId = 1053;
    static constexpr int kTableLayoutId = 1054;

    // The series settings edited: shown when the dialog opens, replaced by
    // the typed values on OK, left alone on Cancel.
    vexlar::timed::SeriesSettings settings;
    // 0 no series table, 1 one row per scan, 2 one row per pixel.
    unsigned seriesTable = 0;

    // Shows the values, runs the dialog and, on OK, takes the typed values
    // back. Returns QDialog::Accepted or Rejected.
    int Run();

    QLineEdit* edit(int id) const;
    QCheckBox* check(int id) const;
    QComboBox* formatList() const { return formatList_; }
    // The layout of the series table: enabled while the table is chosen.
    QComboBox* tableLayoutList() const { return tableLayout_; }
    QPushButton* browseButton() const { return browse_; }

    // The checks of OK, in order; a refusal tells the operator why and keeps
    // the dialog open.
    void accept() override;

    // The "..." button: a chosen path replaces the base file name's text.
    void OnBrowse();

private:
    QLineEdit* AddNumberEdit(int id);
    void ShowValues();
    // The number in an edit, or nothing after telling the operator and
    // putting the focus on it.
    std::optional<unsigned> ReadNumber(QLineEdit* edit);

    QCheckBox* toggleLaser_;
    QLineEdit* warmup_;
    QCheckBox* storeDark_;
    QLineEdit* delayBeforeFirst_;
    QLineEdit* delayBetween_;
    QLineEdit* numberOfAcquisitions_;
    QLineEdit* baseFilename_;
    QPushButton* browse_;
    QComboBox* formatList_;
    QCheckBox* seriesTable_;
    QComboBox* tableLayout_;
};
