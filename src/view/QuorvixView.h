// CQuorvixView: the log view, the left pane of every log window.
//
// A widget that holds the filter bar, the log list (the coloured list of the log's lines)
// and the hidden in-place line editor. It checks that its file can be read, has it read
// (CLogReader) and rebuilt (CListRebuild), keeps the log list filling the view and the end
// in sight while following, and tells what happened by signals: what the user did to its
// list, and what the window around it should do (status text, modified, show or close the
// window, show a saved file, the marks). It holds no pointer to its window, document or
// application: their owner connects the signals. It is the CommandHost of the command
// families that sit above it (commands/Commands.h).
//
// Ownership: the log window owns the view (as a child widget); the view owns its controls
// (Qt children), its core with the line store, the log list's model and the bookmarks, its
// reader and its rebuild. The marks list it is given belongs to the window.
//
// GUI thread only. A refill waits while the log loads or another refill runs. The view
// stops and joins the reader before it frees the store. Memory running out ends one
// operation, never the program: a load or a rebuild keeps the lines it has and says so.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/LogViewCore.h"
#include "platform/ListBox.h"
#include "view/CommandHost.h"
#include "view/ListRebuild.h"
#include "view/LogReader.h"

class CQuorvixView : public QWidget, public CommandHost {
    Q_OBJECT

public:
    // A view of the log at `path`.
    explicit CQuorvixView(const QString& path, QWidget* parent = nullptr);
    ~CQuorvixView() override;

    // Once, after the log window was built and the signals connected: probes the file, then
    // either asks to be shown and starts the load (from the event loop), or reports a
    // missing, empty or unreadable file and asks for its window to close.
    void OnInitialUpdate();
    // Stops and joins the reader, stops a rebuild and frees the line store. The log window
    // calls it as it goes, the destructor too; a second call does nothing more.
    void OnDestroy();

    // The document's path, when it changes (a save under another name).
    void SetSourcePath(const QString& path) { m_path = path; }
    // The marks list beside the view, or null; the window that owns it sets it.
    void SetMarksList(CListBox* marks) { m_marks = marks; }

    // CommandHost
    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_marks.data(); }
    void RefreshMarks() override { emit MarksRefreshWanted(); }
    QWidget* DialogParent() override { return this; }
    QLineEdit* LineEditor() override { return m_editor; }
    CFilterBar* FilterBar() override { return m_filterBar; }
    void StartRefill() override;
    bool IsLoading() const override { return m_reader.IsLoading(); }
    bool IsListIncomplete() const override { return IsLoading() || IsRefilling() || IsRefillPending(); }
    QString SourcePath() const override { return m_path; }
    std::optional<FileState> SourceState() const override { return m_reader.SourceState(); }
    void OnListSaved(const QString& path) override;
    void SetStatusText(const QString& text) override { emit StatusTextChanged(text); }
    bool IsModified() const override { return m_modified; }
    void SetModifiedFlag(bool modified) override;
    void OpenSavedFile(const QString& path, bool newWindow) override {
        emit SavedFileToShow(path, newWindow);
    }
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // Closes the in-place editor without writing it back (a rebuild of the list is coming,
    // and the line it edits will be gone).
    void AbandonLineEdit();

    // Follow (View menu): while on and the caret is on the last line in sight, lines that
    // arrive take the caret along and stay in sight. Turning it on goes to the end.
    void SetFollow(bool follow) override;
    bool IsFollowing() const override { return m_follow; }

    // The state of loading and refilling, for the windows around the view and for tests.
    CTraceWnd* ReaderWindow() const { return m_reader.Reader(); }
    bool IsLoadDone() const { return m_reader.IsLoadDone(); }
    bool IsRefilling() const { return m_rebuild.IsRunning(); }
    bool IsRefillPending() const { return m_rebuild.IsPending(); }
    CProgressDlg* RefillProgress() const { return m_rebuild.Progress(); }

signals:
    // What the user did to the log list and its editor; the view's commands
    // (commands/Commands.h, log_view_commands::Attach) answer them.
    void LogListDoubleClicked();
    void LogListSelectionChanged();
    // Delete on the log list (not in the editor), Enter on `target`.
    void DeleteKeyPressed();
    void EnterKeyPressed(QWidget* target);

    // What the window around the view is to do or show.
    void StatusTextChanged(const QString& text);
    void ModifiedChanged(bool modified);
    // The file is there and loads: the window shows.
    void ShowWanted();
    // The file cannot be shown (told already): the window closes once control is back in
    // the event loop. `forget`: it is missing or empty, and leaves the recent-file list.
    void CloseWanted(bool forget);
    // Save As, answered: see CommandHost::OpenSavedFile.
    void SavedFileToShow(const QString& path, bool newWindow);
    // The marks view is to show the bookmarks (Bookmarks command).
    void MarksRefreshWanted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Delete and Enter on the log list or the line editor (the view's own key routing).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnStartLoad();
    void OnLoadEnded();
    void OnSize();
    void OnLogListNotify(int code);
    // A rebuild that waited runs once neither the load nor another rebuild does.
    void RunPendingRefill();
    void RunRefill();
    void OnRefillFinished(bool outOfMemory, int shown);
    // Empties the log list, the marks list and the bookmarks, and drops an edit.
    void ResetForRebuild();
    // Follow keeps the end in sight as lines arrive.
    void OnLinesTaken();
    // The file was cut short under a log read from it: the list starts again.
    void OnLinesLost();
    // A warning box over the view, from the event loop.
    void Warn(const QString& text);

    QString m_path;
    // The store, the log list's model and the bookmarks; the list widget observes the model.
    CLogViewCore m_core;
    CLogListBox* m_logList;        // control 1015
    QLineEdit* m_editor = nullptr; // control 1011
    CFilterBar* m_filterBar;       // above the log list, hidden until asked for
    QPointer<CListBox> m_marks;
    CLogReader m_reader;
    CListRebuild m_rebuild;
    bool m_modified = false;
    bool m_destroyed = false; // OnDestroy has run
    int m_waitCursors = 0;
    bool m_follow = false;
    // Items of the list when the reader's last lines were taken.
    int m_countSeen = 0;
};
