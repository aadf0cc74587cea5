// Resources of the main frame and the log windows: resource ids, the command table (each
// command's caption, shortcut, status-bar prompt and tool tip), the menus and the tool bar
// as lists of command ids, and the control ids of the two form views.
//
// All of it is plain data without Qt, read by the frames that make one action per command
// from it. The command ids are in res/CommandIds.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "res/CommandIds.h"

// Resource ids: 128 the main frame (its menu, accelerators, tool bar, icon and caption),
// 129 the log windows (their menu, icon and the document strings).
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_QUORVIXTYPE = 129;

// Status-bar panes: the message pane, then the key-state indicators.
inline constexpr int ID_SEPARATOR = 0;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;
// The windows of the Window menu's list: the first log window, the second ...
inline constexpr int AFX_IDM_FIRST_MDICHILD = 0xFF00;

// Controls of the log view's form.
inline constexpr int IDC_LOG_LIST = 1015;
inline constexpr int IDC_LINE_EDITOR = 1011;
// Controls of the marks view's form.
inline constexpr int IDC_MARKS_LIST = 1015;
inline constexpr int IDC_MARKS_REFRESH = 1017;
inline constexpr int IDC_MARKS_COPY = 1018;
inline constexpr int IDC_MARKS_REMOVE = 1019;
inline constexpr int IDC_MARKS_INSERT_BREAK = 1020;
inline constexpr int IDC_MARKS_DELETE_BREAK = 1021;

namespace res {

// One command: what its action shows and the key that runs it.
struct Command {
    int id = 0;
    // The menu caption, UTF-8; "&" marks the mnemonic. The shortcut is shown beside it.
    std::string_view caption;
    // Portable key sequence text ("Ctrl+Shift+B", "F2"); empty for none.
    std::string_view shortcut;
    // The status-bar prompt and the tool tip; either may be empty.
    std::string_view prompt;
    std::string_view tip;
};

// Every command, each once.
const std::vector<Command>& GetCommands();
// Command `id`, or null when there is none.
const Command* FindCommand(int id);

// One entry of a menu: a command item, a separator, or a popup with items of its own.
struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    // A popup's caption, UTF-8; a command item shows its command's.
    std::string caption;
    int id = 0;
    // The item's state as the resource gives it; at run time an item is enabled exactly
    // when some target on the command route handles it.
    bool grayed = false;
    std::vector<MenuItem> items;
};

// The popups of menu `id` (128 or 129) in menu-bar order; throws std::out_of_range for
// any other id.
const std::vector<MenuItem>& GetMenu(int id);

// Tool bar 128: command ids in order, 0 for a separator.
const std::vector<int>& GetToolBarButtons();

} // namespace res
