#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "core/LevelConfig.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"

namespace {

const std::vector<std::string> kLog = {
    "12:00 disk timeout",  // 0
    "timeout at start",    // 1: begins with the keyword: no match
    "TIMEOUT",             // 2: the keyword alone, any case
    "12:00 all fine",      // 3
    "12:00 link down",     // 4
    "12:00 timeout, down", // 5: keywords of two levels
    "12:00 Refused",       // 6: a keyword of a level without a name
};

struct Host : FakeCommandHost {
    Host() { Load(kLog); }
    std::vector<int> Marks() {
        const std::vector<uint32_t>& marks = Core().m_bookmarks.Indices();
        return {marks.begin(), marks.end()};
    }
    std::vector<int> Selected() { return LogList().Model().GetSelItems(); }
};

using Lines = std::vector<int>;

// Analyze reads the process-wide level table: each test sets its levels (before making
// hosts; the slots the hosts copy stay empty) and the table is put back afterwards.
class Analyze : public ::testing::Test {
protected:
    void SetUp() override { m_saved = g_levelTypes; }
    void TearDown() override { g_levelTypes = m_saved; }
    static void SetLevel(size_t index, const std::string& name, std::vector<std::string> keywords) {
        g_levelTypes[index].name = name;
        g_levelTypes[index].keywords = std::move(keywords);
    }

private:
    LevelTypeTable m_saved;
};

} // namespace

TEST_F(Analyze, NoNamesNoKeywordsOrNoLinesChangeNothing) {
    FakePrompts prompts;
    for (size_t i = 0; i < kLevelCount; ++i)
        SetLevel(i, "", {"timeout"});
    Host nameless;
    analyze_commands::OnAnalyze(nameless);
    EXPECT_EQ(nameless.Marks(), Lines());

    for (size_t i = 0; i < kLevelCount; ++i)
        SetLevel(i, "LEVEL", {});
    Host keywordless;
    keywordless.Core().m_bookmarks.Add(1);
    keywordless.Core().m_bookmarks.SetCurrentMark(6);
    analyze_commands::OnAnalyze(keywordless);
    EXPECT_EQ(keywordless.Selected(), Lines());
    EXPECT_EQ(keywordless.Core().m_bookmarks.CurrentMark(), 6); // not moved to the first bookmark
    EXPECT_EQ(keywordless.waitCursors, 0);

    SetLevel(0, "ERR", {"timeout"});
    FakeCommandHost empty;
    empty.LineEditor()->show();
    analyze_commands::OnAnalyze(empty);
    EXPECT_TRUE(empty.LineEditor()->isVisibleTo(&empty.Window()));
    EXPECT_TRUE(prompts.Requests().empty());
}

TEST_F(Analyze, BookmarksEveryFindingOnceAndF3StartsAtTheTop) {
    SetLevel(0, "ERR", {"timeout"});
    SetLevel(1, "", {"refused"});
    SetLevel(2, "WARN", {"DOWN", "fine"}); // 'fine' is found before the lines of 'DOWN'
    Host host;
    host.Core().m_bookmarks.Add(6); // earlier bookmark, past the findings
    host.LogList().Model().SetSel(3, true);
    host.LineEditor()->show();

    analyze_commands::OnAnalyze(host);
    EXPECT_EQ(host.Marks(), Lines({0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(host.Selected(), Lines({0, 2, 3, 4, 5}));
    EXPECT_EQ(host.Core().m_bookmarks.CurrentMark(), 0);
    EXPECT_EQ(host.LogList().GetCaretIndex(), 0);
    EXPECT_EQ(host.statusTexts.last(), QString::fromStdString("[0] " + host.LogTexts()[0] + "\n"));
    EXPECT_FALSE(host.LineEditor()->isVisibleTo(&host.Window()));
    // Shown for the work, gone afterwards.
    EXPECT_EQ(host.waitCursorsShown, 1);
    EXPECT_EQ(host.waitCursors, 0);

    for (int expected : {0, 2, 3, 4, 5, 6, 0}) {
        host.LogList().Model().SetSel(-1, false);
        bookmark_commands::OnNextMark(host);
        EXPECT_EQ(host.Selected(), Lines({expected}));
    }

    analyze_commands::OnAnalyze(host); // twice is once
    EXPECT_EQ(host.Marks(), Lines({0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(host.Selected(), Lines({0, 2, 3, 4, 5}));
}
