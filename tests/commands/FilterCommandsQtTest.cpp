#include <QAbstractButton>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/OptionsDlg.h"
#include "platform/ControlIds.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"

namespace {

using Lines = std::vector<std::string>;

// Levels ERROR, WARN, INFO, six without a name, and LAST as level 10. The dialog's captions
// come from the process-wide level table, so the tests fill that one and clear it after.
class FilterCommandsTest : public testing::Test {
protected:
    void SetUp() override { Configure({"ERROR", "WARN", "INFO", "", "", "", "", "", "", "LAST"}); }
    void TearDown() override { Configure({}); }
    static void Configure(const std::vector<std::string>& names) {
        LevelTables& tables = GlobalLevelTables();
        for (size_t k = 0; k < kLevelCount; ++k) {
            const auto level = static_cast<int32_t>(k);
            tables.levelTypes[k] = LevelType{};
            tables.levelTypes[k].name = k < names.size() ? names[k] : "";
            tables.levelSlots[k] = LevelSlot{tables.levelTypes[k].name, 10 + level % 3, level};
        }
    }
};

QAbstractButton* Box(COptionsDlg& dialog, size_t filterIndex) {
    return FindControl<QAbstractButton>(&dialog, COptionsDlg::kCheckIds[filterIndex]);
}

// Runs Options, clicking the boxes of `toggle` and then `button`.
void RunOptions(FakeCommandHost& host, const std::vector<size_t>& toggle, int button = IDOK) {
    FakePrompts prompts;
    prompts.AnswerDialog([&](COptionsDlg& dialog) {
        for (size_t k : toggle)
            Box(dialog, k)->click();
        FindControl<QAbstractButton>(&dialog, button)->click();
    });
    filter_commands::OnOptions(host);
}

// "caption:enabled:checked" of every box, as the dialog opens.
QStringList Boxes(FakeCommandHost& host) {
    QStringList boxes;
    FakePrompts prompts;
    prompts.AnswerDialog([&](COptionsDlg& dialog) {
        Box(dialog, 2)->click(); // greyed when WARN is absent: the click does nothing
        for (size_t k = 0; k < kFilterCount; ++k)
            boxes << QStringLiteral("%1:%2:%3")
                         .arg(Box(dialog, k)->text())
                         .arg(int{Box(dialog, k)->isEnabled()})
                         .arg(int{Box(dialog, k)->isChecked()});
    });
    filter_commands::OnOptions(host);
    return boxes;
}

// Unclassified lines, ERROR and LAST lines; WARN and INFO do not occur.
const Lines kLog = {"start of log", "12:00 ERROR  disk  ", "  plain  ", "12:01 LAST one", "12:02 ERROR net"};

TEST_F(FilterCommandsTest, BoxesShowLevelNamesAndOnlyLevelsTheLogHoldsCanChange) {
    FakeCommandHost loading;
    loading.Load(kLog, false);
    loading.loading = true;
    EXPECT_EQ(Boxes(loading),
              QStringList({"Raw:1:1", "ERROR:0:1", "WARN:0:0", "INFO:0:0", "N/A:0:0", "N/A:0:0", "N/A:0:0",
                           "N/A:0:0", "N/A:0:0", "N/A:0:0", "LAST:0:1"}));

    FakeCommandHost loaded;
    loaded.Load(kLog);
    EXPECT_EQ(Boxes(loaded),
              QStringList({"Raw:1:1", "ERROR:1:1", "WARN:0:0", "INFO:0:0", "N/A:0:0", "N/A:0:0", "N/A:0:0",
                           "N/A:0:0", "N/A:0:0", "N/A:0:0", "LAST:1:1"}));
    EXPECT_EQ(loaded.refills, 0);
}

TEST_F(FilterCommandsTest, ChangedChoiceRebuildsTheListFromTheStoredLines) {
    FakeCommandHost host;
    host.Load(kLog);
    DisplayList& list = host.LogList().Model();
    // What lives only in the list: a bookmark with its marks entry, a deleted and an edited
    // line, a selection, an edit still open.
    host.Core().m_bookmarks.Add(1);
    host.RefreshMarks();
    list.SetItemText(4, "edited");
    list.DeleteString(3);
    list.SetSel(0, true);
    list.SetCaretIndex(0);
    edit_commands::BeginLineEdit(host);

    // "Raw" off: the other lines come back from the store, trimmed, in their colours.
    RunOptions(host, {0});
    EXPECT_EQ(host.refills, 1);
    EXPECT_EQ(host.LogTexts(), Lines({"12:00 ERROR  disk", "12:01 LAST one", "12:02 ERROR net"}));
    EXPECT_EQ(list.GetItemData(0), PaletteColour(10));
    EXPECT_EQ(list.GetSelCount(), 0);
    EXPECT_TRUE(host.Core().m_bookmarks.Empty());
    EXPECT_EQ(host.Core().m_bookmarks.CurrentMark(), -1);
    EXPECT_TRUE(host.MarkTexts().empty());
    // The open edit ended with the old list; it cannot land on another line.
    EXPECT_TRUE(host.LineEditor()->isHidden());
    EXPECT_FALSE(edit_commands::CommitLineEdit(host, host.LineEditor()));

    // Only the box of level 10 changed: that is a change too.
    RunOptions(host, {10});
    EXPECT_EQ(host.LogTexts(), Lines({"12:00 ERROR  disk", "12:02 ERROR net"}));
    EXPECT_TRUE(host.Core().m_lineEntries.Hidden(3));
    RunOptions(host, {0, 10});
    EXPECT_EQ(host.LogTexts(),
              Lines({"start of log", "12:00 ERROR  disk", "plain", "12:01 LAST one", "12:02 ERROR net"}));
    EXPECT_EQ(host.refills, 3);
}

TEST_F(FilterCommandsTest, CancelSameOrEmptyChoiceLeavesTheList) {
    FakeCommandHost host;
    host.Load(kLog);
    host.LogList().Model().DeleteString(0);
    const Lines shown = host.LogTexts();

    RunOptions(host, {0, 1}, IDCANCEL);
    EXPECT_TRUE(host.Core().m_levelFilter[0].show && host.Core().m_levelFilter[1].show);
    RunOptions(host, {1, 1});
    EXPECT_EQ(host.refills, 0);

    // Every box off: stored, but the list keeps showing what it showed ...
    RunOptions(host, {0, 1, 10});
    EXPECT_EQ(host.refills, 0);
    EXPECT_EQ(host.LogTexts(), shown);
    for (const LevelFilter& pair : host.Core().m_levelFilter)
        EXPECT_FALSE(pair.show);
    // ... until one box is checked again: then only that kind of line.
    RunOptions(host, {10});
    EXPECT_EQ(host.LogTexts(), Lines({"12:01 LAST one"}));
}

// Its rebuild waits for the end of the load, as the log view's does, and notes what the
// command had emptied when it asked.
class DeferringHost : public FakeCommandHost {
public:
    void StartRefill() override {
        ResetForRebuild();
        asked.push_back({LogList().GetCount(), MarksList()->GetCount(),
                         static_cast<int>(Core().m_bookmarks.Count()), Core().m_bookmarks.CurrentMark()});
    }
    void EndLoad() {
        loading = false;
        Core().OnLoadDone();
        LogList().Model().ResetContent();
        FakeCommandHost::StartRefill();
    }
    std::vector<std::vector<int>> asked;
};

TEST_F(FilterCommandsTest, RebuildAskedForWhileLoadingWaitsAndKeepsLevelsThatArrived) {
    DeferringHost host;
    host.loading = true;
    host.Load({"raw one", "12:00 ERROR a"}, false);
    host.Core().m_bookmarks.Add(1);
    host.RefreshMarks();

    // The first WARN line arrives while the dialog is open; then "Raw" goes off.
    FakePrompts prompts;
    prompts.AnswerDialog([&](COptionsDlg& dialog) {
        host.Load({"12:01 WARN b"}, false);
        Box(dialog, 0)->click();
        FindControl<QAbstractButton>(&dialog, IDOK)->click();
    });
    filter_commands::OnOptions(host);
    EXPECT_EQ(host.asked, std::vector<std::vector<int>>({{0, 0, 0, -1}}));

    // The greyed WARN box did not write its stale state over the level that arrived.
    host.Load({"raw two"}, false);
    host.EndLoad();
    EXPECT_TRUE(host.Core().m_levelFilter[2].present);
    EXPECT_EQ(host.LogTexts(), Lines({"12:00 ERROR a", "12:01 WARN b"}));
}

} // namespace
