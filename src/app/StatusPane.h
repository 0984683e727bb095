#pragma once
// The status bar's message pane: the program's messages and, while additive
// mode or the cursor is on, the readout that changes with every scan.
//
// A plain label in the status bar tells the window's layout that its size may
// have changed each time its text changes, and the whole window is laid out
// again, scan after scan. Here the label sits alone inside the pane at a
// fixed size the pane gives it, so a new text only repaints the label; the
// pane's own size hint changes only when the number of lines of the text
// does. Like the chart, the label is repainted at most once per display
// frame: text() is always the latest text, and the label shows it within a
// frame.

#include <QWidget>

#include "display/FramePacer.h"
#include "display/Readout.h"

class QLabel;

namespace vexlar {

class StatusPane : public QWidget {
public:
    // The label is named labelName, so it is found as the status bar's label.
    StatusPane(const QString& text, const QString& labelName, QWidget* parent);
    ~StatusPane() override;

    void setText(const QString& text);
    // The readout that changes with every scan: its text is made when it is
    // shown, at most once per display frame, or when text() is read.
    void setReadout(const display::Readout& readout);
    QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Something new to show: shown now, or when its frame is due.
    void Changed();
    // The label takes the latest text.
    void ShowText();
    // The height of the label showing `lines` lines in its font.
    void RecomputeHint();

    QLabel* label_;
    QString text_;              // the latest text, shown within a frame, unless
    display::Readout readout_;  // the readout is the latest
    bool showsReadout_ = false;
    int lines_ = 1;
    QSize hint_;
    display::FramePacer pacer_;
    bool timerSet_ = false;
};

}  // namespace vexlar
