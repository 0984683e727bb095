#include "Messages.h"

#include <QCoreApplication>
#include <QObject>

namespace vexlar::sys {

const WindowMessageEvent* AsWindowMessage(const QEvent* event)
{
    if (!event || event->type() != kWindowMessageEventType)
        return nullptr;
    return static_cast<const WindowMessageEvent*>(event);
}

bool PostMessage(QObject* window, unsigned message, WPARAM wParam, LPARAM lParam)
{
    if (!window)
        return false;
    // postEvent takes ownership and is safe to call from any thread.
    QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
    return true;
}

}  // namespace vexlar::sys

extern "C" int VxPostMessage(void* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return vexlar::sys::PostMessage(static_cast<QObject*>(window), message, wParam, lParam) ? 1 : 0;
}
