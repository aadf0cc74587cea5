// CTraceWnd: the hidden reader window of a log view and its reader thread.
//
// Creating the window starts ReaderThread, which reads the log with CLineFile on a worker
// thread and hands the lines over in batches. The window (GUI thread) passes every line of
// a batch to its parent, the log view, as UM_ADD_LINE, in file order, and at the end of
// the file sends UM_LOAD_DONE. One batch is handled per turn of the event loop, so the
// GUI stays responsive during a load; while the view takes one batch the reader reads the
// next, and it never has more than two handed over and not yet taken.
//
// Memory running out ends the load, never the program: a reader that cannot get memory
// hands over the lines it has and ends as at the end of the file, and a batch the view
// cannot take in (std::bad_alloc from UM_ADD_LINE) stops the reader and drops what is not
// taken yet. Either way the progress dialog closes and the view gets UM_LOAD_DONE with
// kLoadOutOfMemory, once, keeping the lines it took.
//
// Ownership: the log view owns the window object. Batches belong to the reader until the
// window takes one, then to the window until its lines are taken; the window frees what
// the view never took when it is destroyed. Destroying the window (DestroyWindow or
// delete) stops the reader within one batch and joins it before anything it uses is
// freed. GUI thread only, except for ReaderThread itself.
#pragma once

#include <QPointer>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "core/LineFile.h"
#include "core/LineRecord.h"
#include "platform/Window.h"
#include "platform/WorkerThread.h"

class CProgressDlg;
class QWidget;

class CTraceWnd : public CWnd {
public:
    // Lines and bytes of one batch: a few milliseconds of work for the GUI thread. A batch
    // of bytes is one huge page, which the view usually keeps as it is (no copy).
    static constexpr size_t kBatchLines = 65536;
    static constexpr size_t kBatchBytes = 2 * 1024 * 1024;
    // Blocks of kBatchBytes kept ready for the reader by its block supply.
    static constexpr size_t kReadyBlocks = 4;

    explicit CTraceWnd(std::string path);
    ~CTraceWnd() override;

    // Creates the hidden window as a child of `parent` (the log view) and starts the
    // reader. A progress dialog, when the configuration asks for one, is modal over
    // `progressOwner`. Returns false when the window already exists.
    bool CreateEx(HWND parent, QWidget* progressOwner = nullptr);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // 1 while the window exists, 0 once its destruction started; the reader stops at 0.
    std::atomic<long> m_nRunning{0};
    const std::string m_strPath;
    // The open log. Set by the reader; owned by the window; freed after the reader ended.
    std::unique_ptr<CLineFile> m_pFile;

    // The progress dialog of this load, while it is up (tests look at it).
    CProgressDlg* ProgressDialog() const;
    // True once the reader thread has finished its work (it may not be joined yet). Any
    // message it sent has been handled by then.
    bool ReaderFinished() const { return m_readerFinished.load(); }

protected:
    void OnDestroy() override;

private:
    void ReaderThread(WorkerThread& thread);
    LRESULT OnReaderStart();
    LRESULT OnReaderLine(LPARAM lParam);
    LRESULT OnReaderEnd(WPARAM how);
    void TakeNextBatch();
    // The view could not take lines: the reader stops, what is not taken goes.
    void StopForLackOfMemory();
    // Closes the progress dialog and sends UM_LOAD_DONE with `how`, the first time only.
    void EndLoad(WPARAM how);
    void CloseProgress();
    void StopReader();

    HWND m_parent = nullptr;
    QPointer<QWidget> m_progressOwner;
    QPointer<CProgressDlg> m_progress;
    // Batches handed over and not yet taken by the view. GUI thread only.
    std::deque<std::unique_ptr<LineBatch>> m_pending;
    // A batch the view is done with, kept for the reader to fill again (GUI thread), and
    // the one handed back to the reader with its last send: written by the GUI thread
    // while the reader waits in that send, read by the reader once the send returned.
    std::unique_ptr<LineBatch> m_spare;
    std::unique_ptr<LineBatch> m_handBack;
    std::atomic<bool> m_readerFinished{false};
    bool m_loadEnded = false; // GUI thread only
    std::unique_ptr<WorkerThread> m_thread;
};
