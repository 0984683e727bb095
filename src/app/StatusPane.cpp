#include "app/StatusPane.h"

#include <QEvent>
#include <QLabel>

namespace vexlar {

namespace {

int LineCount(const QString& text)
{
    return static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
}

}  // namespace

StatusPane::StatusPane(const QString& text, const QString& labelName, QWidget* parent)
    : QWidget(parent), label_(new QLabel(text, this)), lines_(LineCount(text))
{
    label_->setObjectName(labelName);
    // Its width is whatever the status bar leaves over, as a label's whose
    // width is ignored.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    RecomputeHint();
    label_->setFixedSize(size());
}

void StatusPane::setText(const QString& text)
{
    if (label_->text() == text)
        return;
    // A label of fixed size repaints itself and asks nothing of the layout.
    label_->setText(text);
    const int lines = LineCount(text);
    if (lines != lines_) {
        lines_ = lines;
        RecomputeHint();
    }
}

QString StatusPane::text() const
{
    return label_->text();
}

QSize StatusPane::sizeHint() const
{
    return hint_;
}

QSize StatusPane::minimumSizeHint() const
{
    return QSize(0, hint_.height());
}

void StatusPane::resizeEvent(QResizeEvent* event)
{
    label_->setFixedSize(size());
    QWidget::resizeEvent(event);
}

void StatusPane::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        RecomputeHint();
    QWidget::changeEvent(event);
}

void StatusPane::RecomputeHint()
{
    // What a label of that many lines would ask for, its width left to the
    // status bar.
    QLabel probe(QString(lines_ - 1, QLatin1Char('\n')) + QStringLiteral("Ready"));
    probe.setFont(label_->font());
    probe.setContentsMargins(label_->contentsMargins());
    probe.setMargin(label_->margin());
    const QSize wanted(0, probe.sizeHint().height());
    if (wanted != hint_) {
        hint_ = wanted;
        updateGeometry();
    }
}

}  // namespace vexlar
