#pragma once
// The status bar's message pane: the program's messages and, while additive
// mode or the cursor is on, the readout that changes with every scan.
//
// A plain label in the status bar tells the window's layout that its size may
// have changed each time its text changes, and the whole window is laid out
// again, scan after scan. Here the label sits alone inside the pane at a
// fixed size the pane gives it, so a new text only repaints the label; the
// pane's own size hint changes only when the number of lines of the text
// does.

#include <QWidget>

class QLabel;

namespace vexlar {

class StatusPane : public QWidget {
public:
    // The label is named labelName, so it is found as the status bar's label.
    StatusPane(const QString& text, const QString& labelName, QWidget* parent);

    void setText(const QString& text);
    QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The height of the label showing `lines` lines in its font.
    void RecomputeHint();

    QLabel* label_;
    int lines_ = 1;
    QSize hint_;
};

}  // namespace vexlar
