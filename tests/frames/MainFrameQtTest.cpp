#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>
#include <filesystem>

#include "frames/KeyIndicators.h"
#include "frames/MarksView.h"
#include "support/AppHarness.h"
#include "view/FilterBar.h"
#include "view/LogListBox.h"

namespace {

// A menu as text: "caption" per item (with "\tshortcut" when it has one), "-" per
// separator; the recent-file entries (added at run time) are left out. With the state, disabled items are
// marked with a leading "~" and hidden ones left out.
QStringList Dump(const QMenu* menu, bool withState = false) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << QStringLiteral("-");
            continue;
        }
        if (withState && !action->isVisible())
            continue;
        QString text = action->text();
        if (!action->shortcut().isEmpty())
            text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::PortableText);
        if (text.size() > 1 && text[0] == QLatin1Char('&') && text[1].isDigit())
            continue;
        items << ((withState && !action->isEnabled()) ? QStringLiteral("~") + text : text);
    }
    return items;
}

QStringList Titles(const std::vector<QMenu*>& menus) {
    QStringList titles;
    for (const QMenu* menu : menus)
        titles << menu->title();
    return titles;
}

QStringList BarTitles(QMenuBar* bar) {
    QStringList titles;
    for (const QAction* action : bar->actions())
        titles << action->text();
    return titles;
}

} // namespace

TEST(MainFrame, MenusAreTheTablesAndFollowTheLogWindows) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();

    const std::vector<QMenu*>& bare = frame.Menus(128);
    EXPECT_EQ(Titles(bare), QStringList({"&File", "&View", "&Help"}));
    EXPECT_EQ(Dump(bare[0]),
              QStringList({"&Open...\tCtrl+O", "-", "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
    EXPECT_EQ(Dump(bare[1]), QStringList({"&Toolbar", "&Status Bar"}));
    EXPECT_EQ(Dump(bare[2]), QStringList({"&Readme", "&About Quorvix..."}));

    const std::vector<QMenu*>& log = frame.Menus(129);
    EXPECT_EQ(Titles(log), QStringList({"&File", "&Edit", "&View", "&Window", "&Options", "&Help"}));
    EXPECT_EQ(Dump(log[0]), QStringList({"&Open...\tCtrl+O", "&Close", "&Save\tCtrl+S", "Save &As...", "-",
                                         "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "-",
                                         "Recent File", "-", "E&xit"}));
    EXPECT_EQ(Dump(log[1]), QStringList({"&Copy\tCtrl+C", "-", "&Find\tCtrl+F", "Clear Sel", "-",
                                         "&Bookmark\tF2", "&Next Mark\tF3"}));
    EXPECT_EQ(Dump(log[2]), QStringList({"&Toolbar", "&Status Bar", "-", "&Options\tCtrl+Shift+O",
                                         "&Bookmarks\tCtrl+Shift+B", "&Follow\tCtrl+Shift+F",
                                         "F&ilter Bar\tCtrl+Shift+L"}));
    EXPECT_EQ(Dump(log[3]), QStringList({"&Cascade", "&Tile"}));
    EXPECT_EQ(Dump(log[4]), QStringList({"&Analyze\tCtrl+A"}));
    EXPECT_EQ(Dump(log[5]), QStringList({"&Readme", "&About Quorvix..."}));

    // Without a log window: menu 128; what nobody handles is gray (the empty recent list too).
    EXPECT_EQ(frame.MenuId(), 128);
    EXPECT_EQ(BarTitles(frame.menuBar()), QStringList({"&File", "&View", "&Help"}));
    emit bare[0]->aboutToShow();
    EXPECT_EQ(Dump(bare[0], true),
              QStringList({"&Open...\tCtrl+O", "-", "~P&rint Setup...", "-", "~Recent File", "-", "E&xit"}));

    // With a log window: menu 129, and the log view's commands are on.
    CSplitterFrame* window = harness.OpenAndLoad(harness.Write("a.log", "x ERROR\n"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(frame.MenuId(), 129);
    EXPECT_EQ(BarTitles(frame.menuBar()), Titles(log));
    emit log[0]->aboutToShow();
    EXPECT_EQ(Dump(log[0], true),
              QStringList({"&Open...\tCtrl+O", "&Close", "&Save\tCtrl+S", "Save &As...", "-",
                           "~&Print...\tCtrl+P", "~Print Pre&view", "~P&rint Setup...", "-", "-", "E&xit"}));
    for (QMenu* menu : {log[1], log[2], log[3], log[4], log[5]}) {
        for (const QString& item : Dump(menu, true))
            EXPECT_FALSE(item.startsWith(QLatin1Char('~'))) << item.toStdString();
    }

    // With the marks view active, the log view's commands leave the route; the document's
    // stay.
    window->SetActiveView(window->MarksView());
    EXPECT_FALSE(frame.CommandAction(57634)->isEnabled());
    EXPECT_FALSE(frame.CommandAction(32775)->isEnabled());
    EXPECT_TRUE(frame.CommandAction(57603)->isEnabled());
    frame.RouteCommand(ID_NEXT_PANE, true);
    EXPECT_EQ(window->GetActiveView(), window->LogView());
    EXPECT_TRUE(frame.CommandAction(57634)->isEnabled());

    // View > Filter Bar shows the active log's bar, and its check says whether it shows.
    for (const bool shown : {true, false}) {
        frame.RouteCommand(ID_VIEW_FILTERBAR, true);
        frame.UpdateCommandUI();
        EXPECT_EQ(frame.CommandAction(ID_VIEW_FILTERBAR)->isChecked(), shown);
        EXPECT_EQ(window->LogView()->FilterBar()->isHidden(), !shown);
    }

    // The last log window gone: menu 128 again.
    window->close();
    AppHarness::Settle();
    EXPECT_EQ(frame.MenuId(), 128);
    EXPECT_EQ(BarTitles(frame.menuBar()), QStringList({"&File", "&View", "&Help"}));
}

TEST(MainFrame, AcceleratorsToolBarAndPrompts) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();

    // The shortcuts: each command's one action has its key.
    std::map<QString, int> accelerators;
    for (QAction* action : frame.actions()) {
        if (!action->shortcut().isEmpty())
            accelerators[action->shortcut().toString(QKeySequence::PortableText)] = action->data().toInt();
    }
    const std::map<QString, int> expected = {
        {"Ctrl+A", 32775},   {"Ctrl+Shift+B", 32776}, {"Ctrl+Shift+F", 32780}, {"Ctrl+C", 57634},
        {"Ctrl+F", 57636},   {"Ctrl+O", 57601},       {"Ctrl+Shift+O", 32772}, {"Ctrl+P", 57607},
        {"Ctrl+S", 57603},   {"F2", 32773},           {"F3", 32774},           {"F6", 57680},
        {"Shift+F6", 57681}, {"Ctrl+Shift+L", 32781},
    };
    EXPECT_EQ(accelerators, expected);

    // Tool bar 128: ten entries, tool tips and prompts from the string table.
    QStringList buttons;
    for (QAction* action : frame.ToolBar()->actions()) {
        buttons << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull()) << action->toolTip().toStdString();
        }
    }
    EXPECT_EQ(buttons,
              QStringList({"Open", "-", "Find", "Copy", "Clear Sel", "Follow", "-", "Print", "-", "About"}));
    EXPECT_EQ(frame.CommandAction(57601)->statusTip(), "Open an existing document");
    EXPECT_EQ(frame.CommandAction(57633)->statusTip(), "Clear all Selection");
    EXPECT_EQ(frame.CommandAction(32776)->statusTip(), "View all Bookmarks");
    EXPECT_EQ(frame.CommandAction(32779)->statusTip(), "Display readme information");
    // Print has no handler anywhere, with or without a log.
    EXPECT_FALSE(frame.CommandAction(57607)->isEnabled());
    ASSERT_NE(harness.OpenAndLoad(harness.Write("a.log", "x\n")), nullptr);
    EXPECT_FALSE(frame.CommandAction(57607)->isEnabled());
    EXPECT_TRUE(frame.CommandAction(57636)->isEnabled());

    // Status bar: the message pane, then CAP, NUM, SCRL and FOLLOW.
    QStringList panes;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        panes << label->text();
    EXPECT_EQ(panes, QStringList({"Ready", "CAP", "NUM", "SCRL", "FOLLOW"}));

    // A command's prompt while the pointer is on it, "Ready" once it leaves.
    frame.CommandAction(57636)->showStatusText(frame.menuBar());
    EXPECT_EQ(frame.StatusText(), "Find the specified text");
    QStatusTipEvent leave{QString()};
    QCoreApplication::sendEvent(&frame, &leave);
    EXPECT_EQ(frame.StatusText(), "Ready");

    // SetStatusText keeps the text as given; the pane shows it on one line.
    frame.SetStatusText(QStringLiteral("[3] <b>line</b>\n"));
    EXPECT_EQ(frame.StatusText(), "[3] <b>line</b>\n");
    EXPECT_EQ(frame.statusBar()->findChildren<QLabel*>().front()->text(), "[3] <b>line</b>");

    // Before the status bar exists, nothing happens.
    CMainFrame unloaded(*harness.app);
    unloaded.SetStatusText(QStringLiteral("lost"));
    EXPECT_EQ(unloaded.StatusText(), QString());

    // Toolbar and Status Bar toggle their bars and show their state.
    frame.RouteCommand(ID_VIEW_TOOLBAR, true);
    EXPECT_TRUE(frame.ToolBar()->isHidden());
    frame.UpdateCommandUI();
    EXPECT_FALSE(frame.CommandAction(ID_VIEW_TOOLBAR)->isChecked());
    frame.RouteCommand(ID_VIEW_TOOLBAR, true);
    EXPECT_FALSE(frame.ToolBar()->isHidden());
    frame.RouteCommand(ID_VIEW_STATUS_BAR, true);
    EXPECT_TRUE(frame.statusBar()->isHidden());
    frame.RouteCommand(ID_VIEW_STATUS_BAR, true);
    EXPECT_FALSE(frame.statusBar()->isHidden());
}

TEST(MainFrame, DroppedPathsOpenByTheExtensionRule) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();
    std::filesystem::create_directories(harness.PathOf("logs.dat").toStdString());
    const QString readme = harness.Write("readme", "r\n");
    const QString profile = harness.Write(".profile", "p\n");
    const QString log = harness.Write("x.log", "x\n");
    const QString upper = harness.Write("a.TXT", "a\n");
    const QString inDat = harness.Write("logs.dat/x.log", "d\n");
    const QString backup = harness.Write("notes.txt.bak", "n\n");

    frame.OnDropFiles({readme, log, profile, upper, inDat, backup});
    EXPECT_TRUE(harness.Docs().Documents().empty()); // opened from the event loop
    AppHarness::Settle();
    QStringList opened;
    for (CQuorvixDoc* doc : harness.Docs().Documents())
        opened << doc->GetPathName();
    EXPECT_EQ(opened, QStringList({readme, profile, inDat, backup}));
    EXPECT_EQ(harness.prompts.Requests().size(), 0u);

    // Two drops before the first is handled: both messages open the second drop's paths.
    harness.Docs().CloseAllDocuments();
    AppHarness::Settle();
    const QString notes = harness.Write("notes.dat", "n\n");
    frame.OnDropFiles({readme});
    frame.OnDropFiles({notes});
    EXPECT_EQ(frame.DroppedPaths(), QStringList{notes});
    AppHarness::Settle();
    ASSERT_EQ(harness.Docs().Documents().size(), 1u);
    EXPECT_EQ(harness.Docs().Documents().front()->GetPathName(), notes);

    // A path longer than 259 characters opens whole.
    harness.Docs().CloseAllDocuments();
    std::string deep;
    while (deep.size() < 300)
        deep += "a-rather-long-directory-name/";
    std::filesystem::create_directories(harness.PathOf(deep).toStdString());
    const QString longPath = harness.Write(deep + "long.log.txt", "l\n");
    ASSERT_GT(longPath.size(), 259);
    frame.OnDropFiles({longPath});
    AppHarness::Settle();
    ASSERT_EQ(harness.Docs().Documents().size(), 1u);
    EXPECT_EQ(harness.Docs().Documents().front()->GetPathName(), longPath);

    // The desktop's drop: local files are taken, anything else is refused.
    harness.Docs().CloseAllDocuments();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(readme)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &drop);
    EXPECT_EQ(frame.DroppedPaths(), QStringList{readme});
    AppHarness::Settle();
    EXPECT_NE(harness.Docs().FindDocument(readme), nullptr);
    QMimeData text;
    text.setText(QStringLiteral("just text"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&frame, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(MainFrame, ReadmeOpensTheWorkingDirectorysElseTheInstalledOneWhenNotEmpty) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    TempDir share;
    harness.Frame().SetInstalledReadme(QString::fromStdString(share.File("readme.txt")));
    harness.Frame().RouteCommand(ID_HELP_README, true);
    harness.Write("readme.txt", "");
    share.Write("readme.txt", "");
    harness.Frame().RouteCommand(ID_HELP_README, true);
    EXPECT_EQ(harness.prompts.Count(PromptKind::OpenExternal), 0);

    // As from the desktop's menu: nothing in the working directory, the installed one.
    const QString installed = QString::fromStdString(share.Write("readme.txt", "Installed.\n"));
    harness.Frame().RouteCommand(ID_HELP_README, true);
    ASSERT_EQ(harness.prompts.Count(PromptKind::OpenExternal), 1);
    EXPECT_EQ(harness.prompts.Requests().back().defaultPath, installed);

    const QString readme = harness.Write("readme.txt", "Read me.\n");
    harness.Frame().RouteCommand(ID_HELP_README, true);
    ASSERT_EQ(harness.prompts.Count(PromptKind::OpenExternal), 2);
    EXPECT_EQ(harness.prompts.Requests().back().defaultPath, readme);
}

TEST(MainFrame, CascadeAndTileArrangeTheLogWindows) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();
    EXPECT_FALSE(frame.RouteCommand(ID_WINDOW_TILE_HORZ, false)); // nothing to arrange
    for (const char* name : {"1.log", "2.log", "3.log"})
        ASSERT_NE(harness.OpenAndLoad(harness.Write(name, "x\n")), nullptr);

    frame.RouteCommand(ID_WINDOW_TILE_HORZ, true);
    const QRect area = frame.MdiClient()->viewport()->rect();
    std::vector<int> tops;
    for (CSplitterFrame* window : frame.LogWindows()) {
        EXPECT_FALSE(window->isMaximized());
        EXPECT_EQ(window->geometry().left(), 0);
        EXPECT_EQ(window->geometry().width(), area.width());
        EXPECT_NEAR(window->geometry().height(), area.height() / 3, 1);
        tops.push_back(window->geometry().top());
    }
    std::sort(tops.begin(), tops.end());
    EXPECT_EQ(tops, (std::vector<int>{0, area.height() / 3, 2 * (area.height() / 3)}));

    frame.RouteCommand(ID_WINDOW_CASCADE, true);
    std::vector<QPoint> corners;
    for (CSplitterFrame* window : frame.LogWindows())
        corners.push_back(window->geometry().topLeft());
    ASSERT_EQ(corners.size(), 3u);
    EXPECT_NE(corners[0], corners[1]);
    EXPECT_NE(corners[1], corners[2]);
}

TEST(SplitterFrame, LogViewLeftMarksViewRight) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CSplitterFrame* window = harness.OpenAndLoad(harness.Write("a.log", "x\n"));
    ASSERT_NE(window, nullptr);
    CQuorvixView* log = window->LogView();
    CQuorvixMarksView* marks = window->MarksView();
    ASSERT_NE(log, nullptr);
    ASSERT_NE(marks, nullptr);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(window->GetActiveView(), log);
    EXPECT_EQ(marks->BookmarkList().GetCount(), 0);

    // The log view takes the client width less 200 pixels; the marks view the rest.
    const CSplitterWnd* splitter = window->Splitter();
    EXPECT_EQ(log->x(), 0);
    EXPECT_EQ(log->width(), splitter->width() - CSplitterFrame::kMarksWidth);
    EXPECT_EQ(marks->x() + marks->width(), splitter->width());
    // Until the user moves the divider the marks view keeps its width as the window grows.
    const int logWidth = log->width();
    harness.Frame().resize(harness.Frame().width() + 120, harness.Frame().height());
    AppHarness::Settle();
    EXPECT_EQ(log->width(), logWidth + 120);
    EXPECT_EQ(log->width(), splitter->width() - CSplitterFrame::kMarksWidth);
    // A divider the user moved stays where it is; the log view takes what the window gains.
    window->Splitter()->setSizes({300, splitter->width() - 300 - splitter->handleWidth()});
    emit window->Splitter()->splitterMoved(300, 1);
    harness.Frame().resize(harness.Frame().width() + 50, harness.Frame().height());
    AppHarness::Settle();
    EXPECT_EQ(log->width(), 350);
    EXPECT_EQ(marks->x() + marks->width(), splitter->width());
}

TEST(KeyIndicators, FollowTheKeyboardLeds) {
    TempDir leds;
    EXPECT_EQ(ReadLockKeyState(leds.File("missing")), LockKeyState{});
    for (const char* led :
         {"input3::capslock", "input3::numlock", "input3::scrolllock", "input9::numlock", "phy0-led"})
        std::filesystem::create_directories(leds.File(led));
    leds.Write("input3::capslock/brightness", "1\n");
    leds.Write("input3::numlock/brightness", "0\n");
    leds.Write("input3::scrolllock/brightness", "0\n");
    leds.Write("input9::numlock/brightness", "1\n"); // a second keyboard
    leds.Write("phy0-led/brightness", "1\n");
    EXPECT_EQ(ReadLockKeyState(leds.Path()), (LockKeyState{true, true, false}));
}
