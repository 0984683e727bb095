#include "app/StatusPane.h"

#include <QEvent>
#include <QLabel>
#include <QScreen>

#include "Messages.h"
#include "TickCount.h"
#include "WindowTimers.h"

namespace vexlar {

namespace {

// The window timer of the label's next display frame.
constexpr unsigned kLabelFrameTimerId = 1;

int LineCount(const QString& text)
{
    return static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
}

}  // namespace

StatusPane::StatusPane(const QString& text, const QString& labelName, QWidget* parent)
    : QWidget(parent), label_(new QLabel(text, this)), text_(text), lines_(LineCount(text))
{
    label_->setObjectName(labelName);
    // Its width is whatever the status bar leaves over, as a label's whose
    // width is ignored.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    RecomputeHint();
    label_->setFixedSize(size());
}

StatusPane::~StatusPane()
{
    if (timerSet_)
        sys::KillTimer(this, kLabelFrameTimerId);
}

void StatusPane::setText(const QString& text)
{
    if (!showsReadout_ && text_ == text)
        return;
    showsReadout_ = false;
    text_ = text;
    Changed();
}

void StatusPane::setReadout(const display::Readout& readout)
{
    if (showsReadout_ && readout_ == readout)
        return;
    showsReadout_ = true;
    readout_ = readout;
    Changed();
}

void StatusPane::Changed()
{
    const std::uint32_t now = sys::GetTickCount();
    const QScreen* shownOn = screen();
    const unsigned frameMs = display::FrameIntervalMs(shownOn ? shownOn->refreshRate() : 0.0);
    if (pacer_.Changed(now, frameMs) == display::FramePacer::Paint::Now) {
        if (timerSet_) {
            sys::KillTimer(this, kLabelFrameTimerId);
            timerSet_ = false;
        }
        pacer_.Painted(now);
        ShowText();
    } else if (!timerSet_) {
        timerSet_ = sys::SetTimer(this, kLabelFrameTimerId, pacer_.DelayMs(now));
    }
}

QString StatusPane::text() const
{
    if (!showsReadout_)
        return text_;
    char text[display::kReadoutTextSize];
    display::FormatReadout(readout_, text);
    return QString::fromLatin1(text);
}

bool StatusPane::event(QEvent* event)
{
    const auto* message = sys::AsWindowMessage(event);
    if (message && message->message() == sys::WM_TIMER && message->wParam() == kLabelFrameTimerId) {
        sys::KillTimer(this, kLabelFrameTimerId);
        timerSet_ = false;
        if (pacer_.Pending()) {
            pacer_.Painted(sys::GetTickCount());
            ShowText();
        }
        return true;
    }
    return QWidget::event(event);
}

void StatusPane::ShowText()
{
    // A label of fixed size repaints itself and asks nothing of the layout.
    if (showsReadout_)
        text_ = text();
    label_->setText(text_);
    const int lines = LineCount(text_);
    if (lines != lines_) {
        lines_ = lines;
        RecomputeHint();
    }
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
