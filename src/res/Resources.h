// The program's resources: control ids of the forms and the texts the user sees.
#pragma once

// Control ids.
inline constexpr int IDC_PROGRESS = 1021;
// Options: the check boxes of the filter entries 0 ("Raw") to 10 (level 10).
inline constexpr int IDC_OPTIONS_LEVEL0 = 1019;
inline constexpr int IDC_OPTIONS_LEVEL1 = 1013;
inline constexpr int IDC_OPTIONS_LEVEL2 = 1014;
inline constexpr int IDC_OPTIONS_LEVEL3 = 1015;
inline constexpr int IDC_OPTIONS_LEVEL4 = 1016;
inline constexpr int IDC_OPTIONS_LEVEL5 = 1017;
inline constexpr int IDC_OPTIONS_LEVEL6 = 1018;
inline constexpr int IDC_OPTIONS_LEVEL7 = 1020;
inline constexpr int IDC_OPTIONS_LEVEL8 = 1021;
inline constexpr int IDC_OPTIONS_LEVEL9 = 1022;
inline constexpr int IDC_OPTIONS_LEVEL10 = 1023;
// Find (130): the text to find and the "Bookmark Found" box.
inline constexpr int IDC_FIND_WHAT = 1011;
inline constexpr int IDC_BOOKMARK_FOUND = 1016;
// Find: the search options, below "Bookmark Found".
inline constexpr int IDC_FIND_MATCH_CASE = 1024;
inline constexpr int IDC_FIND_WHOLE_WORD = 1025;
inline constexpr int IDC_FIND_REGEX = 1026;

namespace res {
inline constexpr const char* kAppName = "Quorvix";
inline constexpr const char* kProgressCaption = "Processing (please wait ...)";
// Options, copy, save and line editing.
inline constexpr const char* kRawCaption = "Raw";
inline constexpr const char* kNoLevelCaption = "N/A";
inline constexpr const char* kCopiedToClipboard = "Copied to Clipboard!";
inline constexpr const char* kSaveAsFilter = "Text Files (*.txt)|*.txt|All Files(*.*)|*.*||";
inline constexpr const char* kOpenSavedFile = "Do you want to open saved file (y/n)?";
// %1 the path, %2 the system's reason.
inline constexpr const char* kCannotSaveFile = "Cannot save \"%1\":\n%2";
// Memory ran out. %1: the number of lines.
inline constexpr const char* kCopyOutOfMemory =
    "not enough memory to copy %1 lines: the clipboard is unchanged";
inline constexpr const char* kSearchOutOfMemory = "not enough memory to search the log: no line was selected";
inline constexpr const char* kCannotDeleteWithBookmarks = "Cannot delete while bookmarks available!";
// The caret line in the status bar: %1 its index, %2 its text.
inline constexpr const char* kCaretLineStatus = "[%1] %2\n";
// Find and bookmarks.
inline constexpr const char* kFindNotFound = "Could not find search keyword!";
inline constexpr const char* kNoBookmarks = "No bookmarks set!!";
} // namespace res
