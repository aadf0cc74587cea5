#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "support/FakeCommandHost.h"
#include "support/FakePrompts.h"

namespace {

using Lines = std::vector<std::string>;

LevelSlotTable ErrorLevel() {
    LevelSlotTable table{};
    table[0] = LevelSlot{"ERROR", 10, 0};
    return table;
}

// The stand-in view on screen, with its log list's notifications routed to the commands
// as the log view routes them, so a test double-clicks and clicks as a user does.
class ShownHost : public FakeCommandHost {
public:
    ShownHost() : FakeCommandHost(ErrorLevel()) {
        LogList().SetNotifyHandler([this](int code) {
            if (code == LBN_DBLCLK)
                edit_commands::BeginLineEdit(*this);
            else if (code == LBN_SELCHANGE)
                edit_commands::OnLogSelChange(*this);
        });
        Window().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window()));
    }
    QPoint Row(int index) {
        const QRect rect = LogList().GetItemRect(index);
        return QPoint(100, rect.top() + rect.height() / 2);
    }
    void Click(int index) { QTest::mouseClick(LogList().viewport(), Qt::LeftButton, {}, Row(index)); }
    void DoubleClick(int index) { QTest::mouseDClick(LogList().viewport(), Qt::LeftButton, {}, Row(index)); }
    bool Enter() { return edit_commands::CommitLineEdit(*this, LineEditor()); }
    bool EditorOpen() { return LineEditor()->isEnabled() && !LineEditor()->isHidden(); }
    // The list row under the editor's middle.
    int EditorRow() {
        return LogList().ItemFromPoint(
            LogList().viewport()->mapFrom(&Window(), LineEditor()->geometry().center()));
    }
};

TEST(LineEdit, EditInPlaceKeepsColourBookmarkAndTheMarksEntry) {
    ShownHost host;
    host.Load({"12:00 ERROR disk full, retry", "12:00 ERROR disk full", "tail", "caf\xe9"});
    DisplayList& list = host.LogList().Model();
    // Both ERROR lines bookmarked and in the marks view; the first entry begins like the
    // second line but belongs to the first.
    host.Core().m_bookmarks.Add(0);
    host.Core().m_bookmarks.Add(1);
    host.RefreshMarks();

    host.DoubleClick(1);
    ASSERT_TRUE(host.EditorOpen());
    EXPECT_EQ(host.EditorRow(), 1);
    EXPECT_EQ(host.LineEditor()->text(), "12:00 ERROR disk full");
    EXPECT_TRUE(host.LineEditor()->hasFocus());
    host.LineEditor()->setText("12:00 ERROR disk replaced");
    EXPECT_FALSE(edit_commands::CommitLineEdit(host, &host.LogList())); // Enter elsewhere
    EXPECT_TRUE(host.Enter());
    EXPECT_EQ(host.LogTexts(),
              Lines({"12:00 ERROR disk full, retry", "12:00 ERROR disk replaced", "tail", "caf\xe9"}));
    EXPECT_EQ(list.GetItemData(1), PaletteColour(10) | BOOKMARK_BIT);
    EXPECT_EQ(host.MarkTexts(), Lines({"12:00 ERROR disk full, retry", "12:00 ERROR disk replaced"}));
    EXPECT_TRUE(host.modified);
    EXPECT_FALSE(host.EditorOpen());
    EXPECT_EQ(host.Core().m_lineEntries.Text(1), "12:00 ERROR disk full");

    // A bookmark set or cleared while the line is being edited stays as the bookmarks
    // hold it: the line and the sorted indices agree after the edit.
    for (const bool markDuringEdit : {true, false}) {
        host.DoubleClick(2);
        bookmark_commands::OnBookmark(host); // F2 on the caret line, the one edited
        host.LineEditor()->setText(markDuringEdit ? "tail, marked" : "tail");
        EXPECT_TRUE(host.Enter());
        EXPECT_EQ((list.GetItemData(2) & BOOKMARK_BIT) != 0, markDuringEdit);
        EXPECT_EQ(host.Core().m_bookmarks.IsMarked(2), markDuringEdit);
        EXPECT_EQ(host.Core().m_bookmarks.Indices(),
                  (markDuringEdit ? std::vector<uint32_t>{0, 1, 2} : std::vector<uint32_t>{0, 1}));
    }

    // Unchanged text: the editor closes, nothing is modified.
    host.modified = false;
    host.DoubleClick(2);
    EXPECT_TRUE(host.Enter());
    EXPECT_FALSE(host.EditorOpen() || host.modified);

    // Delete inside the editor deletes a character, not lines.
    host.DoubleClick(2);
    host.LineEditor()->setCursorPosition(0);
    QTest::keyClick(host.LineEditor(), Qt::Key_Delete);
    EXPECT_TRUE(host.Enter());
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetText(2), "ail");

    // A line that is not UTF-8 keeps its bytes.
    host.DoubleClick(3);
    host.LineEditor()->end(false);
    host.LineEditor()->insert("!");
    EXPECT_TRUE(host.Enter());
    EXPECT_EQ(list.GetText(3), "caf\xe9!");
}

TEST(LineEdit, SelectionChangeShowsTheCaretLineAndWritesTheEditBack) {
    ShownHost host;
    edit_commands::OnLogSelChange(host); // an empty list
    EXPECT_TRUE(host.statusTexts.isEmpty());

    host.Load({"first", "second 50%1 %2", "third"});
    host.DoubleClick(0);
    host.LineEditor()->setText("first, edited");
    host.Click(1);
    EXPECT_EQ(host.statusTexts.last(), "[1] second 50%1 %2\n");
    EXPECT_EQ(host.LogTexts(), Lines({"first, edited", "second 50%1 %2", "third"}));
    EXPECT_FALSE(host.EditorOpen());

    host.Click(2);
    EXPECT_EQ(host.statusTexts.last(), "[2] third\n");
}

TEST(DeleteLines, RemovesExactlyTheSelectedLinesUnlessBookmarksExist) {
    FakeCommandHost host;
    host.Load({"l0", "l1", "l2", "l3", "l4", "l5", "l6"});
    DisplayList& list = host.LogList().Model();
    FakePrompts prompts;
    EXPECT_FALSE(edit_commands::DeleteSelectedLines(host)); // nothing selected

    for (int index : {1, 3, 5})
        list.SetSel(index, true);
    EXPECT_TRUE(edit_commands::DeleteSelectedLines(host));
    EXPECT_EQ(host.LogTexts(), Lines({"l0", "l2", "l4", "l6"}));
    EXPECT_TRUE(host.modified);
    EXPECT_TRUE(prompts.Requests().empty());

    // Refused while the log has bookmarks, and while the marks view lists any line.
    list.SetSel(0, true);
    host.Core().m_bookmarks.Add(2);
    EXPECT_FALSE(edit_commands::DeleteSelectedLines(host));
    host.RefreshMarks();
    host.Core().m_bookmarks.Toggle(2);
    EXPECT_FALSE(edit_commands::DeleteSelectedLines(host));
    EXPECT_EQ(prompts.MessageTexts(), QStringList(2, "Cannot delete while bookmarks available!"));
    EXPECT_EQ(host.LogTexts(), Lines({"l0", "l2", "l4", "l6"}));
    host.MarksList()->Model().ResetContent();

    // An edit open below a deleted line stays with its line; one on a deleted line ends.
    list.SetSel(-1, false);
    list.SetCaretIndex(3);
    edit_commands::BeginLineEdit(host);
    list.SetSel(0, true);
    EXPECT_TRUE(edit_commands::DeleteSelectedLines(host));
    host.LineEditor()->setText("L6");
    EXPECT_TRUE(edit_commands::CommitLineEdit(host, host.LineEditor()));
    list.SetCaretIndex(0);
    edit_commands::BeginLineEdit(host);
    list.SetSel(-1, false);
    list.SetSel(0, true);
    EXPECT_TRUE(edit_commands::DeleteSelectedLines(host));
    EXPECT_FALSE(edit_commands::CommitLineEdit(host, host.LineEditor()));
    EXPECT_EQ(host.LogTexts(), Lines({"l4", "L6"}));
}

} // namespace
