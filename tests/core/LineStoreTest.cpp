#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/DisplayList.h"
#include "core/LineRecord.h"
#include "core/LineStore.h"
#include "core/Palette.h"

namespace {

// Lines appended from several sources in turn, as intake mixes them: adopted batch
// blocks (lines back to back), copies into the store's arena, empty lines, and lines
// that lie apart. Every line must read back as it went in.
TEST(LineStore, EveryLineReadsBackWhateverBlockItCameFrom) {
    LineStore store;
    std::vector<std::string> expected;
    std::mt19937 random(7);
    std::vector<std::unique_ptr<LineBatch>> batches;
    for (int round = 0; round < 40; ++round) {
        const int kind = static_cast<int>(random() % 3);
        const int count = static_cast<int>(random() % 9000);
        if (kind == 0) {
            // A batch whose block the store adopts: its lines lie back to back.
            auto batch = std::make_unique<LineBatch>(100000, 1 << 20);
            for (int i = 0; i < count; ++i) {
                std::string line(random() % 40, static_cast<char>('a' + i % 26));
                // White space at the ends in every form trimming meets.
                static const char* const kEnds[][2] = {{"  ", " \t"}, {"", " "}, {"", "\r"}, {"", "  "},
                                                       {"\t", ""},    {"", ""},  {"", ""}};
                const auto& ends = kEnds[i % 7];
                line = ends[0] + line + ends[1];
                if (i % 11 == 0)
                    line = i % 2 ? " " : "\r";
                batch->Add(line, line.size() + 1);
            }
            store.AdoptBytes(batch->TakeBytes());
            for (const LineRecord& record : batch->Records()) {
                store.Reserve(store.GetCount() + 1);
                store.Append(static_cast<int>(random() % 11) - 1, record.text);
                expected.emplace_back(record.text);
            }
            batches.push_back(std::move(batch));
        } else if (kind == 1) {
            for (int i = 0; i < count; ++i) {
                const std::string line = std::to_string(round) + "/" + std::to_string(i);
                store.Reserve(store.GetCount() + 1);
                store.Append(-1, store.Keep(i % 5 == 0 ? std::string() : line));
                expected.push_back(i % 5 == 0 ? std::string() : line);
            }
        } else {
            // Lines that lie apart from each other, each its own run of bytes.
            static std::vector<std::string> apart;
            apart.reserve(100000);
            for (int i = 0; i < count % 50; ++i) {
                apart.push_back("apart " + std::to_string(i) + std::string(static_cast<size_t>(i), 'x'));
                store.Reserve(store.GetCount() + 1);
                store.Append(3, apart.back());
                expected.push_back(apart.back());
            }
        }
    }
    ASSERT_EQ(store.GetCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(store.WholeText(i), expected[i]) << i;
    }
    // Trimmed text is the whole text without white space at its ends.
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string& whole = expected[i];
        const size_t first = whole.find_first_not_of(" \t\r");
        const std::string trimmed = first == std::string::npos
                                        ? std::string()
                                        : whole.substr(first, whole.find_last_not_of(" \t\r") - first + 1);
        ASSERT_EQ(store.Text(i), trimmed) << i;
        ASSERT_EQ(store.TextLength(i, true), trimmed.size()) << i;
        ASSERT_EQ(store.TextLength(i, false), whole.size()) << i;
    }
    // Five bytes a line, and a little for segments and pages.
    EXPECT_LT(store.IndexBytes(), expected.size() * 5 + (8u << 20));
    store.Clear();
    EXPECT_TRUE(store.IsEmpty());
}

TEST(LineStore, LevelColourAndHiddenFlagAreKeptPerLine) {
    LineStore store;
    store.SetLevelColour(0, 10);
    store.SetLevelColour(1, 99); // beyond the palette: black, as the palette has it
    for (int level : {-1, 0, 1, 9}) {
        store.Reserve(store.GetCount() + 1);
        store.Append(level, store.Keep("x"));
    }
    EXPECT_EQ(store.Level(0), -1);
    EXPECT_EQ(store.ColourIndex(0), 0);
    EXPECT_EQ(store.ItemData(0), 0u);
    EXPECT_EQ(store.Level(1), 0);
    EXPECT_EQ(store.ColourIndex(1), 10);
    EXPECT_EQ(store.ItemData(1), PaletteColour(10));
    EXPECT_EQ(store.ColourIndex(2), 99);
    EXPECT_EQ(store.ItemData(2), PaletteColour(0));
    EXPECT_EQ(store.Level(3), 9);
    store.SetHidden(1, true);
    EXPECT_TRUE(store.Hidden(1));
    EXPECT_EQ(store.Level(1), 0);
    store.SetHidden(1, false);
    EXPECT_FALSE(store.Hidden(1));
}

class StoreListTest : public testing::Test {
protected:
    StoreListTest() {
        store.SetLevelColour(0, 10);
        list.SetLineStore(&store);
        for (const char* line : {"  zero ", "one ERR", "two", " three "}) {
            store.Reserve(store.GetCount() + 1);
            store.Append(std::string_view(line) == "one ERR" ? 0 : -1, store.Keep(line));
        }
    }
    LineStore store;
    DisplayList list;
};

// Items that refer to the store's lines behave as items with their own text and data:
// the data word's bookmark bit, a data word the line does not give, a new text, deletion
// and insertion around them, and copies into a second list.
TEST_F(StoreListTest, StoreItemsBehaveAsItemsOfTheirOwn) {
    for (size_t i = 0; i < store.GetCount(); ++i)
        list.AddLine(i, i % 2 == 1);
    EXPECT_EQ(list.GetText(0), "  zero ");
    EXPECT_EQ(list.GetText(1), "one ERR");
    EXPECT_EQ(list.GetText(3), "three");
    EXPECT_EQ(list.GetItemData(1), PaletteColour(10));
    EXPECT_EQ(list.GetItemData(0), 0u);
    EXPECT_EQ(list.LongestTextLength(), 7u);

    // The bookmark bit, set and cleared, on a line with colour and on one without.
    EXPECT_EQ(list.ToggleDataBit(1, BOOKMARK_BIT), 1);
    EXPECT_EQ(list.GetItemData(1), PaletteColour(10) | BOOKMARK_BIT);
    EXPECT_EQ(list.SetItemData(0, BOOKMARK_BIT), 0);
    EXPECT_EQ(list.GetItemData(0), BOOKMARK_BIT);
    EXPECT_EQ(list.ToggleDataBit(0, BOOKMARK_BIT), 0);
    EXPECT_EQ(list.GetItemData(0), 0u);
    // A word of its own keeps the store's text.
    list.SetSel(2, true);
    list.SetItemData(2, 0x123456);
    EXPECT_EQ(list.GetItemData(2), 0x123456u);
    EXPECT_EQ(list.GetText(2), "two");
    EXPECT_EQ(list.GetSel(2), 1);
    // A new text keeps the data word and the selection; the store keeps its line.
    list.SetItemText(1, "edited");
    EXPECT_EQ(list.GetText(1), "edited");
    EXPECT_EQ(list.GetItemData(1), PaletteColour(10) | BOOKMARK_BIT);
    EXPECT_EQ(store.WholeText(1), "one ERR");

    list.InsertString(1, "----");
    list.DeleteString(0);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetText(0), "----");
    EXPECT_EQ(list.GetText(1), "edited");
    EXPECT_EQ(list.GetText(2), "two");
    EXPECT_EQ(list.GetSel(2), 1);
    EXPECT_EQ(list.GetText(3), "three");
    list.DeleteItems({0, 2});
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetText(0), "edited");
    EXPECT_EQ(list.GetText(1), "three");
    EXPECT_EQ(list.GetSelCount(), 0);

    // A copy into a list of the same store refers to the line; into any other list, or
    // of an edited item, it is copied. Neither takes the data word.
    DisplayList same;
    same.SetLineStore(&store);
    DisplayList other;
    for (DisplayList* target : {&same, &other}) {
        target->AddCopyOf(list, 0);
        target->AddCopyOf(list, 1);
        EXPECT_EQ(target->GetText(0), "edited");
        EXPECT_EQ(target->GetText(1), "three");
        EXPECT_EQ(target->GetItemData(1), 0u);
    }
    EXPECT_EQ(same.GetText(1).data(), store.Text(3).data());
    EXPECT_NE(other.GetText(1).data(), store.Text(3).data());
    EXPECT_EQ(other.AddCopyOf(list, 5), LB_ERR);

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    list.AddLine(1, false);
    EXPECT_EQ(list.GetText(0), "one ERR");
    EXPECT_EQ(list.GetItemData(0), PaletteColour(10));
}

TEST_F(StoreListTest, SearchesReadStoreLinesInPlace) {
    for (size_t i = 0; i < store.GetCount(); ++i)
        list.AddLine(i, false);
    EXPECT_EQ(list.FindLine(-1, "err"), 1);
    EXPECT_EQ(list.FindLinesAny({"hre", "wo"}), (std::vector<int>{2, 3}));
    EXPECT_EQ(LinesHoldingAny(list, {"ero"}), (std::vector<int>{0}));
}

} // namespace
