#pragma once
// What the two calibration dialogs share: the spectrum choice, the button
// that measures (and stops a collection of fresh scans), a status line, the
// table of lines or bands, the residual plot, the outlier rule, and Apply
// and Cancel. The dialog computes its result from the spectrum; Apply is
// enabled only while a result that may be applied is shown, and Cancel
// changes nothing.

#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

#include "calibration/MeasurementSource.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QVBoxLayout;

namespace vexlar {

class ResidualPlot;
class SpectrumSourceBox;

class StandardsDialog : public QDialog {
    Q_OBJECT

public:
    ~StandardsDialog() override;

protected:
    StandardsDialog(calibration::MeasurementSource source, const QString& measureText, QWidget* parent);

    void SetHeader(const QString& text);
    void AddSetting(const QString& label, QWidget* field);
    // A whole number the operator sets within minimum to maximum, shown as
    // "± value unit" with the decimal digits of every language.
    QSpinBox* AddRangeSetting(const QString& label, const char* objectName, int minimum, int maximum, int value,
                              const QString& unit);
    void SetColumns(const QStringList& headers);
    // One row per line or band; dimmed rows (rejected, not used) in grey.
    void SetRows(const std::vector<QStringList>& rows, const std::vector<bool>& dimmed);
    ResidualPlot* Plot() const { return plot_; }
    // A result line under the plot.
    QLabel* AddResultLabel(const char* objectName);
    void SetRule(const char* rule);
    static QString Text(const std::string& text) { return QString::fromStdString(text); }

    // Computes the result from spectrum and shows it; returns the refusal,
    // or nothing when the result may be applied.
    virtual std::string Compute(const std::vector<double>& spectrum) = 0;
    // Computes again from the last spectrum measured, after a setting
    // changed; nothing before the first measurement.
    void Recompute();

private:
    void OnMeasure();
    void OnCollecting(bool collecting);
    void ShowOutcome(const std::string& refusal, bool tellOperator);

    QString measureText_;
    QLabel* header_ = nullptr;
    SpectrumSourceBox* source_ = nullptr;
    QHBoxLayout* settings_ = nullptr;
    QPushButton* measure_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* table_ = nullptr;
    ResidualPlot* plot_ = nullptr;
    QVBoxLayout* results_ = nullptr;
    QLabel* rule_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<double> spectrum_;
    bool applicable_ = false;
};

}  // namespace vexlar
