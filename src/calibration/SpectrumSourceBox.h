#pragma once
// The "Spectrum" choice of the calibration dialogs: the average of a few
// fresh scans, or the spectrum on display. Fresh scans are offered only
// while acquisition runs; otherwise the box says why.

#include <QGroupBox>

#include <functional>
#include <vector>

#include "calibration/MeasurementSource.h"

class QLabel;
class QRadioButton;
class QSpinBox;

namespace vexlar {

class SpectrumSourceBox : public QGroupBox {
    Q_OBJECT

public:
    using Done = std::function<void(std::vector<double> spectrum)>;

    static constexpr int kDefaultScans = 5;
    static constexpr int kMinimumScans = 2;
    static constexpr int kMaximumScans = 100;

    SpectrumSourceBox(calibration::MeasurementSource source, QWidget* parent = nullptr);
    // Stops collecting: a closed dialog is never called back.
    ~SpectrumSourceBox() override;

    // Takes the spectrum the operator chose and hands it to done: the
    // spectrum on display at once, fresh scans once the last has been shown
    // (done then runs from the event loop, never inside the scan's handler).
    void Measure(Done done);
    // Stops collecting fresh scans; done is not called.
    void Stop();
    bool Collecting() const;

Q_SIGNALS:
    void collectingChanged(bool collecting);

private:
    void OnScan(int collected, int wanted);

    calibration::MeasurementSource source_;
    QRadioButton* fresh_ = nullptr;
    QRadioButton* displayed_ = nullptr;
    QSpinBox* scans_ = nullptr;
    QLabel* status_ = nullptr;
    Done done_;
};

}  // namespace vexlar
