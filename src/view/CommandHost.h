// CommandHost: what the log view's commands need of the log view and its surroundings.
//
// The commands (filter, find, bookmarks, copy/save/clear, analyze, line editing) work on
// the log view they are given through this interface, so each family lives in a file of
// its own and is tested on a stand-in host. CQuorvixView implements it. Every member is
// called on the GUI thread.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

#include "core/FileState.h"

class CLogViewCore;
class CLogListBox;
class CListBox;
class CFilterBar;
class QWidget;
class QLineEdit;

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // The log view's model: the line store, level filter, bookmarks, current mark and the
    // in-place edit state.
    virtual CLogViewCore& Core() = 0;
    // The log list (control 1015); its model is Core()'s display list.
    virtual CLogListBox& LogList() = 0;
    // The list of the marks view beside this log view, or null when there is none.
    virtual CListBox* MarksList() = 0;
    // Refills the marks view from the bookmarks (the marks view's Refresh).
    virtual void RefreshMarks() = 0;
    // The widget dialogs and message boxes are shown over.
    virtual QWidget* DialogParent() = 0;
    // The in-place line editor (control 1011).
    virtual QLineEdit* LineEditor() = 0;
    // The bar of the log's text filters, or null when the view has none.
    virtual CFilterBar* FilterBar() { return nullptr; }

    // Rebuilds the log list from the store with a progress dialog (bound: stored lines
    // x 100, step 10 per line). First, at once, empties the log list, the marks list and
    // the bookmarks and drops an edit in progress: indices mean nothing once the list is
    // rebuilt. While the log still loads, or another rebuild runs, the rebuild waits until
    // that has ended. Returns at once.
    virtual void StartRefill() = 0;
    // True while the log's file is still being read.
    virtual bool IsLoading() const = 0;
    // True while the log list does not hold every line it is to show: the log still loads,
    // or a rebuild of the list runs or waits to run. A save then would write a part.
    virtual bool IsListIncomplete() const = 0;
    // The log's own file (the document's path), and its state when the view last read it:
    // nothing until a load has read it to its end.
    virtual QString SourcePath() const = 0;
    virtual std::optional<FileState> SourceState() const = 0;
    // Follow: lines that arrive as the log's file grows keep the end in sight while the
    // caret is on the last line.
    virtual void SetFollow(bool follow) = 0;
    virtual bool IsFollowing() const = 0;
    // The list was just saved to `path`. When that is the log's own file, the view knows it
    // from now on as saved: the save is what it last read.
    virtual void OnListSaved(const QString& path) = 0;

    // The text of the main frame's message pane.
    virtual void SetStatusText(const QString& text) = 0;
    // The document's modified flag.
    virtual bool IsModified() const = 0;
    virtual void SetModifiedFlag(bool modified) = 0;
    // Shows the file this log view's lines were just saved to, as it now is on disk, in a
    // new log window. A window already open on `path` shows the file as it was, so it goes
    // first: this view's own window (its lines are what was saved), or another one, whose
    // unsaved changes go only when the user agrees (else it stays as it is, brought forward).
    // Without `newWindow` (the user did not ask to see it) only a window of another log
    // already open on `path` is renewed, so that it does not take the file for a rotation.
    virtual void OpenSavedFile(const QString& path, bool newWindow) = 0;
    // The wait cursor around long work on the GUI thread.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};
