#pragma once
// Every command of the frame once: its id, menu text, status-bar prompt,
// tool tip and tool-bar icon; and the layout of the menu bar and the tool bar
// as lists of ids.

#include <span>

namespace vexlar {

struct CommandInfo {
    int id;
    const char* menuText;  // with its mnemonic and "\t" shortcut text; null when not in a menu
    const char* prompt;    // status-bar prompt
    const char* tip;       // tool tip; null when not on the tool bar
    const char* icon;      // tool-bar icon resource; null when not on the tool bar
    bool checkable;
};

// A separator in the menu and tool-bar lists.
constexpr int kSeparator = 0;

struct MenuInfo {
    const char* title;
    std::span<const int> items;
};

const CommandInfo* FindCommand(int id);
std::span<const CommandInfo> AllCommands();
std::span<const MenuInfo> MenuBarLayout();
std::span<const int> ToolBarLayout();

}  // namespace vexlar
