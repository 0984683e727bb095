#include "calibration/StandardsDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "MessageBox.h"
#include "calibration/ResidualPlot.h"
#include "calibration/SpectrumSourceBox.h"

namespace vexlar {

namespace {

using vexlar::sys::kErrorTitle;
constexpr int kTableRowsShown = 7;
constexpr int kRowPadding = 6;
constexpr int kPlotHeight = 150;
constexpr int kMinimumWidth = 640;

}  // namespace

StandardsDialog::StandardsDialog(calibration::MeasurementSource source, const QString& measureText, QWidget* parent)
    : QDialog(parent), measureText_(measureText)
{
    header_ = new QLabel(this);
    header_->setObjectName("header");
    source_ = new SpectrumSourceBox(std::move(source), this);
    measure_ = new QPushButton(measureText_, this);
    measure_->setObjectName("measure");
    measure_->setDefault(true);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setStyleSheet("color: #b00000");
    // A refusal that says why and what to do runs to several lines; it must
    // not widen the dialog beyond the screen.
    status_->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName("results");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + kRowPadding);
    table_->setMinimumHeight(table_->horizontalHeader()->sizeHint().height() +
                             kTableRowsShown * table_->verticalHeader()->defaultSectionSize());
    plot_ = new ResidualPlot(this);
    plot_->setObjectName("residualPlot");
    plot_->setMinimumHeight(kPlotHeight);
    rule_ = new QLabel(this);
    rule_->setObjectName("rule");
    rule_->setWordWrap(true);
    rule_->setStyleSheet("color: #505050");
    apply_ = new QPushButton(tr("&Apply"), this);
    apply_->setObjectName("apply");
    apply_->setEnabled(false);
    apply_->setAutoDefault(false);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("cancel");
    cancel->setAutoDefault(false);

    // The settings, then the button that measures, on one row; the
    // status line under them.
    settings_ = new QHBoxLayout;
    auto* settingsRow = new QHBoxLayout;
    settingsRow->addLayout(settings_);
    settingsRow->addStretch(1);
    settingsRow->addWidget(measure_);
    results_ = new QVBoxLayout;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    // The dialog grows with the result lines instead of squeezing the plot.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    const QMargins margins = layout->contentsMargins();
    table_->setMinimumWidth(kMinimumWidth - margins.left() - margins.right());
    layout->addWidget(header_);
    layout->addWidget(source_);
    layout->addLayout(settingsRow);
    layout->addWidget(status_);
    layout->addWidget(table_, 1);
    layout->addWidget(plot_);
    layout->addLayout(results_);
    layout->addWidget(rule_);
    layout->addLayout(buttons);

    connect(measure_, &QPushButton::clicked, this, &StandardsDialog::OnMeasure);
    connect(source_, &SpectrumSourceBox::collectingChanged, this, &StandardsDialog::OnCollecting);
    connect(apply_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

StandardsDialog::~StandardsDialog() = default;

void StandardsDialog::SetHeader(const QString& text)
{
    header_->setText(text);
}

void StandardsDialog::AddSetting(const QString& label, QWidget* field)
{
    auto* name = new QLabel(label, this);
    name->setBuddy(field);
    settings_->addWidget(name);
    settings_->addWidget(field);
    settings_->addSpacing(16);
}

QSpinBox* StandardsDialog::AddRangeSetting(const QString& label, const char* objectName, int minimum, int maximum,
                                           int value, const QString& unit)
{
    auto* field = new QSpinBox(this);
    field->setObjectName(objectName);
    field->setLocale(QLocale::c());
    field->setRange(minimum, maximum);
    field->setValue(value);
    field->setPrefix(QString::fromUtf8("\u00b1 "));
    field->setSuffix(" " + unit);
    AddSetting(label, field);
    return field;
}

void StandardsDialog::SetColumns(const QStringList& headers)
{
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
}

void StandardsDialog::SetRows(const std::vector<QStringList>& rows, const std::vector<bool>& dimmed)
{
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (dimmed[r])
                item->setForeground(QColor(150, 150, 150));
            table_->setItem(r, c, item);
        }
    }
}

QLabel* StandardsDialog::AddResultLabel(const char* objectName)
{
    auto* label = new QLabel(this);
    // One line each: a wrapped label whose text changes once the dialog is
    // shown would be laid out over its neighbours.
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    results_->addWidget(label);
    return label;
}

void StandardsDialog::SetRule(const char* rule)
{
    rule_->setText(QString::fromUtf8(rule));
    // The dialog is never narrower than kMinimumWidth, so the wrapped rule
    // never needs more lines than it takes there.
    const QMargins margins = layout()->contentsMargins();
    rule_->setMinimumHeight(rule_->heightForWidth(kMinimumWidth - margins.left() - margins.right()));
}

void StandardsDialog::Recompute()
{
    if (spectrum_.empty() || source_->Collecting())
        return;
    ShowOutcome(Compute(spectrum_), false);
}

void StandardsDialog::OnMeasure()
{
    if (source_->Collecting()) {
        source_->Stop();
        return;
    }
    source_->Measure([this](std::vector<double> spectrum) {
        spectrum_ = std::move(spectrum);
        ShowOutcome(Compute(spectrum_), true);
    });
}

void StandardsDialog::OnCollecting(bool collecting)
{
    measure_->setText(collecting ? tr("&Stop") : measureText_);
    // The result on show stays applicable when a collection is stopped.
    apply_->setEnabled(!collecting && applicable_);
    if (collecting)
        status_->clear();
}

void StandardsDialog::ShowOutcome(const std::string& refusal, bool tellOperator)
{
    applicable_ = refusal.empty();
    apply_->setEnabled(applicable_);
    status_->setText(QString::fromStdString(refusal));
    if (!refusal.empty() && tellOperator)
        sys::ShowOperatorMessage(refusal, kErrorTitle);
}

}  // namespace vexlar
