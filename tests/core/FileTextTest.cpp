#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/DisplayList.h"
#include "core/FileText.h"
#include "core/LineFile.h"
#include "core/LineRecord.h"
#include "core/LogViewCore.h"
#include "core/TextBlock.h"
#include "support/TempDir.h"

namespace {

// Sets the in-memory budget for the life of the object.
class BudgetOf {
public:
    explicit BudgetOf(const std::string& bytes) { setenv("QUORVIX_TEXT_BUDGET", bytes.c_str(), 1); }
    ~BudgetOf() { unsetenv("QUORVIX_TEXT_BUDGET"); }
    BudgetOf(const BudgetOf&) = delete;
    BudgetOf& operator=(const BudgetOf&) = delete;
};

// Loads `path` into `core` as the reader and the view's intake do: pieces cut by CLineFile,
// each with its offset, in batches of `batchLines`; the text is read from the file when
// the budget has no room for it.
// Records left unclassified are taken line by line (OnAddLine), classified ones as whole
// batches.
void Load(CLogViewCore& core, const std::string& path, bool fromFile, size_t batchLines = 1000,
          bool classified = true) {
    const BudgetOf budget(fromFile ? "0" : "1000000000000");
    CLineFile file;
    ASSERT_TRUE(file.Open(path, CLineFile::modeRead));
    core.OnLoadStart(file.Length(), FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC)));
    ASSERT_EQ(core.m_lineEntries.FileBacked(), fromFile);
    LineBatch batch(batchLines, 1 << 16);
    std::string_view piece;
    for (;;) {
        const uint64_t offset = file.Tell();
        const bool more = file.ReadPiece(piece);
        const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
        if (!more || batch.Full(text.size())) {
            core.OnAddLines(batch);
            batch.Clear();
        }
        if (!more)
            break;
        batch.Add(text, piece.size(), classified ? core.ClassifyLine(text) : LineRecord::kNotClassified,
                  offset);
    }
    core.OnLoadDone();
}

// A log with everything the reader meets: LF and CR LF lines (and runs of each, so the
// store's runs of lines change often), empty lines, white space at the ends, lines longer
// than a piece, NUL bytes, bytes that are not UTF-8, and no line feed at the end.
std::string OddLog() {
    std::string log;
    std::mt19937 random(11);
    for (int i = 0; i < 30000; ++i) {
        std::string line = "line " + std::to_string(i);
        switch (random() % 9) {
        case 0:
            line.clear();
            break;
        case 1:
            line = "  " + line + " \t";
            break;
        case 2:
            line += " ";
            break;
        case 3:
            line += std::string("\0nul\xff\xfe", 7);
            break;
        case 4:
            line += std::string(500 + random() % 3000, 'x');
            break; // in pieces
        case 5:
            line = "\t" + line;
            break;
        default:
            break;
        }
        log += line;
        // Runs of CR LF lines among the LF ones; a lone CR stays in its line.
        log += (i / 7) % 3 == 0 ? "\r\n" : (i % 13 == 0 ? "\r\r\n" : "\n");
    }
    log += "last line, no line feed";
    return log;
}

void ExpectSameLines(const CLogViewCore& inMemory, const CLogViewCore& fromFile,
                     const std::vector<size_t>& order) {
    const LineStore& a = inMemory.m_lineEntries;
    const LineStore& b = fromFile.m_lineEntries;
    ASSERT_EQ(a.GetCount(), b.GetCount());
    for (size_t i : order) {
        ASSERT_EQ(a.WholeText(i), b.WholeText(i)) << i;
        ASSERT_EQ(a.Text(i), b.Text(i)) << i;
        ASSERT_EQ(a.TextLength(i, true), b.TextLength(i, true)) << i;
        ASSERT_EQ(a.TextLength(i, false), b.TextLength(i, false)) << i;
        ASSERT_GE(b.TextLengthAtMost(i, true), b.TextLength(i, true)) << i;
        ASSERT_EQ(a.Level(i), b.Level(i)) << i;
    }
}

TEST(FileBackedStore, ReadsEveryLineAsTheStoreThatKeepsItsText) {
    const TempDir dir;
    const std::string path = dir.Write("odd.log", OddLog());
    CLogViewCore inMemory;
    CLogViewCore fromFile;
    Load(inMemory, path, false);
    Load(fromFile, path, true);
    const size_t count = inMemory.m_lineEntries.GetCount();
    ASSERT_GT(count, 30000u);

    // Forwards (a scan), backwards (scrolling up), and at random (jumps).
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    ExpectSameLines(inMemory, fromFile, order);
    std::reverse(order.begin(), order.end());
    ExpectSameLines(inMemory, fromFile, order);
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    ExpectSameLines(inMemory, fromFile, order);

    // Two texts held at once stay valid, however far apart their lines lie.
    const LineStore& store = fromFile.m_lineEntries;
    for (size_t i = 0; i + 1 < count; i += 997) {
        const std::string_view first = store.WholeText(i);
        const std::string_view far = store.WholeText(count - 1 - i);
        EXPECT_EQ(first, inMemory.m_lineEntries.WholeText(i));
        EXPECT_EQ(far, inMemory.m_lineEntries.WholeText(count - 1 - i));
    }

    // The scans the commands share between threads find the same lines, and Copy's and
    // Save's text is byte for byte the same.
    const std::vector<std::string_view> needles = {"nul", "line 2999", "xxxx"};
    EXPECT_EQ(LinesHoldingAny(inMemory.LogList(), needles), LinesHoldingAny(fromFile.LogList(), needles));
    const CopyBlock a(inMemory.LogList());
    const CopyBlock b(fromFile.LogList());
    ASSERT_EQ(a.Size(), b.Size());
    std::string copyA(a.Size(), '\0');
    std::string copyB(b.Size(), '\0');
    ASSERT_TRUE(a.Fill(copyA.data()));
    ASSERT_TRUE(b.Fill(copyB.data()));
    EXPECT_EQ(copyA, copyB);
    std::string error;
    ASSERT_EQ(SaveListToFile(inMemory.LogList(), dir.File("a.txt"), error), SaveStatus::Saved);
    ASSERT_EQ(SaveListToFile(fromFile.LogList(), dir.File("b.txt"), error), SaveStatus::Saved);
    EXPECT_EQ(ReadWholeFile(dir.File("a.txt")), ReadWholeFile(dir.File("b.txt")));
    EXPECT_FALSE(store.SourceChanged());
    EXPECT_FALSE(store.CheckSource());
}

TEST(FileBackedStore, BatchesTakenWholeGiveTheStoreAndListOfOneLineAtATime) {
    const TempDir dir;
    const std::string path = dir.Write("odd.log", OddLog());
    CLogViewCore oneByOne;
    Load(oneByOne, path, true, 1000, false);
    const size_t count = oneByOne.m_lineEntries.GetCount();
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    // Batches that end anywhere in a run of lines, and batches longer than a page.
    for (const size_t batchLines : {size_t{37}, size_t{5000}}) {
        SCOPED_TRACE(batchLines);
        CLogViewCore whole;
        Load(whole, path, true, batchLines);
        ExpectSameLines(oneByOne, whole, order);
        const DisplayList& x = oneByOne.LogList();
        const DisplayList& y = whole.LogList();
        ASSERT_EQ(x.GetCount(), y.GetCount());
        EXPECT_EQ(x.LongestTextLength(), y.LongestTextLength());
        ASSERT_EQ(x.LongItems().size(), y.LongItems().size());
        for (size_t k = 0; k < x.LongItems().size(); ++k)
            EXPECT_EQ(x.LongItems()[k].index, y.LongItems()[k].index);
        EXPECT_FALSE(whole.m_lineEntries.CheckSource());
    }
}

TEST(FileBackedStore, ARenameOverThePathOrItsDeletionLeavesTheLinesAsRead) {
    const TempDir dir;
    const std::string path = dir.Write("app.log", "one\ntwo\r\nthree\n");
    CLogViewCore core;
    Load(core, path, true);
    // A rotation: a new file takes the name, then the name goes altogether.
    const std::string other = dir.Write("next.log", "something else entirely\n");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    const LineStore& store = core.m_lineEntries;
    EXPECT_EQ(store.WholeText(1), "two");
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_FALSE(store.CheckSource());
    ASSERT_EQ(store.GetCount(), 3u);
    EXPECT_EQ(store.WholeText(0), "one");
    EXPECT_EQ(store.WholeText(2), "three");
    EXPECT_FALSE(store.SourceChanged());
}

// Another program changes the file under a file-backed log: a cut is seen by its size, a
// rewrite by the bytes read. Either way the texts read empty, never as what the file holds
// now, and nothing is saved over anything.
TEST(FileBackedStore, AFileChangedByAnotherProgramReadsEmptyAndIsNeverSaved) {
    const TempDir dir;
    std::string log;
    for (int i = 0; i < 40000; ++i)
        log += "entry " + std::to_string(i) + "\n";
    {
        const std::string path = dir.Write("cut.log", log);
        CLogViewCore core;
        Load(core, path, true);
        const LineStore& store = core.m_lineEntries;
        EXPECT_EQ(store.WholeText(10), "entry 10");
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(log.size() / 2)), 0);
        EXPECT_TRUE(store.CheckSource());
        EXPECT_TRUE(store.SourceChanged());
        EXPECT_EQ(store.WholeText(10), "");
        EXPECT_EQ(store.WholeText(39999), "");
        std::string error;
        const std::string target = dir.Write("target.txt", "kept");
        EXPECT_EQ(SaveListToFile(core.LogList(), target, error), SaveStatus::Failed);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadWholeFile(target), "kept");
    }
    {
        // The same size, every line a byte later: the first text read after it shows it.
        const std::string path = dir.Write("rewritten.log", log);
        CLogViewCore core;
        Load(core, path, true);
        std::string shifted = log;
        shifted.pop_back();
        shifted.insert(shifted.begin(), 'x');
        ASSERT_EQ(dir.Write("rewritten.log", shifted), path);
        const LineStore& store = core.m_lineEntries;
        EXPECT_FALSE(store.SourceChanged());
        EXPECT_EQ(store.WholeText(20000), "");
        EXPECT_TRUE(store.SourceChanged());
        const CopyBlock block(core.LogList());
        std::string text(block.Size(), '\0');
        block.Fill(text.data());
        EXPECT_EQ(text, std::string(static_cast<size_t>(core.LogList().GetCount()), '\n'));
    }
}

TEST(TextBudget, IsSharedByTheOpenLogsAndComesBackWithTheirLines) {
    const TempDir dir;
    const std::string path = dir.Write("sixty.log", std::string(59, 'a') + "\n");
    const BudgetOf budget("100");
    const auto open = [&] { return FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); };
    auto first = std::make_unique<CLogViewCore>();
    first->OnLoadStart(60, open());
    EXPECT_FALSE(first->m_lineEntries.FileBacked());
    CLogViewCore second;
    second.OnLoadStart(60, open());
    EXPECT_TRUE(second.m_lineEntries.FileBacked()) << "40 bytes of the budget were left";
    // A copy on the clipboard shares the first log's store: its share stays until the
    // copy goes too.
    std::shared_ptr<const LineStore> copy = first->StoreOwner();
    first->FreeLineEntries();
    first.reset();
    CLogViewCore third;
    third.OnLoadStart(60, open());
    EXPECT_TRUE(third.m_lineEntries.FileBacked());
    copy.reset();
    CLogViewCore fourth;
    fourth.OnLoadStart(60, open());
    EXPECT_FALSE(fourth.m_lineEntries.FileBacked());
}

} // namespace
