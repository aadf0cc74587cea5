// The command ids of the menus, the shortcuts and the tool bar: one list for the frames,
// the application and the log view's commands (commands/Commands.h), and for the command
// table the frames make their actions from (res::GetCommands, FrameResources.h).
#pragma once

// The frames, the documents and the application.
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

// The log view's commands.
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_EDIT_CLEAR = 57633;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_VIEW_OPTIONS = 32772;
inline constexpr int ID_EDIT_BOOKMARK = 32773;
inline constexpr int ID_EDIT_NEXTMARK = 32774;
inline constexpr int ID_OPTIONS_ANALYZE = 32775;
inline constexpr int ID_VIEW_BOOKMARKS = 32776;
inline constexpr int ID_VIEW_FOLLOW = 32780;
inline constexpr int ID_VIEW_FILTERBAR = 32781;
