#include <QCoreApplication>
#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "res/Resources.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"

namespace {

// A host with lines "12:00 line 0" ... "12:00 line N-1".
struct Log : FakeCommandHost {
    explicit Log(int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back("12:00 line " + std::to_string(i));
        Load(lines);
    }
    DisplayList& List() { return LogList().Model(); }
    int Mark() { return Core().m_bookmarks.CurrentMark(); }
    void SetMark(int line) { Core().m_bookmarks.SetCurrentMark(line); }
    // m_bookmarks, checked against the lines that carry BOOKMARK_BIT.
    std::vector<int> Marks() {
        std::vector<int> marked;
        for (int i = 0; i < List().GetCount(); ++i) {
            if (List().GetItemData(i) & BOOKMARK_BIT)
                marked.push_back(i);
        }
        const std::vector<uint32_t>& indices = Core().m_bookmarks.Indices();
        const std::vector<int> listed(indices.begin(), indices.end());
        EXPECT_EQ(listed, marked);
        return listed;
    }
    void F2(int line) {
        LogList().SetCaretIndex(line);
        bookmark_commands::OnBookmark(*this);
    }
    // F3 from an empty selection; what it selected.
    std::vector<int> F3() {
        List().SetSel(-1, false);
        bookmark_commands::OnNextMark(*this);
        return List().GetSelItems();
    }
    void Add(int line) { Core().m_bookmarks.Add(line); }
};

using Lines = std::vector<int>;

} // namespace

TEST(BookmarkCommands, F2TogglesAndAddBookmarkNeverRemoves) {
    Log log(10);
    log.F2(7);
    log.F2(3);
    EXPECT_EQ(log.Marks(), Lines({3, 7}));
    EXPECT_EQ(log.List().GetSelItems(), Lines({3, 7}));
    EXPECT_EQ(log.Mark(), 3);

    log.F2(3); // off: the current mark moves to the next bookmark
    EXPECT_EQ(log.Marks(), Lines({7}));
    EXPECT_EQ(log.Mark(), 7);
    log.F2(7); // the only one
    EXPECT_EQ(log.Mark(), -1);

    log.Add(4);
    log.Add(1);
    log.Add(4); // already marked: no toggle, the current mark stays
    log.Add(-1);
    log.Add(10);
    EXPECT_EQ(log.Marks(), Lines({1, 4}));
    EXPECT_EQ(log.Mark(), 1);
}

TEST(BookmarkCommands, F3WalksInLineOrderAndWraps) {
    Log log(50);
    for (int line : {40, 5, 20})
        log.F2(line);
    for (int expected : {20, 40, 5, 20}) {
        EXPECT_EQ(log.F3(), Lines({expected}));
        EXPECT_EQ(log.LogList().GetCaretIndex(), expected); // in view
    }

    Log one(10);
    one.F2(6);
    EXPECT_EQ(one.F3(), Lines({6}));
    EXPECT_EQ(one.F3(), Lines());
    one.SetMark(10); // past the end: nothing, not every line
    EXPECT_EQ(one.F3(), Lines());
}

TEST(BookmarkCommands, ShowBookmarksAndTheJumpFromTheMarksView) {
    Log log(12);
    FakePrompts prompts;
    log.MarksList()->Model().AddString("kept");
    bookmark_commands::OnShowBookmarks(log);
    EXPECT_EQ(prompts.MessageTexts(), QStringList({res::kNoBookmarks}));
    EXPECT_EQ(log.MarkTexts(), std::vector<std::string>({"kept"}));

    for (int line : {9, 2, 6})
        log.F2(line);
    bookmark_commands::OnShowBookmarks(log);
    EXPECT_EQ(log.MarkTexts(), std::vector<std::string>({"12:00 line 2", "12:00 line 6", "12:00 line 9"}));

    // A double click on an entry: its line by text becomes the current mark, and Next Mark
    // runs.
    const auto jump = [&log](std::string_view entry) {
        log.List().SetSel(-1, false);
        log.SetMark(log.LogList().FindLine(-1, entry));
        bookmark_commands::OnNextMark(log);
        return log.List().GetSelItems();
    };
    EXPECT_EQ(jump("12:00 line 6"), Lines({6}));
    EXPECT_EQ(log.Mark(), 9);
    EXPECT_EQ(jump("gone"), Lines());
    EXPECT_EQ(log.Mark(), -1);
}
