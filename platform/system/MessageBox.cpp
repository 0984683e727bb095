#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "ModalDialog.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace vexlar::sys {

namespace {

std::mutex gMutex;  // guards the recorder chain and recording
MessageRecorder* gRecorder = nullptr;
std::atomic<bool> gToStandardError{false};

void ShowBox(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    RunModal(box);
}

}  // namespace

void ShowOperatorMessage(const std::string& text, const std::string& title)
{
    bool recorded = false;
    std::function<void()> whileShown;
    {
        std::lock_guard lock(gMutex);
        if (gRecorder) {
            gRecorder->Record(text, title);
            whileShown = gRecorder->whileShown_;
            recorded = true;
        }
    }
    if (recorded) {
        // Outside the lock: what the box does meanwhile may bring another
        // message.
        if (whileShown)
            whileShown();
        return;
    }
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application || gToStandardError.load()) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return;
    }
    if (QThread::currentThread() == application->thread()) {
        ShowBox(text, title);
        return;
    }
    QMetaObject::invokeMethod(
        application, [&] { ShowBox(text, title); }, Qt::BlockingQueuedConnection);
}

void SendOperatorMessagesToStandardError()
{
    gToStandardError.store(true);
}

MessageRecorder::MessageRecorder() : MessageRecorder(std::function<void()>()) { }

MessageRecorder::MessageRecorder(std::function<void()> whileShown) : whileShown_(std::move(whileShown))
{
    std::lock_guard lock(gMutex);
    previous_ = gRecorder;
    gRecorder = this;
}

MessageRecorder::~MessageRecorder()
{
    std::lock_guard lock(gMutex);
    // Recorders end in reverse order of their start; should one outlive a
    // newer one, the chain is repaired rather than left pointing at it.
    if (gRecorder == this) {
        gRecorder = previous_;
        return;
    }
    for (MessageRecorder* r = gRecorder; r; r = r->previous_) {
        if (r->previous_ == this) {
            r->previous_ = previous_;
            break;
        }
    }
}

const std::vector<OperatorMessage>& MessageRecorder::messages() const
{
    return messages_;
}

void MessageRecorder::clear()
{
    std::lock_guard lock(gMutex);
    messages_.clear();
}

// Called with the chain's lock held.
void MessageRecorder::Record(const std::string& text, const std::string& title)
{
    messages_.push_back({text, title});
}

}  // namespace vexlar::sys
