// CSplitterFrame: the window of one open log, a child window of the main frame's MDI
// area. Its client area is a splitter with one row and two columns: the log view
// (CQuorvixView) on the left and the marks view (CQuorvixMarksView) on the right, both
// showing the same document. The views know nothing of each other: the window connects
// them.
//
// Ownership: the MDI area owns the window (it deletes itself once closed); the window owns
// the splitter and both views (Qt children). The document belongs to the document
// manager, which removes it when the window tells it has gone (DocumentClosed), after the
// log view has stopped its reader and refill. The window wires its two views to each other
// and to its document, and tells the main frame what it needs by signals, which the
// document manager that makes it connects; it holds no pointer to the frame or the
// application. GUI thread only.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include "frames/QuorvixDoc.h"
#include "frames/Splitter.h"
#include "platform/CmdTarget.h"
#include "view/QuorvixView.h"

class CQuorvixMarksView;

class CSplitterFrame : public QMdiSubWindow, public CDocumentWindow, public CCmdTarget {
    Q_OBJECT

public:
    // The width the marks view gets at the start.
    static constexpr int kMarksWidth = 200;

    explicit CSplitterFrame(CQuorvixDoc& doc);
    ~CSplitterFrame() override;

    // Builds the splitter with the log view in column 0, `clientWidth` - 200 pixels wide,
    // and the marks view in column 1, connects the views, and makes the log view the
    // active view.
    bool OnCreateClient(int clientWidth);
    // The views' initial update: the log view checks its file and starts loading it (and
    // this window asks to be shown), or reports it missing and the window closes.
    void InitialUpdateFrame();

    CSplitterWnd* Splitter() const { return m_wndSplitter; }
    CQuorvixView* LogView() const;
    CQuorvixMarksView* MarksView() const;
    // The view that last had the focus; the log view until the user moves to the marks view.
    QWidget* GetActiveView() const { return m_activeView.data(); }
    void SetActiveView(QWidget* view);
    // Gives the keyboard focus to the active view's list.
    void FocusActiveView();
    CQuorvixDoc* Document() const { return m_doc; }

    // CDocumentWindow
    CommandHost* DocumentView() override;
    QWidget* DocumentDialogParent() override { return this; }
    // Also tells the log view the document's path, which the title follows.
    void ShowDocumentTitle(const QString& title) override;
    void ShowModified(bool modified) override;
    // Closes the window without asking about unsaved changes (the caller has asked), once
    // control is back in the event loop: the command that asked may be running in this
    // window. From now on the window is closing and its document is no longer listed.
    void CloseAfterCommand() override;
    // Closes it at once, without asking; never from a command of this window.
    void CloseWithoutAsking();
    bool IsClosing() const { return m_closing; }

    // The active view's commands, then the document's, then next and previous pane.
    bool OnCmdMsg(int id, bool execute) override;

signals:
    // The window has gone, its log view stopped: `doc` may go too. Once.
    void DocumentClosed(CQuorvixDoc* doc);
    // The log view found its file and loads it: the window is to be shown and activated.
    void ShowWanted(CSplitterFrame* frame);
    // Shown normal for the first time: the window is to be given its normal place.
    void PlaceWanted(CSplitterFrame* frame);
    // The active view changed: the commands' states follow.
    void ActiveViewChanged();
    void StatusTextChanged(const QString& text);
    // The log view could not show its file, which is missing or empty.
    void FileMissing(const QString& path);
    // Save As, answered (see CommandHost::OpenSavedFile), of this window's document.
    void SavedFileToShow(const QString& path, const CQuorvixDoc* savedFrom, bool newWindow);

protected:
    // Asks the document whether it may go (unsaved changes); once it may, tears down.
    void closeEvent(QCloseEvent* event) override;
    // Shown normal again (Restore, Cascade, Tile), the window keeps its active view and,
    // when it had the focus, gives it back to that view; a window that never had a normal
    // geometry of its own gets the main frame's default place instead of its first size.
    void changeEvent(QEvent* event) override;
    // Moved or resized while shown normal: that is its normal geometry from now on.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Stops the log view's reader and refill and frees its lines, then removes the
    // document. Runs once, as the window closes or, at the latest, as it is deleted.
    void Teardown();
    void OnFocusChanged(QWidget* now);
    bool IsShownNormal() const;
    void ActivateOtherPane();
    // The log view's signals, and the marks view's asks of the log view.
    void ConnectViews(CQuorvixView* log, CQuorvixMarksView* marks);

    CQuorvixDoc* m_doc;
    CSplitterWnd* m_wndSplitter = nullptr;
    QPointer<QWidget> m_activeView;
    bool m_closing = false;
    bool m_tornDown = false;
    bool m_changingState = false;
    bool m_hasNormalGeometry = false;
};
