// CMainFrame: the application's one top-level window. An MDI frame (a QMainWindow around
// a QMdiArea) with the menu bar, the accelerators, a dockable tool bar and a status bar.
// It shows menu 128 while no log window is open and menu 129 while one is; it routes
// every menu command, accelerator and tool-bar button along the command route (active
// view, its document, its log window, this frame, the application) and enables exactly
// the commands some target there handles. It opens files dropped onto it or onto any log
// window (Qt passes a drop up from the widget under it), shows the readme, arranges the
// log windows, and shows texts in the status bar's message pane.
//
// Ownership: the application owns the frame; the frame owns its bars, menus and actions
// (Qt children), the document manager, which is the one place logs are opened and their
// windows made, and, through the MDI area, the log windows. GUI thread only.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <array>
#include <map>
#include <memory>
#include <vector>

#include "frames/FrameCaption.h"
#include "frames/LogWindowHost.h"
#include "platform/CmdTarget.h"

class CAppServices;
class CKeyIndicators;
class CDocManager;
class CSplitterFrame;
class CWindowGeometry;
class QMdiArea;
class QMenu;

class CMainFrame : public QMainWindow, public CCmdTarget, public CLogWindowHost {
    Q_OBJECT

public:
    explicit CMainFrame(CAppServices& app);
    ~CMainFrame() override;

    // Builds the menus, the accelerators, the tool bar and the status bar, and accepts
    // dropped files. The frame is not shown yet. False when a part could not be made.
    bool LoadFrame();

    // The documents and the factory of their log windows.
    CDocManager& Docs() const { return *m_docManager; }

    // ---- the log windows (CLogWindowHost) ----
    QMdiArea* MdiClient() const { return m_mdiArea; }
    QWidget* HostWidget() override { return this; }
    // The client width a new log window starts with.
    int LogWindowClientWidth() const override;
    // Adds a new log window to the MDI area, not shown yet.
    void AddLogWindow(CSplitterFrame* frame) override;
    // Shows a log window maximized and makes it the active one.
    void ShowLogWindow(CSplitterFrame* frame);
    void ActivateLogWindow(CSplitterFrame* frame) override;
    // The active log window, null when none is open.
    CSplitterFrame* ActiveLogWindow() const;
    // The open log windows, in the MDI area's order (windows closing are left out).
    std::vector<CSplitterFrame*> LogWindows() const;
    // A log window came or went: the menu, the commands and the caption follow.
    void OnLogWindowsChanged() override;
    // The caption names the active log window: "Quorvix - NAME", or "Quorvix" without one.
    void UpdateFrameTitle();
    // Window menu, for the windows neither hidden nor minimized (maximized ones are shown
    // normal first): Cascade staggers them from the top left corner in their stacking order,
    // each a title bar's height right of and below the one before and all of one size, most
    // of the client area; Tile lays them out one above the other, each the full width.
    // Either way the active window stays active and its active view keeps the focus.
    void CascadeLogWindows();
    void TileHorizontally();
    // The normal geometry of a log window that never had one of its own (it opened
    // maximized): its place in a cascade of every log window, as the desktop gives a new
    // window.
    QRect DefaultLogWindowGeometry(const CSplitterFrame* frame) const;

    // ---- the status bar ----
    // Puts `text` into the message pane at once; nothing when the status bar is gone.
    void SetStatusText(const QString& text);
    // What the message pane shows.
    QString StatusText() const;

    // ---- commands ----
    // Offers command `id` to the route; runs it there when `execute` is set. False when no
    // target handles it.
    bool RouteCommand(int id, bool execute);
    // This frame's own commands: Readme, Toolbar, Status Bar, Cascade, Tile.
    bool OnCmdMsg(int id, bool execute) override;
    // Brings the enabled state of every menu item, button and accelerator up to date, and
    // the recent-file entries of the File menus.
    void UpdateCommandUI();
    // 128 or 129: the menu the menu bar shows.
    int MenuId() const { return m_menuId; }
    // The action of command `id` in the menus and tool bar, null for none. The recent-file
    // entries have actions of their own, in their File menu.
    QAction* CommandAction(int id) const;
    // The popups of menu `id`.
    const std::vector<QMenu*>& Menus(int id) const { return m_menus.at(id); }
    QToolBar* ToolBar() const { return m_wndToolBar; }

    // ---- drops from the desktop ----
    // Records the paths of one drop (replacing the last drop's) and, when there are any,
    // opens them from the event loop (OnOpenDroppedFiles).
    void OnDropFiles(const QStringList& paths);
    const QStringList& DroppedPaths() const { return m_droppedPaths; }

    // Help > Readme: readme.txt of the working directory in the desktop's program for it,
    // else the readme installed with the program (which says where the configuration is
    // looked for); nothing when neither is there with some text in it.
    void OnReadme();
    // The installed readme OnReadme falls back to; tests point it elsewhere.
    void SetInstalledReadme(const QString& path) { m_installedReadme = path; }

protected:
    // Command prompts go to the message pane.
    bool event(QEvent* event) override;
    // Asks about unsaved changes of every log; closes them all unless one is kept.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The one action of command `id`, made from the command table the first time.
    QAction* MakeCommandAction(int id);
    void CreateMenus();
    // The actions of the commands with a shortcut that no menu or bar made.
    void CreateShortcuts();
    bool CreateToolBar();
    bool CreateStatusBar();
    void ShowMenu(int id);
    void RunCommand(int id);
    void UpdateRecentFileItems(QMenu* fileMenu);
    void UpdateWindowList(QMenu* windowMenu);
    // Runs Cascade or Tile; the focus and each window's active view stay where they were.
    void ArrangeLogWindows(int id);
    std::vector<CSplitterFrame*> ArrangeableLogWindows() const;
    // The offset from one window of a cascade to the next: a title bar and the frame above it.
    int CascadeStep() const;
    // Cascade and tile places in the client area as it is now.
    CWindowGeometry Geometry() const;
    void OnOpenDroppedFiles();

    CAppServices& m_app;
    std::unique_ptr<CDocManager> m_docManager;
    CMdiCaptionStyle m_captionStyle;
    QMdiArea* m_mdiArea = nullptr;
    QPointer<QToolBar> m_wndToolBar;
    QPointer<QLabel> m_messagePane;
    QString m_statusText;
    // When the message pane was last painted at once (see SetStatusText).
    QElapsedTimer m_statusPainted;
    std::array<QLabel*, 3> m_indicators{};
    // Lit while the active log is followed.
    QLabel* m_followIndicator = nullptr;
    CKeyIndicators* m_keyIndicators = nullptr; // a child of this frame
    QStringList m_droppedPaths;
    QString m_installedReadme;

    // One action per command, shared by the menus, the tool bar and the shortcut.
    std::map<int, QAction*> m_actions;
    std::map<int, std::vector<QMenu*>> m_menus;
    // Per File menu: the recent-file entries shown in place of the "Recent File" item.
    struct RecentItems {
        QStringList entries; // what the actions show
        std::vector<QAction*> actions;
        bool built = false;
    };
    std::map<QMenu*, RecentItems> m_recentItems;
    std::vector<QAction*> m_windowItems;
    int m_menuId = 0;
    QPointer<CSplitterFrame> m_lastActive;
};
