#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/LineRecord.h"
#include "core/LogViewCore.h"

namespace {

// Slots built by hand: (name, colour index) per level, the rest left unset.
class Slots {
public:
    Slots(std::initializer_list<std::pair<const char*, int>> levels) {
        size_t k = 0;
        for (const auto& [name, colour] : levels) {
            m_names[k] = name;
            m_table[k] = LevelSlot{m_names[k], colour, static_cast<int32_t>(k)};
            ++k;
        }
    }
    const LevelSlotTable& Table() const { return m_table; }

private:
    std::array<std::string, kLevelCount> m_names;
    LevelSlotTable m_table;
};

class LogViewCoreTest : public testing::Test {
protected:
    explicit LogViewCoreTest(std::initializer_list<std::pair<const char*, int>> levels = {{"ERR", 10},
                                                                                          {"WARN", 12}})
        : slots(levels), core(slots.Table()) {}

    // Feeds lines through intake as a reader would, in one batch.
    void Load(std::initializer_list<std::string_view> lines, bool done = true) {
        LineBatch batch(1000, 1 << 16);
        for (std::string_view line : lines)
            batch.Add(line, line.size() + 1);
        for (LineRecord& record : batch.Records())
            core.OnAddLine(record);
        if (done)
            core.OnLoadDone();
    }

    // A refill as the view runs it: empty the list and bookmarks, then every entry in order.
    void Refill() {
        list.ResetContent();
        core.m_bookmarks.Reset();
        for (size_t i = 0; i < core.m_lineEntries.GetCount(); ++i)
            core.OnRefillLine(i);
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (int i = 0; i < list.GetCount(); ++i)
            out.emplace_back(list.GetText(i));
        return out;
    }

    Slots slots;
    CLogViewCore core;
    DisplayList& list = core.m_logList;
};

using Lines = std::vector<std::string>;

TEST_F(LogViewCoreTest, Classification) {
    EXPECT_EQ(core.ClassifyLine("12:00 WARN ERR x"), 0); // lowest slot wins, not leftmost name
    EXPECT_EQ(core.ClassifyLine("12:00 warn"), -1);      // case-sensitive
    EXPECT_EQ(core.ClassifyLine("ERR at the start"), -1);
    EXPECT_EQ(core.ClassifyLine("ERR again ERR"), -1); // only the first occurrence counts
    EXPECT_EQ(core.ClassifyLine("x ERR"), 0);
    EXPECT_EQ(core.ClassifyLine("ERR WARN"), 1); // slot 0 fails at position 0, slot 1 matches
    EXPECT_EQ(core.ClassifyLine(""), -1);
    EXPECT_EQ(core.ClassifyLine(std::string("\0ERR", 4)), 0); // bytes, NUL included

    Slots none({});
    CLogViewCore unconfigured(none.Table());
    EXPECT_EQ(unconfigured.ClassifyLine("x ERR"), -1); // empty slots never match
}

TEST_F(LogViewCoreTest, IntakeShowsUntrimmedAndStoresTrimmed) {
    Load({"  abc  ", "t ERR boom", "t WARN hot", "plain"});
    EXPECT_EQ(Texts(), (Lines{"  abc  ", "t ERR boom", "t WARN hot", "plain"}));
    EXPECT_EQ(list.GetItemData(0), 0u);
    EXPECT_EQ(list.GetItemData(1), 0x0000FFu); // colour 10: red
    EXPECT_EQ(list.GetItemData(2), 0x00FFFFu); // colour 12: yellow

    ASSERT_EQ(core.m_lineEntries.GetCount(), 4u);
    EXPECT_EQ(core.m_lineEntries.Text(0), "abc");
    EXPECT_EQ(core.m_lineEntries.Level(0), -1);
    EXPECT_EQ(core.m_lineEntries.ColourIndex(0), 0);
    EXPECT_EQ(core.m_lineEntries.Level(1), 0);
    EXPECT_EQ(core.m_lineEntries.ColourIndex(1), 10);
    EXPECT_EQ(core.m_lineEntries.Level(2), 1);
    EXPECT_FALSE(core.m_lineEntries.Hidden(2));
    // One copy of the bytes: the entry's text lies inside the display item's.
    EXPECT_EQ(core.m_lineEntries.Text(0).data(), list.GetText(0).data() + 2);

    // After the first refill the line shows trimmed.
    Refill();
    EXPECT_EQ(Texts()[0], "abc");
}

TEST_F(LogViewCoreTest, PresentFlagsAfterLoading) {
    Load({"x WARN", "y", "z WARN"});
    EXPECT_TRUE(core.m_levelFilter[0].show);
    EXPECT_TRUE(core.m_levelFilter[0].present);
    EXPECT_FALSE(core.m_levelFilter[1].present); // ERR never occurred
    EXPECT_TRUE(core.m_levelFilter[2].present);
    EXPECT_TRUE(core.m_levelFilter[2].show);
    for (size_t k = 3; k < kFilterCount; ++k)
        EXPECT_FALSE(core.m_levelFilter[k].present) << k;
}

TEST_F(LogViewCoreTest, EveryLineIsShownWhileLoadingWhateverTheFilter) {
    core.m_levelFilter[0].show = false;
    core.m_levelFilter[1].show = false;
    Load({"a ERR", "raw"}, false);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_TRUE(core.m_levelFilter[1].show); // switched on again by its next line
    EXPECT_FALSE(core.m_levelFilter[0].show);

    // A show flag written back to false before loading ends leaves the level not present.
    core.m_levelFilter[1].show = false;
    core.OnLoadDone();
    EXPECT_FALSE(core.m_levelFilter[1].present);
}

TEST_F(LogViewCoreTest, RefillUnderEveryFilter) {
    Load({"raw 1", "a ERR", "b WARN", "raw 2", "c ERR"});

    core.m_levelFilter[0].show = false;
    Refill();
    EXPECT_EQ(Texts(), (Lines{"a ERR", "b WARN", "c ERR"}));

    core.m_levelFilter[0].show = true;
    core.m_levelFilter[1].show = false;
    Refill();
    EXPECT_EQ(Texts(), (Lines{"raw 1", "b WARN", "raw 2"}));
    EXPECT_TRUE(core.m_lineEntries.Hidden(1));
    EXPECT_TRUE(core.m_lineEntries.Hidden(4));
    EXPECT_FALSE(core.m_lineEntries.Hidden(2));
    EXPECT_FALSE(core.m_lineEntries.Hidden(0)); // unclassified lines never get the flag

    core.m_levelFilter[1].show = true;
    core.m_levelFilter[2].show = false;
    Refill();
    EXPECT_EQ(Texts(), (Lines{"raw 1", "a ERR", "raw 2", "c ERR"}));
    EXPECT_FALSE(core.m_lineEntries.Hidden(1));
    EXPECT_EQ(list.GetItemData(1), 0x0000FFu); // colour, and no bookmark mark

    // Edits and deletions of the display list are undone by a refill.
    list.SetItemText(0, "edited");
    list.DeleteString(1);
    list.SetItemData(1, BOOKMARK_BIT);
    core.m_levelFilter[2].show = true;
    Refill();
    EXPECT_EQ(Texts(), (Lines{"raw 1", "a ERR", "b WARN", "raw 2", "c ERR"}));
    EXPECT_EQ(list.GetItemData(1) & BOOKMARK_BIT, 0u);
}

TEST_F(LogViewCoreTest, EmptyStoresAndFreeingTheLines) {
    EXPECT_EQ(list.GetCount(), 0);
    Refill(); // an empty store adds nothing
    EXPECT_EQ(list.GetCount(), 0);

    Load({"a ERR", "b"});
    core.m_bookmarks.Add(1);
    core.FreeLineEntries();
    EXPECT_TRUE(core.m_lineEntries.IsEmpty());
    EXPECT_EQ(list.GetCount(), 0); // nothing left that refers to freed lines
    EXPECT_TRUE(core.m_bookmarks.Empty());
    EXPECT_EQ(core.m_bookmarks.CurrentMark(), -1);
}

TEST_F(LogViewCoreTest, ColourIndexOutsideThePaletteIsBlack) {
    Slots odd({{"A", 16}, {"B", -1}, {"C", 70000}, {"D", 12}});
    CLogViewCore view(odd.Table());
    const DisplayList& other = view.m_logList;
    LineBatch batch(10, 1024);
    for (const char* line : {"x A", "x B", "x C", "x D"})
        batch.Add(line, 4);
    for (LineRecord& record : batch.Records())
        view.OnAddLine(record);
    EXPECT_EQ(other.GetItemData(0), 0u);
    EXPECT_EQ(other.GetItemData(1), 0u);
    EXPECT_EQ(other.GetItemData(2), 0u);
    EXPECT_EQ(other.GetItemData(3), 0x00FFFFu);
}

TEST(LineBatch, HoldsLinesUntilFreedAndKnowsWhenFull) {
    auto batch = std::make_unique<LineBatch>(3, 10);
    EXPECT_FALSE(batch->Full(100)); // the first line always fits
    batch->Add("12345678", 9);
    EXPECT_TRUE(batch->Full(3));
    EXPECT_FALSE(batch->Full(2));
    batch->Add("ab", 3);
    EXPECT_FALSE(batch->Full(0));
    batch->Add("", 1);
    EXPECT_TRUE(batch->Full(0)); // three lines
    EXPECT_EQ(batch->StepSum(), 13u);
    EXPECT_EQ(batch->Records()[0].text, "12345678");
    EXPECT_EQ(batch->Records()[2].text, "");

    LineBatch big(10, 4);
    big.Add(std::string(5000, 'x'), 5001); // one line larger than the batch
    EXPECT_EQ(big.Records()[0].text.size(), 5000u);
    // A line that no longer fits the block would move the earlier lines' bytes.
    EXPECT_THROW(big.Add(std::string(1 << 20, 'y'), 1), std::length_error);
}

TEST(LineBatch, AWellFilledBatchGivesItsBytesToTheStore) {
    Slots slots({{"ERR", 10}});
    CLogViewCore core(slots.Table());
    const DisplayList& list = core.m_logList;

    // Most of the block used: the store keeps the bytes where they are.
    LineBatch full(100, 4096);
    for (int i = 0; i < 40; ++i)
        full.Add(std::string(90, static_cast<char>('a' + i % 26)) + " ERR", 95);
    const char* first = full.Records().front().text.data();
    for (LineRecord& record : full.Records())
        core.OnAddLine(record);
    EXPECT_TRUE(full.BytesTaken());
    EXPECT_EQ(list.GetText(0).data(), first);
    // The batch can be filled again; the kept lines stay as they were.
    full.Clear();
    full.Add("new bytes", 10);
    EXPECT_EQ(list.GetText(0), std::string(90, 'a') + " ERR");
    EXPECT_EQ(core.m_lineEntries.Text(39), std::string(90, 'a' + 39 % 26) + " ERR");

    // A sparse batch is copied, so a few short lines do not pin a whole block.
    LineBatch sparse(100, 1 << 20);
    sparse.Add("short", 6);
    core.OnAddLine(sparse.Records().front());
    EXPECT_FALSE(sparse.BytesTaken());
    EXPECT_NE(list.GetText(40).data(), sparse.Records().front().text.data());
    EXPECT_EQ(list.GetText(40), "short");
}

TEST(LineBatch, LinesClassifiedByTheirReaderLandAsLinesClassifiedHere) {
    Slots slots({{"ERR", 10}, {"WARN", 12}});
    const std::vector<std::string> lines = {"x ERR", "WARN first", "a WARN b ERR", "plain", ""};
    CLogViewCore classifiedHere(slots.Table());
    CLogViewCore classifiedThere(slots.Table());
    const DisplayList& here = classifiedHere.m_logList;
    const DisplayList& there = classifiedThere.m_logList;
    LineBatch raw(100, 4096), classified(100, 4096);
    for (const std::string& line : lines) {
        raw.Add(line, line.size() + 1);
        classified.Add(line, line.size() + 1, ClassifyLine(slots.Table(), line));
    }
    EXPECT_EQ(classified.Records()[2].level, 0);
    EXPECT_EQ(classified.Records()[1].level, -1);
    EXPECT_EQ(raw.Records()[0].level, LineRecord::kNotClassified);
    classifiedHere.OnAddLines(raw);
    classifiedThere.OnAddLines(classified);
    classifiedHere.OnLoadDone();
    classifiedThere.OnLoadDone();
    ASSERT_EQ(here.GetCount(), there.GetCount());
    for (int i = 0; i < here.GetCount(); ++i) {
        EXPECT_EQ(here.GetText(i), there.GetText(i));
        EXPECT_EQ(here.GetItemData(i), there.GetItemData(i));
        EXPECT_EQ(classifiedHere.m_lineEntries.Level(static_cast<size_t>(i)),
                  classifiedThere.m_lineEntries.Level(static_cast<size_t>(i)));
    }
    for (int k = 0; k < kFilterCount; ++k) {
        EXPECT_EQ(classifiedHere.m_levelFilter[static_cast<size_t>(k)].show,
                  classifiedThere.m_levelFilter[static_cast<size_t>(k)].show);
        EXPECT_EQ(classifiedHere.m_levelFilter[static_cast<size_t>(k)].present,
                  classifiedThere.m_levelFilter[static_cast<size_t>(k)].present);
    }
}

TEST(LineBatch, ABatchTakenWholeGivesTheStoreAndListOfOneLineAtATime) {
    Slots slots({{"ERR", 10}, {"WARN", 12}, {"INFO", 3}});
    std::mt19937 random(7);
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        std::string line("l");
        line += std::to_string(i);
        switch (random() % 8) {
        case 0:
            line.clear();
            break;
        case 1:
            line.insert(0, 1, ' ');
            line += " ERR";
            break;
        case 2:
            line += " WARN ";
            break;
        case 3:
            line.insert(0, "x INFO ");
            line += '\r';
            break;
        case 4:
            line.insert(0, 1, '\t');
            line += "  ";
            break;
        case 5:
            line += std::string(random() % 1024, 'y');
            break;
        default:
            break;
        }
        lines.push_back(line);
    }
    const auto take = [&](CLogViewCore& core, bool classified, bool deleteAfterFirst, size_t limit) {
        core.m_lineLimit = limit;
        size_t next = 0;
        for (int round = 0; next < lines.size(); ++round) {
            // Well-filled batches (their block adopted) and sparse ones (their text copied).
            const size_t count = 1 + random() % 700;
            LineBatch batch(count, round % 2 == 0 ? 1 << 16 : 1 << 22);
            for (; next < lines.size() && !batch.Full(lines[next].size()); ++next)
                batch.Add(lines[next], lines[next].size() + 1,
                          classified ? ClassifyLine(slots.Table(), lines[next]) : LineRecord::kNotClassified);
            try {
                core.OnAddLines(batch);
            } catch (const TooManyLines&) {
                break;
            }
            // An item removed during the load: the list's items are no longer the store's
            // lines of their own index.
            if (deleteAfterFirst && round == 0)
                core.m_logList.DeleteString(1);
        }
        core.OnLoadDone();
    };
    for (const bool deleted : {false, true}) {
        for (const size_t limit : {LineStore::kMaxLines, size_t{12345}}) {
            SCOPED_TRACE(testing::Message() << "deleted " << deleted << ", limit " << limit);
            CLogViewCore whole(slots.Table());
            CLogViewCore oneByOne(slots.Table());
            random.seed(5);
            take(whole, true, deleted, limit);
            random.seed(5);
            take(oneByOne, false, deleted, limit);
            const LineStore& a = whole.m_lineEntries;
            const LineStore& b = oneByOne.m_lineEntries;
            ASSERT_EQ(a.GetCount(), b.GetCount());
            ASSERT_EQ(a.GetCount(), std::min(limit, lines.size()));
            for (size_t i = 0; i < a.GetCount(); ++i) {
                ASSERT_EQ(a.WholeText(i), b.WholeText(i)) << i;
                ASSERT_EQ(a.Text(i), b.Text(i)) << i;
                ASSERT_EQ(a.TextLength(i, true), b.TextLength(i, true)) << i;
                ASSERT_EQ(a.Level(i), b.Level(i)) << i;
                ASSERT_EQ(a.ItemData(i), b.ItemData(i)) << i;
                ASSERT_EQ(a.Hidden(i), b.Hidden(i)) << i;
            }
            const DisplayList& x = whole.m_logList;
            const DisplayList& y = oneByOne.m_logList;
            ASSERT_EQ(x.GetCount(), y.GetCount());
            for (int i = 0; i < x.GetCount(); ++i) {
                ASSERT_EQ(x.GetText(i), y.GetText(i)) << i;
                ASSERT_EQ(x.GetItemData(i), y.GetItemData(i)) << i;
                ASSERT_TRUE(x.IsStoreLine(i, static_cast<size_t>(i + (deleted && i >= 1 ? 1 : 0)))) << i;
            }
            EXPECT_EQ(x.LongestTextLength(), y.LongestTextLength());
            ASSERT_EQ(x.LongItems().size(), y.LongItems().size());
            for (size_t k = 0; k < x.LongItems().size(); ++k) {
                EXPECT_EQ(x.LongItems()[k].index, y.LongItems()[k].index);
                EXPECT_EQ(x.LongItems()[k].length, y.LongItems()[k].length);
            }
            for (size_t k = 0; k < kFilterCount; ++k) {
                EXPECT_EQ(whole.m_levelFilter[k].show, oneByOne.m_levelFilter[k].show) << k;
                EXPECT_EQ(whole.m_levelFilter[k].present, oneByOne.m_levelFilter[k].present) << k;
            }
        }
    }
}

} // namespace

TEST(LogViewCoreFilters, TheSharedRebuildDecidesAsTheLineByLineOne) {
    // Enough lines for several parts of the shared scan, each a different verdict.
    CLogViewCore byLine;
    CLogViewCore shared;
    std::vector<std::string> texts;
    for (int i = 0; i < 100000; ++i)
        texts.push_back("line " + std::to_string(i) + (i % 7 == 0 ? " drop" : "") +
                        (i % 3 == 0 ? " keep" : ""));
    for (CLogViewCore* core : {&byLine, &shared}) {
        LineBatch batch(texts.size(), texts.size() * 24);
        for (const std::string& text : texts)
            batch.Add(text, text.size() + 1);
        core->OnAddLines(batch);
        core->OnLoadDone();
        ASSERT_TRUE(core->SetLineFilters({LineFilterSpec{"drop", {true, true, false}, true, true},
                                          LineFilterSpec{"k.ep$", {false, false, true}, false, true}}));
        core->ResetForRebuild();
    }
    for (size_t i = 0; i < texts.size(); ++i)
        byLine.OnRefillLine(i);
    shared.OnRefillLines(0, texts.size());
    ASSERT_EQ(shared.LogList().GetCount(), byLine.LogList().GetCount());
    int expected = 0;
    for (int i = 0; i < 100000; ++i)
        expected += (i % 7 != 0 && i % 3 == 0) ? 1 : 0;
    EXPECT_EQ(shared.LogList().GetCount(), expected);
    for (int i = 0; i < shared.LogList().GetCount(); ++i)
        ASSERT_EQ(shared.LogList().GetText(i), byLine.LogList().GetText(i));
}

TEST(LogViewCoreFilters, ALineStillBeingWrittenIsJudgedAgainWhenItComesWhole) {
    CLogViewCore core;
    LineBatch first(2, 64);
    first.Add("start", 6);
    core.OnAddLines(first);
    core.OnLoadDone();
    ASSERT_TRUE(core.SetLineFilters({LineFilterSpec{"heartbeat", {}, true, true}}));
    core.ResetForRebuild();
    core.OnRefillLines(0, core.m_lineEntries.GetCount());
    ASSERT_EQ(core.LogList().GetCount(), 1);

    // "- heart" passes the Hide filter; written out as "- heartbeat" it must go, and a line
    // that still passes when whole stays with its new text.
    for (const auto& [part, whole, kept] :
         {std::tuple{"- heart", "- heartbeat ok", false}, std::tuple{"- link", "- link up", true}}) {
        LineBatch open(1, 64);
        open.Add(part, std::strlen(part));
        open.MarkLastLineOpen();
        core.OnAddLines(open);
        ASSERT_EQ(core.LogList().GetCount(), 2);
        LineBatch rest(1, 64);
        rest.Add(whole, std::strlen(whole) + 1);
        core.OnAddLines(rest);
        ASSERT_EQ(core.LogList().GetCount(), kept ? 2 : 1) << whole;
        if (kept) {
            EXPECT_EQ(core.LogList().GetText(1), whole);
        }
    }
}
