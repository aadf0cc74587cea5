// What clicks, drags, keys and Space do to a list's selection, caret and anchor.
#include <gtest/gtest.h>

#include <vector>

#include "core/DisplayList.h"
#include "core/ListSelection.h"

namespace {

constexpr ListSelection::Keys kPlain{};
constexpr ListSelection::Keys kShift{true, false};
constexpr ListSelection::Keys kCtrl{false, true};
constexpr ListSelection::Keys kCtrlShift{true, true};
using Items = std::vector<int>;

void Fill(DisplayList& list, int count) {
    for (int i = 0; i < count; ++i)
        list.AddString("line");
}

} // namespace

TEST(ListSelectionTest, ClicksAndDragsSelectAloneToggleAndExtendFromTheAnchor) {
    DisplayList list;
    Fill(list, 10);
    ListSelection selection(list);

    SCOPED_TRACE("Shift extends from the anchor, which stays: a second Shift click shrinks the range");
    selection.Click(3, kPlain);
    selection.Click(6, kShift);
    EXPECT_EQ(list.GetSelItems(), (Items{3, 4, 5, 6}));
    selection.Click(1, kShift);
    EXPECT_EQ(list.GetSelItems(), (Items{1, 2, 3}));
    EXPECT_EQ(list.GetAnchorIndex(), 3);
    EXPECT_EQ(list.GetCaretIndex(), 1);

    SCOPED_TRACE("Ctrl flips one item and moves the anchor; Ctrl+Shift adds a range to what is there");
    selection.Click(8, kCtrl);
    selection.Click(2, kCtrl);
    EXPECT_EQ(list.GetSelItems(), (Items{1, 3, 8}));
    selection.Click(5, kCtrlShift);
    EXPECT_EQ(list.GetSelItems(), (Items{1, 2, 3, 4, 5, 8}));

    SCOPED_TRACE("a drag from the item clicked replaces the selection; bad indices change nothing");
    selection.Click(4, kPlain);
    selection.DragTo(7);
    EXPECT_EQ(list.GetSelItems(), (Items{4, 5, 6, 7}));
    const uint64_t stamp = list.SelectionStamp();
    selection.Click(-1, kPlain);
    selection.Click(10, kShift);
    selection.DragTo(42);
    selection.MoveTo(-3, kPlain);
    EXPECT_EQ(list.SelectionStamp(), stamp);
    EXPECT_EQ(list.GetCaretIndex(), 7);
}

TEST(ListSelectionTest, KeysAndSpaceFollowTheCaretAndASingleListSelectsWhatTheyReach) {
    DisplayList list;
    Fill(list, 6);
    ListSelection selection(list);
    selection.MoveTo(2, kPlain);
    selection.MoveTo(4, kShift);
    EXPECT_EQ(list.GetSelItems(), (Items{2, 3, 4}));

    SCOPED_TRACE("Ctrl moves the caret alone, and Ctrl+Space then flips the item it reached");
    selection.MoveTo(0, kCtrl);
    EXPECT_EQ(list.GetSelItems(), (Items{2, 3, 4}));
    selection.Space(kCtrl);
    EXPECT_EQ(list.GetSelItems(), (Items{0, 2, 3, 4}));
    EXPECT_EQ(list.GetAnchorIndex(), 0);
    selection.Space(kShift);
    EXPECT_EQ(list.GetSelItems(), (Items{0, 2, 3, 4}));
    selection.Space(kPlain);
    EXPECT_EQ(list.GetSelItems(), Items{0});

    SCOPED_TRACE("single selection: whatever the keys, the item reached alone");
    DisplayList single(DisplayList::SelectionMode::Single);
    Fill(single, 5);
    ListSelection one(single);
    one.Click(3, kCtrlShift);
    one.MoveTo(4, kCtrl);
    EXPECT_EQ(single.GetSelItems(), Items{4});
    one.DragTo(0);
    one.Space(kCtrl);
    EXPECT_EQ(single.GetSelItems(), Items{0});

    SCOPED_TRACE("an empty list: Space does nothing");
    DisplayList empty;
    ListSelection(empty).Space(kPlain);
    EXPECT_EQ(empty.GetSelCount(), 0);
}
