#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "res/Strings.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"
#include "view/FilterBar.h"

namespace {

using Lines = std::vector<std::string>;

// Levels ERROR and WARN; the other slots have no name.
class FilterBarTest : public testing::Test {
protected:
    void SetUp() override { Configure({"ERROR", "WARN"}); }
    void TearDown() override { Configure({}); }
    static void Configure(const std::vector<std::string>& names) {
        LevelTables& tables = GlobalLevelTables();
        for (size_t k = 0; k < kLevelCount; ++k) {
            tables.levelTypes[k] = LevelType{};
            tables.levelTypes[k].name = k < names.size() ? names[k] : "";
            tables.levelSlots[k] = LevelSlot{tables.levelTypes[k].name, 10, static_cast<int32_t>(k)};
        }
    }
};

const Lines kLog = {"1 ERROR disk full", "2 WARN net slow", "3 plain net up", "4 ERROR net down",
                    "5 WARN disk ok"};

// Fills the bar's row and adds the filter it describes.
bool Add(CFilterBar& bar, const QString& text, bool hide, MatchOptions options = {}) {
    bar.findChild<QLineEdit*>()->setText(text);
    const auto boxes = bar.findChildren<QAbstractButton*>();
    for (QAbstractButton* box : boxes) {
        if (box->text() == res::kFilterMatchCaseBox)
            box->setChecked(options.matchCase);
        if (box->text() == res::kFilterWholeWordBox)
            box->setChecked(options.wholeWord);
        if (box->text() == res::kFilterRegexBox)
            box->setChecked(options.regex);
    }
    bar.findChild<QComboBox*>()->setCurrentIndex(hide ? 1 : 0);
    return bar.AddFilter();
}

} // namespace

TEST_F(FilterBarTest, FiltersStackWithTheLevelFilterAndApplyToLinesThatArriveLater) {
    FakeCommandHost host;
    host.Load(kLog);
    CFilterBar bar(host, &host.Window());
    FakePrompts prompts;

    // WARN hidden in Options, then "Hide net": what is left passes both.
    host.Core().m_levelFilter[2].show = false;
    ASSERT_TRUE(Add(bar, "net", true));
    EXPECT_EQ(host.LogTexts(), Lines({"1 ERROR disk full"}));
    // A regular expression on top that shows only what it matches.
    host.Core().m_levelFilter[2].show = true;
    ASSERT_TRUE(Add(bar, "^[0-9] (warn|ERROR) ", false, {false, false, true}));
    EXPECT_EQ(host.LogTexts(), Lines({"1 ERROR disk full", "5 WARN disk ok"}));
    EXPECT_EQ(host.refills, 2);

    // Switched off, "Hide net" decides nothing, and is kept.
    ASSERT_TRUE(bar.SetFilterActive(0, false));
    EXPECT_EQ(host.LogTexts(),
              Lines({"1 ERROR disk full", "2 WARN net slow", "4 ERROR net down", "5 WARN disk ok"}));
    ASSERT_TRUE(bar.SetFilterActive(0, true));
    ASSERT_EQ(bar.Filters().size(), 2u);

    // Lines the file gains later pass the same filters before they show.
    host.Load({"6 ERROR disk net", "7 WARN disk again", "8 plain disk"});
    EXPECT_EQ(host.LogTexts(), Lines({"1 ERROR disk full", "5 WARN disk ok", "7 WARN disk again"}));

    // Removing both shows every line again.
    ASSERT_TRUE(bar.RemoveFilter(1));
    ASSERT_TRUE(bar.RemoveFilter(0));
    EXPECT_EQ(host.LogTexts().size(), 8u);
    EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}

TEST_F(FilterBarTest, AFilterChangeClearsBookmarksAndTheMarksPaneAsOptionsDoes) {
    FakeCommandHost host;
    host.Load(kLog);
    CFilterBar bar(host, &host.Window());
    host.Core().m_bookmarks.Add(0);
    host.Core().m_bookmarks.Add(3);
    bookmark_commands::OnShowBookmarks(host);
    ASSERT_EQ(host.MarkTexts().size(), 2u);

    ASSERT_TRUE(Add(bar, "disk", false, {false, true, false}));
    EXPECT_EQ(host.LogTexts(), Lines({"1 ERROR disk full", "5 WARN disk ok"}));
    EXPECT_TRUE(host.Core().m_bookmarks.Empty());
    EXPECT_TRUE(host.MarkTexts().empty());
    // Bookmarks made afterwards refer to the filtered list.
    host.Core().m_bookmarks.Add(1);
    bookmark_commands::OnShowBookmarks(host);
    EXPECT_EQ(host.MarkTexts(), Lines({"5 WARN disk ok"}));

    // A filter that hides every line leaves an empty list.
    ASSERT_TRUE(Add(bar, "disk", true));
    EXPECT_TRUE(host.LogTexts().empty());
    EXPECT_TRUE(host.MarkTexts().empty());
}

TEST_F(FilterBarTest, BadFiltersAreRefusedAndChangeNothing) {
    FakeCommandHost host;
    host.Load(kLog);
    CFilterBar bar(host, &host.Window());
    FakePrompts prompts;
    ASSERT_TRUE(Add(bar, "WARN", false, {true, false, false}));
    const Lines shown = host.LogTexts();
    const int refills = host.refills;

    // An empty text is refused where it was typed, without a message box.
    EXPECT_FALSE(Add(bar, "", true));
    EXPECT_EQ(prompts.Count(PromptKind::MessageBox), 0);

    // An expression that does not compile is told with its place; the text stays, selected.
    EXPECT_FALSE(Add(bar, "net (up", true, {false, false, true}));
    ASSERT_EQ(prompts.MessageTexts().size(), 1);
    EXPECT_TRUE(prompts.MessageTexts().front().contains("character 5"))
        << prompts.MessageTexts().front().toStdString();
    EXPECT_EQ(bar.findChild<QLineEdit*>()->selectedText(), "net (up");

    EXPECT_EQ(bar.Filters().size(), 1u);
    EXPECT_EQ(host.refills, refills);
    EXPECT_EQ(host.LogTexts(), shown);
    EXPECT_FALSE(bar.SetFilterActive(5, false));
    EXPECT_FALSE(bar.RemoveFilter(-1));
}
