#include "calibration/SpectrumSourceBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace vexlar {

namespace {

constexpr int kGap = 24;  // between the two choices, pixels

}  // namespace

SpectrumSourceBox::SpectrumSourceBox(calibration::MeasurementSource source, QWidget* parent)
    : QGroupBox(tr("Spectrum"), parent), source_(std::move(source))
{
    fresh_ = new QRadioButton(tr("The average of"), this);
    fresh_->setObjectName("freshScans");
    scans_ = new QSpinBox(this);
    scans_->setObjectName("scanCount");
    // Digits as everywhere in the program, whatever the operator's language.
    scans_->setLocale(QLocale::c());
    scans_->setRange(kMinimumScans, kMaximumScans);
    scans_->setValue(kDefaultScans);
    displayed_ = new QRadioButton(tr("The spectrum on display"), this);
    displayed_->setObjectName("displayedSpectrum");
    status_ = new QLabel(this);
    status_->setObjectName("sourceStatus");

    auto* layout = new QGridLayout(this);
    layout->addWidget(fresh_, 0, 0);
    layout->addWidget(scans_, 0, 1);
    layout->addWidget(new QLabel(tr("fresh scans"), this), 0, 2);
    layout->setColumnMinimumWidth(3, kGap);
    layout->addWidget(displayed_, 0, 4);
    layout->addWidget(status_, 1, 0, 1, 6);
    layout->setColumnStretch(5, 1);

    const bool freshScans = source_.freshScans != nullptr;
    fresh_->setEnabled(freshScans);
    scans_->setEnabled(freshScans);
    (freshScans ? fresh_ : displayed_)->setChecked(true);
    if (!freshScans)
        status_->setText(QString::fromStdString(source_.noFreshScansReason));
    connect(fresh_, &QRadioButton::toggled, scans_, &QSpinBox::setEnabled);
}

SpectrumSourceBox::~SpectrumSourceBox()
{
    // The dialog around the box is going: nothing is told any more.
    if (done_)
        source_.freshScans->Stop();
}

bool SpectrumSourceBox::Collecting() const
{
    return static_cast<bool>(done_);
}

void SpectrumSourceBox::Measure(Done done)
{
    Stop();
    if (!fresh_->isChecked() || !source_.freshScans) {
        done(source_.displayed ? source_.displayed() : std::vector<double>());
        return;
    }
    done_ = std::move(done);
    fresh_->setEnabled(false);
    displayed_->setEnabled(false);
    scans_->setEnabled(false);
    source_.freshScans->Start(scans_->value(), [this](int collected, int wanted) { OnScan(collected, wanted); });
    status_->setText(tr("Waiting for scan 1 of %1...").arg(scans_->value()));
    Q_EMIT collectingChanged(true);
}

void SpectrumSourceBox::Stop()
{
    if (!done_)
        return;
    source_.freshScans->Stop();
    done_ = nullptr;
    fresh_->setEnabled(true);
    displayed_->setEnabled(true);
    scans_->setEnabled(fresh_->isChecked());
    status_->clear();
    Q_EMIT collectingChanged(false);
}

void SpectrumSourceBox::OnScan(int collected, int wanted)
{
    if (collected < wanted) {
        status_->setText(tr("Waiting for scan %1 of %2...").arg(collected + 1).arg(wanted));
        return;
    }
    status_->setText(tr("Averaged %1 fresh scans.").arg(wanted));
    // Handed over once the scan's handler has returned.
    QTimer::singleShot(0, this, [this] {
        if (!done_)
            return;
        Done done = std::move(done_);
        done_ = nullptr;
        fresh_->setEnabled(true);
        displayed_->setEnabled(true);
        scans_->setEnabled(fresh_->isChecked());
        Q_EMIT collectingChanged(false);
        done(source_.freshScans->Average());
    });
}

}  // namespace vexlar
