#include "calibration/RamanShiftCheckDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "calibration/CalibrationText.h"
#include "calibration/ReferenceLines.h"
#include "calibration/ResidualPlot.h"

using namespace vexlar;
using namespace vexlar::calibration;

namespace {

constexpr int kMinimumToleranceCm = 1;
constexpr int kMaximumToleranceCm = 200;
constexpr int kShiftDecimals = 1;
constexpr int kMeasuredDecimals = 2;

}  // namespace

CRamanShiftCheckDlg::CRamanShiftCheckDlg(MeasurementSource source, const Polynomial& calibration,
                                         double laserWavenumber, double laserNm, const QString& channelName,
                                         QWidget* parent)
    : StandardsDialog(std::move(source), tr("C&heck"), parent),
      calibration_(calibration),
      laserWavenumber_(laserWavenumber)
{
    setWindowTitle(tr("Check Raman Shift"));
    SetHeader(tr("Channel: %1. Laser wavelength: %2 nm. Published shifts: ASTM E1840 (silicon: 520.7 cm-1).")
                  .arg(channelName, Text(LaserWavelengthText(laserNm))));

    standard_ = new QComboBox(this);
    standard_->setObjectName("standard");
    for (const RamanStandard& s : RamanStandards())
        standard_->addItem(QString::fromUtf8(s.name));
    AddSetting(tr("S&tandard"), standard_);

    tolerance_ = AddRangeSetting(tr("Bands off by up to"), "tolerance", kMinimumToleranceCm, kMaximumToleranceCm,
                                 static_cast<int>(kDefaultRamanToleranceCm), "cm-1");

    SetColumns({tr("Reference (cm-1)"), tr("Measured (cm-1)"), tr("Error (cm-1)"), tr("Height"), tr("Band")});
    Plot()->SetAxisTitles(tr("Raman shift (cm-1)"), tr("Error (cm-1)"));
    summary_ = AddResultLabel("summary");
    bestLaser_ = AddResultLabel("bestLaser");
    bestLaser_->setStyleSheet("font-weight: bold");
    SetRule(kRamanOutlierRule);

    connect(standard_, &QComboBox::currentIndexChanged, this, &CRamanShiftCheckDlg::Recompute);
    connect(tolerance_, &QSpinBox::valueChanged, this, &CRamanShiftCheckDlg::Recompute);
}

std::string CRamanShiftCheckDlg::Compute(const std::vector<double>& spectrum)
{
    RamanCheckSettings settings;
    settings.toleranceCm = tolerance_->value();
    const RamanStandard& standard = RamanStandards()[static_cast<std::size_t>(standard_->currentIndex())];
    result_ = CheckRamanShift(spectrum, calibration_, laserWavenumber_, standard.bands, settings);
    ShowResult();
    if (result_.ok)
        return {};
    return standard.name + std::string(": ") + result_.message;
}

void CRamanShiftCheckDlg::ShowResult()
{
    std::vector<QStringList> rows;
    std::vector<bool> dimmed;
    std::vector<ResidualPlot::Point> points;
    for (const BandCheck& b : result_.bands) {
        const bool measured = b.status == BandStatus::Used || b.status == BandStatus::Rejected;
        rows.push_back({Text(FixedText(b.referenceShift, kShiftDecimals)),
                        measured ? Text(FixedText(b.measuredShift, kMeasuredDecimals)) : QString("-"),
                        measured ? Text(FixedText(b.error, kMeasuredDecimals)) : QString("-"),
                        measured ? Text(FixedText(b.height, 0)) : QString("-"), tr(BandStatusText(b.status))});
        dimmed.push_back(b.status != BandStatus::Used);
        if (measured)
            points.push_back({b.referenceShift, b.error, b.status == BandStatus::Rejected});
    }
    SetRows(rows, dimmed);
    if (!result_.ok) {
        Plot()->SetPoints(std::move(points));
        summary_->clear();
        bestLaser_->clear();
        return;
    }
    Plot()->SetPoints(std::move(points), result_.meanError);
    summary_->setText(Text(RamanSummaryText(result_)));
    bestLaser_->setText(Text(BestLaserText(result_)));
}
