#include <algorithm>
#include <map>
#include <stdexcept>

#include "res/FrameResources.h"

namespace res {

namespace {

MenuItem Item(int id, bool grayed = false) {
    return MenuItem{MenuItem::Kind::Command, {}, id, grayed, {}};
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
                  Item(ID_FILE_OPEN),
                  Separator(),
                  Item(ID_FILE_PRINT_SETUP, true),
                  Separator(),
                  Item(ID_FILE_MRU_FILE1, true),
                  Separator(),
                  Item(ID_APP_EXIT),
              }),
        Popup("&View",
              {
                  Item(ID_VIEW_TOOLBAR),
                  Item(ID_VIEW_STATUS_BAR),
              }),
        Popup("&Help",
              {
                  Item(ID_HELP_README),
                  Item(ID_APP_ABOUT),
              }),
    };

    // While a log window is active.
    menus[IDR_QUORVIXTYPE] = {
        Popup("&File",
              {
                  Item(ID_FILE_OPEN),
                  Item(ID_FILE_CLOSE),
                  Item(ID_FILE_SAVE),
                  Item(ID_FILE_SAVE_AS),
                  Separator(),
                  Item(ID_FILE_PRINT, true),
                  Item(ID_FILE_PRINT_PREVIEW, true),
                  Item(ID_FILE_PRINT_SETUP, true),
                  Separator(),
                  Item(ID_FILE_MRU_FILE1, true),
                  Separator(),
                  Item(ID_APP_EXIT),
              }),
        Popup("&Edit",
              {
                  Item(ID_EDIT_COPY),
                  Separator(),
                  Item(ID_EDIT_FIND),
                  Item(ID_EDIT_CLEAR),
                  Separator(),
                  Item(ID_EDIT_BOOKMARK),
                  Item(ID_EDIT_NEXTMARK),
              }),
        Popup("&View",
              {
                  Item(ID_VIEW_TOOLBAR),
                  Item(ID_VIEW_STATUS_BAR, true),
                  Separator(),
                  Item(ID_VIEW_OPTIONS),
                  Item(ID_VIEW_BOOKMARKS),
                  Item(ID_VIEW_FOLLOW),
                  Item(ID_VIEW_FILTERBAR),
              }),
        Popup("&Window",
              {
                  Item(ID_WINDOW_CASCADE),
                  Item(ID_WINDOW_TILE_HORZ),
              }),
        Popup("&Options",
              {
                  Item(ID_OPTIONS_ANALYZE),
              }),
        Popup("&Help",
              {
                  Item(ID_HELP_README),
                  Item(ID_APP_ABOUT),
              }),
    };
    return menus;
}

} // namespace

const std::vector<Command>& GetCommands() {
    static const std::vector<Command> commands = {
        {ID_FILE_OPEN, "&Open...", "Ctrl+O", "Open an existing document", "Open"},
        {ID_FILE_CLOSE, "&Close", "", "Close the active document", "Close"},
        {ID_FILE_SAVE, "&Save", "Ctrl+S", "Save the active document", "Save"},
        {ID_FILE_SAVE_AS, "Save &As...", "", "Save the active document with a new name", "Save As"},
        {ID_FILE_PRINT_SETUP, "P&rint Setup...", "", "Change the printer and printing options",
         "Print Setup"},
        {ID_FILE_PRINT, "&Print...", "Ctrl+P", "Print the active document", "Print"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "", "Display full pages", "Print Preview"},
        {ID_FILE_MRU_FILE1, "Recent File", "", "Open this document", ""},
        {ID_FILE_MRU_FILE1 + 1, "", "", "Open this document", ""},
        {ID_FILE_MRU_FILE1 + 2, "", "", "Open this document", ""},
        {ID_FILE_MRU_FILE1 + 3, "", "", "Open this document", ""},
        {ID_APP_EXIT, "E&xit", "", "Quit the application; prompts to save documents", "Exit"},
        {ID_EDIT_CLEAR, "Clear Sel", "", "Clear all Selection", "Clear Sel"},
        {ID_EDIT_COPY, "&Copy", "Ctrl+C", "Copy the selection and put it on the Clipboard", "Copy"},
        {ID_EDIT_FIND, "&Find", "Ctrl+F", "Find the specified text", "Find"},
        {ID_EDIT_BOOKMARK, "&Bookmark", "F2", "Toggle Bookmark for Sel", "Bookmark"},
        {ID_EDIT_NEXTMARK, "&Next Mark", "F3", "Find next Bookmark", "Next Mark"},
        {ID_VIEW_TOOLBAR, "&Toolbar", "", "Show or hide the toolbar", "Toggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar", "", "Show or hide the status bar", "Toggle StatusBar"},
        {ID_VIEW_OPTIONS, "&Options", "Ctrl+Shift+O", "Change view options", "View Options"},
        {ID_VIEW_BOOKMARKS, "&Bookmarks", "Ctrl+Shift+B", "View all Bookmarks", "Show bookmarks"},
        {ID_VIEW_FOLLOW, "&Follow", "Ctrl+Shift+F",
         "Keep the end of the log in sight as lines are added to its file", "Follow"},
        {ID_VIEW_FILTERBAR, "F&ilter Bar", "Ctrl+Shift+L",
         "Show or hide the filters that hide lines by their text", "Filter Bar"},
        {ID_WINDOW_CASCADE, "&Cascade", "", "Arrange windows so they overlap", "Cascade Windows"},
        {ID_WINDOW_TILE_HORZ, "&Tile", "", "Arrange windows as non-overlapping tiles", "Tile Windows"},
        {ID_NEXT_PANE, "", "F6", "Switch to the next window pane", "Next Pane"},
        {ID_PREV_PANE, "", "Shift+F6", "Switch back to the previous window pane", "Previous Pane"},
        {ID_OPTIONS_ANALYZE, "&Analyze", "Ctrl+A", "Analyze Log", "Analyze"},
        {ID_HELP_README, "&Readme", "", "Display readme information", "Readme"},
        {ID_APP_ABOUT, "&About Quorvix...", "", "Display program information and version", "About"},
    };
    return commands;
}

const Command* FindCommand(int id) {
    const std::vector<Command>& commands = GetCommands();
    const auto it =
        std::find_if(commands.begin(), commands.end(), [id](const Command& c) { return c.id == id; });
    return it == commands.end() ? nullptr : &*it;
}

const std::vector<MenuItem>& GetMenu(int id) {
    static const std::map<int, std::vector<MenuItem>> menus = MakeMenus();
    return menus.at(id);
}

const std::vector<int>& GetToolBarButtons() {
    static const std::vector<int> buttons = {
        ID_FILE_OPEN,  0, ID_EDIT_FIND, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_VIEW_FOLLOW, 0,
        ID_FILE_PRINT, 0, ID_APP_ABOUT,
    };
    return buttons;
}

} // namespace res
