#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/DisplayList.h"

namespace {

void Fill(DisplayList& list, int n) {
    for (int i = 0; i < n; ++i)
        list.AddString("line " + std::to_string(i));
}

// Records what the list told its observer, as text.
class Recorder : public DisplayListObserver {
public:
    std::vector<std::string> events;
    void ItemsInserted(int first, int count) override { Add("ins", first, count); }
    void ItemsRemoved(int first, int count) override { Add("del", first, count); }
    void ContentReset() override { events.push_back("reset"); }
    void ItemsChanged(int first, int last) override { Add("chg", first, last); }
    void CaretChanged(int oldCaret, int newCaret) override { Add("caret", oldCaret, newCaret); }

private:
    void Add(const char* what, int a, int b) {
        events.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(b));
    }
};

TEST(DisplayList, ItemsTextsAndData) {
    DisplayList list;
    EXPECT_EQ(list.AddString("a"), 0);
    EXPECT_EQ(list.AddString(std::string("b\0c", 3)), 1);
    EXPECT_EQ(list.GetText(1), std::string_view("b\0c", 3));
    EXPECT_EQ(list.InsertString(1, "mid"), 1);
    EXPECT_EQ(list.InsertString(-1, "end"), 3);
    EXPECT_EQ(list.InsertString(9, "bad"), LB_ERR);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetText(0), "a");
    EXPECT_EQ(list.GetText(1), "mid");
    EXPECT_EQ(list.GetText(3), "end");

    EXPECT_EQ(list.SetItemData(2, 0x01008000), 0);
    EXPECT_EQ(list.GetItemData(2), 0x01008000u);
    EXPECT_EQ(list.SetItemData(4, 1), LB_ERR);
    EXPECT_EQ(list.GetItemData(-1), static_cast<uint32_t>(LB_ERR));
    EXPECT_EQ(list.GetText(7), "");

    EXPECT_EQ(list.DeleteString(1), 3);
    EXPECT_EQ(list.DeleteString(3), LB_ERR);
    EXPECT_EQ(list.GetItemData(1), 0x01008000u); // data travels with its item
    EXPECT_EQ(list.SetItemText(1, "edited"), 0);
    EXPECT_EQ(list.GetText(1), "edited");
    EXPECT_EQ(list.GetItemData(1), 0x01008000u);
    EXPECT_EQ(list.LongestTextLength(), 6u);

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCaretIndex(), -1);
    EXPECT_EQ(list.LongestTextLength(), 0u);
}

// The long items as the texts they point at, longest first.
std::vector<std::string> LongTexts(const DisplayList& list) {
    std::vector<std::string> texts;
    for (const DisplayList::LongItem& item : list.LongItems()) {
        EXPECT_EQ(list.GetText(item.index).size(), item.length);
        texts.emplace_back(list.GetText(item.index));
    }
    return texts;
}

TEST(DisplayList, LongItemsAreTheLongestAndFollowTheirItems) {
    DisplayList list;
    const uint64_t epoch = list.ContentEpoch();
    // More items than are tracked, in no order of length: the longest stay.
    for (int i = 0; i < 40; ++i)
        list.AddString(std::string(static_cast<size_t>((i * 7) % 40 + 1), 'a'));
    ASSERT_EQ(list.LongItems().size(), DisplayList::kLongItems);
    for (size_t i = 0; i < DisplayList::kLongItems; ++i)
        EXPECT_EQ(list.LongItems()[i].length, 40 - i);
    EXPECT_EQ(LongTexts(list).front(), std::string(40, 'a'));

    // A short item appended is not noted; a longer one is, under a newer number.
    const uint64_t noted = list.LongItemsNoted();
    list.AddString("b");
    EXPECT_EQ(list.LongItemsNoted(), noted);
    list.AddString(std::string(50, 'c'));
    EXPECT_GT(list.LongItemsNoted(), noted);
    EXPECT_EQ(LongTexts(list).front(), std::string(50, 'c'));
    EXPECT_EQ(list.LongItems().front().noted, list.LongItemsNoted());

    // Insertions, deletions, bulk deletions and new texts keep every entry on its item.
    list.InsertString(0, "short");
    list.InsertString(3, std::string(45, 'd'));
    list.DeleteString(1);
    list.DeleteItems({0, 4, 10, 20});
    list.SetItemText(5, std::string(60, 'e'));
    const std::vector<std::string> texts = LongTexts(list);
    EXPECT_EQ(texts[0], std::string(60, 'e'));
    EXPECT_EQ(texts[1], std::string(50, 'c'));
    EXPECT_EQ(texts[2], std::string(45, 'd'));
    EXPECT_EQ(texts[3], std::string(40, 'a'));
    for (size_t i = 1; i < texts.size(); ++i)
        EXPECT_GE(texts[i - 1].size(), texts[i].size());
    EXPECT_EQ(list.ContentEpoch(), epoch);

    // Starting over forgets them.
    list.ResetContent();
    EXPECT_TRUE(list.LongItems().empty());
    EXPECT_NE(list.ContentEpoch(), epoch);
    const uint64_t reset = list.ContentEpoch();
    list.AddString("one");
    list.DeleteString(0);
    EXPECT_NE(list.ContentEpoch(), reset); // emptied by deletion
    EXPECT_TRUE(list.LongItems().empty());
}

TEST(DisplayList, ReferencedTextsAreNotCopied) {
    const std::string owner = "kept elsewhere";
    DisplayList list;
    list.AddItem(owner, 0x0000FF);
    EXPECT_EQ(list.GetText(0).data(), owner.data());
    EXPECT_EQ(list.GetItemData(0), 0x0000FFu);
    list.AddStringRef(owner);
    EXPECT_EQ(list.GetText(1).data(), owner.data());
}

TEST(DisplayList, ExtendedSelection) {
    DisplayList list;
    Fill(list, 10);
    EXPECT_EQ(list.GetSelCount(), 0);
    EXPECT_EQ(list.SetSel(3, true), 0);
    EXPECT_EQ(list.SetSel(3, true), 0); // selecting twice counts once
    EXPECT_EQ(list.SetSel(7, true), 0);
    EXPECT_EQ(list.SetSel(10, true), LB_ERR);
    EXPECT_EQ(list.GetSelCount(), 2);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{3, 7}));
    EXPECT_EQ(list.GetSel(3), 1);
    EXPECT_EQ(list.GetSel(4), 0);
    EXPECT_EQ(list.GetSel(11), LB_ERR);

    EXPECT_EQ(list.SelItemRange(true, 5, 2), 0);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{2, 3, 4, 5, 7}));
    EXPECT_EQ(list.SelItemRange(false, 9, 4), 0); // either order
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{2, 3}));
    EXPECT_EQ(list.SetSel(-1, true), 0);
    EXPECT_EQ(list.GetSelCount(), 10);
    EXPECT_EQ(list.SetSel(-1, false), 0);
    EXPECT_EQ(list.GetSelCount(), 0);

    list.SelectOnly(6, 4);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{4, 5, 6}));
    list.SelectOnly(0, 0);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{0}));

    // Deleting a selected item keeps the count right; insertion adds unselected items.
    list.SetSel(5, true);
    list.DeleteString(0);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{4}));
    list.InsertString(0, "new");
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{5}));
    EXPECT_EQ(list.GetSelCount(), 1);
}

TEST(DisplayList, CaretFollowsItsItem) {
    DisplayList list;
    Fill(list, 5);
    EXPECT_EQ(list.GetCaretIndex(), 0); // a fresh list has its caret on the first item
    EXPECT_EQ(list.GetCurSel(), 0);     // and an extended list's current item is the caret
    list.SetCaretIndex(3);
    list.DeleteString(1);
    EXPECT_EQ(list.GetCaretIndex(), 2);
    list.InsertString(0, "x");
    EXPECT_EQ(list.GetCaretIndex(), 3);
    // Deleting and re-inserting at the caret keeps the caret on that position, even at the end.
    list.SetCaretIndex(4);
    list.DeleteString(4);
    list.InsertString(4, "again");
    EXPECT_EQ(list.GetCaretIndex(), 4);
    EXPECT_EQ(list.SetCaretIndex(5), LB_ERR);
}

TEST(DisplayList, SingleSelection) {
    DisplayList list(DisplayList::SelectionMode::Single);
    Fill(list, 4);
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
    EXPECT_EQ(list.SetCurSel(2), 2);
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(list.SetCurSel(1), 1);
    EXPECT_EQ(list.GetSelCount(), 1);
    EXPECT_EQ(list.GetSel(2), 0);
    EXPECT_EQ(list.SetSel(3, true), 0); // selecting in a single list moves the selection
    EXPECT_EQ(list.GetSelItems(), std::vector<int>{3});
    EXPECT_EQ(list.SelItemRange(true, 0, 3), LB_ERR);
    EXPECT_EQ(list.SetCurSel(-1), -1);
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
    EXPECT_EQ(list.SetCurSel(7), LB_ERR);
}

TEST(DisplayList, BulkDeletion) {
    DisplayList list;
    Fill(list, 8);
    list.SetSel(1, true);
    list.SetSel(2, true);
    list.SetSel(6, true);
    list.SetCaretIndex(6);
    EXPECT_EQ(list.DeleteItems({1, 2, 5}), 5);
    std::vector<std::string> texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.emplace_back(list.GetText(i));
    EXPECT_EQ(texts, (std::vector<std::string>{"line 0", "line 3", "line 4", "line 6", "line 7"}));
    EXPECT_EQ(list.GetSelItems(), std::vector<int>{3});
    EXPECT_EQ(list.GetCaretIndex(), 3);
    EXPECT_EQ(list.DeleteItems({0, 1, 2, 3, 4}), 0);
    EXPECT_EQ(list.GetSelCount(), 0);
    EXPECT_EQ(list.GetCaretIndex(), -1);
}

TEST(DisplayList, ObserverHearsEveryChange) {
    DisplayList list;
    Recorder recorder;
    list.SetObserver(&recorder);
    list.AddString("a");
    list.AddString("b");
    list.SetItemData(1, 5);
    list.SetSel(0, true);
    list.SetCaretIndex(1);
    list.DeleteString(0);
    list.ResetContent();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"ins 0 1", "ins 1 1", "chg 1 1", "chg 0 0",
                                                         "caret -1 1", "del 0 1", "reset"}));
}

// A rebuild empties a long list and appends in runs: each run is one notice, an empty run
// none, and the memory kept across the reset holds the new items, not the old ones.
TEST(DisplayList, AppendRunsAfterAResetAreOneNoticeEach) {
    DisplayList list;
    const int many = 300000; // more than one chunk of items
    Fill(list, many);
    Recorder recorder;
    list.SetObserver(&recorder);
    list.ResetContent();
    { DisplayList::AppendRun run(list); }
    {
        DisplayList::AppendRun run(list);
        {
            DisplayList::AppendRun inner(list);
            list.AddStringRef("x");
        }
        for (int i = 1; i < many / 2; ++i)
            list.AddItem("y", static_cast<uint32_t>(i));
    }
    list.AddString("tail");
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"reset", "ins 0 " + std::to_string(many / 2), "ins 150000 1"}));
    ASSERT_EQ(list.GetCount(), many / 2 + 1);
    EXPECT_EQ(list.GetText(0), "x");
    EXPECT_EQ(list.GetItemData(many / 2 - 1), static_cast<uint32_t>(many / 2 - 1));
    EXPECT_EQ(list.GetText(many / 2), "tail");
    EXPECT_EQ(list.DeleteString(many / 2), many / 2);
    EXPECT_EQ(list.GetText(many / 2 - 1), "y");
}

} // namespace

namespace {

TEST(DisplayList, FindLinesAnyIsTheUnionOfFindLine) {
    DisplayList list;
    for (const char* text :
         {"x timeout", "Timeout", "timeout first", "a REFUSED b", "plain", "", "b down fine"})
        list.AddString(text);
    const std::vector<std::string_view> needles = {"timeout", "refused", "fine", "down"};
    std::vector<int> expected;
    for (int i = 0; i < list.GetCount(); ++i) {
        for (std::string_view needle : needles) {
            if (list.FindLine(i - 1, needle) == i) {
                expected.push_back(i);
                break;
            }
        }
    }
    EXPECT_EQ(list.FindLinesAny(needles), expected);
    EXPECT_EQ(expected, (std::vector<int>{0, 1, 3, 6}));
    EXPECT_TRUE(list.FindLinesAny({}).empty());
    EXPECT_EQ(list.FindLinesAny({""}), std::vector<int>{5}); // the empty needle: only the empty line
    // Starts at or past the end (up to INT_MAX) find nothing.
    EXPECT_EQ(list.FindLine(list.GetCount() - 1, "fine"), LB_ERR);
    EXPECT_EQ(list.FindLine(INT_MAX, "fine"), LB_ERR);
}

} // namespace
