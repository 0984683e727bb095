#pragma once
// Window messages between components: a message number with two parameters,
// posted from any thread to a window (any QObject) and delivered as a Qt event
// on the thread that owns the receiver.

#include <QEvent>

#include <cstdint>

class QObject;

namespace vexlar::sys {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

// Window-timer expiry, delivered like any other message with the timer's id
// in wParam.
constexpr unsigned WM_TIMER = 0x0113;

// One fixed event type for every posted message. Fixed rather than registered
// at run time, so a driver library built apart from the program posts events
// the program recognises.
constexpr QEvent::Type kWindowMessageEventType = static_cast<QEvent::Type>(QEvent::User + 0x401);

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(unsigned message, WPARAM wParam, LPARAM lParam)
        : QEvent(kWindowMessageEventType), message_(message), wParam_(wParam), lParam_(lParam)
    { }

    unsigned message() const { return message_; }
    WPARAM wParam() const { return wParam_; }
    LPARAM lParam() const { return lParam_; }

private:
    unsigned message_;
    WPARAM wParam_;
    LPARAM lParam_;
};

// The message carried by an event, or nullptr when the event is not a posted
// window message.
const WindowMessageEvent* AsWindowMessage(const QEvent* event);

// Queues the message for the window; safe from any thread. Returns false for
// a null window. The window must outlive the delivery.
bool PostMessage(QObject* window, unsigned message, WPARAM wParam, LPARAM lParam);

}  // namespace vexlar::sys

// The same call with a C interface, for driver libraries that are not C++.
extern "C" int VxPostMessage(void* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
