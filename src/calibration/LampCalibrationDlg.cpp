#include "calibration/LampCalibrationDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "calibration/CalibrationText.h"
#include "calibration/ResidualPlot.h"
#include "text/NumberText.h"

using namespace vexlar;
using namespace vexlar::calibration;

namespace {

constexpr int kMinimumSearchNm = 1;
constexpr int kMaximumSearchNm = 100;
constexpr int kNmDecimals = 4;
constexpr int kPixelDecimals = 2;

}  // namespace

CLampCalibrationDlg::CLampCalibrationDlg(MeasurementSource source, const Polynomial& current,
                                         const QString& channelName, QWidget* parent)
    : StandardsDialog(source, tr("&Find Lines"), parent), current_(current), fullScale_(std::move(source.fullScale))
{
    setWindowTitle(tr("Calibrate from Lamp"));
    SetHeader(tr("Channel: %1. Lamp: neon (Ne I wavelengths in air, NIST Atomic Spectra Database). "
                 "The channel's current calibration is the first guess.")
                  .arg(channelName));

    order_ = new QComboBox(this);
    order_->setObjectName("order");
    order_->addItem(tr("Auto"), kAutomaticLampOrder);
    for (int order = kMinimumLampOrder; order <= kMaximumLampOrder; ++order)
        order_->addItem(QString::number(order), order);
    order_->setCurrentIndex(order_->findData(kDefaultLampOrder));
    AddSetting(tr("Polynomial &order"), order_);

    search_ = AddRangeSetting(tr("Current calibration off by up to"), "searchRange", kMinimumSearchNm, kMaximumSearchNm,
                              static_cast<int>(kDefaultLampSearchNm), "nm");

    SetColumns({tr("Reference (nm)"), tr("Pixel"), tr("Fitted (nm)"), tr("Residual (nm)"), tr("Height"), tr("Line")});
    Plot()->SetAxisTitles(tr("Pixel"), tr("Residual (nm)"));
    summary_ = AddResultLabel("summary");
    orderChoice_ = AddResultLabel("orderChoice");
    saturation_ = AddResultLabel("saturation");
    saturation_->setStyleSheet("color: #b00000");
    span_ = AddResultLabel("span");
    span_->setStyleSheet("font-weight: bold");
    uncertainty_ = AddResultLabel("uncertainty");
    uncertainty_->setStyleSheet("font-weight: bold");
    coefficients_ = AddResultLabel("coefficients");
    SetRule(kLampOutlierRule);

    connect(order_, &QComboBox::currentIndexChanged, this, &CLampCalibrationDlg::Recompute);
    connect(search_, &QSpinBox::valueChanged, this, &CLampCalibrationDlg::Recompute);
}

std::string CLampCalibrationDlg::Compute(const std::vector<double>& spectrum)
{
    LampSettings settings;
    settings.order = order_->currentData().toInt();
    settings.searchNm = search_->value();
    result_ = CalibrateFromLamp(spectrum, current_, NeonLines(), settings, fullScale_);
    ShowResult();
    return result_.ok ? std::string() : result_.message;
}

void CLampCalibrationDlg::ShowResult()
{
    std::vector<QStringList> rows;
    std::vector<bool> dimmed;
    std::vector<ResidualPlot::Point> points;
    for (const LampLineMatch& l : result_.lines) {
        rows.push_back({Text(FixedText(l.referenceNm, kNmDecimals)), Text(FixedText(l.pixel, kPixelDecimals)),
                        Text(FixedText(l.fittedNm, kNmDecimals)), Text(FixedText(l.residualNm, kNmDecimals)),
                        Text(FixedText(l.height, 0)), l.rejected ? tr("rejected") : tr("used")});
        dimmed.push_back(l.rejected);
        points.push_back({l.pixel, l.residualNm, l.rejected});
    }
    SetRows(rows, dimmed);
    Plot()->SetPoints(std::move(points));
    if (!result_.ok) {
        for (QLabel* label : {summary_, orderChoice_, saturation_, span_, uncertainty_, coefficients_})
            label->clear();
        return;
    }
    summary_->setText(Text(LampSummaryText(result_)));
    // Shown only when there is something to say.
    orderChoice_->setText(Text(LampOrderText(result_)));
    orderChoice_->setVisible(!orderChoice_->text().isEmpty());
    saturation_->setText(Text(LampSaturationText(result_.linesSaturated)));
    saturation_->setVisible(!saturation_->text().isEmpty());
    span_->setText(Text(LampSpanText(result_)));
    uncertainty_->setText(Text(LampEndsText(result_)));
    // As Setup > Configure Spectrometer shows and stores them.
    const auto& c = result_.calibration.c;
    coefficients_->setText(
        tr("New calibration: Intercept %1, First %2, Second %3, Third %4")
            .arg(Text(FormatCoefficient(static_cast<float>(c[0]))), Text(FormatCoefficient(static_cast<float>(c[1]))),
                 Text(FormatCoefficient(static_cast<float>(c[2]))), Text(FormatCoefficient(static_cast<float>(c[3])))));
}
