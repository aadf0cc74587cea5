#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/FindDlg.h"
#include "platform/ControlIds.h"
#include "res/Resources.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"

namespace {

// m_bookmarks, checked against the lines that carry BOOKMARK_BIT.
std::vector<int> MarkedLines(FakeCommandHost& host) {
    std::vector<int> marked;
    for (int i = 0; i < host.LogList().GetCount(); ++i) {
        if (host.LogList().Model().GetItemData(i) & BOOKMARK_BIT)
            marked.push_back(i);
    }
    const std::vector<uint32_t>& indices = host.Core().m_bookmarks.Indices();
    const std::vector<int> listed(indices.begin(), indices.end());
    EXPECT_EQ(listed, marked);
    return listed;
}

// The next Find dialog gets `keyword` and Find All.
void FindAll(FakePrompts& prompts, const QString& keyword, bool bookmark = true) {
    prompts.AnswerDialog([keyword, bookmark](CFindDlg& shown) {
        FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText(keyword);
        FindControl<QAbstractButton>(&shown, IDC_BOOKMARK_FOUND)->setChecked(bookmark);
        FindControl<QPushButton>(&shown, IDOK)->click();
    });
}

// Records whether Find All was disabled each time the search began its work (under the
// wait cursor).
class WatchingHost : public FakeCommandHost {
public:
    void BeginWaitCursor() override {
        if (dialog)
            enabled.push_back(FindControl(dialog, IDOK)->isEnabled());
        FakeCommandHost::BeginWaitCursor();
    }
    CFindDlg* dialog = nullptr;
    std::vector<bool> enabled;
};

} // namespace

TEST(Find, FindAllSelectsAndBookmarksWithoutTogglingAnyOff) {
    WatchingHost host;
    host.Load({"Error", "12:00 error x", "error at start", "x", "y ERROR", "z error"});
    DisplayList& list = host.LogList().Model();
    FakePrompts prompts;
    host.Core().m_bookmarks.Add(5); // after the first lines found
    list.SetSel(3, true);

    prompts.AnswerDialog([&host](CFindDlg& shown) {
        host.dialog = &shown;
        FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText("ERROR");
        FindControl<QPushButton>(&shown, IDOK)->click();
        EXPECT_TRUE(FindControl(&shown, IDOK)->isEnabled());
    });
    find_commands::OnFind(host);
    // The whole line 'Error' and '... error ...' match; 'error at start' does not.
    EXPECT_EQ(list.GetSelItems(), std::vector<int>({0, 1, 3, 4, 5}));
    EXPECT_EQ(MarkedLines(host), std::vector<int>({0, 1, 4, 5}));
    // The caret ends on the last line found, and the status bar shows it.
    EXPECT_EQ(host.statusTexts.last(), "[5] z error\n");
    EXPECT_EQ(host.enabled, std::vector<bool>(1, false));
    EXPECT_EQ(host.waitCursors, 0);
    EXPECT_EQ(g_findFound, 1);
    EXPECT_EQ(prompts.Count(PromptKind::Dialog), 1);

    // Unchecked: only selects, and earlier selections stay.
    list.SetSel(-1, false);
    list.SetSel(3, true);
    FindAll(prompts, "error", false);
    find_commands::OnFind(host);
    EXPECT_EQ(list.GetSelItems(), std::vector<int>({0, 1, 3, 4, 5}));
    EXPECT_EQ(MarkedLines(host), std::vector<int>({0, 1, 4, 5}));
    EXPECT_TRUE(prompts.MessageTexts().isEmpty());
}

TEST(Find, EmptyKeywordWaitsAndAMissOpensAFreshDialog) {
    FakeCommandHost host;
    FakePrompts prompts;
    find_commands::OnFind(host); // empty log: no dialog
    EXPECT_TRUE(prompts.Requests().empty());

    host.Load({"alpha", "x beta"});
    prompts.AnswerDialog([](CFindDlg& shown) {
        FindControl<QPushButton>(&shown, IDOK)->click();
        EXPECT_TRUE(shown.isVisible());
    });
    find_commands::OnFind(host);
    EXPECT_EQ(host.LogList().Model().GetSelCount(), 0);

    prompts.Clear();
    FindAll(prompts, "delta", false);
    prompts.Answer(IDOK); // the report
    prompts.AnswerDialog([](CFindDlg& shown) {
        EXPECT_EQ(FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->text(), "");
        EXPECT_TRUE(FindControl<QAbstractButton>(&shown, IDC_BOOKMARK_FOUND)->isChecked());
        FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText("BETA");
        FindControl<QPushButton>(&shown, IDOK)->click();
    });
    find_commands::OnFind(host);
    EXPECT_EQ(prompts.MessageTexts(), QStringList({res::kFindNotFound}));
    EXPECT_EQ(prompts.Count(PromptKind::Dialog), 2);
    EXPECT_EQ(host.LogList().Model().GetSelItems(), std::vector<int>({1}));
    EXPECT_EQ(prompts.Pending(), 0u);
    EXPECT_EQ(host.waitCursors, 0); // taken down after a miss as after a find
}

TEST(Find, FoundFlagIsSharedByEveryLog) {
    FakeCommandHost first;
    FakeCommandHost second;
    first.Load({"x one"});
    second.Load({"x two"});
    FakePrompts prompts;
    // A dialog ended with IDOK without a Find All: the flag of the last Find All decides.
    const auto openedAfterOk = [&] {
        prompts.Clear();
        prompts.AnswerDialog([](CFindDlg&) {}, IDOK);
        find_commands::OnFind(second);
        return prompts.Count(PromptKind::Dialog);
    };

    FindAll(prompts, "none");
    find_commands::OnFind(first);
    EXPECT_EQ(openedAfterOk(), 2);
    FindAll(prompts, "one");
    find_commands::OnFind(first);
    EXPECT_EQ(openedAfterOk(), 1);
}

TEST(Find, FindAllOverALongLogSplitBetweenThreadsFindsWhatOnePassFinds) {
    // Long enough for the search to be shared between threads; matches near every part's
    // edge, a line that only begins with the keyword (not found), and the keyword alone.
    FakeCommandHost host;
    const int count = 1100000;
    std::vector<std::string> lines(static_cast<size_t>(count), "plain line");
    std::vector<int> expected;
    for (int i = 0; i < count; i += 4099) {
        lines[static_cast<size_t>(i)] = "x Zanzibar " + std::to_string(i);
        expected.push_back(i);
    }
    for (int edge : {count / 4, count / 2, count - 1}) {
        for (int i : {edge - 1, edge}) {
            if (!std::binary_search(expected.begin(), expected.end(), i)) {
                lines[static_cast<size_t>(i)] = "at an edge: zanzibar";
                expected.insert(std::lower_bound(expected.begin(), expected.end(), i), i);
            }
        }
    }
    lines[1] = "zanzibar begins this one";
    lines[2] = "ZANZIBAR";
    expected.insert(std::lower_bound(expected.begin(), expected.end(), 2), 2);
    host.Load(lines);

    const DisplayList& model = host.LogList().Model();
    EXPECT_EQ(LinesHoldingAny(model, {"zanzibar"}), expected);
    EXPECT_EQ(LinesHoldingAny(model, {"zanzibar"}), model.FindLinesAny({"zanzibar"}));

    FakePrompts prompts;
    FindAll(prompts, "zanzibar");
    find_commands::OnFind(host);
    EXPECT_EQ(MarkedLines(host), expected);
    EXPECT_EQ(model.GetSelItems(), expected);
    EXPECT_EQ(model.GetCaretIndex(), expected.back());
}

TEST(Find, OptionsFindAnywhereAndABadExpressionKeepsTheDialogOpen) {
    FakeCommandHost host;
    host.Load({"Error at start", "x error", "x ERROR", "x errors", "x link down on port 12", "x link up",
               "caf\xE9"});
    DisplayList& list = host.LogList().Model();
    FakePrompts prompts;
    // Runs Find All with `keyword` and the boxes given; returns the lines selected, then
    // clears selection and bookmarks.
    const auto find = [&](const QString& keyword, std::vector<int> boxes) {
        prompts.AnswerDialog([&](CFindDlg& shown) {
            // The options start unchecked, below Bookmark Found in the tab order.
            for (const int id : {IDC_FIND_MATCH_CASE, IDC_FIND_WHOLE_WORD, IDC_FIND_REGEX})
                EXPECT_FALSE(FindControl<QAbstractButton>(&shown, id)->isChecked());
            EXPECT_EQ(FindControl(&shown, IDC_BOOKMARK_FOUND)->nextInFocusChain(),
                      FindControl(&shown, IDC_FIND_MATCH_CASE));
            FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText(keyword);
            for (const int id : boxes)
                FindControl<QAbstractButton>(&shown, id)->setChecked(true);
            FindControl<QPushButton>(&shown, IDOK)->click();
        });
        find_commands::OnFind(host);
        const std::vector<int> found = list.GetSelItems();
        EXPECT_EQ(MarkedLines(host), found);
        host.StartRefill();
        return found;
    };
    // A match at the line's start counts with any option.
    EXPECT_EQ(find("error", {IDC_FIND_MATCH_CASE}), std::vector<int>({1, 3}));
    EXPECT_EQ(find("error", {IDC_FIND_WHOLE_WORD}), std::vector<int>({0, 1, 2}));
    EXPECT_EQ(find("ERROR", {IDC_FIND_WHOLE_WORD, IDC_FIND_MATCH_CASE}), std::vector<int>({2}));
    EXPECT_EQ(find("link (down|loss) on port [0-9]+", {IDC_FIND_REGEX}), std::vector<int>({4}));
    EXPECT_EQ(find("^e.*t$", {IDC_FIND_REGEX}), std::vector<int>({0}));
    EXPECT_EQ(find("erro", {IDC_FIND_REGEX, IDC_FIND_WHOLE_WORD}), std::vector<int>());
    EXPECT_EQ(find(QString::fromUtf8("caf\xC3\xA9"), {IDC_FIND_REGEX}),
              std::vector<int>({6})); // a Latin-1 line
    EXPECT_TRUE(prompts.MessageTexts().contains(res::kFindNotFound));

    // An expression that does not compile: told what and where, the dialog stays open
    // with the text selected, and nothing is selected or bookmarked.
    prompts.Clear();
    bool stayed = false;
    QString selected;
    prompts.AnswerDialog([&](CFindDlg& shown) {
        FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->setText(QString::fromUtf8("\xC3\xA9 (down"));
        FindControl<QAbstractButton>(&shown, IDC_FIND_REGEX)->setChecked(true);
        FindControl<QPushButton>(&shown, IDOK)->click();
        stayed = shown.isVisible();
        selected = FindControl<QLineEdit>(&shown, IDC_FIND_WHAT)->selectedText();
    });
    find_commands::OnFind(host);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(selected, QString::fromUtf8("\xC3\xA9 (down"));
    ASSERT_EQ(prompts.MessageTexts().size(), 1);
    EXPECT_TRUE(prompts.MessageTexts().front().contains("character 3"))
        << prompts.MessageTexts().front().toStdString();
    EXPECT_EQ(list.GetSelCount(), 0);
    EXPECT_TRUE(host.Core().m_bookmarks.Empty());
}
