// The log view's commands, one family per source file, each working on the log view it
// is given (CommandHost). The log view routes its menu commands, accelerators, private
// messages and list notifications here. GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/CommandHost.h"

class DisplayList;

// Command ids of the log view's commands (menus, accelerators, tool bar).
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

// Level filter and Options dialog (FilterCommands.cpp).
namespace filter_commands {
// Options (32772): the dialog, and a rebuild of the list when the choice changed.
void OnOptions(CommandHost& host);
} // namespace filter_commands

// Find (FindCommands.cpp).
namespace find_commands {
// Find (57636): the Find dialog with Find All, selecting and (by default) bookmarking
// every line that holds the text.
void OnFind(CommandHost& host);
// Every line of `list`, ascending, that the list's search (DisplayList::FindLine) finds
// for at least one of `needles`. A long list is searched by one thread a processor, each
// its own run of lines.
std::vector<int> LinesHoldingAny(const DisplayList& list, const std::vector<std::string_view>& needles);
} // namespace find_commands

// Bookmarks (BookmarkCommands.cpp).
namespace bookmark_commands {
// Bookmark (F2, 32773): toggles the bookmark of the caret line.
void OnBookmark(CommandHost& host);
// Next Mark (F3, 32774): selects the current mark and moves it to the next bookmark.
void OnNextMark(CommandHost& host);
// Bookmarks (Ctrl+Shift+B, 32776): fills the marks view.
void OnShowBookmarks(CommandHost& host);
// UM_ADD_BOOKMARK: bookmarks line `index` unless it already is.
LRESULT OnAddBookmark(CommandHost& host, int index);
// Moves the current mark past the bookmarked line `index`.
void AdvanceMark(CommandHost& host, int index);

// Bookmarks that Find All and Analyze add in bulk through UM_ADD_BOOKMARK. While a batch
// is open for a host, new bookmarks are appended, and each ascending run of them is merged
// into m_bookmarks in one pass when the run ends or the batch closes. Inserting every line
// at its place instead would shift the array once per line: quadratic when many lines are
// found before existing bookmarks. m_bookmarks is in order again whenever the command that
// opened the batch looks at it (Flush) and when the batch closes. Batches of one host nest.
class BookmarkBatch {
public:
    explicit BookmarkBatch(CommandHost& host);
    ~BookmarkBatch();
    BookmarkBatch(const BookmarkBatch&) = delete;
    BookmarkBatch& operator=(const BookmarkBatch&) = delete;

    // Puts m_bookmarks in ascending order now.
    void Flush();
    // Takes one new bookmark (UM_ADD_BOOKMARK's handler calls it).
    void Add(uint32_t index);
    // The innermost open batch of `core`, or null.
    static BookmarkBatch* Open(const CLogViewCore& core);

private:
    CLogViewCore& m_core;
    // m_bookmarks[0, m_sorted) is ascending; what follows is the current run, ascending too.
    size_t m_sorted;
    BookmarkBatch* m_outer;
};
} // namespace bookmark_commands

// Copy, save and clear (ClipboardCommands.cpp).
namespace clipboard_commands {
// Puts the lines of `list` at `indices` (ascending), each followed by a line feed, on the
// clipboard as plain text. Returns false when the clipboard could not take it. Throws
// std::bad_alloc when memory runs out before the clipboard was changed.
bool CopyLinesToClipboard(const DisplayList& list, const std::vector<int>& indices);
// Copy (57634): the selected lines to the clipboard.
void OnCopy(CommandHost& host);
// Clear Sel (57633).
void OnClearSel(CommandHost& host);
// Save As (57604): every line of the list to a file the user chooses.
void OnSaveAs(CommandHost& host);
// The document's save step (File Save): every line of the list to `path`. Returns false
// (after telling the user) when the file could not be written.
bool SaveDocument(CommandHost& host, const QString& path);
} // namespace clipboard_commands

// Analyze (AnalyzeCommands.cpp).
namespace analyze_commands {
// Analyze (Ctrl+A, 32775): selects and bookmarks every line holding a keyword of a level.
void OnAnalyze(CommandHost& host);
} // namespace analyze_commands

// Line editing, deletion and status text (EditCommands.cpp).
namespace edit_commands {
// Double click on the log list: opens the in-place editor over the caret line.
void BeginLineEdit(CommandHost& host);
// Enter, or a selection change: writes the edit back when `target` is the editor.
bool CommitLineEdit(CommandHost& host, const QWidget* target);
// Delete: removes the selected lines from the list.
bool DeleteSelectedLines(CommandHost& host);
// Selection change of the log list: the status text, then the edit is written back.
void OnLogSelChange(CommandHost& host);
} // namespace edit_commands
