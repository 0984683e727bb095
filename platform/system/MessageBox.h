#pragma once
// The operator message box: every message for the operator goes through
// ShowOperatorMessage, which shows a modal box with a warning icon, the given
// title and text, and an OK button, and returns when the operator has
// pressed OK. Tests put a MessageRecorder in its place, so nothing blocks.

#include <functional>
#include <string>
#include <vector>

namespace vexlar::sys {

// The title of the program's own error messages.
inline constexpr char kErrorTitle[] = "Vexlar Error";
// The refusal of a field that must hold a number.
inline constexpr char kNotANumber[] = "Please enter a number.";

struct OperatorMessage {
    std::string text;
    std::string title;

    bool operator==(const OperatorMessage&) const = default;
};

// Safe from any thread: from another thread the box is shown on the
// user-interface thread and the call waits for it. Without a user interface
// the message goes to standard error.
void ShowOperatorMessage(const std::string& text, const std::string& title);

// From now on operator messages go to standard error instead of a box: the
// program is ending where a box cannot be shown (the display is gone) or
// would hold the end up with nobody to answer it (ended by a signal).
// Recorders still take them.
void SendOperatorMessagesToStandardError();

// While alive, takes every operator message instead of the box, in order.
// Recorders nest: the newest one records, and the previous one records again
// when it goes away.
class MessageRecorder {
public:
    MessageRecorder();
    // whileShown runs for each message recorded, where the box would be on
    // the screen: a test makes it take the keyboard focus as the box does.
    explicit MessageRecorder(std::function<void()> whileShown);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Read on the thread that shows the messages, or once other threads are done.
    const std::vector<OperatorMessage>& messages() const;
    void clear();

private:
    friend void ShowOperatorMessage(const std::string& text, const std::string& title);
    void Record(const std::string& text, const std::string& title);

    MessageRecorder* previous_;
    std::vector<OperatorMessage> messages_;
    std::function<void()> whileShown_;
};

}  // namespace vexlar::sys
