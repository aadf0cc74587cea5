#include "view/QuorvixView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "loader/Messages.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "core/DroppedPath.h"
#include "view/LogListBox.h"

namespace {

// Messages of the view to itself, outside the program's message table.
// The refill worker hands over entries [wParam, wParam + lParam) of the store.
constexpr UINT TM_REFILL_LINES = 0x8000 + 0x20;
// The refill worker has finished (its last act): join it.
constexpr UINT TM_REFILL_DONE = 0x8000 + 0x21;
// A refill that waited for the load may run now.
constexpr UINT TM_RUN_PENDING_REFILL = 0x8000 + 0x22;
// The load ended early for lack of memory: tell the user, from the event loop.
constexpr UINT TM_REPORT_LOAD_SHORT = 0x8000 + 0x23;

// Entries per crossing of the refill: like the reader's batches, a few milliseconds of
// work for the GUI thread, so a rebuild of ten million lines costs a few hundred thread
// switches instead of millions, and input and painting still get their turn.
constexpr size_t kRefillBatch = 65536;
// What the progress dialog of a refill counts per stored line: its bound, and one step.
constexpr uint64_t kRefillBoundPerLine = 100;
constexpr uint64_t kRefillStepPerLine = 10;

enum class Probe { Found, Missing, Unreadable };

// The file is a log only when it is a regular file with something in it; a directory, a
// device or an empty file counts as missing. One that exists but cannot be read is told
// apart, with the system's reason.
Probe ProbeFile(const QString& path, QString& reason) {
    const std::string bytes = PathToBytes(path);
    struct stat st {};
    if (::stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return Probe::Missing;
    // O_NONBLOCK: should the path have become a FIFO since the stat, the open must not
    // wait for a writer on the GUI thread; the reader refuses it then.
    const int fd = ::open(bytes.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return Probe::Unreadable;
    }
    ::close(fd);
    return Probe::Found;
}

} // namespace

CQuorvixView::CQuorvixView(CLogViewSite& site, QWidget* parent)
    : CFormView(GetDialogTemplate(IDD_QUORVIX_FORM), parent), m_site(site),
      m_logList(new CLogListBox(m_core.m_logList, this)) {
    CreateControls();
    m_editor = GetDlgItem<QLineEdit>(IDC_LINE_EDITOR);
    m_logList->SetNotifyHandler([this](int code) { OnLogListNotify(code); });
    m_logList->installEventFilter(this);
    if (m_editor)
        m_editor->installEventFilter(this);
    CreateHandle();
}

CQuorvixView::~CQuorvixView() {
    m_logList->SetNotifyHandler({});
    // OnDestroy must run while the controls and the store still exist.
    DestroyWindow();
    // The list widget observes the core's model: it goes first.
    delete m_logList;
    m_logList = nullptr;
}

QWidget* CQuorvixView::CreateControl(const ControlTemplate& control, QWidget* parent) {
    if (control.id == IDC_LOG_LIST) {
        m_logList->SetDlgCtrlID(IDC_LOG_LIST);
        return m_logList;
    }
    return CFormView::CreateControl(control, parent);
}

void CQuorvixView::OnInitialUpdate() {
    if (m_editor) {
        m_editor->clear();
        m_editor->hide();
    }
    setAcceptDrops(true);
    OnSize();

    const QString path = m_site.DocumentPath();
    QString reason;
    switch (ProbeFile(path, reason)) {
    case Probe::Found:
        m_site.ShowFrame();
        m_logList->setFocus();
        m_loadStarted = true;
        ::PostMessage(GetSafeHwnd(), UM_START_LOAD, 0, 0);
        return;
    case Probe::Missing:
        AfxMessageBox(QString::fromUtf8(res::kFileNotFound), MB_OK, this);
        m_site.CloseFrame();
        m_site.RemoveRecentFile(path);
        return;
    case Probe::Unreadable:
        // The file is there, so it stays in the recent-file list.
        AfxMessageBox(QString::fromUtf8(res::kCannotOpenFile).arg(PathForDisplay(path), reason),
                      MB_OK | MB_ICONERROR, this);
        m_site.CloseFrame();
        return;
    }
}

LRESULT CQuorvixView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        OnSize();
        return 0;
    case UM_START_LOAD:
        return OnStartLoad();
    case UM_ADD_LINE:
        if (auto* record = reinterpret_cast<LineRecord*>(lParam))
            m_core.OnAddLine(*record);
        return 0;
    case UM_LOAD_DONE:
        return OnLoadDone(wParam);
    case UM_OPEN_FILES:
        return OnOpenFiles();
    case TM_REFILL_LINES:
        OnRefillLines(static_cast<size_t>(wParam), static_cast<size_t>(lParam));
        return 0;
    case TM_REFILL_DONE:
        OnRefillDone();
        return 0;
    case TM_RUN_PENDING_REFILL:
        if (m_refillPending && !IsLoading() && !m_refillThread)
            RunRefill();
        return 0;
    case TM_REPORT_LOAD_SHORT:
        AfxMessageBox(QString::fromUtf8(res::kLoadOutOfMemory)
                          .arg(PathForDisplay(m_site.DocumentPath()))
                          .arg(m_core.m_lineEntries.GetCount()),
                      MB_OK | MB_ICONWARNING, this);
        return 0;
    default:
        return 0;
    }
}

LRESULT CQuorvixView::OnStartLoad() {
    ::PostMessage(GetSafeHwnd(), WM_SIZE, 0, 0);
    if (m_readerWnd)
        return 0;
    m_loadStarted = true;
    try {
        m_readerWnd = std::make_unique<CTraceWnd>(PathToBytes(m_site.DocumentPath()));
        m_readerWnd->CreateEx(GetSafeHwnd(), window());
    } catch (const std::exception&) {
        // No thread (std::system_error) or no memory to be had for the reader: the load
        // ends before its first line, as one that ran out of memory.
        OnLoadDone(kLoadOutOfMemory);
    }
    return 0;
}

LRESULT CQuorvixView::OnLoadDone(WPARAM how) {
    m_core.OnLoadDone();
    m_loadDone = true;
    if (how == kLoadOutOfMemory)
        ::PostMessage(GetSafeHwnd(), TM_REPORT_LOAD_SHORT, 0, 0);
    // From the event loop, not inside the reader window's handler that sent this.
    if (m_refillPending)
        ::PostMessage(GetSafeHwnd(), TM_RUN_PENDING_REFILL, 0, 0);
    return 0;
}

bool CQuorvixView::IsLoading() const {
    if (!m_loadStarted || m_loadDone)
        return false;
    // A reader that could not read to the end sends no end: once it has finished, the
    // load is over all the same.
    return !(m_readerWnd && m_readerWnd->ReaderFinished());
}

void CQuorvixView::OnSize() {
    if (!m_logList)
        return;
    m_logList->setGeometry(0, 0, width(), height());
}

void CQuorvixView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
    OnSize();
}

void CQuorvixView::OnLogListNotify(int code) {
    switch (code) {
    case LBN_DBLCLK:
        emit LogListDoubleClicked();
        break;
    case LBN_SELCHANGE:
        emit LogListSelectionChanged();
        break;
    default: // LBN_KILLFOCUS: nothing
        break;
    }
}

bool CQuorvixView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete && watched != m_editor)
            emit DeleteKeyPressed();
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            emit EnterKeyPressed(qobject_cast<QWidget*>(watched));
    }
    // The key goes on to its widget either way.
    return CFormView::eventFilter(watched, event);
}

// ---- drops ----------------------------------------------------------------------------

void CQuorvixView::dragEnterEvent(QDragEnterEvent* event) {
    m_dragAccepted = !LocalFiles(event->mimeData()).isEmpty();
    if (m_dragAccepted) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CQuorvixView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dragAccepted) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CQuorvixView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_droppedPaths.clear();
    m_dragAccepted = false;
    event->accept();
}

void CQuorvixView::dropEvent(QDropEvent* event) {
    if (!m_dragAccepted) {
        event->ignore();
        return;
    }
    m_droppedPaths = LocalFiles(event->mimeData());
    if (m_droppedPaths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The paths open from the message queue, after the drag has ended.
    ::PostMessage(GetSafeHwnd(), UM_OPEN_FILES, 0, 0);
}

LRESULT CQuorvixView::OnOpenFiles() {
    OpenDroppedPaths(m_droppedPaths, PathToBytes,
                     [this](const QString& path) { m_site.OpenDocumentFile(path); });
    return 0;
}

// ---- refill ---------------------------------------------------------------------------

void CQuorvixView::ResetForRebuild() {
    AbandonLineEdit();
    m_core.ResetForRebuild();
    if (CListBox* marks = m_site.MarksList())
        marks->Model().ResetContent();
    // No caret line is left to show.
    SetStatusText(QString::fromUtf8(res::kIdleMessage));
}

void CQuorvixView::StartRefill() {
    ResetForRebuild();
    if (IsLoading() || m_refillThread) {
        m_refillPending = true;
        return;
    }
    RunRefill();
}

void CQuorvixView::RunRefill() {
    m_refillPending = false;
    // A refill that waited finds lines added (by the load, or by the refill before it)
    // since its requester emptied the list; the rebuild starts from an empty list again.
    ResetForRebuild();

    const uint64_t lines = m_core.m_lineEntries.GetCount();
    m_refillProgress = StartProgressDialog(lines * kRefillBoundPerLine, window());
    const HWND progress = m_refillProgress ? m_refillProgress->GetSafeHwnd() : nullptr;
    const HWND view = GetSafeHwnd();
    const size_t count = m_core.m_lineEntries.GetCount();
    m_refillOutOfMemory = false;
    try {
        m_refillThread = std::make_unique<WorkerThread>(
            [view, progress, count](WorkerThread& thread) { RefillThread(thread, view, progress, count); });
    } catch (const std::exception&) {
        // No thread to be had (std::system_error, std::bad_alloc): the rebuild ends before
        // its first line, as one that ran out of memory.
        m_refillOutOfMemory = true;
        OnRefillDone();
    }
}

void CQuorvixView::OnRefillLines(size_t first, size_t count) {
    if (m_refillOutOfMemory)
        return;
    const size_t stored = m_core.m_lineEntries.GetCount();
    first = std::min(first, stored);
    const size_t last = std::min(first + count, stored);
    try {
        // Room for the whole run first: then no line of it can fail, and the list shows
        // every line of the store up to here, in order, or stops before this run.
        m_core.LogList().Reserve(m_core.LogList().GetCount() + static_cast<int>(last - first));
    } catch (const std::bad_alloc&) {
        // The worker stops at its next look; its end reports (OnRefillDone).
        m_refillOutOfMemory = true;
        if (m_refillThread)
            m_refillThread->RequestStop();
        return;
    }
    DisplayList::AppendRun run(m_core.LogList());
    for (size_t i = first; i < last; ++i)
        m_core.OnRefillLine(m_core.m_lineEntries[i]);
}

// The worker touches nothing of the view: it names the entries by position, and the GUI
// thread takes them from the store, which does not change while the worker runs (no load,
// no other refill; teardown joins the worker first).
void CQuorvixView::RefillThread(WorkerThread& thread, HWND view, HWND progress, size_t count) {
    for (size_t first = 0; first < count; first += kRefillBatch) {
        if (thread.StopRequested() || !::IsWindow(view))
            break;
        const size_t n = std::min(kRefillBatch, count - first);
        ::SendMessage(view, TM_REFILL_LINES, first, static_cast<LPARAM>(n));
        if (progress && ::IsWindow(progress))
            ::SendMessage(progress, UM_PROGRESS_STEP, static_cast<WPARAM>(n * kRefillStepPerLine), 0);
    }
    if (progress && ::IsWindow(progress))
        ::SendMessage(progress, BM_CLICK, IDCANCEL, 0);
    ::PostMessage(view, TM_REFILL_DONE, 0, 0);
}

void CQuorvixView::OnRefillDone() {
    if (m_refillThread) {
        m_refillThread->Join();
        m_refillThread.reset();
    }
    // A worker that was stopped could not close its dialog itself.
    CloseRefillProgress();
    if (m_refillOutOfMemory) {
        m_refillOutOfMemory = false;
        AfxMessageBox(QString::fromUtf8(res::kRefillOutOfMemory)
                          .arg(PathForDisplay(m_site.DocumentPath()))
                          .arg(m_logList->GetCount()),
                      MB_OK | MB_ICONWARNING, this);
    }
    if (m_refillPending && !IsLoading() && !m_refillThread)
        RunRefill();
}

void CQuorvixView::CloseRefillProgress() {
    if (m_refillProgress && ::IsWindow(m_refillProgress->GetSafeHwnd()))
        ::SendMessage(m_refillProgress->GetSafeHwnd(), BM_CLICK, IDCANCEL, 0);
    m_refillProgress = nullptr;
}

void CQuorvixView::StopRefill() {
    if (!m_refillThread)
        return;
    // The worker may wait in a send to this view (released by the view's destruction) or
    // to its progress dialog (released by the stop request).
    m_refillThread->RequestStop();
    m_refillThread->Join();
    m_refillThread.reset();
    CloseRefillProgress();
}

void CQuorvixView::AbandonLineEdit() {
    if (m_core.m_editIndex == -1)
        return;
    m_core.m_editIndex = -1;
    if (m_editor) {
        m_editor->clear();
        m_editor->setEnabled(false);
        m_editor->hide();
    }
}

void CQuorvixView::BeginWaitCursor() {
    ++m_waitCursors;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQuorvixView::EndWaitCursor() {
    if (m_waitCursors == 0)
        return;
    --m_waitCursors;
    QApplication::restoreOverrideCursor();
}

void CQuorvixView::OnDestroy() {
    // The reader window's destruction stops its reader and joins it.
    m_readerWnd.reset();
    StopRefill();
    m_refillPending = false;
    while (m_waitCursors > 0)
        EndWaitCursor();
    m_core.FreeLineEntries();
}
