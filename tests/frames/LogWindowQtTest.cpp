// Log windows as the user arranges them: Cascade, Tile and Restore give every window a
// place where its lines can be read, the log view keeps the focus through them, the log
// list scrolls to the end of its widest line, and the status bar follows the caret line.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QFontMetricsF>
#include <QMdiArea>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <string>

#include "commands/Commands.h"
#include "frames/MarksView.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace {

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "line " + std::to_string(i) + " of the log\n";
    return text;
}

// Three logs open, each maximized as it opened, the last one active with the focus in its
// log list.
class LogWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.Start());
        for (const char* name : {"1.log", "2.log", "3.log"}) {
            CSplitterFrame* window = harness.OpenAndLoad(harness.Write(name, Lines(200)));
            ASSERT_NE(window, nullptr);
            windows.push_back(window);
        }
        Frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
        Active().LogView()->LogList().setFocus();
        AppHarness::Settle();
        ASSERT_EQ(QApplication::focusWidget(), &Active().LogView()->LogList());
    }

    CMainFrame& Frame() { return harness.Frame(); }
    CSplitterFrame& Active() { return *windows.back(); }
    QRect Area() { return Frame().MdiClient()->viewport()->rect(); }
    void Run(int id) {
        ASSERT_TRUE(Frame().RouteCommand(id, true));
        AppHarness::Settle();
    }

    // A window a user can read: inside the client area, not a title bar alone, lines in
    // view, the log view on the left less the marks view's 200 pixels.
    static void ExpectReadable(CSplitterFrame& window, QRect area, int minWidth, int minHeight,
                               int minRows = 10) {
        SCOPED_TRACE(window.windowTitle().toStdString());
        EXPECT_FALSE(window.isMaximized());
        EXPECT_TRUE(area.contains(window.geometry()))
            << window.geometry().x() << "," << window.geometry().y();
        EXPECT_GE(window.width(), minWidth);
        EXPECT_GE(window.height(), minHeight);
        CQuorvixView* log = window.LogView();
        EXPECT_EQ(log->x(), 0);
        EXPECT_EQ(log->width(), window.Splitter()->width() - CSplitterFrame::kMarksWidth);
        EXPECT_GE(log->LogList().VisibleRowCount(), minRows);
    }

    AppHarness harness;
    std::vector<CSplitterFrame*> windows;
};

} // namespace

TEST_F(LogWindowsTest, CascadeStaggersWindowsOfMostOfTheAreaByATitleBar) {
    Run(ID_WINDOW_CASCADE);
    const QRect area = Area();
    // In stacking order, the active window on top and last.
    const QList<QMdiSubWindow*> stacked = Frame().MdiClient()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacked.size(), 3);
    EXPECT_EQ(stacked.back(), &Active());
    EXPECT_EQ(Frame().ActiveLogWindow(), &Active());
    const QPoint step = stacked[1]->pos() - stacked[0]->pos();
    EXPECT_EQ(stacked[0]->pos(), area.topLeft());
    EXPECT_EQ(step.x(), step.y());
    // Each window's title bar stays in view below the next one.
    EXPECT_GE(step.y(), stacked[0]->widget()->y());
    EXPECT_LT(step.y(), 3 * stacked[0]->widget()->y());
    EXPECT_EQ(stacked[2]->pos() - stacked[1]->pos(), step);
    for (QMdiSubWindow* window : stacked) {
        EXPECT_EQ(window->size(), stacked[0]->size());
        ExpectReadable(*qobject_cast<CSplitterFrame*>(window), area, area.width() * 2 / 3,
                       area.height() * 2 / 3);
    }
    // Two offsets in all: the last window ends at the area's corner.
    EXPECT_EQ(stacked[2]->geometry().bottomRight(), area.bottomRight());
}

TEST_F(LogWindowsTest, TileAndRestoreGiveReadableWindows) {
    Run(ID_WINDOW_TILE_HORZ);
    const QRect area = Area();
    for (CSplitterFrame* window : windows)
        ExpectReadable(*window, area, area.width(), area.height() / 3 - 1, 5);

    // Windows that opened maximized, from the command line before the main frame was on
    // screen, restored with their own Restore button: the desktop's place for each, not
    // their first size.
    harness.Stop();
    const QString a = harness.Write("a.log", Lines(200));
    const QString b = harness.Write("b.log", Lines(200));
    ASSERT_TRUE(harness.Start({a, b}));
    CSplitterFrame* first = harness.WindowOf(a);
    CSplitterFrame* second = harness.WindowOf(b);
    ASSERT_TRUE(first && second && AppHarness::WaitForLoad(*first) && AppHarness::WaitForLoad(*second));
    ASSERT_TRUE(second->isMaximized());
    second->showNormal();
    AppHarness::Settle();
    ExpectReadable(*second, Area(), Area().width() * 2 / 3, Area().height() * 2 / 3);
    EXPECT_EQ(second->geometry(), Frame().DefaultLogWindowGeometry(second));
    // Restoring one restored the other with it; each has a place of its own.
    ExpectReadable(*first, Area(), Area().width() * 2 / 3, Area().height() * 2 / 3);
    EXPECT_NE(first->pos(), second->pos());

    // Once the user has placed it, Maximize and Restore bring that place back.
    const QRect placed(Area().left() + 40, Area().top() + 30, Area().width() / 2, Area().height() / 2);
    second->setGeometry(placed);
    second->showMaximized();
    AppHarness::Settle();
    second->showNormal();
    AppHarness::Settle();
    EXPECT_EQ(second->geometry(), placed);
}

TEST_F(LogWindowsTest, TheLogViewKeepsTheFocusThroughTileCascadeAndRestore) {
    CQuorvixView* log = Active().LogView();
    for (const int id : {ID_WINDOW_TILE_HORZ, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ}) {
        SCOPED_TRACE(id);
        Run(id);
        EXPECT_EQ(QApplication::focusWidget(), &log->LogList());
        EXPECT_EQ(Active().GetActiveView(), log);
        // The log view's commands are there: Find, Copy, Options.
        EXPECT_TRUE(Frame().RouteCommand(ID_EDIT_FIND, false));
        EXPECT_TRUE(Frame().RouteCommand(ID_EDIT_COPY, false));
        EXPECT_TRUE(Frame().RouteCommand(ID_VIEW_OPTIONS, false));
    }
    Active().showMaximized();
    AppHarness::Settle();
    Active().showNormal(); // the window's Restore button
    AppHarness::Settle();
    EXPECT_EQ(QApplication::focusWidget(), &log->LogList());
    EXPECT_EQ(Active().GetActiveView(), log);

    // The user moves to the marks view (F6): there it stays.
    Run(ID_NEXT_PANE);
    CQuorvixMarksView* marks = Active().MarksView();
    ASSERT_EQ(Active().GetActiveView(), marks);
    Run(ID_WINDOW_CASCADE);
    EXPECT_EQ(QApplication::focusWidget(), &marks->BookmarkList());
    EXPECT_EQ(Active().GetActiveView(), marks);
}

TEST(LogWindow, TheLogListScrollsToTheEndOfItsWidestLine) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    // A 634-character line and the longest piece the reader makes, 1023 characters.
    const std::string medium = std::string(630, 'm') + "E634";
    const std::string longest = std::string(1018, 'l') + "E1023";
    CSplitterFrame* window =
        harness.OpenAndLoad(harness.Write("long.log", "short\n" + medium + "\n" + longest + "\nend\n"));
    ASSERT_NE(window, nullptr);
    AppHarness::Settle();
    CLogListBox& list = window->LogView()->LogList();
    ASSERT_EQ(list.Model().GetText(2), longest);
    QScrollBar& bar = *list.horizontalScrollBar();
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    AppHarness::Settle();
    // At the end of the range the whole line is in view, its margin before it.
    const QRect row = list.GetItemRect(2);
    ASSERT_FALSE(row.isNull());
    const qreal drawn = QFontMetricsF(list.font()).horizontalAdvance(QString::fromStdString(longest));
    EXPECT_LE(row.left() + CLogListBox::kTextLeft + std::ceil(drawn), list.viewport()->width());
    EXPECT_GE(row.left() + CLogListBox::kTextLeft + drawn,
              list.viewport()->width() - 2 * CLogListBox::kTextLeft);
}

TEST(LogWindow, TheStatusBarFollowsTheCaretLineAfterDeleteAndAJump) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CSplitterFrame* window = harness.OpenAndLoad(harness.Write("s.log", "zero\none\ntwo\nthree\nfour\n"));
    ASSERT_NE(window, nullptr);
    CQuorvixView* view = window->LogView();
    CLogListBox& list = view->LogList();
    CMainFrame& frame = harness.Frame();
    const auto click = [](CListBox& target, int index) {
        const QRect rect = target.GetItemRect(index);
        ASSERT_FALSE(rect.isNull());
        QTest::mouseClick(target.viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() + 30, rect.top() + rect.height() / 2));
    };
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&list, static_cast<Qt::Key>(key), modifiers);
        AppHarness::Settle();
    };

    click(list, 2);
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[2] two\n"));
    // Delete: the line that takes the caret's place.
    press(Qt::Key_Delete);
    EXPECT_EQ(list.Model().GetText(2), "three");
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[2] three\n"));
    // The last line deleted: the caret goes to the line above.
    click(list, 3);
    press(Qt::Key_Delete);
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[2] three\n"));
    // Nothing left: the pane is idle again.
    list.Model().SelItemRange(true, 0, list.GetCount() - 1);
    press(Qt::Key_Delete);
    ASSERT_EQ(list.GetCount(), 0);
    EXPECT_EQ(frame.StatusText(), QStringLiteral("Ready"));

    // The marks view's double click selects the entry's line, and the pane shows it.
    CSplitterFrame* other =
        harness.OpenAndLoad(harness.Write("t.log", "alpha\nbeta ERROR\ngamma\ndelta ERROR\n"));
    ASSERT_NE(other, nullptr);
    CLogListBox& lines = other->LogView()->LogList();
    for (const int line : {1, 3})
        other->LogView()->Core().m_bookmarks.Add(line);
    other->MarksView()->OnRefreshBookmarks();
    CListBox& entries = other->MarksView()->BookmarkList();
    ASSERT_EQ(entries.GetCount(), 2);
    click(lines, 0);
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[0] alpha\n"));
    const QRect rect = entries.GetItemRect(1);
    ASSERT_FALSE(rect.isNull());
    QTest::mouseDClick(entries.viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(rect.left() + 30, rect.top() + rect.height() / 2));
    AppHarness::Settle();
    EXPECT_EQ(lines.Model().GetSel(3), 1);
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[3] delta ERROR\n"));
    // F3 walks on to the next bookmark, and the pane goes along.
    QTest::keyClick(&lines, Qt::Key_F3);
    AppHarness::Settle();
    EXPECT_EQ(frame.StatusText(), QStringLiteral("[1] beta ERROR\n"));
}

// Drops are the main frame's alone: one on a log's list goes up to it, and its files open
// by the same rule as any drop (a name with an extension other than .txt or .dat is not
// taken).
TEST(LogWindow, FilesDroppedOnALogOpenThroughTheMainFrame) {
    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CSplitterFrame* window = harness.OpenAndLoad(harness.Write("a.log", "x\n"));
    ASSERT_NE(window, nullptr);
    const QString notes = harness.Write("notes.txt", "n\n");
    const QString other = harness.Write("other.log", "o\n");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(notes), QUrl::fromLocalFile(other)});
    QWidget* target = window->LogView()->LogList().viewport();

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(harness.Frame().DroppedPaths(), (QStringList{notes, other}));
    AppHarness::Settle();
    EXPECT_NE(harness.Docs().FindDocument(notes), nullptr);
    EXPECT_EQ(harness.Docs().FindDocument(other), nullptr);
    EXPECT_EQ(harness.Docs().Documents().size(), 2u);
}
