#pragma once
// A window that records every posted window message it receives, with the
// tick count and thread at delivery, and can run a handler for each.

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <cstdint>
#include <functional>
#include <vector>

#include "Messages.h"
#include "TickCount.h"

namespace vexlar::test {

class RecordingWindow : public QObject {
public:
    struct Received {
        unsigned message;
        sys::WPARAM wParam;
        sys::LPARAM lParam;
        std::uint32_t tick;
        bool onUserInterfaceThread;
    };

    std::vector<Received> received;
    std::function<void(const Received&)> handler;

    bool event(QEvent* event) override
    {
        const sys::WindowMessageEvent* message = sys::AsWindowMessage(event);
        if (!message)
            return QObject::event(event);
        const Received entry{message->message(), message->wParam(), message->lParam(), sys::GetTickCount(),
                             QThread::currentThread() == QCoreApplication::instance()->thread()};
        received.push_back(entry);
        if (handler)
            handler(entry);
        return true;
    }

    // (id, tick) of every WM_TIMER received, in order.
    std::vector<std::pair<sys::WPARAM, std::uint32_t>> Timers() const
    {
        std::vector<std::pair<sys::WPARAM, std::uint32_t>> timers;
        for (const Received& entry : received)
            if (entry.message == sys::WM_TIMER)
                timers.emplace_back(entry.wParam, entry.tick);
        return timers;
    }
};

}  // namespace vexlar::test
