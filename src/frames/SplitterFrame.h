// CSplitterFrame: the window of one open log, a child window of the main frame's MDI
// area. Its client area is a splitter with one row and two columns: the log view
// (CQuorvixView) on the left and the marks view (CQuorvixMarksView) on the right, both
// showing the same document. The two views find each other with GetSplitterPane.
//
// Ownership: the MDI area owns the window (it deletes itself once closed); the window owns
// the splitter and both views (Qt children). The document belongs to the document
// manager; the window removes it as it goes, after the log view has stopped its reader
// and refill. GUI thread only.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QSplitter>

#include "platform/CmdTarget.h"
#include "view/QuorvixView.h"

class CAppServices;
class CMainFrame;
class CQuorvixDoc;
class CQuorvixMarksView;

// A static splitter of one row: panes are addressed by (row, column).
class CSplitterWnd : public QSplitter {
    Q_OBJECT

public:
    explicit CSplitterWnd(QWidget* parent = nullptr);

    // The pane in `row`, `column`, or null when there is none.
    QWidget* GetPane(int row, int column) const;
    // Column 0 asks for `width` pixels of a client area `clientWidth` wide, so the last
    // column gets `clientWidth` - `width`. The window's real size is known only once it is
    // on screen (and maximized), so until the user moves the divider every layout gives
    // the last column that width and the first column the rest. After that the divider
    // stays where the user put it and the first column takes what the window gains.
    void SetFirstColumnWidth(int width, int clientWidth);
    // Whether the user has moved the divider.
    bool DividerMoved() const { return m_dividerMoved; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceColumns();

    int m_lastColumnWidth = -1; // -1: nothing asked for
    bool m_dividerMoved = false;
};

class CSplitterFrame : public QMdiSubWindow, public CLogViewSite, public CCmdTarget {
    Q_OBJECT

public:
    // The width the marks view gets at the start.
    static constexpr int kMarksWidth = 200;

    CSplitterFrame(CQuorvixDoc& doc, CAppServices& app, CMainFrame& mainFrame);
    ~CSplitterFrame() override;

    // Builds the splitter with the log view in column 0, `clientWidth` - 200 pixels wide,
    // and the marks view in column 1, and makes the log view the active view.
    bool OnCreateClient(int clientWidth);
    // The views' initial update: the log view checks its file and starts loading it (and
    // shows this window), or reports it missing and closes the window.
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

    // Closes the window without asking about unsaved changes (the caller has asked).
    void CloseWithoutAsking();

    // The active view's commands, then the document's, then next and previous pane.
    bool OnCmdMsg(int id, bool execute) override;

    // CLogViewSite
    QString DocumentPath() const override;
    bool IsModified() const override;
    void SetModifiedFlag(bool modified) override;
    CListBox* MarksList() override;
    void RefreshMarks() override;
    void SetStatusText(const QString& text) override;
    void OpenDocumentFile(const QString& path) override;
    void OpenSavedFile(const QString& path) override;
    bool RemoveRecentFile(const QString& path) override;
    void ShowFrame() override;
    void CloseFrame() override;

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

    CQuorvixDoc* m_doc;
    CAppServices& m_app;
    CMainFrame& m_mainFrame;
    CSplitterWnd* m_wndSplitter = nullptr;
    QPointer<QWidget> m_activeView;
    bool m_closing = false;
    bool m_tornDown = false;
    bool m_changingState = false;
    bool m_hasNormalGeometry = false;
};

// The view in row 0, column `index` of the splitter that holds `view`: index 0 the log
// view, 1 the marks view. Null without a view, for an index outside 0..2, for a column
// the splitter does not have (2), and for a view that is not in a splitter.
QWidget* GetSplitterPane(const QWidget* view, int index);
