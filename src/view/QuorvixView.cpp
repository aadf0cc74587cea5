#include "view/QuorvixView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QMimeData>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "core/DroppedPath.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/FilterBar.h"
#include "view/LogListBox.h"

namespace {

// Stored lines a rebuild shows in one turn of the event loop: like the reader's batches, a
// few milliseconds of work, so input and painting get their turn between two runs.
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
      m_logList(new CLogListBox(m_core.m_logList, this)), m_filterBar(new CFilterBar(*this, this)) {
    m_filterBar->hide();
    m_filterBar->SetLayoutHandler([this] { OnSize(); });
    CreateControls();
    m_editor = GetDlgItem<QLineEdit>(IDC_LINE_EDITOR);
    m_logList->SetNotifyHandler([this](int code) { OnLogListNotify(code); });
    m_logList->installEventFilter(this);
    if (m_editor)
        m_editor->installEventFilter(this);
    // The rebuild's runs: one a turn of the event loop, once the queue is empty.
    m_refillTimer.setInterval(0);
    connect(&m_refillTimer, &QTimer::timeout, this, [this] { OnRefillStep(); });
}

CQuorvixView::~CQuorvixView() {
    m_logList->SetNotifyHandler({});
    // While the controls and the store still exist.
    OnDestroy();
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
        // From the event loop, once the window is up.
        QMetaObject::invokeMethod(
            this, [this] { OnStartLoad(); }, Qt::QueuedConnection);
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

void CQuorvixView::OnStartLoad() {
    // The layout once more, after the window has shown.
    QMetaObject::invokeMethod(
        this, [this] { OnSize(); }, Qt::QueuedConnection);
    if (m_readerWnd)
        return;
    m_loadStarted = true;
    bool started = false;
    try {
        m_readerWnd = std::make_unique<CTraceWnd>(PathToBytes(m_site.DocumentPath()), m_core,
                                                  m_core.m_levelSlots, window());
        // Every log is read on as its file grows.
        m_readerWnd->SetFollow(true);
        CTraceWnd* reader = m_readerWnd.get();
        connect(reader, &CTraceWnd::LoadEnded, this, [this](CTraceWnd::LoadEnd how) { OnLoadDone(how); });
        connect(reader, &CTraceWnd::LinesTaken, this, [this] { OnLinesTaken(); });
        connect(reader, &CTraceWnd::FileTruncated, this, [this] { OnFileTruncated(); });
        connect(reader, &CTraceWnd::FileDeleted, this, [this] {
            m_fileGone = true;
            SetStatusText(QString::fromUtf8(res::kFollowDeleted).arg(DisplayName()));
        });
        connect(reader, &CTraceWnd::PathReplaced, this,
                [this](const FileState& file) { OnPathReplaced(file); });
        connect(reader, &CTraceWnd::FollowEnded, this,
                [this](CTraceWnd::LoadEnd how) { TellLoadStopped(how); });
        started = m_readerWnd->Start();
    } catch (const std::bad_alloc&) {
    }
    // No thread or no memory to be had for the reader: the load ends before its first
    // line, as one that ran out of memory.
    if (!started)
        OnLoadDone(CTraceWnd::LoadEnd::OutOfMemory);
}

void CQuorvixView::OnLoadDone(CTraceWnd::LoadEnd how) {
    m_loadEnded = true;
    // A load that could not be read to its end says nothing more; the lines it brought stay.
    if (how == CTraceWnd::LoadEnd::Failed)
        return RunPendingRefill();
    m_core.OnLoadDone();
    m_loadDone = true;
    if (m_readerWnd)
        m_sourceState = m_readerWnd->ReadState();
    TellLoadStopped(how);
    if (how == CTraceWnd::LoadEnd::DataStopped || how == CTraceWnd::LoadEnd::NoRoom)
        TellCompressedLoadStopped(how);
    m_countSeen = m_logList->GetCount();
    RunPendingRefill();
}

void CQuorvixView::TellLoadStopped(CTraceWnd::LoadEnd how) {
    if (how != CTraceWnd::LoadEnd::OutOfMemory && how != CTraceWnd::LoadEnd::TooManyLines)
        return;
    // Told from the event loop, not inside the reader's call.
    const char* text =
        how == CTraceWnd::LoadEnd::OutOfMemory ? res::kLoadOutOfMemory : res::kLoadTooManyLines;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            AfxMessageBox(QString::fromUtf8(text)
                              .arg(PathForDisplay(m_site.DocumentPath()))
                              .arg(m_core.m_lineEntries.GetCount()),
                          MB_OK | MB_ICONWARNING, this);
        },
        Qt::QueuedConnection);
}

QString CQuorvixView::DisplayName() const {
    return PathForDisplay(PathFileName(m_site.DocumentPath()));
}

void CQuorvixView::SetFollow(bool follow) {
    m_follow = follow;
    const int count = m_logList->GetCount();
    m_countSeen = count;
    if (follow && count > 0) {
        m_logList->SetCaretIndex(count - 1);
        m_logList->EnsureVisible(count - 1);
    }
}

void CQuorvixView::OnLinesTaken() {
    const int count = m_logList->GetCount();
    // The caret on the last line, and that line in sight: the user is at the end, and
    // stays there as lines arrive. One who moved or scrolled up stays where they are.
    const int last = m_countSeen - 1;
    const bool atEnd = m_follow && last >= 0 && m_logList->GetCaretIndex() == last &&
                       m_logList->GetTopIndex() + m_logList->VisibleRowCount() > last;
    m_countSeen = count;
    if (atEnd && count - 1 > last) {
        m_logList->SetCaretIndex(count - 1);
        m_logList->EnsureVisible(count - 1);
    }
}

void CQuorvixView::OnFileTruncated() {
    m_core.CloseOpenLine();
    m_fileGone = false;
    if (!m_core.m_lineEntries.FileBacked()) {
        SetStatusText(QString::fromUtf8(res::kFollowTruncated).arg(DisplayName()));
        return;
    }
    // The lines read so far lie in the file that was cut: they can be read no more. The
    // list starts again with what the file holds now.
    AbandonLineEdit();
    StopRefill();
    m_refillPending = false;
    ResetForRebuild();
    m_core.m_lineEntries.RetireLines();
    m_countSeen = 0;
    m_logList->viewport()->update();
    SetStatusText(QString::fromUtf8(res::kFollowTruncatedRestart).arg(DisplayName()));
}

void CQuorvixView::OnPathReplaced(const FileState& file) {
    if (!m_readerWnd)
        return;
    // The view's own save put this file there: its lines are the list's already.
    if (m_sourceState && m_sourceState->SameFile(file)) {
        m_readerWnd->TakeNextFile(*m_sourceState, CTraceWnd::NextFile::FromEnd);
        return;
    }
    // The reader reads the rest of the old file first, a line still open there included.
    m_readerWnd->TakeNextFile(file, CTraceWnd::NextFile::FromStart);
    SetStatusText(
        QString::fromUtf8(m_fileGone ? res::kFollowRecreated : res::kFollowRotated).arg(DisplayName()));
    m_fileGone = false;
}

void CQuorvixView::TellCompressedLoadStopped(CTraceWnd::LoadEnd how) {
    const QString path = PathForDisplay(m_site.DocumentPath());
    const QString lines = QString::number(m_core.m_lineEntries.GetCount());
    const QString reason = QString::fromStdString(m_readerWnd->EndReason());
    const QString text =
        how == CTraceWnd::LoadEnd::NoRoom
            ? QString::fromUtf8(res::kLoadNoRoom).arg(path, lines, reason)
            : QString::fromUtf8(res::kLoadDataStopped)
                  .arg(path, QString::fromUtf8(CompressionName(m_readerWnd->SourceCompression())),
                       QString::number(m_readerWnd->EndOffset()), QString::number(m_readerWnd->SourceSize()),
                       lines, reason);
    // Told from the event loop, not inside the reader's call.
    QMetaObject::invokeMethod(
        this, [this, text] { AfxMessageBox(text, MB_OK | MB_ICONWARNING, this); }, Qt::QueuedConnection);
}

void CQuorvixView::RunPendingRefill() {
    if (!m_refillPending)
        return;
    // From the event loop, not inside the reader's call that ended the load.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_refillPending && !IsLoading() && !IsRefilling())
                RunRefill();
        },
        Qt::QueuedConnection);
}

bool CQuorvixView::IsLoading() const {
    return m_loadStarted && !m_loadEnded;
}

void CQuorvixView::OnSize() {
    if (!m_logList)
        return;
    const int top = m_filterBar->isVisibleTo(this) ? m_filterBar->sizeHint().height() : 0;
    m_filterBar->setGeometry(0, 0, width(), top);
    m_logList->setGeometry(0, top, width(), height() - top);
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
    // The paths open from the event loop, after the drag has ended.
    QMetaObject::invokeMethod(
        this, [this] { OnOpenFiles(); }, Qt::QueuedConnection);
}

void CQuorvixView::OnOpenFiles() {
    OpenDroppedPaths(m_droppedPaths, PathToBytes,
                     [this](const QString& path) { m_site.OpenDocumentFile(path); });
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
    if (IsLoading() || IsRefilling()) {
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

    const uint64_t lines = m_core.m_lineEntries.GetCount() - m_core.m_lineEntries.FirstLiveLine();
    m_refillProgress = StartProgressDialog(lines * kRefillBoundPerLine, window());
    m_refillOutOfMemory = false;
    // No load runs meanwhile (it waits for the load), and no other rebuild (it waits for
    // this one). Lines that arrive as the file grows go to the store only, and the rebuild
    // shows them as it walks on, in file order.
    m_refillNext = m_core.m_lineEntries.FirstLiveLine();
    m_refilling = true;
    m_core.m_holdList = true;
    m_refillTimer.start();
}

void CQuorvixView::OnRefillStep() {
    const size_t count = m_core.m_lineEntries.GetCount();
    const size_t n = std::min(kRefillBatch, count - std::min(m_refillNext, count));
    OnRefillLines(m_refillNext, n);
    m_refillNext += n;
    if (m_refillProgress)
        m_refillProgress->Step(n * kRefillStepPerLine);
    if (m_refillOutOfMemory || m_refillNext >= count)
        OnRefillDone();
}

void CQuorvixView::OnRefillLines(size_t first, size_t count) {
    if (m_refillOutOfMemory)
        return;
    const size_t stored = m_core.m_lineEntries.GetCount();
    first = std::min(first, stored);
    const size_t last = std::min(first + count, stored);
    try {
        // Room for the whole run first: then no line of it can fail but the one that gives
        // the list its numbers, and the list shows every line of the store up to where it
        // stopped, in order.
        m_core.LogList().Reserve(m_core.LogList().GetCount() + static_cast<int>(last - first));
    } catch (const std::bad_alloc&) {
        // The rebuild ends with this run; its end reports (OnRefillDone).
        m_refillOutOfMemory = true;
        return;
    }
    DisplayList::AppendRun run(m_core.LogList());
    try {
        m_core.OnRefillLines(first, last);
    } catch (const std::bad_alloc&) {
        // The list got its numbers of the store's lines (the first line left out) and they
        // did not fit: it keeps the lines before, in order.
        m_refillOutOfMemory = true;
    }
}

void CQuorvixView::OnRefillDone() {
    StopRefill();
    if (m_refillOutOfMemory) {
        m_refillOutOfMemory = false;
        AfxMessageBox(QString::fromUtf8(res::kRefillOutOfMemory)
                          .arg(PathForDisplay(m_site.DocumentPath()))
                          .arg(m_logList->GetCount()),
                      MB_OK | MB_ICONWARNING, this);
    }
    if (m_logList->GetCount() == 0 && m_core.LineFilters().Active())
        SetStatusText(QString::fromUtf8(res::kFilterHidesAll));
    if (m_refillPending && !IsLoading() && !IsRefilling())
        RunRefill();
}

void CQuorvixView::StopRefill() {
    m_refillTimer.stop();
    m_refilling = false;
    m_core.m_holdList = false;
    CloseProgressDialog(m_refillProgress);
    m_refillProgress = nullptr;
}

void CQuorvixView::OnListSaved(const QString& path) {
    if (AbsolutePath(path) != AbsolutePath(m_site.DocumentPath()))
        return;
    // Known as saved: the reader takes the saved file from its end, not as a rotation.
    m_sourceState = FileState::OfPath(PathToBytes(path));
    if (m_readerWnd)
        m_readerWnd->Poke();
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
    // The reader's destruction stops and joins its thread.
    m_readerWnd.reset();
    StopRefill();
    m_refillPending = false;
    while (m_waitCursors > 0)
        EndWaitCursor();
    // A copy of this log's lines on the clipboard becomes text now, so the lines can go.
    ClipboardLetGoOf(&m_core.m_lineEntries);
    m_core.FreeLineEntries();
}
