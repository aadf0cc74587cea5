#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "core/LineStore.h"
#include "core/TextSpill.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

std::string ReadAt(int fd, uint64_t offset, size_t size) {
    std::string bytes(size, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), size, static_cast<off_t>(offset));
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

TEST(TextSpill, AnUnlinkedFileInTheCacheFolderThatStopsBeforeTheDiskFills) {
    TempDir dir;
    const ScopedEnv cache("XDG_CACHE_HOME", dir.Path());
    std::string error;

    TextSpill spill;
    ASSERT_TRUE(spill.Create(error)) << error;
    EXPECT_EQ(spill.Folder(), dir.Path() + "/quorvix");
    // Unlinked at once: nothing is left behind, however the program ends.
    EXPECT_TRUE(DirectoryEntries(spill.Folder()).empty());
    const std::string block(3 << 20, 'x');
    ASSERT_TRUE(spill.Append("first\n", error));
    ASSERT_TRUE(spill.Append(block, error));
    ASSERT_TRUE(spill.Append("last", error));
    EXPECT_EQ(spill.Size(), 6 + block.size() + 4);
    ASSERT_TRUE(spill.Flush(error));
    const FileHandle reader = spill.Duplicate();
    EXPECT_EQ(ReadAt(reader.Get(), 0, 6), "first\n");
    EXPECT_EQ(ReadAt(reader.Get(), 6 + block.size(), 10), "last");

    // A disk with less room than must stay free takes nothing, and says where and why.
    TextSpill full(uint64_t{1} << 62);
    EXPECT_FALSE(full.Create(error));
    EXPECT_NE(error.find("would fill the disk of " + dir.Path() + "/quorvix"), std::string::npos) << error;

    // No cache folder to be had (its parent is a file): the system's temporary folder.
    const ScopedEnv blocked("XDG_CACHE_HOME", dir.Write("not-a-folder", "x"));
    const ScopedEnv home("HOME", dir.File("not-a-folder"));
    const ScopedEnv temp("TMPDIR", dir.Path());
    EXPECT_EQ(TextSpill::ChooseFolder(), dir.Path());
}

TEST(TextSpill, APlanKeepsTextInMemoryWhileTheBudgetLastsThenInTheFile) {
    TempDir dir;
    const ScopedEnv cache("XDG_CACHE_HOME", dir.Path());
    const ScopedEnv budget("QUORVIX_TEXT_BUDGET", "1000");
    std::string error;

    // A file that would not fit at the guessed expansion starts in the file.
    EXPECT_TRUE(CompressedTextPlan(1000 / CompressedTextPlan::kExpansion + 1).StartsInFile());

    CompressedTextPlan plan(10);
    ASSERT_FALSE(plan.StartsInFile());
    uint64_t offset = 0;
    bool started = false;
    ASSERT_TRUE(plan.Place("in memory\n", 500, offset));
    EXPECT_EQ(offset, 500u); // the text's own offset: nothing is written
    ASSERT_TRUE(plan.BeforeHandOver(600, started));
    EXPECT_FALSE(started);
    // The next batch finds the budget short: it still goes in memory, the ones after it
    // to the file, at offsets in the file.
    ASSERT_TRUE(plan.BeforeHandOver(600, started));
    EXPECT_TRUE(started);
    EXPECT_TRUE(plan.InFile());
    ASSERT_TRUE(plan.Place("to the file\n", 9999, offset));
    EXPECT_EQ(offset, 0u);
    ASSERT_TRUE(plan.Place("and more", 9999, offset));
    EXPECT_EQ(offset, 12u);
    ASSERT_TRUE(plan.BeforeHandOver(20, started));
    EXPECT_FALSE(started);
    const FileHandle file = plan.FileForStore();
    EXPECT_EQ(ReadAt(file.Get(), 0, 100), "to the file\nand more");

    // The budget taken goes to whoever keeps the text, and comes back with it.
    EXPECT_EQ(TextBudgetLeft(), 400u);
    {
        TextBudgetShare taken = plan.TakeBudget();
        EXPECT_EQ(taken.Bytes(), 600u);
    }
    EXPECT_EQ(TextBudgetLeft(), 1000u);
}

// A store whose first lines are in memory and the rest in a file reads each from its place.
TEST(TextSpill, AStoreReadsLinesFromMemoryAndThenFromTheFile) {
    TempDir dir;
    const ScopedEnv cache("XDG_CACHE_HOME", dir.Path());
    const ScopedEnv budget("QUORVIX_TEXT_BUDGET", "1000");
    std::string error;
    TextSpill spill;
    ASSERT_TRUE(spill.Create(error));

    LineStore store;
    ASSERT_FALSE(store.ChooseTextSource(0, FileHandle()));
    store.Reserve(6);
    for (const char* text : {"memory one", "", "memory two"})
        store.Append(-1, store.Keep(text));
    TextBudgetShare share;
    ASSERT_TRUE(share.Take(30));
    store.ContinueTextIn(std::move(share), spill.Duplicate());
    EXPECT_TRUE(store.FileBacked());
    for (const std::string text : {"file one", "file two", " file three "}) {
        const uint64_t at = spill.Size();
        ASSERT_TRUE(spill.Append(text + "\n", error));
        store.AppendFromFile(2, text, at);
    }
    ASSERT_TRUE(spill.Flush(error));

    const std::vector<std::string> expected = {"memory one", "",         "memory two",
                                               "file one",   "file two", " file three "};
    ASSERT_EQ(store.GetCount(), expected.size());
    for (size_t i = expected.size(); i-- > 0;)
        EXPECT_EQ(store.WholeText(i), expected[i]) << i;
    EXPECT_EQ(store.Text(5), "file three");
    EXPECT_EQ(store.Level(4), 2);
    EXPECT_FALSE(store.CheckSource());
    EXPECT_EQ(TextBudgetLeft(), 970u);
    store.Clear();
    EXPECT_EQ(TextBudgetLeft(), 1000u);
}

} // namespace
