#include "timed/TimeAcquisitionDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "FieldInput.h"
#include "MessageBox.h"
#include "ModalDialog.h"
#include "files/FileDialogs.h"
#include "text/NumberText.h"
#include "timed/TimeAcqTexts.h"

using namespace vexlar::timed;

namespace {

constexpr char kNotUnsigned[] = "Please enter an unsigned integer.";
constexpr char kBaseFilenameTooLong[] = "The base filename is too long: it may have at most 259 characters.";
constexpr char kBrowseTitle[] = "Time Acquisition Base Filename";
// The drop-down list's items, at the position of their FileFormat value.
const char* const kFormatItems[] = {"Standard (*.ram)", "Exported (*.exp)"};
// The series table's layouts, at the position of their setting less one.
const char* const kTableLayoutItems[] = {"One row per scan", "One row per pixel"};
constexpr unsigned kNoSeriesTable = 0;

void Tag(QWidget* control, int id)
{
    control->setObjectName(QString("control%1").arg(id));
    control->setProperty("controlId", id);
}

}  // namespace

CTimeAcquisitionDlg::CTimeAcquisitionDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Time Acquisition");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;

    toggleLaser_ = new QCheckBox("&Toggle Laser On/Off", this);
    Tag(toggleLaser_, kToggleLaserId);
    grid->addWidget(toggleLaser_, row++, 0, 1, 3);
    warmup_ = AddNumberEdit(kLaserWarmupTimeId);
    grid->addWidget(new QLabel("Laser Warmup Time (sec)", this), row, 0);
    grid->addWidget(warmup_, row++, 1);

    storeDark_ = new QCheckBox("&Store Dark Before Each Acquisition", this);
    Tag(storeDark_, kStoreDarkId);
    grid->addWidget(storeDark_, row++, 0, 1, 3);

    delayBeforeFirst_ = AddNumberEdit(kDelayBeforeFirstId);
    grid->addWidget(new QLabel("Delay Before First Acquisition (sec)", this), row, 0);
    grid->addWidget(delayBeforeFirst_, row++, 1);
    delayBetween_ = AddNumberEdit(kDelayBetweenId);
    grid->addWidget(new QLabel("Delay Between Acquisitions (sec)", this), row, 0);
    grid->addWidget(delayBetween_, row++, 1);
    numberOfAcquisitions_ = AddNumberEdit(kNumberOfAcquisitionsId);
    grid->addWidget(new QLabel("Number of Acquisitions", this), row, 0);
    grid->addWidget(numberOfAcquisitions_, row++, 1);

    baseFilename_ = new QLineEdit(this);
    Tag(baseFilename_, kBaseFilenameId);
    browse_ = new QPushButton("...", this);
    Tag(browse_, kBrowseId);
    browse_->setAutoDefault(false);
    connect(browse_, &QPushButton::clicked, this, &CTimeAcquisitionDlg::OnBrowse);
    grid->addWidget(new QLabel("Base Filename and Path", this), row, 0);
    grid->addWidget(baseFilename_, row, 1);
    grid->addWidget(browse_, row++, 2);

    formatList_ = new QComboBox(this);
    Tag(formatList_, kFileFormatId);
    for (const char* item : kFormatItems)
        formatList_->addItem(item);
    grid->addWidget(new QLabel("File Format", this), row, 0);
    grid->addWidget(formatList_, row++, 1);

    seriesTable_ = new QCheckBox("Also write the series as one table", this);
    Tag(seriesTable_, kSeriesTableId);
    grid->addWidget(seriesTable_, row++, 0, 1, 3);
    tableLayout_ = new QComboBox(this);
    Tag(tableLayout_, kTableLayoutId);
    for (const char* item : kTableLayoutItems)
        tableLayout_->addItem(item);
    grid->addWidget(new QLabel("Table Layout", this), row, 0);
    grid->addWidget(tableLayout_, row++, 1);
    connect(seriesTable_, &QCheckBox::toggled, tableLayout_, &QWidget::setEnabled);

    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTimeAcquisitionDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTimeAcquisitionDlg::reject);
    layout->addWidget(buttons);
}

QLineEdit* CTimeAcquisitionDlg::AddNumberEdit(int id)
{
    auto* e = new QLineEdit(this);
    Tag(e, id);
    return e;
}

QLineEdit* CTimeAcquisitionDlg::edit(int id) const
{
    switch (id) {
    case kLaserWarmupTimeId:
        return warmup_;
    case kDelayBeforeFirstId:
        return delayBeforeFirst_;
    case kDelayBetweenId:
        return delayBetween_;
    case kNumberOfAcquisitionsId:
        return numberOfAcquisitions_;
    case kBaseFilenameId:
        return baseFilename_;
    default:
        return nullptr;
    }
}

QCheckBox* CTimeAcquisitionDlg::check(int id) const
{
    switch (id) {
    case kToggleLaserId:
        return toggleLaser_;
    case kStoreDarkId:
        return storeDark_;
    case kSeriesTableId:
        return seriesTable_;
    default:
        return nullptr;
    }
}

void CTimeAcquisitionDlg::ShowValues()
{
    const vexlar::timed::SeriesSettings& s = settings;
    toggleLaser_->setChecked(s.ToggleLaser == 1);
    storeDark_->setChecked(s.StoreDark == 1);
    warmup_->setText(QString::number(s.LaserWarmupTime));
    delayBeforeFirst_->setText(QString::number(s.DelayBeforeFirstAcquisition));
    delayBetween_->setText(QString::number(s.DelayBetweenAcquisitions));
    numberOfAcquisitions_->setText(QString::number(s.NumberOfAcquisitions));
    baseFilename_->setText(QFile::decodeName(QByteArray::fromStdString(s.BaseFilename)));
    // A format that has no item (possible only by editing the settings file)
    // selects nothing.
    formatList_->setCurrentIndex(
        s.FileFormat < static_cast<unsigned>(formatList_->count()) ? static_cast<int>(s.FileFormat) : -1);
    const bool table = seriesTable != kNoSeriesTable && seriesTable <= std::size(kTableLayoutItems);
    seriesTable_->setChecked(table);
    tableLayout_->setCurrentIndex(table ? static_cast<int>(seriesTable) - 1 : 0);
    tableLayout_->setEnabled(table);
}

void CTimeAcquisitionDlg::OnBrowse()
{
    // Only the name is chosen here; no file is created.
    const vexlar::files::FileDialogSetup setup{
        vexlar::files::FileDialogMode::Save, kBrowseTitle, {vexlar::files::kAllFilesFilter}, {}, {}};
    const std::string path = CFileDialog::Choose(this, setup);
    if (!path.empty())
        baseFilename_->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

std::optional<unsigned> CTimeAcquisitionDlg::ReadNumber(QLineEdit* e)
{
    const std::optional<unsigned> value = vexlar::UnsignedText(e->text().toStdString());
    if (!value)
        vexlar::sys::RefuseFieldText(e, kNotUnsigned);
    return value;
}

void CTimeAcquisitionDlg::accept()
{
    // The numbers, in the order of the controls; the first that is not
    // an unsigned whole number ends the checks.
    const auto warmup = ReadNumber(warmup_);
    if (!warmup)
        return;
    const auto first = ReadNumber(delayBeforeFirst_);
    if (!first)
        return;
    const auto between = ReadNumber(delayBetween_);
    if (!between)
        return;
    const auto count = ReadNumber(numberOfAcquisitions_);
    if (!count)
        return;

    // A base file name; a single space is one.
    const std::string base = QFile::encodeName(baseFilename_->text()).toStdString();
    if (base.empty()) {
        vexlar::sys::ShowOperatorMessage(kNoBaseFilename, vexlar::sys::kErrorTitle);
        baseFilename_->setFocus();
        return;
    }
    // The name is kept in a fixed field: a longer one is refused, never cut.
    if (base.size() > vexlar::timed::kMaxBaseFilename) {
        vexlar::sys::ShowOperatorMessage(kBaseFilenameTooLong, vexlar::sys::kErrorTitle);
        baseFilename_->setFocus();
        return;
    }

    // A toggled laser must be warm within the delay between scans.
    const bool toggle = toggleLaser_->isChecked();
    if (toggle && *warmup > *between) {
        vexlar::sys::ShowOperatorMessage(kWarmupLongerThanDelay, vexlar::sys::kErrorTitle);
        warmup_->setFocus();
        return;
    }

    vexlar::timed::SeriesSettings& s = settings;
    s.ToggleLaser = toggle ? 1 : 0;
    s.StoreDark = storeDark_->isChecked() ? 1 : 0;
    s.LaserWarmupTime = *warmup;
    s.DelayBeforeFirstAcquisition = *first;
    s.DelayBetweenAcquisitions = *between;
    s.NumberOfAcquisitions = *count;
    s.BaseFilename = base;
    // With no item selected the format stays as it was.
    if (formatList_->currentIndex() >= 0)
        s.FileFormat = static_cast<unsigned>(formatList_->currentIndex());
    seriesTable = seriesTable_->isChecked() ? static_cast<unsigned>(std::max(tableLayout_->currentIndex(), 0)) + 1
                                            : kNoSeriesTable;
    QDialog::accept();
}

int CTimeAcquisitionDlg::Run()
{
    ShowValues();
    return vexlar::sys::RunModal(*this);
}
