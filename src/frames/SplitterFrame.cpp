#include "frames/SplitterFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "commands/Commands.h"
#include "frames/MarksView.h"
#include "res/FrameResources.h"
#include "res/Icons.h"
#include "view/LogListBox.h"

// ---- CSplitterFrame ----------------------------------------------------------------------

CSplitterFrame::CSplitterFrame(CQuorvixDoc& doc) : m_doc(&doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(res::DocumentIcon());
    setWindowTitle(doc.GetTitle());
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

CSplitterFrame::~CSplitterFrame() {
    disconnect(qApp, nullptr, this, nullptr);
    Teardown();
    // The views go before this object's own parts.
    m_activeView = nullptr;
    if (QWidget* client = widget()) {
        setWidget(nullptr);
        m_wndSplitter = nullptr;
        delete client;
    }
}

bool CSplitterFrame::OnCreateClient(int clientWidth) {
    m_wndSplitter = new CSplitterWnd;
    auto* logView = new CQuorvixView(m_doc ? m_doc->GetPathName() : QString());
    auto* marksView = new CQuorvixMarksView;
    ConnectViews(logView, marksView);
    m_wndSplitter->addWidget(logView);
    m_wndSplitter->addWidget(marksView);
    m_wndSplitter->SetFirstColumnWidth(clientWidth - kMarksWidth, clientWidth);
    setWidget(m_wndSplitter);
    SetActiveView(logView);
    return true;
}

void CSplitterFrame::ConnectViews(CQuorvixView* log, CQuorvixMarksView* marks) {
    log_view_commands::Attach(*log);
    log->SetMarksList(&marks->BookmarkList());
    connect(log, &CQuorvixView::StatusTextChanged, this, &CSplitterFrame::StatusTextChanged);
    connect(log, &CQuorvixView::ModifiedChanged, this, [this](bool modified) {
        if (m_doc)
            m_doc->SetModifiedFlag(modified);
    });
    connect(log, &CQuorvixView::ShowWanted, this, [this] { emit ShowWanted(this); });
    connect(log, &CQuorvixView::CloseWanted, this, [this](bool forget) {
        const QString path = m_doc ? m_doc->GetPathName() : QString();
        // As the user would close it, once control is back in the event loop.
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
        if (forget)
            emit FileMissing(path);
    });
    connect(log, &CQuorvixView::SavedFileToShow, this, [this](const QString& path, bool newWindow) {
        if (m_doc)
            emit SavedFileToShow(path, m_doc, newWindow);
    });
    const auto showBookmarks = [log, marks] {
        marks->ShowBookmarks(log->Core().m_bookmarks.Indices(), log->LogList().Model(),
                             log->Core().StoreOwner());
    };
    connect(log, &CQuorvixView::MarksRefreshWanted, marks, showBookmarks);
    connect(marks, &CQuorvixMarksView::BookmarksWanted, log, showBookmarks);
    connect(marks, &CQuorvixMarksView::RemoveBookmarksWanted, log, [log] { log->StartRefill(); });
    connect(marks, &CQuorvixMarksView::GoToLineWanted, log, [log](const QByteArray& entry) {
        log->Core().m_bookmarks.SetCurrentMark(log->LogList().FindLine(-1, entry.toStdString()));
        // Next Mark from the event loop, as an accelerator would run it; dropped should the
        // view go first.
        QMetaObject::invokeMethod(
            log, [log] { bookmark_commands::OnNextMark(*log); }, Qt::QueuedConnection);
        log->LogList().setFocus(Qt::OtherFocusReason);
    });
}

void CSplitterFrame::InitialUpdateFrame() {
    if (CQuorvixMarksView* marks = MarksView())
        marks->OnInitialUpdate();
    if (CQuorvixView* log = LogView())
        log->OnInitialUpdate();
}

CQuorvixView* CSplitterFrame::LogView() const {
    return m_wndSplitter ? qobject_cast<CQuorvixView*>(m_wndSplitter->GetPane(0, 0)) : nullptr;
}

CQuorvixMarksView* CSplitterFrame::MarksView() const {
    return m_wndSplitter ? qobject_cast<CQuorvixMarksView*>(m_wndSplitter->GetPane(0, 1)) : nullptr;
}

void CSplitterFrame::SetActiveView(QWidget* view) {
    if (m_activeView == view)
        return;
    m_activeView = view;
    emit ActiveViewChanged();
}

void CSplitterFrame::FocusActiveView() {
    if (m_activeView == MarksView() && MarksView())
        MarksView()->BookmarkList().setFocus(Qt::OtherFocusReason);
    else if (CQuorvixView* log = LogView())
        log->LogList().setFocus(Qt::OtherFocusReason);
}

namespace {

constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

bool CSplitterFrame::IsShownNormal() const {
    // The MDI area adds WindowActive to the active window's state.
    return !(windowState() & kNotNormal);
}

void CSplitterFrame::changeEvent(QEvent* event) {
    // The MDI area changes the state again from inside a change (showing a hidden window
    // normal before it maximizes it): only the outermost change counts.
    if (event->type() != QEvent::WindowStateChange || m_changingState) {
        QMdiSubWindow::changeEvent(event);
        return;
    }
    const Qt::WindowStates oldState = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    const QPointer<QWidget> view = m_activeView;
    const QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus && isAncestorOf(focus);
    // The window hides while it changes state, and the focus moves on meanwhile; that is
    // not the user choosing another pane.
    m_changingState = true;
    QMdiSubWindow::changeEvent(event);
    m_changingState = false;
    // Until the main frame is on screen its client area is not the one the window will see.
    if ((oldState & kNotNormal) && IsShownNormal() && !m_hasNormalGeometry && isVisible() && parentWidget() &&
        window()->isVisible()) {
        m_hasNormalGeometry = true;
        emit PlaceWanted(this);
    }
    if (view)
        SetActiveView(view);
    if (hadFocus && !isMinimized() && !isHidden())
        FocusActiveView();
}

void CSplitterFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    if (!m_changingState && isVisible() && IsShownNormal())
        m_hasNormalGeometry = true;
}

void CSplitterFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    if (!m_changingState && isVisible() && IsShownNormal())
        m_hasNormalGeometry = true;
}

void CSplitterFrame::OnFocusChanged(QWidget* now) {
    if (m_changingState)
        return;
    for (QWidget* pane : {static_cast<QWidget*>(LogView()), static_cast<QWidget*>(MarksView())}) {
        if (pane && now && (now == pane || pane->isAncestorOf(now))) {
            SetActiveView(pane);
            return;
        }
    }
}

void CSplitterFrame::ActivateOtherPane() {
    CQuorvixView* log = LogView();
    CQuorvixMarksView* marks = MarksView();
    if (!log || !marks)
        return;
    if (m_activeView == log) {
        marks->BookmarkList().setFocus(Qt::ShortcutFocusReason);
        SetActiveView(marks);
    } else {
        log->LogList().setFocus(Qt::ShortcutFocusReason);
        SetActiveView(log);
    }
}

void CSplitterFrame::CloseAfterCommand() {
    m_closing = true;
    // The command that asked may be running in this window, or in its views: they go once
    // it has returned.
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void CSplitterFrame::CloseWithoutAsking() {
    m_closing = true;
    close();
}

void CSplitterFrame::ShowDocumentTitle(const QString& title) {
    setWindowTitle(title);
    // The title follows the document's path: a save under another name renames the log.
    if (CQuorvixView* log = LogView(); log && m_doc)
        log->SetSourcePath(m_doc->GetPathName());
}

void CSplitterFrame::ShowModified(bool modified) {
    if (CQuorvixView* log = LogView())
        log->SetModifiedFlag(modified);
}

bool CSplitterFrame::OnCmdMsg(int id, bool execute) {
    if (CQuorvixView* log = LogView(); log && m_activeView == log) {
        if (log_view_commands::OnCmdMsg(*log, id, execute))
            return true;
    } else if (auto* view = dynamic_cast<CCmdTarget*>(m_activeView.data());
               view && view->OnCmdMsg(id, execute)) {
        return true;
    }
    if (m_doc && m_doc->OnCmdMsg(id, execute))
        return true;
    if (id == ID_NEXT_PANE || id == ID_PREV_PANE) {
        // Two panes: next and previous both lead to the other one.
        if (execute)
            ActivateOtherPane();
        return true;
    }
    return false;
}

void CSplitterFrame::closeEvent(QCloseEvent* event) {
    if (!m_closing && m_doc && !m_doc->SaveModified()) {
        event->ignore();
        return;
    }
    m_closing = true;
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        Teardown();
}

void CSplitterFrame::Teardown() {
    if (m_tornDown)
        return;
    m_tornDown = true;
    // The reader and the refill end before anything they use goes. The bookmark list
    // refers to the log's stored lines: it is emptied before they are freed.
    if (CQuorvixMarksView* marks = MarksView())
        marks->BookmarkList().Model().ResetContent();
    if (CQuorvixView* log = LogView())
        log->OnDestroy();
    if (CQuorvixDoc* doc = std::exchange(m_doc, nullptr)) {
        doc->SetWindow(nullptr);
        emit DocumentClosed(doc);
    }
}

CommandHost* CSplitterFrame::DocumentView() {
    return LogView();
}
