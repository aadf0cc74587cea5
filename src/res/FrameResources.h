// Resources of the main frame and the log windows: resource and command ids, the menus,
// the accelerator table, the tool bar, the command strings (status-bar prompt and tool
// tip) and the control ids of the About box and the two form views.
//
// All of it is plain data without Qt, read by the frames that build their menus and
// bars from it. The commands of the log view keep their ids in commands/Commands.h; the
// tables here use the same numbers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Resource ids: 128 the main frame (its menu, accelerators, tool bar, icon and caption),
// 129 the log windows (their menu, icon and the document strings).
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_QUORVIXTYPE = 129;

// Commands handled by the frames, the documents and the application. The log view's own
// commands (Copy, Find, Save As, Options ...) are listed in commands/Commands.h.
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
// The recent-file list: entry n (0-based) is ID_FILE_MRU_FILE1 + n.
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_FILE_MRU_LAST = ID_FILE_MRU_FILE1 + 3;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE_HORZ = 57651;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_HELP_README = 32779;
// Status-bar panes: the message pane, then the key-state indicators.
inline constexpr int ID_SEPARATOR = 0;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;
// The windows of the Window menu's list: the first log window, the second ...
inline constexpr int AFX_IDM_FIRST_MDICHILD = 0xFF00;

// Controls of the log view's form (template 101).
inline constexpr int IDC_LOG_LIST = 1015;
inline constexpr int IDC_LINE_EDITOR = 1011;
// Controls of the marks view's form (template 143).
inline constexpr int IDC_MARKS_LIST = 1015;
inline constexpr int IDC_MARKS_REFRESH = 1017;
inline constexpr int IDC_MARKS_COPY = 1018;
inline constexpr int IDC_MARKS_REMOVE = 1019;
inline constexpr int IDC_MARKS_INSERT_BREAK = 1020;
inline constexpr int IDC_MARKS_DELETE_BREAK = 1021;

namespace res {

// One entry of a menu: a command item, a separator, or a popup with items of its own.
struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    // UTF-8; "&" marks the mnemonic; text after a "\t" is the accelerator shown.
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

struct Accelerator {
    std::string keys; // portable key sequence text: "Ctrl+Shift+B", "F2", "Shift+F6"
    int id;
};
// Accelerator table 128.
const std::vector<Accelerator>& GetAccelerators();

// Tool bar 128: command ids in order, 0 for a separator.
const std::vector<int>& GetToolBarButtons();

// The string-table entry of command `id`: "prompt\ntip" (either part may be empty), or an
// empty view when the command has none.
std::string_view GetCommandString(int id);
// The parts of that entry before and after its line feed.
std::string_view CommandPrompt(int id);
std::string_view CommandTip(int id);

} // namespace res
