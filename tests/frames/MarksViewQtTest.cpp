#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "commands/Commands.h"
#include "core/Palette.h"
#include "frames/MarksView.h"
#include "platform/Clipboard.h"
#include "platform/ControlIds.h"
#include "support/AppHarness.h"
#include "view/LogListBox.h"

namespace {

using Texts = std::vector<std::string>;

Texts TextsOf(const DisplayList& list) {
    Texts texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.emplace_back(list.GetText(i));
    return texts;
}

// A log window on a small log, loaded, with its two views at hand.
class MarksViewTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.Start());
        window = harness.OpenAndLoad(harness.Write("marks.log", "first line\n"
                                                                "  second ERROR  \n"
                                                                "third line\n"
                                                                "x WARN fourth\n"
                                                                "fifth\n"));
        ASSERT_NE(window, nullptr);
        log = window->LogView();
        marks = window->MarksView();
    }

    DisplayList& Entries() { return marks->BookmarkList().Model(); }
    DisplayList& Lines() { return log->LogList().Model(); }
    void Bookmark(int line) { log->Core().m_bookmarks.Add(line); }
    void Fill(const Texts& texts) {
        Entries().ResetContent();
        for (const std::string& text : texts)
            Entries().AddString(text);
    }
    void Select(int entry) { marks->BookmarkList().SetCurSel(entry); }

    AppHarness harness;
    CSplitterFrame* window = nullptr;
    CQuorvixView* log = nullptr;
    CQuorvixMarksView* marks = nullptr;
};

} // namespace

TEST_F(MarksViewTest, RefreshListsTheBookmarkedLinesOrLeavesTheListAlone) {
    // No bookmarks: the list keeps what it has.
    Fill({"kept", " "});
    marks->OnRefreshBookmarks();
    EXPECT_EQ(TextsOf(Entries()), (Texts{"kept", " "}));

    // With bookmarks: their lines in line order, earlier entries and separators gone. The
    // Refresh button does the same.
    Bookmark(3);
    Bookmark(1);
    qobject_cast<QPushButton*>(FindControl(marks, IDC_MARKS_REFRESH))->click();
    EXPECT_EQ(TextsOf(Entries()), (Texts{"  second ERROR  ", "x WARN fourth"}));
}

TEST_F(MarksViewTest, EntriesReferToTheStoredLinesUntilTheWindowCloses) {
    // An edited line is listed as edited; the others as the store holds them, in place.
    Lines().SetItemText(2, "third, edited");
    Bookmark(0);
    Bookmark(2);
    Bookmark(3);
    marks->OnRefreshBookmarks();
    EXPECT_EQ(TextsOf(Entries()), (Texts{"first line", "third, edited", "x WARN fourth"}));
    EXPECT_EQ(Entries().GetText(0).data(), Lines().GetText(0).data());
    EXPECT_NE(Entries().GetText(1).data(), Lines().GetText(2).data());
    EXPECT_EQ(Entries().GetItemData(2), 0u); // entries carry no colour

    // Closing the window empties the pane before the store's lines are freed; the pane
    // itself goes with the window later.
    QPointer<CQuorvixMarksView> pane = marks;
    window->CloseWithoutAsking();
    if (pane) {
        EXPECT_EQ(pane->BookmarkList().GetCount(), 0);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(MarksViewTest, CopyPutsEveryEntryWithALineFeedOnTheClipboard) {
    marks->OnCopyBookmarks(); // empty: nothing, no message
    EXPECT_EQ(harness.prompts.Requests().size(), 0u);

    SetClipboardText("before");
    Fill({"first line", " ", "third line"});
    marks->OnCopyBookmarks();
    EXPECT_EQ(GetClipboardText(), "first line\n \nthird line\n");
    EXPECT_EQ(harness.prompts.MessageTexts(), QStringList{QStringLiteral("Copied to Clipboard!!")});

    // Each entry by the rule of Copy: valid UTF-8 as it is, anything else as Latin-1.
    Fill({"caf\xC3\xA9 error", "caf\xE9 latin"});
    marks->OnCopyBookmarks();
    EXPECT_EQ(GetClipboardText(), QString::fromUtf8("caf\xC3\xA9 error\ncaf\xC3\xA9 latin\n"));
}

TEST_F(MarksViewTest, LineBreaksGoInAboveTheSelectionAndOnlySeparatorsGoOut) {
    // Nothing to work on: nothing happens.
    marks->OnInsertLineBreak();
    marks->OnDeleteLineBreak();
    EXPECT_EQ(Entries().GetCount(), 0);
    Fill({"a", "b", "c", "d"});
    marks->OnInsertLineBreak(); // no selection
    EXPECT_EQ(Entries().GetCount(), 4);

    // With the third entry selected the separator becomes the third entry.
    Select(2);
    marks->OnInsertLineBreak();
    EXPECT_EQ(TextsOf(Entries()), (Texts{"a", "b", " ", "c", "d"}));
    EXPECT_EQ(marks->BookmarkList().GetCurSel(), 2);

    // Delete Line Break leaves ordinary entries alone and removes a separator.
    Select(3);
    marks->OnDeleteLineBreak();
    EXPECT_EQ(Entries().GetCount(), 5);
    Select(2);
    qobject_cast<QPushButton*>(FindControl(marks, IDC_MARKS_DELETE_BREAK))->click();
    EXPECT_EQ(TextsOf(Entries()), (Texts{"a", "b", "c", "d"}));
    EXPECT_EQ(harness.prompts.Requests().size(), 0u);
}

TEST_F(MarksViewTest, RemoveClearsEveryBookmarkAndRebuildsTheLogList) {
    Bookmark(0);
    Bookmark(3);
    // An empty marks list: nothing happens, the bookmarks stay.
    marks->OnRemoveBookmarks();
    EXPECT_EQ(log->Core().m_bookmarks.Indices(), (std::vector<uint32_t>{0, 3}));
    EXPECT_EQ(Lines().GetCount(), 5);

    marks->OnRefreshBookmarks();
    Lines().DeleteString(4); // a deleted line comes back with the rebuild
    marks->OnRemoveBookmarks();
    EXPECT_EQ(Entries().GetCount(), 0);
    EXPECT_TRUE(log->Core().m_bookmarks.Empty());
    EXPECT_EQ(log->Core().m_bookmarks.CurrentMark(), -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log->IsRefilling(); }, kWaitMs));
    // Rebuilt from the stored lines: all of them, trimmed, coloured, without marks.
    EXPECT_EQ(TextsOf(Lines()),
              (Texts{"first line", "second ERROR", "third line", "x WARN fourth", "fifth"}));
    for (int i = 0; i < Lines().GetCount(); ++i)
        EXPECT_EQ(Lines().GetItemData(i) & BOOKMARK_BIT, 0u);
    EXPECT_EQ(Lines().GetItemData(1), g_palette[10]);
}

TEST_F(MarksViewTest, DoubleClickMakesTheEntrysLineTheCurrentMark) {
    Bookmark(3);
    Bookmark(4);
    marks->OnRefreshBookmarks();
    Entries().AddString("no such line");
    Entries().AddString(" ");

    // A double click on the first entry: its line becomes the current mark, and Next Mark,
    // posted to the log view, selects it.
    marks->BookmarkList().show();
    const QRect rect = marks->BookmarkList().GetItemRect(0);
    ASSERT_FALSE(rect.isNull());
    QTest::mouseDClick(marks->BookmarkList().viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(rect.left() + 5, rect.top() + rect.height() / 2));
    EXPECT_EQ(log->Core().m_bookmarks.CurrentMark(), 3);
    AppHarness::Settle();
    EXPECT_EQ(Lines().GetSel(3), 1);

    // An entry no line holds any more: no current mark.
    Select(2);
    marks->OnGoToLine();
    EXPECT_EQ(log->Core().m_bookmarks.CurrentMark(), -1);
    AppHarness::Settle();

    // A separator looks for a blank after the first character.
    Select(3);
    marks->OnGoToLine();
    EXPECT_EQ(log->Core().m_bookmarks.CurrentMark(), 0); // "first line"
    AppHarness::Settle();
}
