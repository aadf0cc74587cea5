#include <map>
#include <stdexcept>

#include "res/FrameResources.h"

namespace res {

namespace {

MenuItem Item(std::string caption, int id, bool grayed = false) {
    return MenuItem{MenuItem::Kind::Command, std::move(caption), id, grayed, {}};
}

MenuItem Separator() {
    return MenuItem{MenuItem::Kind::Separator, {}, 0, false, {}};
}

MenuItem Popup(std::string caption, std::vector<MenuItem> items) {
    return MenuItem{MenuItem::Kind::Popup, std::move(caption), 0, false, std::move(items)};
}

std::map<int, std::vector<MenuItem>> MakeMenus() {
    std::map<int, std::vector<MenuItem>> menus;

    // While no log window is open.
    menus[IDR_MAINFRAME] = {
        Popup("&File",
              {
                  Item("&Open...\tCtrl+O", ID_FILE_OPEN),
                  Separator(),
                  Item("P&rint Setup...", ID_FILE_PRINT_SETUP, true),
                  Separator(),
                  Item("Recent File", ID_FILE_MRU_FILE1, true),
                  Separator(),
                  Item("E&xit", ID_APP_EXIT),
              }),
        Popup("&View",
              {
                  Item("&Toolbar", ID_VIEW_TOOLBAR),
                  Item("&Status Bar", ID_VIEW_STATUS_BAR),
              }),
        Popup("&Help",
              {
                  Item("&Readme", ID_HELP_README),
                  Item("&About Quorvix...", ID_APP_ABOUT),
              }),
    };

    // While a log window is active.
    menus[IDR_QUORVIXTYPE] = {
        Popup("&File",
              {
                  Item("&Open...\tCtrl+O", ID_FILE_OPEN),
                  Item("&Close", ID_FILE_CLOSE),
                  Item("&Save", 57603),
                  Item("Save &As...", 57604),
                  Separator(),
                  Item("&Print...\tCtrl+P", ID_FILE_PRINT, true),
                  Item("Print Pre&view", ID_FILE_PRINT_PREVIEW, true),
                  Item("P&rint Setup...", ID_FILE_PRINT_SETUP, true),
                  Separator(),
                  Item("Recent File", ID_FILE_MRU_FILE1, true),
                  Separator(),
                  Item("E&xit", ID_APP_EXIT),
              }),
        Popup("&Edit",
              {
                  Item("&Copy\tCtrl+C", 57634),
                  Separator(),
                  Item("&Find\tCtrl+F", 57636),
                  Item("Clear Sel", 57633),
                  Separator(),
                  Item("&Bookmark\tF2", 32773),
                  Item("&Next Mark\tF3", 32774),
              }),
        Popup("&View",
              {
                  Item("&Toolbar", ID_VIEW_TOOLBAR),
                  Item("&Status Bar", ID_VIEW_STATUS_BAR, true),
                  Separator(),
                  Item("&Options\tCtrl+Shft+O", 32772),
                  Item("&Bookmarks\tCtrl+Shft+B", 32776),
                  Item("&Follow\tCtrl+Shft+F", 32780),
                  Item("F&ilter Bar\tCtrl+Shft+L", 32781),
              }),
        Popup("&Window",
              {
                  Item("&Cascade", ID_WINDOW_CASCADE),
                  Item("&Tile", ID_WINDOW_TILE_HORZ),
              }),
        Popup("&Options",
              {
                  Item("&Analyze\tCtrl+A", 32775),
              }),
        Popup("&Help",
              {
                  Item("&Readme", ID_HELP_README),
                  Item("&About Quorvix...", ID_APP_ABOUT),
              }),
    };
    return menus;
}

} // namespace

const std::vector<MenuItem>& GetMenu(int id) {
    static const std::map<int, std::vector<MenuItem>> menus = MakeMenus();
    return menus.at(id);
}

const std::vector<Accelerator>& GetAccelerators() {
    static const std::vector<Accelerator> table = {
        {"Ctrl+A", 32775},          {"Ctrl+Shift+B", 32776}, {"Ctrl+Shift+F", 32780}, {"Ctrl+C", 57634},
        {"Ctrl+F", 57636},          {"Ctrl+O", 57601},       {"Ctrl+Shift+O", 32772}, {"Ctrl+P", 57607},
        {"Ctrl+S", 57603},          {"F2", 32773},           {"F3", 32774},           {"F6", ID_NEXT_PANE},
        {"Shift+F6", ID_PREV_PANE}, {"Ctrl+Shift+L", 32781},
    };
    return table;
}

const std::vector<int>& GetToolBarButtons() {
    static const std::vector<int> buttons = {
        ID_FILE_OPEN, 0, 57636, 57634, 57633, 32780, 0, ID_FILE_PRINT, 0, ID_APP_ABOUT,
    };
    return buttons;
}

std::string_view GetCommandString(int id) {
    static const std::map<int, std::string_view> strings = {
        {ID_FILE_OPEN, "Open an existing document\nOpen"},
        {ID_FILE_CLOSE, "Close the active document\nClose"},
        {57603, "Save the active document\nSave"},
        {57604, "Save the active document with a new name\nSave As"},
        {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
        {ID_FILE_PRINT, "Print the active document\nPrint"},
        {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
        {ID_FILE_MRU_FILE1, "Open this document"},
        {ID_FILE_MRU_FILE1 + 1, "Open this document"},
        {ID_FILE_MRU_FILE1 + 2, "Open this document"},
        {ID_FILE_MRU_FILE1 + 3, "Open this document"},
        {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {57633, "Clear all Selection\nClear Sel"},
        {57634, "Copy the selection and put it on the Clipboard\nCopy"},
        {57636, "Find the specified text\nFind"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
        {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
        {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
        {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
        {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
        {ID_APP_ABOUT, "Display program information and version\nAbout"},
        {32772, "Change view options\nView Options"},
        {32773, "Toggle Bookmark for Sel\nBookmark"},
        {32774, "Find next Bookmark\nNext Mark"},
        {32775, "Analyze Log\nAnalyze"},
        {32776, "View all Bookmarks\nShow bookmarks"},
        {32780, "Keep the end of the log in sight as lines are added to its file\nFollow"},
        {32781, "Show or hide the filters that hide lines by their text\nFilter Bar"},
        {ID_HELP_README, "Display readme information\nReadme"},
    };
    const auto it = strings.find(id);
    return it == strings.end() ? std::string_view() : it->second;
}

std::string_view CommandPrompt(int id) {
    const std::string_view text = GetCommandString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view CommandTip(int id) {
    const std::string_view text = GetCommandString(id);
    const size_t lf = text.find('\n');
    return lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
}

} // namespace res
