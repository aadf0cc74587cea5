// CQuorvixView: the log view, the left pane of every log window.
//
// A form on template 101 that holds the log list (the coloured list of the log's lines)
// and the hidden in-place line editor. It checks that its document's file exists, starts
// the reader window that loads the file, takes in the lines (the core, CLogViewCore),
// keeps the log list filling the view, opens files dropped onto it, rebuilds the log list
// from the stored lines a run at a time (the refill), and tells of the user's actions
// on its list (signals). It is the CommandHost of the command families that sit above it
// (commands/Commands.h): they route its menu commands and answer its signals.
//
// Ownership: the log window owns the view (as a child widget); the view owns its controls
// (Qt children), its core with the line store, the log list's model and the bookmarks,
// and its reader. What the view needs of its window, document and application it asks of
// its site.
//
// Threads: everything runs on the GUI thread except the reader's thread (inside
// CTraceWnd), which hands its batches over by queued calls. The rebuild runs on the GUI
// thread, a run of lines each turn of the event loop. A refill never runs while the log
// still loads or while another refill of the view runs (it waits until they end); lines
// that arrive meanwhile as the file grows go to the store only, and the refill shows them
// as it walks on. The view stops and joins the reader before it frees the store.
//
// Memory running out ends one operation, never the program: a load or a rebuild keeps
// the lines it has and tells the user how many, and a command says it could not finish.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "core/LogViewCore.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "platform/DialogTemplate.h"
#include "view/CommandHost.h"

// What the log view asks of the window, document and application around it. The log
// window provides it; it outlives the view's use of it (the window tears the view down
// first).
class CLogViewSite {
public:
    virtual ~CLogViewSite() = default;

    // The path the document was opened with.
    virtual QString DocumentPath() const = 0;
    virtual bool IsModified() const = 0;
    virtual void SetModifiedFlag(bool modified) = 0;
    // The marks view beside the log view: its list (null when there is none) and its refresh.
    virtual CListBox* MarksList() = 0;
    virtual void RefreshMarks() = 0;
    // The main frame's message pane.
    virtual void SetStatusText(const QString& text) = 0;
    // The application's OpenDocumentFile and RemoveRecentFile.
    virtual void OpenDocumentFile(const QString& path) = 0;
    // Save As: shows the saved file in a new log window (CommandHost::OpenSavedFile).
    virtual void OpenSavedFile(const QString& path, bool newWindow) = 0;
    virtual bool RemoveRecentFile(const QString& path) = 0;
    // Shows the log window, maximized.
    virtual void ShowFrame() = 0;
    // Closes the log window once control is back in the event loop.
    virtual void CloseFrame() = 0;
};

class CQuorvixView : public CFormView, public CommandHost {
    Q_OBJECT

public:
    explicit CQuorvixView(CLogViewSite& site, QWidget* parent = nullptr);
    ~CQuorvixView() override;

    // Once, after the log window was built: probes the file, then either shows the window
    // and starts the load (from the event loop), or reports a missing, empty or unreadable
    // file and closes the window (a missing or empty one also leaves the recent-file list).
    void OnInitialUpdate();
    // Stops and joins the reader, stops a rebuild and frees the line store. The log window
    // calls it as it goes, the destructor too; a second call does nothing more.
    void OnDestroy();

    // CommandHost
    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_site.MarksList(); }
    void RefreshMarks() override { m_site.RefreshMarks(); }
    QWidget* DialogParent() override { return this; }
    QLineEdit* LineEditor() override { return m_editor; }
    CFilterBar* FilterBar() override { return m_filterBar; }
    void StartRefill() override;
    bool IsLoading() const override;
    bool IsListIncomplete() const override { return IsLoading() || IsRefilling() || IsRefillPending(); }
    QString SourcePath() const override { return m_site.DocumentPath(); }
    std::optional<FileState> SourceState() const override { return m_sourceState; }
    void OnListSaved(const QString& path) override;
    void SetStatusText(const QString& text) override { m_site.SetStatusText(text); }
    bool IsModified() const override { return m_site.IsModified(); }
    void SetModifiedFlag(bool modified) override { m_site.SetModifiedFlag(modified); }
    void OpenSavedFile(const QString& path, bool newWindow) override {
        m_site.OpenSavedFile(path, newWindow);
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
    CTraceWnd* ReaderWindow() const { return m_readerWnd.get(); }
    bool IsLoadDone() const { return m_loadDone; }
    bool IsRefilling() const { return m_refilling; }
    bool IsRefillPending() const { return m_refillPending; }
    CProgressDlg* RefillProgress() const { return m_refillProgress.data(); }
    // The paths of the last drop onto the view, as dropped.
    const QStringList& DroppedPaths() const { return m_droppedPaths; }

signals:
    // What the user did to the log list and its editor; the view's commands
    // (commands/Commands.h, log_view_commands::Attach) answer them.
    void LogListDoubleClicked();
    void LogListSelectionChanged();
    // Delete on the log list (not in the editor), Enter on `target`.
    void DeleteKeyPressed();
    void EnterKeyPressed(QWidget* target);

protected:
    QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) override;
    void resizeEvent(QResizeEvent* event) override;
    // Delete and Enter on the log list or the line editor (the view's own key routing).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnStartLoad();
    // The load has ended, however: a complete one or one short of memory records which
    // levels occurred (and the latter tells the user); then a refill that waited runs.
    void OnLoadDone(CTraceWnd::LoadEnd how);
    // A compressed log's load stopped early (bad data, no room): says where and why, once.
    void TellCompressedLoadStopped(CTraceWnd::LoadEnd how);
    void RunPendingRefill();
    void OnOpenFiles();
    void OnSize();
    void OnLogListNotify(int code);
    // The refill: RunRefill empties the list and starts the runs; each turn of the event
    // loop OnRefillStep shows the next run of stored lines, each through OnRefillLine's rule
    // in file order, and steps the progress dialog; OnRefillDone ends it and runs a refill
    // that waited meanwhile. A refill that runs out of memory keeps the lines it showed,
    // stops and says so.
    void RunRefill();
    // Empties the log list, the marks list and the bookmarks, and drops an edit.
    void ResetForRebuild();
    void OnRefillStep();
    void OnRefillLines(size_t first, size_t count);
    void OnRefillDone();
    void StopRefill();
    // What the reader tells of the file after the load: lines taken (Follow keeps the
    // end in sight), the file cut short, gone, or another file at its path.
    void OnLinesTaken();
    void OnFileTruncated();
    void OnPathReplaced(const FileState& file);
    // Tells the user of a memory or line-limit stop, from the event loop.
    void TellLoadStopped(CTraceWnd::LoadEnd how);
    // The log's file name, as the user reads it.
    QString DisplayName() const;

    CLogViewSite& m_site;
    // The store, the log list's model and the bookmarks; the list widget observes the model.
    CLogViewCore m_core;
    CLogListBox* m_logList;        // control 1015
    QLineEdit* m_editor = nullptr; // control 1011
    CFilterBar* m_filterBar;       // above the log list, hidden until asked for
    bool m_dragAccepted = false;
    QStringList m_droppedPaths;
    std::unique_ptr<CTraceWnd> m_readerWnd;
    // Set when the load is asked for (before the reader exists), so that a refill asked
    // for meanwhile waits for the load too.
    bool m_loadStarted = false;
    bool m_loadEnded = false; // however it ended
    bool m_loadDone = false;  // read to its end, or as far as memory allowed
    QTimer m_refillTimer;
    bool m_refilling = false;
    size_t m_refillNext = 0; // the next stored line a rebuild shows
    QPointer<CProgressDlg> m_refillProgress;
    bool m_refillPending = false;
    bool m_refillOutOfMemory = false;
    int m_waitCursors = 0;
    // The log's file as this view last read it (or saved it).
    std::optional<FileState> m_sourceState;
    bool m_follow = false;
    // Items of the list when the reader's last lines were taken.
    int m_countSeen = 0;
    // The path was found naming nothing (told once, until a file is there again).
    bool m_fileGone = false;
};
