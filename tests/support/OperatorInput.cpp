#include "support/OperatorInput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

namespace vexlar::test {

namespace {

QWidget* FocusWidget()
{
    // While a list is dropped down its popup takes the keys.
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
}

}  // namespace

void DeliverPendingEvents()
{
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

bool Activate(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

bool ClickInto(QWidget* field)
{
    // A click into a window that is not active makes it active first.
    if (!field->window()->isActiveWindow() && !Activate(*field->window()))
        return false;
    QWidget* target = field;
    if (auto* list = qobject_cast<QComboBox*>(field); list && list->lineEdit())
        target = list->lineEdit();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(4, target->height() / 2));
    DeliverPendingEvents();
    return field->hasFocus();
}

void TypeKeys(const QString& text)
{
    QWidget* target = FocusWidget();
    if (!target)
        return;
    // Characters beyond ASCII come as the text of a key the keyboard
    // layout produces them with.
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void PressKey(int key, int modifiers)
{
    if (QWidget* target = FocusWidget())
        QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    DeliverPendingEvents();
}

void TypeIntoAndTab(QWidget* field, const QString& text)
{
    ClickInto(field);
    PressKey(Qt::Key_A, Qt::ControlModifier);  // the whole text selected
    TypeKeys(text);
    PressKey(Qt::Key_Tab);
}

bool DropDown(QComboBox* list)
{
    PressKey(Qt::Key_F4);
    return QTest::qWaitFor([list] { return IsDroppedDown(list); }, 500);
}

bool DropDownWithMouse(QComboBox* list)
{
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    option.subControls = QStyle::SC_All;
    const QRect arrow = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, list);
    QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, arrow.center());
    return QTest::qWaitFor([list] { return IsDroppedDown(list); }, 500);
}

void ChooseWithKeys(QComboBox* list, int steps)
{
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
        QTest::keyClick(list->view(), steps < 0 ? Qt::Key_Up : Qt::Key_Down);
    QTest::keyClick(list->view(), Qt::Key_Return);
    DeliverPendingEvents();
}

void CloseWithEscape(QComboBox* list)
{
    QTest::keyClick(list->view(), Qt::Key_Escape);
    DeliverPendingEvents();
}

void CloseWithClickElsewhere(QComboBox* list)
{
    // While a list is dropped down its window receives every click, those
    // beside it too.
    QWidget* popup = list->view()->window();
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, QPoint(popup->width() + 40, popup->height() + 40));
    DeliverPendingEvents();
}

void ChooseWithMouse(QComboBox* list, int index)
{
    // The pointer travels from the list's arrow to the item (Qt takes a
    // release near the click that opened the list for that click's end),
    // then clicks.
    // The operator first scrolls the item into sight.
    const QModelIndex item = list->model()->index(index, 0);
    list->view()->scrollTo(item);
    QWidget* items = list->view()->viewport();
    const QPoint at = list->view()->visualRect(item).center();
    QMouseEvent move(QEvent::MouseMove, at, items->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(items, &move);
    QTest::mouseClick(items, Qt::LeftButton, Qt::NoModifier, at);
    DeliverPendingEvents();
}

bool PickFileFilter(QFileDialog& dialog, const QString& filter)
{
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    const int wanted = types ? types->findText(filter) : -1;
    if (wanted < 0)
        return false;
    while (types->currentIndex() != wanted)
        QTest::keyClick(types, types->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    DeliverPendingEvents();
    return true;
}

QStringList ListedNames(QFileDialog& dialog, const QString& folder)
{
    dialog.setDirectory(folder);
    auto* list = dialog.findChild<QListView*>("listView");
    if (!list)
        return {};
    const auto read = [list] {
        QStringList names;
        const QModelIndex root = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(root); ++row)
            names << list->model()->index(row, 0, root).data().toString();
        names.sort();
        return names;
    };
    // The folder has been read once its listing stops changing (for at most
    // three seconds).
    QStringList names;
    int unchanged = 0;
    for (int round = 0; round < 120 && unchanged < 3; ++round) {
        QTest::qWait(25);
        const QStringList again = read();
        unchanged = again == names && !again.isEmpty() ? unchanged + 1 : 0;
        names = again;
    }
    return names;
}

bool IsDroppedDown(const QComboBox* list)
{
    return list->view() && list->view()->isVisible();
}

}  // namespace vexlar::test
