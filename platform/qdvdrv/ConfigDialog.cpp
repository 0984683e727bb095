#include "ConfigDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vexlar::qdv {

namespace {

constexpr double kPercent = 100.0;
constexpr const char* kShownValue = "shownValue";

// The control's value in the settings' unit; a control the operator left
// alone gives back the exact value it was shown with, not its rounding.
double Chosen(const QDoubleSpinBox* box, double original, double scale = 1.0)
{
    if (box->value() == box->property(kShownValue).toDouble())
        return original;
    return box->value() / scale;
}

QString ChannelName(int ch)
{
    return ch == 0 ? QStringLiteral("Master") : QStringLiteral("Slave %1").arg(ch);
}

}  // namespace

ConfigDialog::ConfigDialog(const SimSettings& settings, const std::vector<std::string>& overrides, QWidget* parent)
    : QDialog(parent), original_(settings)
{
    setWindowTitle(QStringLiteral("Simulated Spectrometer Set-up"));
    auto* layout = new QVBoxLayout(this);

    auto* sampleGroup = new QGroupBox(QStringLiteral("Sample at each channel"), this);
    auto* sampleForm = new QFormLayout(sampleGroup);
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* box = new QComboBox(sampleGroup);
        box->setObjectName(QString::fromUtf8(kSampleBoxName) + QString::number(ch));
        for (const SampleInfo& s : AllSamples())
            box->addItem(QString::fromUtf8(s.displayName), static_cast<int>(s.kind));
        box->setCurrentIndex(box->findData(static_cast<int>(settings.samples[ch])));
        sampleForm->addRow(ChannelName(ch), box);
        samples_[ch] = box;
    }
    layout->addWidget(sampleGroup);

    auto* deviceGroup = new QGroupBox(QStringLiteral("Device"), this);
    auto* form = new QFormLayout(deviceGroup);
    laserPower_ =
        AddNumber(form, "Laser power (relative)", kLaserPowerName, kLaserPowerRange, 1.0, 2, settings.laserPower);
    noise_ = AddNumber(form, "Noise level (relative)", kNoiseName, kNoiseRange, 1.0, 2, settings.noise);
    darkCurrent_ =
        AddNumber(form, "Dark current (counts/s)", kDarkCurrentName, kDarkCurrentRange, 1.0, 1, settings.darkCurrent);
    fluorescence_ = AddNumber(form, "Fluorescence level (relative)", kFluorescenceName, kFluorescenceRange, 1.0, 2,
                              settings.fluorescence);
    speedFactor_ = AddNumber(form, "Speed factor of scan timing", kSpeedFactorName, kSpeedFactorRange, 1.0, 2,
                             settings.speedFactor);
    faultPercent_ =
        AddNumber(form, "Failed scans (%)", kFaultPercentName, kFaultRateRange, kPercent, 1, settings.faultRate);
    cosmicRate_ =
        AddNumber(form, "Cosmic rays (events/s)", kCosmicRateName, kCosmicRateRange, 1.0, 2, settings.cosmicRate);
    layout->addWidget(deviceGroup);

    if (!overrides.empty()) {
        QString text = QStringLiteral("While the program runs, the environment overrides:");
        for (const std::string& line : overrides)
            text += QStringLiteral("\n") + QString::fromStdString(line);
        auto* note = new QLabel(text, this);
        note->setObjectName(QStringLiteral("overrideNote"));
        layout->addWidget(note);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QDoubleSpinBox* ConfigDialog::AddNumber(QFormLayout* form, const char* label, const char* name, Range range,
                                        double scale, int decimals, double value)
{
    auto* box = new QDoubleSpinBox(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setDecimals(decimals);
    box->setRange(range.minimum * scale, range.maximum * scale);
    box->setValue(value * scale);
    box->setProperty(kShownValue, box->value());
    form->addRow(QString::fromUtf8(label), box);
    return box;
}

SimSettings ConfigDialog::Settings() const
{
    SimSettings s = original_;
    for (int ch = 0; ch < kChannels; ++ch)
        s.samples[ch] = static_cast<SampleKind>(samples_[ch]->currentData().toInt());
    s.laserPower = Chosen(laserPower_, original_.laserPower);
    s.noise = Chosen(noise_, original_.noise);
    s.darkCurrent = Chosen(darkCurrent_, original_.darkCurrent);
    s.fluorescence = Chosen(fluorescence_, original_.fluorescence);
    s.speedFactor = Chosen(speedFactor_, original_.speedFactor);
    s.faultRate = Chosen(faultPercent_, original_.faultRate, kPercent);
    s.cosmicRate = Chosen(cosmicRate_, original_.cosmicRate);
    return s;
}

}  // namespace vexlar::qdv
