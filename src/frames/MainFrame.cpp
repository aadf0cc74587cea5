#include "frames/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolBar>

#include "commands/Commands.h"
#include "core/DroppedPath.h"
#include "frames/AppServices.h"
#include "frames/DocManager.h"
#include "frames/KeyIndicators.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "frames/WindowGeometry.h"
#include "platform/Clipboard.h"
#include "platform/Prompts.h"
#include "platform/QtText.h"
#include "platform/Settings.h"
#include "res/FrameResources.h"
#include "res/Icons.h"
#include "res/Strings.h"
#include "view/FileProbe.h"
#include "view/FilterBar.h"
#include "view/QuorvixView.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A recent file as the File menu lists it: long paths lose their middle.
QString MenuPath(const QString& path) {
    constexpr qsizetype kMax = 60;
    if (path.size() <= kMax)
        return path;
    return path.left(20) + QStringLiteral("...") + path.right(kMax - 23);
}

// A caption for the menu: "&" doubled, so a path shows as it is.
QString Escaped(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

CMainFrame::CMainFrame(CAppServices& app)
    : m_app(app), m_docManager(std::make_unique<CDocManager>(app)),
      m_installedReadme(QString::fromUtf8(QUORVIX_INSTALLED_README)) {
    m_docManager->SetHost(this);
    QCoreApplication::installTranslator(&m_captionStyle);
    setWindowTitle(MainFrameCaption({}));
    setWindowIcon(res::MainFrameIcon());
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* frame = qobject_cast<CSplitterFrame*>(window))
            m_lastActive = frame;
        OnLogWindowsChanged();
    });
}

CMainFrame::~CMainFrame() {
    // The logs go while everything they tell still exists; their readers are joined.
    m_docManager->CloseAllDocuments();
    m_docManager->SetHost(nullptr);
    // The MDI area and its windows go after this object's own parts; what they signal
    // meanwhile must not reach it.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    // Every log window, those that are closing and no longer listed by the area too.
    for (QMdiSubWindow* window : m_mdiArea->findChildren<QMdiSubWindow*>())
        disconnect(window, nullptr, this, nullptr);
    QCoreApplication::removeTranslator(&m_captionStyle);
}

bool CMainFrame::LoadFrame() {
    CreateMenus();
    CreateShortcuts();
    if (!CreateToolBar() || !CreateStatusBar())
        return false;
    setAcceptDrops(true);

    // A start size near the screen's, so that log windows opened before the frame shows
    // are laid out for the size they will have.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 4 / 5, available.height() * 4 / 5);
        move(available.center() - rect().center());
    }
    ShowMenu(IDR_MAINFRAME);
    UpdateCommandUI();
    return true;
}

// ---- menus, accelerators, bars ------------------------------------------------------

QAction* CMainFrame::MakeCommandAction(int id) {
    if (QAction* existing = CommandAction(id))
        return existing;
    auto* action = new QAction(this);
    if (const res::Command* command = res::FindCommand(id)) {
        action->setText(FromUtf8(command->caption));
        // The menus show the shortcut beside the caption by themselves.
        action->setShortcut(QKeySequence(FromUtf8(command->shortcut), QKeySequence::PortableText));
        action->setStatusTip(FromUtf8(command->prompt));
        if (!command->tip.empty())
            action->setToolTip(FromUtf8(command->tip));
    }
    action->setData(id);
    action->setIconVisibleInMenu(false);
    // On the frame itself, the shortcut works whichever menu the bar shows, and for the
    // commands no menu lists.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::CommandAction(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus() {
    for (const int menuId : {IDR_MAINFRAME, IDR_QUORVIXTYPE}) {
        std::vector<QMenu*>& popups = m_menus[menuId];
        for (const res::MenuItem& popup : res::GetMenu(menuId)) {
            auto* menu = new QMenu(QString::fromUtf8(popup.caption), this);
            bool hasRecentFiles = false;
            bool isWindowMenu = false;
            for (const res::MenuItem& item : popup.items) {
                if (item.kind == res::MenuItem::Kind::Separator) {
                    menu->addSeparator();
                    continue;
                }
                QAction* action = MakeCommandAction(item.id);
                action->setEnabled(!item.grayed);
                menu->addAction(action);
                hasRecentFiles = hasRecentFiles || item.id == ID_FILE_MRU_FILE1;
                isWindowMenu = isWindowMenu || item.id == ID_WINDOW_CASCADE;
            }
            connect(menu, &QMenu::aboutToShow, this, [this, menu, hasRecentFiles, isWindowMenu] {
                UpdateCommandUI();
                if (hasRecentFiles)
                    UpdateRecentFileItems(menu);
                if (isWindowMenu)
                    UpdateWindowList(menu);
            });
            if (hasRecentFiles)
                m_recentItems[menu];
            popups.push_back(menu);
        }
    }
    for (const int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_FOLLOW, ID_VIEW_FILTERBAR})
        CommandAction(id)->setCheckable(true);
}

void CMainFrame::CreateShortcuts() {
    for (const res::Command& command : res::GetCommands()) {
        if (!command.shortcut.empty())
            MakeCommandAction(command.id);
    }
}

bool CMainFrame::CreateToolBar() {
    m_wndToolBar = addToolBar(FromUtf8(res::FindCommand(ID_VIEW_TOOLBAR)->tip));
    if (!m_wndToolBar)
        return false;
    m_wndToolBar->setObjectName(QStringLiteral("toolBar128"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const int id : res::GetToolBarButtons()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = MakeCommandAction(id);
        action->setIcon(res::ToolBarIcon(id));
        m_wndToolBar->addAction(action);
    }
    return true;
}

bool CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    if (!bar)
        return false;
    m_messagePane = new QLabel(QString::fromUtf8(res::kIdleMessage), bar);
    m_messagePane->setTextFormat(Qt::PlainText);
    // A long line must not widen the window.
    m_messagePane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_messagePane->setMinimumWidth(0);
    bar->addWidget(m_messagePane, 1);
    const char* texts[] = {res::kIndicatorCaps, res::kIndicatorNum, res::kIndicatorScroll};
    for (size_t i = 0; i < m_indicators.size(); ++i) {
        auto* indicator = new QLabel(QString::fromLatin1(texts[i]), bar);
        indicator->setFrameShape(QFrame::Panel);
        indicator->setFrameShadow(QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(indicator->text()) + 12);
        bar->addPermanentWidget(indicator);
        m_indicators[i] = indicator;
    }
    m_keyIndicators = new CKeyIndicators(m_indicators, this);
    m_followIndicator = new QLabel(QString::fromUtf8(res::kIndicatorFollow), bar);
    m_followIndicator->setFrameShape(QFrame::Panel);
    m_followIndicator->setFrameShadow(QFrame::Sunken);
    m_followIndicator->setAlignment(Qt::AlignCenter);
    m_followIndicator->setMinimumWidth(
        m_followIndicator->fontMetrics().horizontalAdvance(m_followIndicator->text()) + 12);
    m_followIndicator->setEnabled(false);
    bar->addPermanentWidget(m_followIndicator);
    return true;
}

void CMainFrame::ShowMenu(int id) {
    if (m_menuId == id)
        return;
    m_menuId = id;
    menuBar()->clear();
    for (QMenu* menu : m_menus.at(id))
        menuBar()->addMenu(menu);
}

void CMainFrame::UpdateRecentFileItems(QMenu* fileMenu) {
    const CRecentFileList& recent = m_app.RecentFileList();
    QStringList entries;
    for (int i = 0; i < recent.GetCount(); ++i)
        entries << recent[i];
    RecentItems& shown = m_recentItems[fileMenu];
    if (shown.built && shown.entries == entries)
        return;
    // An entry's action may be the one being triggered right now: it goes later.
    for (QAction* item : shown.actions) {
        fileMenu->removeAction(item);
        item->deleteLater();
    }
    shown.actions.clear();
    shown.entries = entries;
    shown.built = true;

    QAction* placeholder = CommandAction(ID_FILE_MRU_FILE1);
    placeholder->setVisible(recent.GetCount() == 0);
    for (int i = 0; i < recent.GetCount(); ++i) {
        auto* item = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(Escaped(MenuPath(PathForDisplay(recent[i])))), fileMenu);
        item->setStatusTip(FromUtf8(res::FindCommand(ID_FILE_MRU_FILE1)->prompt));
        const int id = ID_FILE_MRU_FILE1 + i;
        connect(item, &QAction::triggered, this, [this, id] { RunCommand(id); });
        fileMenu->insertAction(placeholder, item);
        shown.actions.push_back(item);
    }
}

void CMainFrame::UpdateWindowList(QMenu* windowMenu) {
    for (QAction* item : m_windowItems) {
        windowMenu->removeAction(item);
        item->deleteLater();
    }
    m_windowItems.clear();
    const std::vector<CSplitterFrame*> windows = LogWindows();
    if (windows.empty())
        return;
    m_windowItems.push_back(windowMenu->addSeparator());
    const CSplitterFrame* active = ActiveLogWindow();
    for (size_t i = 0; i < windows.size(); ++i) {
        QAction* item = windowMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(Escaped(windows[i]->windowTitle())));
        item->setCheckable(true);
        item->setChecked(windows[i] == active);
        QPointer<CSplitterFrame> target = windows[i];
        connect(item, &QAction::triggered, this, [this, target] {
            if (target)
                ActivateLogWindow(target);
        });
        m_windowItems.push_back(item);
    }
}

// ---- commands ---------------------------------------------------------------------------

void CMainFrame::RunCommand(int id) {
    RouteCommand(id, true);
    UpdateCommandUI();
}

bool CMainFrame::RouteCommand(int id, bool execute) {
    if (CSplitterFrame* child = ActiveLogWindow(); child && child->OnCmdMsg(id, execute))
        return true;
    if (OnCmdMsg(id, execute))
        return true;
    return m_app.OnCmdMsg(id, execute);
}

bool CMainFrame::OnCmdMsg(int id, bool execute) {
    switch (id) {
    case ID_HELP_README:
        if (execute)
            OnReadme();
        return true;
    case ID_VIEW_TOOLBAR:
        if (execute && m_wndToolBar)
            m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
        return m_wndToolBar != nullptr;
    case ID_VIEW_STATUS_BAR:
        if (execute)
            statusBar()->setVisible(!statusBar()->isVisible());
        return true;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
        if (LogWindows().empty())
            return false;
        if (execute)
            ArrangeLogWindows(id);
        return true;
    default:
        return false;
    }
}

void CMainFrame::UpdateCommandUI() {
    for (const auto& [id, action] : m_actions) {
        // The placeholder of the recent-file list stands for its first entry.
        action->setEnabled(RouteCommand(id, false));
    }
    if (QAction* toolBar = CommandAction(ID_VIEW_TOOLBAR); toolBar && m_wndToolBar)
        toolBar->setChecked(!m_wndToolBar->isHidden());
    if (QAction* statusBarItem = CommandAction(ID_VIEW_STATUS_BAR))
        statusBarItem->setChecked(!statusBar()->isHidden());
    const CSplitterFrame* active = ActiveLogWindow();
    const bool following = active && active->LogView() && active->LogView()->IsFollowing();
    if (QAction* follow = CommandAction(ID_VIEW_FOLLOW))
        follow->setChecked(following);
    if (QAction* filters = CommandAction(ID_VIEW_FILTERBAR)) {
        const CFilterBar* bar = active && active->LogView() ? active->LogView()->FilterBar() : nullptr;
        filters->setChecked(bar && !bar->isHidden());
    }
    if (m_followIndicator)
        m_followIndicator->setEnabled(following);
    for (auto& [menu, shown] : m_recentItems)
        UpdateRecentFileItems(menu);
}

// ---- log windows ---------------------------------------------------------------------------

int CMainFrame::LogWindowClientWidth() const {
    // Until the frame is on screen its layout has not run and the MDI area's size is a
    // placeholder; the frame's own width is the better guess then.
    return isVisible() ? m_mdiArea->viewport()->width() : std::max(m_mdiArea->viewport()->width(), width());
}

void CMainFrame::AddLogWindow(CSplitterFrame* frame) {
    m_mdiArea->addSubWindow(frame);
    // What the window tells the frame.
    connect(frame, &CSplitterFrame::ShowWanted, this, &CMainFrame::ShowLogWindow);
    connect(frame, &CSplitterFrame::PlaceWanted, this,
            [this](CSplitterFrame* placed) { placed->setGeometry(DefaultLogWindowGeometry(placed)); });
    connect(frame, &CSplitterFrame::ActiveViewChanged, this, &CMainFrame::UpdateCommandUI);
    connect(frame, &CSplitterFrame::StatusTextChanged, this, &CMainFrame::SetStatusText);
    // A new name (Save under another one), and a window maximized or restored, where the
    // MDI area writes the caption itself.
    connect(frame, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(frame, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle);
}

void CMainFrame::ShowLogWindow(CSplitterFrame* frame) {
    frame->showMaximized();
    ActivateLogWindow(frame);
}

void CMainFrame::ActivateLogWindow(CSplitterFrame* frame) {
    if (frame->isMinimized())
        frame->showNormal();
    m_lastActive = frame;
    m_mdiArea->setActiveSubWindow(frame);
    OnLogWindowsChanged();
}

CSplitterFrame* CMainFrame::ActiveLogWindow() const {
    const std::vector<CSplitterFrame*> windows = LogWindows();
    if (windows.empty())
        return nullptr;
    // The MDI area forgets its active window while the frame itself is inactive (a dialog
    // is up); the commands still belong to the window that was active.
    auto* current = qobject_cast<CSplitterFrame*>(m_mdiArea->currentSubWindow());
    for (CSplitterFrame* candidate : {current, m_lastActive.data()}) {
        if (candidate && std::find(windows.begin(), windows.end(), candidate) != windows.end())
            return candidate;
    }
    return windows.back();
}

std::vector<CSplitterFrame*> CMainFrame::LogWindows() const {
    std::vector<CSplitterFrame*> windows;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        auto* frame = qobject_cast<CSplitterFrame*>(window);
        if (frame && frame->Document() && !frame->IsClosing())
            windows.push_back(frame);
    }
    return windows;
}

void CMainFrame::OnLogWindowsChanged() {
    ShowMenu(LogWindows().empty() ? IDR_MAINFRAME : IDR_QUORVIXTYPE);
    UpdateCommandUI();
    UpdateFrameTitle();
}

void CMainFrame::UpdateFrameTitle() {
    const CSplitterFrame* active = ActiveLogWindow();
    setWindowTitle(MainFrameCaption(active ? active->windowTitle() : QString()));
}

void CMainFrame::ArrangeLogWindows(int id) {
    // Showing a maximized window normal hides it for a moment, and the focus leaves it for
    // the next pane that takes it, the marks view: each window keeps the view it had.
    CSplitterFrame* active = ActiveLogWindow();
    std::vector<std::pair<QPointer<CSplitterFrame>, QPointer<QWidget>>> views;
    for (CSplitterFrame* frame : LogWindows())
        views.emplace_back(frame, frame->GetActiveView());
    if (id == ID_WINDOW_CASCADE)
        CascadeLogWindows();
    else
        TileHorizontally();
    for (const auto& [frame, view] : views) {
        if (frame && view)
            frame->SetActiveView(view);
    }
    if (active && !active->isMinimized() && !active->isHidden()) {
        ActivateLogWindow(active);
        active->FocusActiveView();
    }
}

std::vector<CSplitterFrame*> CMainFrame::ArrangeableLogWindows() const {
    std::vector<CSplitterFrame*> windows;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        auto* frame = qobject_cast<CSplitterFrame*>(window);
        if (frame && frame->Document() && !frame->IsClosing() && frame->isVisible() && !frame->isMinimized())
            windows.push_back(frame);
    }
    return windows;
}

int CMainFrame::CascadeStep() const {
    // A title bar and the frame above it, as a log window draws them.
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList();
    const QWidget* sample = windows.isEmpty() ? static_cast<const QWidget*>(m_mdiArea) : windows.front();
    QStyleOptionTitleBar option;
    option.initFrom(sample);
    const int titleBar = sample->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sample);
    const int frame = sample->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sample);
    return std::max(titleBar + frame, 1);
}

CWindowGeometry CMainFrame::Geometry() const {
    return CWindowGeometry(m_mdiArea->viewport()->rect(), CascadeStep());
}

void CMainFrame::CascadeLogWindows() {
    const std::vector<CSplitterFrame*> windows = ArrangeableLogWindows();
    if (windows.empty())
        return;
    for (CSplitterFrame* frame : windows) {
        if (frame->isMaximized())
            frame->showNormal();
    }
    const std::vector<QRect> places = Geometry().Cascade(static_cast<int>(windows.size()));
    for (size_t i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(places[i]);
        windows[i]->raise();
    }
}

QRect CMainFrame::DefaultLogWindowGeometry(const CSplitterFrame* frame) const {
    const std::vector<CSplitterFrame*> windows = LogWindows();
    const auto found = std::find(windows.begin(), windows.end(), frame);
    return Geometry().DefaultPlace(static_cast<int>(found - windows.begin()));
}

void CMainFrame::TileHorizontally() {
    std::vector<CSplitterFrame*> windows;
    for (CSplitterFrame* frame : LogWindows()) {
        if (frame->isVisible() && !frame->isMinimized())
            windows.push_back(frame);
    }
    if (windows.empty())
        return;
    for (CSplitterFrame* frame : windows) {
        if (frame->isMaximized())
            frame->showNormal();
    }
    const std::vector<QRect> places = Geometry().Tile(static_cast<int>(windows.size()));
    for (size_t i = 0; i < windows.size(); ++i)
        windows[i]->setGeometry(places[i]);
}

// ---- status bar ---------------------------------------------------------------------------

void CMainFrame::SetStatusText(const QString& text) {
    if (!m_messagePane)
        return;
    m_statusText = text;
    // The pane shows one line; a line's own line feed is not part of what it shows.
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_messagePane->setText(shown.trimmed());
    // Painted at once, so a text set before a long command shows during it; but not more
    // often than a screen could show it: painting at once paints the whole window's
    // pending changes, and F3 held down (or a script of F3s) changes the status text on
    // every press. In between, the pane paints with the window's next paint.
    constexpr qint64 kImmediatePaintGapMs = 40;
    if (!m_statusPainted.isValid() || m_statusPainted.elapsed() >= kImmediatePaintGapMs) {
        m_messagePane->repaint();
        m_statusPainted.start();
    } else {
        m_messagePane->update();
    }
}

QString CMainFrame::StatusText() const {
    return m_messagePane ? m_statusText : QString();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetStatusText(tip.isEmpty() ? QString::fromUtf8(res::kIdleMessage) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_docManager->SaveAllModified()) {
        event->ignore();
        return;
    }
    m_docManager->CloseAllDocuments();
    event->accept();
}

// ---- drops and the readme ----------------------------------------------------------------

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    OnDropFiles(paths);
}

void CMainFrame::OnDropFiles(const QStringList& paths) {
    m_droppedPaths = paths;
    update();
    // Opened from the event loop, once the desktop's drag is over. The paths are read then:
    // of two drops before it runs, both calls open the second drop's paths.
    if (!m_droppedPaths.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { OnOpenDroppedFiles(); }, Qt::QueuedConnection);
}

void CMainFrame::OnOpenDroppedFiles() {
    OpenDroppedPaths(m_droppedPaths, PathToBytes,
                     [this](const QString& path) { m_docManager->OpenDocumentFile(path); });
}

void CMainFrame::OnReadme() {
    const auto hasText = [](const QString& path) { return ProbeFile(path).HasText(); };
    // Relative on purpose: the readme of the directory the program runs in comes first. One
    // started from the desktop's menu has none there, and gets the program's own.
    const QString readme = AbsolutePath(QStringLiteral("readme.txt"));
    if (hasText(readme))
        OpenWithDefaultProgram(readme);
    else if (hasText(m_installedReadme))
        OpenWithDefaultProgram(m_installedReadme);
}
