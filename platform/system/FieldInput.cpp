#include "FieldInput.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QObject>
#include <QTimer>

#include "MessageBox.h"

namespace vexlar::sys {

namespace {

// Lives as a child of its field and watches it gain the focus.
class SelectAllFilter : public QObject {
public:
    explicit SelectAllFilter(QLineEdit* field) : QObject(field), field_(field) { }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == field_ && event->type() == QEvent::FocusIn) {
            field_->selectAll();
            // A click places the cursor after the focus has arrived; the
            // whole text is selected again once the click is done.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, field_, &QLineEdit::selectAll);
        }
        return false;
    }

private:
    QLineEdit* field_;
};

}  // namespace

void SelectAllOnFocus(QLineEdit* field)
{
    field->installEventFilter(new SelectAllFilter(field));
}

void RefuseFieldText(QLineEdit* field, const std::string& message)
{
    ShowOperatorMessage(message, kErrorTitle);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void RefuseNotANumber(QLineEdit* field)
{
    RefuseFieldText(field, kNotANumber);
}

}  // namespace vexlar::sys
