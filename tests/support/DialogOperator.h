#pragma once
// The operator of a modal dialog in a test: while one of these lives, every
// dialog of that class that runs is given to answer instead of waiting for a
// person; answer fills its controls and closes it as the operator would.

#include <functional>
#include <utility>

namespace vexlar::test {

template <class Dialog>
class ScopedDialogOperator {
public:
    explicit ScopedDialogOperator(std::function<void(Dialog&)> answer)
    {
        Dialog::operatorForTests = std::move(answer);
    }
    ~ScopedDialogOperator() { Dialog::operatorForTests = nullptr; }
    ScopedDialogOperator(const ScopedDialogOperator&) = delete;
    ScopedDialogOperator& operator=(const ScopedDialogOperator&) = delete;
};

}  // namespace vexlar::test
