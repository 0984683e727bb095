#pragma once
// A command's refusal shown to the operator as the window shows it: in the
// error box (a recorder in tests), nothing when there is none.

#include <string>

#include "MessageBox.h"

namespace vexlar::test {

inline void Tell(const std::string& refusal)
{
    if (!refusal.empty())
        vexlar::sys::ShowOperatorMessage(refusal, vexlar::sys::kErrorTitle);
}

}  // namespace vexlar::test
