#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/BlockCutter.h"
#include "core/LevelMatcher.h"
#include "core/LineFile.h"
#include "core/LogViewCore.h"
#include "support/TempDir.h"

namespace {

struct Slots {
    Slots() {
        const std::array<const char*, 4> names{"ERR", "WARN", "INFO", "RR"};
        for (size_t k = 0; k < names.size(); ++k) {
            m_names[k] = names[k];
            m_table[k] = LevelSlot{m_names[k], static_cast<int>(k + 3), static_cast<int32_t>(k)};
        }
    }
    std::array<std::string, kLevelCount> m_names;
    LevelSlotTable m_table;
};

// Lines of a log, with what makes a cut hard: CR LF and lone CRs, empty lines, lines
// around a whole piece (1023 bytes) and longer than a block, NUL and bytes that are not
// UTF-8, level names at the first byte and later.
std::string RandomLog(std::mt19937& random, size_t bytes) {
    std::string log;
    while (log.size() < bytes) {
        std::string line;
        switch (random() % 10) {
        case 0:
            break;
        case 1:
            line.assign(1021 + random() % 5, 'p');
            break;
        case 2:
            line.assign(2000 + random() % 3000, 'q');
            break;
        case 6:
            // A line end just before, at or just after the end of a whole piece.
            line.assign(1023 * (1 + random() % 4) + random() % 5 - 2, 'w');
            break;
        case 3:
            line = std::string("x\0\xff ERR", 7);
            break;
        case 4:
            line = "ERR first, then WARN";
            break;
        default:
            line = "t" + std::to_string(random() % 100000) + (random() % 2 ? " INFO" : " a\r");
            break;
        }
        log += line;
        log += random() % 3 == 0 ? "\r\n" : "\n";
    }
    return log;
}

struct Cut {
    std::vector<LineRecord> records; // text pointing into `texts`
    std::vector<std::string> texts;
    uint64_t steps = 0;
};

void Keep(Cut& cut, const LineBatch& batch) {
    EXPECT_TRUE(batch.AllClassified());
    cut.steps += batch.StepSum();
    for (const LineRecord& record : batch.Records()) {
        cut.texts.emplace_back(record.text);
        cut.records.push_back(record);
    }
}

// The pieces a one-thread read hands out from `from` on, in batches of `batchLines` taken by
// `core`, as the reader makes them.
void ReadOnOneThread(const std::string& path, uint64_t from, const LevelMatcher& matcher, size_t batchLines,
                     Cut& cut, CLogViewCore& core) {
    CLineFile file(path, CLineFile::modeRead);
    file.SeekTo(from);
    auto batch = std::make_unique<LineBatch>(batchLines, 4096);
    std::string_view piece;
    for (bool more = true; more;) {
        const uint64_t offset = file.Tell();
        more = file.ReadPiece(piece);
        const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
        if (!more || batch->Full(text.size())) {
            Keep(cut, *batch);
            core.OnAddLines(*batch);
            batch = std::make_unique<LineBatch>(batchLines, 4096);
        }
        if (more)
            batch->Add(text, piece.size(), matcher.Classify(text), offset);
    }
}

void ExpectSameStoreAndList(const CLogViewCore& a, const CLogViewCore& b) {
    const LineStore& x = a.m_lineEntries;
    const LineStore& y = b.m_lineEntries;
    ASSERT_EQ(x.GetCount(), y.GetCount());
    for (size_t i = 0; i < x.GetCount(); ++i) {
        ASSERT_EQ(x.WholeText(i), y.WholeText(i)) << i;
        ASSERT_EQ(x.Text(i), y.Text(i)) << i;
        ASSERT_EQ(x.Level(i), y.Level(i)) << i;
        ASSERT_EQ(x.ItemData(i), y.ItemData(i)) << i;
    }
    ASSERT_EQ(a.m_logList.GetCount(), b.m_logList.GetCount());
    for (int i = 0; i < a.m_logList.GetCount(); ++i) {
        ASSERT_EQ(a.m_logList.GetText(i), b.m_logList.GetText(i)) << i;
        ASSERT_EQ(a.m_logList.GetItemData(i), b.m_logList.GetItemData(i)) << i;
    }
    EXPECT_EQ(a.m_logList.LongestTextLength(), b.m_logList.LongestTextLength());
    for (size_t k = 0; k < kFilterCount; ++k)
        EXPECT_EQ(a.m_levelFilter[k].present, b.m_levelFilter[k].present) << k;
}

TEST(BlockCutter, BlocksEndWhereAOneThreadReadStartsAPiece) {
    const std::string lines = "ab\ncd\r\nef";
    EXPECT_EQ(BlockCutter::BlockEnd(lines.data(), lines.size(), false), 7u);
    EXPECT_EQ(BlockCutter::BlockEnd(lines.data(), lines.size(), true), 7u);
    // A line longer than the block: whole pieces, each cut's window (the piece and a CR LF
    // after it) inside the block.
    const std::string longLine(3 * 1023 + 1, 'x');
    EXPECT_EQ(BlockCutter::BlockEnd(longLine.data(), longLine.size(), false), 2u * 1023);
    EXPECT_EQ(BlockCutter::BlockEnd(longLine.data(), 3 * 1023 + 2, false), 3u * 1023);
    EXPECT_EQ(BlockCutter::BlockEnd(longLine.data(), 1024, false), 0u);
    // The end of the file: a last line without its line feed is the reader's.
    EXPECT_EQ(BlockCutter::BlockEnd(longLine.data(), longLine.size(), true), 0u);
}

TEST(BlockCutter, ALoadCutOnManyThreadsIsTheLoadOfOne) {
    TempDir dir;
    Slots slots;
    const LevelMatcher matcher(slots.m_table);
    std::mt19937 random(11);
    const std::string base = RandomLog(random, 40000);
    // The file's end: a line feed, a last line without one, a CR whose LF never came.
    for (const std::string& tail :
         {std::string(), std::string("last line"), std::string("half\r"), std::string(1500, 'z')}) {
        const std::string path = dir.Write("log.txt", base + tail);
        // Block sizes a byte apart move every block end across every kind of line end; a
        // block of one or two whole pieces ends a long line's block where its cut windows
        // allow.
        for (size_t blockBytes = 1025; blockBytes < 2060; blockBytes += blockBytes == 1040 ? 1000 : 1) {
            for (const size_t cutters : {size_t{1}, size_t{3}}) {
                SCOPED_TRACE(testing::Message() << "tail " << tail.size() << ", block " << blockBytes
                                                << ", cutters " << cutters);
                const size_t batchLines = 5 + blockBytes % 7;
                CLogViewCore oneCore(slots.m_table);
                Cut one;
                ReadOnOneThread(path, 0, matcher, batchLines, one, oneCore);

                CLogViewCore manyCore(slots.m_table);
                Cut many;
                BlockCutter cutter(matcher, cutters, batchLines, 256, blockBytes);
                CLineFile file(path, CLineFile::modeRead);
                const uint64_t end = cutter.Run(file.Descriptor(), 0,
                                                {[&] { return std::make_unique<LineBatch>(batchLines, 256); },
                                                 [&](std::unique_ptr<LineBatch> batch) {
                                                     Keep(many, *batch);
                                                     manyCore.OnAddLines(*batch);
                                                     return true;
                                                 },
                                                 [] { return false; }});
                EXPECT_GT(end, base.size() - 6000);
                ReadOnOneThread(path, end, matcher, batchLines, many, manyCore);

                ASSERT_EQ(one.records.size(), many.records.size());
                for (size_t i = 0; i < one.records.size(); ++i) {
                    ASSERT_EQ(one.texts[i], many.texts[i]) << i;
                    ASSERT_EQ(one.records[i].offset, many.records[i].offset) << i;
                    ASSERT_EQ(one.records[i].level, many.records[i].level) << i;
                    ASSERT_EQ(one.records[i].flags, many.records[i].flags) << i;
                }
                EXPECT_EQ(one.steps, many.steps);
                oneCore.OnLoadDone();
                manyCore.OnLoadDone();
                ExpectSameStoreAndList(oneCore, manyCore);
            }
        }
    }
}

TEST(BlockCutter, AStoppedCutEndsWithItsThreadsJoined) {
    TempDir dir;
    Slots slots;
    const LevelMatcher matcher(slots.m_table);
    std::mt19937 random(3);
    const std::string path = dir.Write("log.txt", RandomLog(random, 200000));
    CLineFile file(path, CLineFile::modeRead);
    const auto newBatch = [] { return std::make_unique<LineBatch>(64, 4096); };
    // The taker says stop; the reader is asked to stop; memory runs out for a batch.
    {
        BlockCutter cutter(matcher, 3, 64, 4096, 4096);
        int taken = 0;
        cutter.Run(file.Descriptor(), 0,
                   {newBatch, [&](std::unique_ptr<LineBatch>) { return ++taken < 3; }, [] { return false; }});
        EXPECT_EQ(taken, 3);
    }
    {
        BlockCutter cutter(matcher, 2, 64, 4096, 4096);
        int asked = 0;
        size_t lines = 0;
        cutter.Run(file.Descriptor(), 0,
                   {newBatch,
                    [&](std::unique_ptr<LineBatch> batch) {
                        lines += batch->Count();
                        return true;
                    },
                    [&] { return ++asked > 5; }});
        EXPECT_GT(lines, 0u);
    }
    {
        BlockCutter cutter(matcher, 2, 64, 4096, 4096);
        int made = 0;
        EXPECT_THROW(cutter.Run(file.Descriptor(), 0,
                                {[&]() -> std::unique_ptr<LineBatch> {
                                     if (++made > 4)
                                         throw std::bad_alloc();
                                     return newBatch();
                                 },
                                 [](std::unique_ptr<LineBatch>) { return true; }, [] { return false; }}),
                     std::bad_alloc);
    }
}

} // namespace
