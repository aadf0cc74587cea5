#include "view/QuorvixView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>

#include "platform/Clipboard.h"
#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/FileProbe.h"
#include "view/FilterBar.h"
#include "view/LogListBox.h"

CQuorvixView::CQuorvixView(const QString& path, QWidget* parent)
    : QWidget(parent), m_path(path), m_logList(new CLogListBox(m_core.m_logList, this)),
      m_filterBar(new CFilterBar(*this, this)), m_reader(m_core, this), m_rebuild(m_core, this) {
    m_filterBar->hide();
    m_filterBar->SetLayoutHandler([this] { OnSize(); });
    // The form: the filter bar over the log list (OnSize places them), and the line editor,
    // hidden and disabled until a line is edited in place.
    m_logList->SetDlgCtrlID(IDC_LOG_LIST);
    SetControlId(m_logList, IDC_LOG_LIST);
    m_editor = new QLineEdit(this);
    SetControlId(m_editor, IDC_LINE_EDITOR);
    m_editor->setEnabled(false);
    m_editor->hide();
    m_logList->SetNotifyHandler([this](int code) { OnLogListNotify(code); });
    m_logList->installEventFilter(this);
    if (m_editor)
        m_editor->installEventFilter(this);
    connect(&m_reader, &CLogReader::LoadEnded, this, &CQuorvixView::OnLoadEnded);
    connect(&m_reader, &CLogReader::LinesTaken, this, &CQuorvixView::OnLinesTaken);
    connect(&m_reader, &CLogReader::LinesLost, this, &CQuorvixView::OnLinesLost);
    connect(&m_reader, &CLogReader::StatusText, this, &CQuorvixView::StatusTextChanged);
    connect(&m_reader, &CLogReader::Warning, this, &CQuorvixView::Warn);
    connect(&m_rebuild, &CListRebuild::Finished, this, &CQuorvixView::OnRefillFinished);
}

CQuorvixView::~CQuorvixView() {
    m_logList->SetNotifyHandler({});
    // While the controls and the store still exist.
    OnDestroy();
    // The list widget observes the core's model: it goes first.
    delete m_logList;
    m_logList = nullptr;
}

void CQuorvixView::OnInitialUpdate() {
    if (m_editor) {
        m_editor->clear();
        m_editor->hide();
    }
    OnSize();

    // Only a regular file with something in it is a log; a directory, a device or an empty
    // file counts as missing. One that is there but cannot be read stays in the recent-file
    // list, and the system's reason is told.
    const FileProbe probe = ProbeFile(m_path, FileProbe::Access::Read);
    if (!probe.HasText()) {
        AfxMessageBox(QString::fromUtf8(res::kFileNotFound), MB_OK, this);
        emit CloseWanted(true);
        return;
    }
    if (!probe.refusal.isEmpty()) {
        AfxMessageBox(QString::fromUtf8(res::kCannotOpenFile).arg(PathForDisplay(m_path), probe.refusal),
                      MB_OK | MB_ICONERROR, this);
        emit CloseWanted(false);
        return;
    }
    emit ShowWanted();
    m_logList->setFocus();
    m_reader.Expect();
    // From the event loop, once the window is up.
    QMetaObject::invokeMethod(
        this, [this] { OnStartLoad(); }, Qt::QueuedConnection);
}

void CQuorvixView::OnStartLoad() {
    // The layout once more, after the window has shown.
    QMetaObject::invokeMethod(
        this, [this] { OnSize(); }, Qt::QueuedConnection);
    // A window closed before its load could start reads nothing.
    if (!m_destroyed)
        m_reader.Start(m_path);
}

void CQuorvixView::OnLoadEnded() {
    // While the lines kept coming the scroll range followed them a few times a second; at
    // the end it reaches the last line at once.
    m_logList->FlushScrollRanges();
    m_countSeen = m_logList->GetCount();
    RunPendingRefill();
}

void CQuorvixView::Warn(const QString& text) {
    // Told from the event loop, not inside the reader's call.
    QMetaObject::invokeMethod(
        this, [this, text] { AfxMessageBox(text, MB_OK | MB_ICONWARNING, this); }, Qt::QueuedConnection);
}

void CQuorvixView::SetModifiedFlag(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit ModifiedChanged(modified);
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

void CQuorvixView::OnLinesLost() {
    // The lines read so far lie in the file that was cut: they can be read no more. The
    // list starts again with what the file holds now.
    AbandonLineEdit();
    m_rebuild.Stop();
    m_rebuild.SetPending(false);
    ResetForRebuild();
    m_core.m_lineEntries.RetireLines();
    m_countSeen = 0;
    m_logList->viewport()->update();
    SetStatusText(QString::fromUtf8(res::kFollowTruncatedRestart).arg(PathForDisplay(PathFileName(m_path))));
}

// ---- refill ---------------------------------------------------------------------------

void CQuorvixView::ResetForRebuild() {
    AbandonLineEdit();
    m_core.ResetForRebuild();
    if (m_marks)
        m_marks->Model().ResetContent();
    // No caret line is left to show.
    SetStatusText(QString::fromUtf8(res::kIdleMessage));
}

void CQuorvixView::StartRefill() {
    ResetForRebuild();
    if (IsLoading() || IsRefilling())
        m_rebuild.SetPending(true);
    else
        RunRefill();
}

void CQuorvixView::RunRefill() {
    // A refill that waited finds lines added (by the load, or by the refill before it)
    // since its requester emptied the list; the rebuild starts from an empty list again.
    ResetForRebuild();
    m_rebuild.Start();
}

void CQuorvixView::RunPendingRefill() {
    if (!IsRefillPending())
        return;
    // From the event loop, not inside the reader's call that ended the load.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (IsRefillPending() && !IsLoading() && !IsRefilling())
                RunRefill();
        },
        Qt::QueuedConnection);
}

void CQuorvixView::OnRefillFinished(bool outOfMemory, int shown) {
    if (outOfMemory)
        AfxMessageBox(QString::fromUtf8(res::kRefillOutOfMemory).arg(PathForDisplay(m_path)).arg(shown),
                      MB_OK | MB_ICONWARNING, this);
    if (m_logList->GetCount() == 0 && m_core.LineFilters().Active())
        SetStatusText(QString::fromUtf8(res::kFilterHidesAll));
    if (IsRefillPending() && !IsLoading() && !IsRefilling())
        RunRefill();
}

void CQuorvixView::OnListSaved(const QString& path) {
    if (AbsolutePath(path) != AbsolutePath(m_path))
        return;
    // Known as saved: the reader takes the saved file from its end, not as a rotation.
    m_reader.OnOwnFileSaved(FileState::OfPath(PathToBytes(path)));
}

void CQuorvixView::OnSize() {
    if (!m_logList)
        return;
    const int top = m_filterBar->isVisibleTo(this) ? m_filterBar->sizeHint().height() : 0;
    m_filterBar->setGeometry(0, 0, width(), top);
    m_logList->setGeometry(0, top, width(), height() - top);
}

void CQuorvixView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
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
    return QWidget::eventFilter(watched, event);
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
    m_destroyed = true;
    // The reader's destruction stops and joins its thread.
    m_reader.Stop();
    m_rebuild.Stop();
    m_rebuild.SetPending(false);
    while (m_waitCursors > 0)
        EndWaitCursor();
    // A copy of this log's lines on the clipboard becomes text now, so the lines can go.
    ClipboardLetGoOf(&m_core.m_lineEntries);
    m_core.FreeLineEntries();
}
