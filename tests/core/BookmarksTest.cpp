// The bookmarks of a list: the bit, the sorted indices and the current mark stay in step
// through toggles, single and bulk adds, walks and resets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Bookmarks.h"
#include "core/DisplayList.h"
#include "core/Palette.h"

namespace {

using Lines = std::vector<int>;

struct Marked {
    explicit Marked(int count) {
        for (int i = 0; i < count; ++i)
            list.AddItem(list.GetCount() % 2 ? "odd" : "even", 0x0000FF);
    }
    // The indices, checked against the lines whose data word carries the bit and whose
    // colour is untouched.
    Lines Indices() {
        Lines withBit;
        for (int i = 0; i < list.GetCount(); ++i) {
            EXPECT_EQ(list.GetItemData(i) & COLOUR_MASK, 0x0000FFu) << i;
            if (list.GetItemData(i) & BOOKMARK_BIT)
                withBit.push_back(i);
        }
        const Lines listed(marks.Indices().begin(), marks.Indices().end());
        EXPECT_EQ(listed, withBit);
        return listed;
    }
    DisplayList list;
    Bookmarks marks{list};
};

} // namespace

TEST(Bookmarks, ToggleAndAddKeepBitIndicesAndCurrentMarkInStep) {
    Marked m(10);
    m.list.SetSel(7, true);
    m.list.SetSel(8, true);
    EXPECT_TRUE(m.marks.Toggle(7));
    EXPECT_TRUE(m.marks.Toggle(3));
    EXPECT_EQ(m.Indices(), Lines({3, 7}));
    EXPECT_EQ(m.marks.CurrentMark(), 3);
    // Marking drops the line's selection; others keep theirs.
    EXPECT_EQ(m.list.GetSelItems(), Lines({8}));

    EXPECT_FALSE(m.marks.Toggle(3)); // off: the current mark moves past it first
    EXPECT_EQ(m.marks.CurrentMark(), 7);
    EXPECT_FALSE(m.marks.Toggle(7)); // the only one left
    EXPECT_EQ(m.marks.CurrentMark(), -1);
    EXPECT_TRUE(m.marks.Empty());

    EXPECT_TRUE(m.marks.Add(4));
    EXPECT_TRUE(m.marks.Add(1));
    EXPECT_FALSE(m.marks.Add(4)); // already marked: no toggle, the current mark stays
    EXPECT_EQ(m.marks.CurrentMark(), 1);
    for (int bad : {-1, 10, 1 << 30}) {
        EXPECT_FALSE(m.marks.Add(bad));
        EXPECT_FALSE(m.marks.Toggle(bad));
        EXPECT_FALSE(m.marks.IsMarked(bad));
    }
    EXPECT_EQ(m.Indices(), Lines({1, 4}));
    EXPECT_EQ(m.marks.CurrentMark(), 1);
}

TEST(Bookmarks, AdvanceWrapsAndStopsWithOneLeft) {
    Marked m(50);
    for (int line : {40, 5, 20})
        m.marks.Add(line);
    Lines walk;
    for (int i = 0, at = 20; i < 4; ++i) {
        walk.push_back(at);
        m.marks.Advance(at);
        at = m.marks.CurrentMark();
    }
    EXPECT_EQ(walk, Lines({20, 40, 5, 20}));
    m.marks.SetCurrentMark(33);
    m.marks.Advance(33); // no bookmark there: nothing moves
    EXPECT_EQ(m.marks.CurrentMark(), 33);

    Marked one(3);
    one.marks.Add(2);
    one.marks.Advance(2);
    EXPECT_EQ(one.marks.CurrentMark(), -1);
}

TEST(Bookmarks, BulkAddMergesAsSingleAddsWouldAndResetEmptiesAll) {
    // Old bookmarks before, among and after the new ones; some new ones marked already.
    const Lines found = {0, 2, 3, 9, 11, 40, 41, 99};
    Marked bulk(100), single(100);
    for (Marked* m : {&bulk, &single}) {
        for (int line : {3, 10, 41, 98})
            m->marks.Add(line);
        m->marks.SetCurrentMark(10);
    }
    bulk.marks.AddAll(found);
    for (int line : found)
        single.marks.Add(line);
    EXPECT_EQ(bulk.Indices(), single.Indices());
    EXPECT_EQ(bulk.Indices(), Lines({0, 2, 3, 9, 10, 11, 40, 41, 98, 99}));
    EXPECT_EQ(bulk.marks.CurrentMark(), 99); // the last line newly marked
    EXPECT_EQ(single.marks.CurrentMark(), 99);

    // Nothing new: the current mark stays where it was.
    bulk.marks.SetCurrentMark(40);
    bulk.marks.AddAll({3, 10, 300});
    EXPECT_EQ(bulk.marks.CurrentMark(), 40);
    bulk.marks.AddAll({});
    EXPECT_EQ(bulk.marks.Count(), 10u);

    // A large bulk add after many old marks stays linear and sorted.
    Marked many(200000);
    for (int line = 1; line < 200000; line += 2)
        many.marks.Add(line);
    Lines even;
    for (int line = 0; line < 200000; line += 2)
        even.push_back(line);
    many.marks.AddAll(even);
    EXPECT_EQ(many.marks.Count(), 200000u);
    EXPECT_TRUE(std::is_sorted(many.marks.Indices().begin(), many.marks.Indices().end()));

    bulk.list.ResetContent();
    bulk.marks.Reset();
    EXPECT_TRUE(bulk.marks.Empty());
    EXPECT_EQ(bulk.marks.CurrentMark(), -1);
}
