// The log view's commands, one family per source file, each working on the log view it
// is given (CommandHost). The log window routes the view's menu commands and accelerators
// here (log_view_commands::OnCmdMsg), and the view's signals reach them through
// log_view_commands::Attach. GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "res/CommandIds.h"
#include "view/CommandHost.h"

class CQuorvixView;
class DisplayList;
class LineStore;

// The log view's command route (LogViewCommands.cpp).
namespace log_view_commands {
// The log view's menu commands: Copy, Find, Clear Sel, Save As, Options, Bookmark, Next
// Mark, Analyze, Bookmarks, Follow. Whether `id` is one of them; runs it when `execute` is set.
bool OnCmdMsg(CommandHost& view, int id, bool execute);
// Answers the view's signals: a double click opens the line editor, a selection change
// shows the caret line and writes an edit back, Delete deletes the selected lines, Enter
// writes an edit back. Once, when the view is made.
void Attach(CQuorvixView& view);
} // namespace log_view_commands

// Level filter and Options dialog (FilterCommands.cpp).
namespace filter_commands {
// Options (32772): the dialog, and a rebuild of the list when the choice changed.
void OnOptions(CommandHost& host);
// Filter Bar (Ctrl+Shift+L, 32781): shows the bar of the log's text filters, or hides it.
void OnFilterBar(CommandHost& host);
} // namespace filter_commands

// Find (FindCommands.cpp).
namespace find_commands {
// Find (57636): the Find dialog with Find All, selecting and (by default) bookmarking
// every line that holds the text.
void OnFind(CommandHost& host);
} // namespace find_commands

// Bookmarks (BookmarkCommands.cpp).
namespace bookmark_commands {
// Bookmark (F2, 32773): toggles the bookmark of the caret line.
void OnBookmark(CommandHost& host);
// Next Mark (F3, 32774): selects the current mark and moves it to the next bookmark.
void OnNextMark(CommandHost& host);
// Bookmarks (Ctrl+Shift+B, 32776): fills the marks view.
void OnShowBookmarks(CommandHost& host);
} // namespace bookmark_commands

// Copy and clear (ClipboardCommands.cpp).
namespace clipboard_commands {
// Puts the lines of `list` at `indices` (ascending), each followed by a line feed, on the
// clipboard as plain text: each line that is valid UTF-8 as it is, any other as Latin-1.
// Copy and the marks view's Copy Bookmarks both go through it. `store`, the store the
// list's lines refer to, is kept by the clipboard as long as it holds the copy; the text
// is made when a program pastes. Returns false when the clipboard could not take it.
// Throws std::bad_alloc when memory runs out before the clipboard was changed.
bool CopyLinesToClipboard(const DisplayList& list, const std::vector<int>& indices,
                          std::shared_ptr<const LineStore> store);
// True, having told the user, when the lines of `list` are read from a file that another
// program changed since: Copy and Save then make nothing of them (they read empty).
bool RefusedForChangedSource(const DisplayList& list, QWidget* parent);
// Copy (57634): the selected lines to the clipboard.
void OnCopy(CommandHost& host);
// Clear Sel (57633).
void OnClearSel(CommandHost& host);
} // namespace clipboard_commands

// Save (SaveCommands.cpp): every line of the list, in text mode, to a file; the selection
// goes first. A file that cannot be written is told, with the system's reason, and left as
// it was.
namespace save_commands {
// Save As (57604): to a file the user chooses, then the offer to open it.
void OnSaveAs(CommandHost& host);
// The document's save step (File Save): to `path`. Clears the modified flag on success;
// false when nothing was written (an empty list, or a failure).
//
// Both refuse, and say so, while the list is not whole yet (the log loads, or the list is
// being rebuilt): a save then would replace the log with a part of it. Before either
// replaces the log's own file when that changed since the view read it (another program
// may still be writing it), the user is asked, No by default; No writes nothing there and
// offers Save As to another name instead.
bool SaveDocument(CommandHost& host, const QString& path);
// Tells the user, and returns true, while the list of `host` is not whole yet.
bool RefusedWhileIncomplete(CommandHost& host);
} // namespace save_commands

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
// The status text for the caret line, "[index] text\n"; the idle text when the list is
// empty. Every command that moves the caret or removes lines calls it, as a selection
// change by the user does.
void ShowCaretLine(CommandHost& host);
} // namespace edit_commands
