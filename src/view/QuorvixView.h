// CQuorvixView: the log view, the left pane of every log window.
//
// A form on template 101 that holds the log list (the coloured list of the log's lines)
// and the hidden in-place line editor. It checks that its document's file exists, starts
// the reader window that loads the file, takes in the lines (the core, CLogViewCore),
// keeps the log list filling the view, opens files dropped onto it, rebuilds the log list
// from the stored lines on a worker thread (the refill), and tells of the user's actions
// on its list (signals). It is the CommandHost of the command families that sit above it
// (commands/Commands.h): they route its menu commands and answer its signals.
//
// Ownership: the log window owns the view (as a child widget); the view owns its controls
// (Qt children), its core with the line store, the reader window and the refill thread.
// What the view needs of its window, document and application it asks of its site.
//
// Threads: everything runs on the GUI thread except the reader (inside CTraceWnd) and
// the refill worker, which reach the view only by SendMessage/PostMessage on its handle.
// The store does not change while a refill walks it: a refill never runs while the log
// still loads or while another refill of the view runs (it waits until they end), and the
// view stops and joins the reader and the refill before it frees the store.
//
// Memory running out ends one operation, never the program: a load or a rebuild keeps
// the lines it has and tells the user how many, and a command says it could not finish.
#pragma once

#include <QPointer>
#include <QStringList>
#include <memory>

#include "view/CommandHost.h"
#include "loader/ProgressDlg.h"
#include "platform/DialogTemplate.h"
#include "platform/Window.h"
#include "platform/WorkerThread.h"
#include "core/LogViewCore.h"

class CTraceWnd;

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
    virtual void OpenSavedFile(const QString& path) = 0;
    virtual bool RemoveRecentFile(const QString& path) = 0;
    // Shows the log window, maximized.
    virtual void ShowFrame() = 0;
    // Closes the log window once control is back in the event loop.
    virtual void CloseFrame() = 0;
};

class CQuorvixView : public CFormView, public CWnd, public CommandHost {
    Q_OBJECT

public:
    explicit CQuorvixView(CLogViewSite& site, QWidget* parent = nullptr);
    ~CQuorvixView() override;

    // Once, after the log window was built: probes the file, then either shows the window
    // and starts the load (posted), or reports a missing, empty or unreadable file and
    // closes the window (a missing or empty one also leaves the recent-file list).
    void OnInitialUpdate();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // CommandHost
    CLogViewCore& Core() override { return m_core; }
    CLogListBox& LogList() override { return *m_logList; }
    CListBox* MarksList() override { return m_site.MarksList(); }
    void RefreshMarks() override { m_site.RefreshMarks(); }
    QWidget* DialogParent() override { return this; }
    QLineEdit* LineEditor() override { return m_editor; }
    void StartRefill() override;
    bool IsLoading() const override;
    void SetStatusText(const QString& text) override { m_site.SetStatusText(text); }
    bool IsModified() const override { return m_site.IsModified(); }
    void SetModifiedFlag(bool modified) override { m_site.SetModifiedFlag(modified); }
    void OpenSavedFile(const QString& path) override { m_site.OpenSavedFile(path); }
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    // Closes the in-place editor without writing it back (a rebuild of the list is coming,
    // and the line it edits will be gone).
    void AbandonLineEdit();

    // The state of loading and refilling, for the windows around the view and for tests.
    CTraceWnd* ReaderWindow() const { return m_readerWnd.get(); }
    bool IsLoadDone() const { return m_loadDone; }
    bool IsRefilling() const { return m_refillThread != nullptr; }
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
    // Stops and joins the reader and a running refill, then frees the line store.
    void OnDestroy() override;
    QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) override;
    void resizeEvent(QResizeEvent* event) override;
    // Delete and Enter on the log list or the line editor (the view's own key routing).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    LRESULT OnStartLoad();
    LRESULT OnLoadDone(WPARAM how);
    LRESULT OnOpenFiles();
    void OnSize();
    void OnLogListNotify(int code);
    // The refill: RunRefill empties the list and starts the worker; RefillThread, the
    // worker's body, hands the stored lines to the GUI thread in batches of positions, each
    // line then going through OnRefillLine's rule in file order; OnRefillDone joins the
    // worker and runs a refill that waited meanwhile.
    // A refill that runs out of memory keeps the lines it showed, stops and reports once it
    // has ended.
    void RunRefill();
    // Empties the log list, the marks list and the bookmarks, and drops an edit.
    void ResetForRebuild();
    static void RefillThread(WorkerThread& thread, HWND view, HWND progress, size_t count);
    void OnRefillLines(size_t first, size_t count);
    void OnRefillDone();
    void StopRefill();
    void CloseRefillProgress();

    CLogViewSite& m_site;
    // The store, the log list's model and the bookmarks; the list widget observes the model.
    CLogViewCore m_core;
    CLogListBox* m_logList; // control 1015
    QLineEdit* m_editor = nullptr; // control 1011
    bool m_dragAccepted = false;
    QStringList m_droppedPaths;
    std::unique_ptr<CTraceWnd> m_readerWnd;
    // Set when the load is asked for (UM_START_LOAD posted), so that a refill asked for
    // before the reader exists waits for the load too.
    bool m_loadStarted = false;
    bool m_loadDone = false;
    std::unique_ptr<WorkerThread> m_refillThread;
    QPointer<CProgressDlg> m_refillProgress;
    bool m_refillPending = false;
    bool m_refillOutOfMemory = false;
    int m_waitCursors = 0;
};
