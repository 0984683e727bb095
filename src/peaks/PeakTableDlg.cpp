#include "peaks/PeakTableDlg.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ModalDialog.h"
#include "peaks/PeakFile.h"
#include "text/NumberText.h"

namespace {

constexpr int kRamanShiftMode = 1;
constexpr int kIntensityDecimals = 1;
constexpr int kTabStopDigits = 8;     // the default tab spacing, in digit widths
constexpr int kHeadingGapPixels = 8;  // the least room between two headings
constexpr int kTextMarginPixels = 3;  // between a row's edge and its text
constexpr int kTableTabStops = 7;     // the list is this many tab stops wide
constexpr int kVisibleRows = 16;
// The columns start at these tab stops: slot, x value, intensity.
constexpr int kSlotColumnTab = 1;
constexpr int kColumnTabs = 2;

constexpr char kRamanHeading[] = "Raman Shift (cm-1)";
constexpr char kWavelengthHeading[] = "Wavelength (nm)";

// One row: the slot, the x value in the format of the current mode and the
// intensity, each after its tab stops.
QString RowText(int slot, const vexlar::PeakRecord& peak, int xAxisMode)
{
    char id[16];
    std::snprintf(id, sizeof id, "%03d", slot);
    const std::string row = std::string("\t") + id + "\t\t" + vexlar::peaks::PeakXText(peak.x, xAxisMode) + "\t\t" +
                            vexlar::peaks::FixedText(peak.intensity, kIntensityDecimals);
    return QString::fromStdString(row);
}

// Draws the rows with their tabs expanded to evenly spaced tab stops.
class TabStopDelegate : public QStyledItemDelegate {
public:
    TabStopDelegate(qreal tabDistance, QObject* parent) : QStyledItemDelegate(parent), tabDistance_(tabDistance) { }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setTabStopDistance(tabDistance_);
        layout.setWrapMode(QTextOption::NoWrap);
        const bool selected = item.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRectF(item.rect.adjusted(kTextMarginPixels, 0, -kTextMarginPixels, 0)), text, layout);
        painter->restore();
    }

private:
    qreal tabDistance_;
};

}  // namespace

CPeakTableDlg::CPeakTableDlg(const vexlar::peaks::PeakTable& table, int xAxisMode,
                             std::function<void(int slot)> removePeak, QWidget* parent)
    : QDialog(parent), table_(table), xAxisMode_(xAxisMode), removePeak_(std::move(removePeak))
{
    setWindowTitle("Peak Table");

    list_ = new QListWidget(this);
    list_->setObjectName(QString("list%1").arg(kListId));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSortingEnabled(false);
    // Tab stops wide enough for a wavelength such as "1234.56" in one stop
    // and for the widest heading in the two stops of its column.
    const QFontMetrics metrics(list_->font());
    const int headingWidth =
        std::max(metrics.horizontalAdvance(kRamanHeading), metrics.horizontalAdvance(kWavelengthHeading));
    const int tab = std::max(kTabStopDigits * metrics.horizontalAdvance(QLatin1Char('0')),
                             (headingWidth + kHeadingGapPixels + kColumnTabs - 1) / kColumnTabs);
    list_->setItemDelegate(new TabStopDelegate(tab, list_));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMinimumWidth(kTableTabStops * tab + 2 * list_->frameWidth() + 2 * kTextMarginPixels +
                           list_->verticalScrollBar()->sizeHint().width());
    list_->setMinimumHeight(kVisibleRows * metrics.height());

    // Column headings over the tab stops of the rows.
    auto* headings = new QHBoxLayout;
    headings->setSpacing(0);
    headings->setContentsMargins(list_->frameWidth() + kTextMarginPixels + kSlotColumnTab * tab, 0, 0, 0);
    auto* idHeading = new QLabel("Peak ID", this);
    xHeading_ = new QLabel(this);
    xHeading_->setObjectName(QString("static%1").arg(kXHeadingId));
    auto* intensityHeading = new QLabel("Intensity", this);
    for (QLabel* heading : {idHeading, xHeading_, intensityHeading}) {
        heading->setFixedWidth(kColumnTabs * tab);
        headings->addWidget(heading);
    }
    headings->addStretch();

    removeButton_ = new QPushButton("&Remove Peak", this);
    removeButton_->setObjectName(QString("button%1").arg(kRemoveId));
    removeButton_->setAutoDefault(false);
    closeButton_ = new QPushButton("Close", this);
    closeButton_->setDefault(true);
    connect(removeButton_, &QPushButton::clicked, this, &CPeakTableDlg::OnRemovePeak);
    connect(closeButton_, &QPushButton::clicked, this, &CPeakTableDlg::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(removeButton_);
    buttons->addStretch();
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(headings);
    layout->addWidget(list_);
    layout->addLayout(buttons);
}

void CPeakTableDlg::FillRows()
{
    // The x values are written in the format of the mode now shown, whatever
    // the mode was when they were marked.
    const int mode = xAxisMode_;
    xHeading_->setText(mode == kRamanShiftMode ? kRamanHeading : kWavelengthHeading);
    list_->clear();
    for (int slot = 0; slot < vexlar::kPeakSlots; ++slot) {
        const vexlar::PeakRecord& peak = table_.peaks[slot];
        if (peak.inUse == 1)
            list_->addItem(RowText(slot, peak, mode));
    }
}

void CPeakTableDlg::OnRemovePeak()
{
    // From the last row up, so the rows still to be visited keep their places.
    for (int row = list_->count() - 1; row >= 0; --row) {
        QListWidgetItem* item = list_->item(row);
        if (!item->isSelected())
            continue;
        // The row's first number is its slot.
        const int slot = vexlar::LenientInt(item->text().toStdString());
        delete list_->takeItem(row);
        removePeak_(slot);
    }
}

int CPeakTableDlg::Run()
{
    FillRows();
    return vexlar::sys::RunModal(*this);
}
