// Logs that another program writes while they are open: appended lines, lines written in
// parts, rotation, truncation, deletion, growth during the load and during a rebuild,
// growth past the memory budget, and Follow keeping the end in sight. Each checks the
// list against what a fresh load of the same bytes shows.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "commands/Commands.h"
#include "core/LineFile.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// The lines a load of `bytes` gives: pieces of at most 1023 bytes, CR LF read as LF.
Lines LoadedLines(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.Write("oracle.bin", bytes);
    CLineFile file;
    EXPECT_TRUE(file.Open(path, CLineFile::modeRead));
    Lines lines;
    std::string piece;
    while (file.ReadLine(piece)) {
        if (piece.ends_with('\n'))
            piece.pop_back();
        lines.push_back(piece);
    }
    return lines;
}

Lines ListOf(CSplitterFrame& window) {
    const DisplayList& list = window.LogView()->LogList().Model();
    Lines lines;
    for (int i = 0; i < list.GetCount(); ++i)
        lines.emplace_back(list.GetText(i));
    return lines;
}

void Append(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

class Follow : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    CSplitterFrame* Open(const std::string& name, const std::string& bytes) {
        path = harness.Write(name, bytes).toStdString();
        written = bytes;
        return harness.OpenAndLoad(QString::fromStdString(path));
    }
    // Waits until the window lists `expected`; true when it does.
    static bool Shows(CSplitterFrame& window, const Lines& expected) {
        return QTest::qWaitFor([&] { return ListOf(window) == expected; }, kWaitMs);
    }
    bool ShowsWritten(CSplitterFrame& window) { return Shows(window, LoadedLines(harness.Dir(), written)); }
    void Write(const std::string& bytes) {
        Append(path, bytes);
        written += bytes;
    }

    AppHarness harness;
    std::string path;
    std::string written; // every byte written to the log so far, as one file
};

} // namespace

// Appends in random parts, cut anywhere: in a line, between CR and LF, inside a piece of
// 1023 bytes and right after one; the list is always what a load of the bytes so far would
// show, a line still being written shown as far as it goes and completed in place.
TEST_F(Follow, AppendedBytesShowAsALoadOfTheWholeFileWould) {
    CSplitterFrame* window = Open("grow.log", "first line\nsecond x ERROR");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ListOf(*window), (Lines{"first line", "second x ERROR"}));

    std::mt19937 random(7);
    std::string pending = " continued\r\n";
    for (int i = 0; i < 12; ++i) {
        pending += std::string(1023, static_cast<char>('a' + i)) + (i % 2 ? "\r\n" : "\n");
        pending += std::string(static_cast<size_t>(i) * 300, 'x') + " WARN " + std::to_string(i) + "\r\n";
        pending += "short " + std::to_string(i) + "\n\n";
    }
    pending += "the last, still open";
    while (!pending.empty()) {
        const size_t take = std::min<size_t>(pending.size(), 1 + random() % 1500);
        Write(pending.substr(0, take));
        pending.erase(0, take);
        ASSERT_TRUE(ShowsWritten(*window)) << written.size() << " bytes written";
    }
    // The level of a line completed in place is that of the whole line.
    const CLogViewCore& core = window->LogView()->Core();
    EXPECT_EQ(core.m_lineEntries.Level(1), 0);
    EXPECT_TRUE(core.m_levelFilter[2].present); // WARN arrived after the load
}

// Another file takes the path (rename and create), the file is cut short in place, the
// path is deleted and made again: the lines so far stay (a log kept in memory) and the new
// content follows; each is told once in the status bar.
TEST_F(Follow, RotationTruncationAndDeletionKeepTheLinesAndReadTheNewFile) {
    CSplitterFrame* window = Open("app.log", "one\ntwo\n");
    ASSERT_NE(window, nullptr);
    Lines expected{"one", "two"};

    // logrotate's default: the log renamed away, a new one made; the old one's last line
    // still arrives before the new file's.
    Append(path, "three, written before the rename");
    ASSERT_EQ(::rename(path.c_str(), (path + ".1").c_str()), 0);
    harness.Write("app.log", "new one\n");
    expected.insert(expected.end(), {"three, written before the rename", "new one"});
    ASSERT_TRUE(Shows(*window, expected));
    EXPECT_TRUE(harness.Frame().StatusText().contains(QStringLiteral("app.log was rotated")));

    // copytruncate: cut to nothing, then written again.
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    Append(path, "after the cut\n");
    expected.push_back("after the cut");
    ASSERT_TRUE(Shows(*window, expected));
    EXPECT_TRUE(harness.Frame().StatusText().contains(QStringLiteral("app.log was cut short")));

    // Deleted, then made again.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return harness.Frame().StatusText().contains(QStringLiteral("app.log was deleted")); },
        kWaitMs));
    EXPECT_EQ(ListOf(*window), expected);
    harness.Write("app.log", "born again\n");
    expected.push_back("born again");
    ASSERT_TRUE(Shows(*window, expected));
    EXPECT_TRUE(harness.Frame().StatusText().contains(QStringLiteral("app.log was made again")));

    // Our own save puts a new file there: no rotation, nothing read twice; what is written
    // to the saved file next follows.
    harness.Frame().ActivateLogWindow(window);
    harness.prompts.Answer(IDYES); // it was written by others since it was loaded
    harness.Frame().RouteCommand(ID_FILE_SAVE, true);
    // Written at once, before the reader has even looked at the saved file.
    Append(path, "after our save\n");
    expected.push_back("after our save");
    ASSERT_TRUE(Shows(*window, expected));
    QTest::qWait(100);
    EXPECT_EQ(ListOf(*window), expected);
}

// Another window saves its list over this log's file: this window shows the file as it now
// is, not as a rotation appended to what it showed.
TEST_F(Follow, AnotherWindowsSaveOverTheLogShowsItAsItIsNow) {
    CSplitterFrame* target = Open("target.log", "target 1\ntarget 2\n");
    ASSERT_NE(target, nullptr);
    CSplitterFrame* other = harness.OpenAndLoad(harness.Write("other.log", "other 1\n"));
    ASSERT_NE(other, nullptr);
    harness.Frame().ActivateLogWindow(other);
    harness.prompts.AnswerFiles({QString::fromStdString(path)});
    harness.prompts.Answer(IDNO); // not opened in a window of its own
    harness.Frame().RouteCommand(ID_FILE_SAVE_AS, true);
    AppHarness::Settle();
    CSplitterFrame* shown = harness.WindowOf(QString::fromStdString(path));
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(AppHarness::WaitForLoad(*shown));
    QTest::qWait(100);
    EXPECT_EQ(ListOf(*shown), (Lines{"other 1"}));
}

// Growth while the log loads, and while the list is rebuilt: every line once, in order.
TEST_F(Follow, GrowthDuringTheLoadAndDuringARebuildLosesAndDoublesNothing) {
    std::string start;
    for (int i = 0; i < 200000; ++i)
        start += "line " + std::to_string(i) + (i % 3 ? "\n" : " x ERROR\n");
    path = harness.Write("busy.log", start).toStdString();
    written = start;
    ASSERT_NE(harness.app->OpenDocumentFile(QString::fromStdString(path)), nullptr);
    CSplitterFrame* window = harness.WindowOf(QString::fromStdString(path));
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 50 || !window->LogView()->IsLoadDone(); ++i) {
        Write("during the load " + std::to_string(i) + "\n");
        QTest::qWait(1);
    }
    ASSERT_TRUE(ShowsWritten(*window));

    window->LogView()->StartRefill();
    ASSERT_TRUE(window->LogView()->IsRefilling());
    for (int i = 0; i < 50; ++i) {
        Write("during the rebuild " + std::to_string(i) + "\n");
        QTest::qWait(1);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->LogView()->IsListIncomplete(); }, kWaitMs));
    // A rebuild shows the stored lines trimmed; these have no white space at their ends.
    ASSERT_TRUE(ShowsWritten(*window));
}

// A log large enough to be cut on several threads, its last line still being written and
// more lines written during the load: nothing is lost or doubled at the blocks' ends, nor
// where the threads' cut hands over to the one that reads on.
TEST_F(Follow, ALogCutOnSeveralThreadsGrowsAsALoadOfTheWholeFileWould) {
    std::mt19937 random(13);
    std::string start;
    while (start.size() < (12u << 20)) {
        switch (random() % 6) {
        case 0:
            start += std::string(1023 * (1 + random() % 3) + random() % 5 - 2, 'w') + "\r\n";
            break;
        case 1:
            start += "x ERROR " + std::to_string(random()) + "\r\n";
            break;
        default:
            start += "line " + std::to_string(random()) + "\n";
            break;
        }
    }
    start += "the last, still open";
    path = harness.Write("big.log", start).toStdString();
    written = start;
    ASSERT_NE(harness.app->OpenDocumentFile(QString::fromStdString(path)), nullptr);
    CSplitterFrame* window = harness.WindowOf(QString::fromStdString(path));
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 20 || !window->LogView()->IsLoadDone(); ++i) {
        Write(i == 0 ? " and closed\n" : "during the load " + std::to_string(i) + "\n");
        QTest::qWait(1);
    }
    ASSERT_TRUE(ShowsWritten(*window));
}

// A log kept in memory that grows past the budget goes on: the new lines are read from the
// file. A log read from its file grows the same way, and one cut short starts again.
TEST_F(Follow, GrowthPastTheBudgetIsReadFromTheFile) {
    const std::string start = "kept in memory 1\nkept in memory 2 x ERROR\n";
    ScopedEnv budget("QUORVIX_TEXT_BUDGET", std::to_string(start.size() + 10));
    CSplitterFrame* window = Open("budget.log", start);
    ASSERT_NE(window, nullptr);
    const LineStore& store = window->LogView()->Core().m_lineEntries;
    EXPECT_FALSE(store.FileBacked());
    for (int i = 0; i < 20; ++i)
        Write("past the budget " + std::to_string(i) + "\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_TRUE(store.FileBacked());
    EXPECT_TRUE(store.HasFileText());

    // Cut short: lines read from the file can be read no more; the list starts again.
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    written.clear();
    Write("a new start\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_TRUE(harness.Frame().StatusText().contains(QStringLiteral("can no longer be read")));
    EXPECT_FALSE(store.SourceChanged());
}

// Follow: with the caret on the last line, arriving lines take it along and stay in sight;
// a user who moved up stays where they are, and is taken along again back at the end.
TEST_F(Follow, FollowKeepsTheEndInSightOnlyFromTheEnd) {
    std::string start;
    for (int i = 0; i < 500; ++i)
        start += "line " + std::to_string(i) + "\n";
    CSplitterFrame* window = Open("follow.log", start);
    ASSERT_NE(window, nullptr);
    harness.Frame().ActivateLogWindow(window);
    CQuorvixView& view = *window->LogView();
    CLogListBox& list = view.LogList();
    EXPECT_FALSE(view.IsFollowing());
    harness.Frame().RouteCommand(ID_VIEW_FOLLOW, true);
    harness.Frame().UpdateCommandUI();
    ASSERT_TRUE(view.IsFollowing());
    EXPECT_TRUE(harness.Frame().CommandAction(ID_VIEW_FOLLOW)->isChecked());
    EXPECT_EQ(list.GetCaretIndex(), 499);

    Write("arrives 1\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_EQ(list.GetCaretIndex(), 500);
    EXPECT_GE(list.GetTopIndex() + list.VisibleRowCount(), 501);

    // Up: stays.
    list.SetCaretIndex(10);
    list.EnsureVisible(10);
    const int top = list.GetTopIndex();
    Write("arrives 2\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_EQ(list.GetCaretIndex(), 10);
    EXPECT_EQ(list.GetTopIndex(), top);

    // Back at the end: taken along again. Off: stays.
    list.SetCaretIndex(501);
    list.EnsureVisible(501);
    Write("arrives 3\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_EQ(list.GetCaretIndex(), 502);
    harness.Frame().RouteCommand(ID_VIEW_FOLLOW, true);
    EXPECT_FALSE(view.IsFollowing());
    Write("arrives 4\n");
    ASSERT_TRUE(ShowsWritten(*window));
    EXPECT_EQ(list.GetCaretIndex(), 502);
}
