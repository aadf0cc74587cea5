#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/SafeSave.h"
#include "support/FaultInjection.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

bool Save(const std::string& path, std::string_view bytes, SafeSave& file) {
    return file.Open(path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

bool Save(const std::string& path, std::string_view bytes) {
    SafeSave file;
    return Save(path, bytes, file);
}

} // namespace

TEST(SafeSave, ReplacesTheFileKeepingItsModeAndItsLinks) {
    TempDir dir;
    const std::string log = dir.Write("app.log", "old\n");
    ASSERT_EQ(::chmod(log.c_str(), 0640), 0);
    ASSERT_TRUE(Save(log, "new\r\n"));
    EXPECT_EQ(ReadWholeFile(log), "new\r\n");
    EXPECT_EQ(ModeOf(log), 0640u);

    // A relative link into another directory: the file there is replaced, the link stays.
    fs::create_directory(dir.File("sub"));
    const std::string real = dir.Write("sub/real.log", "old\n");
    ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
    fs::create_symlink("sub/real.log", dir.File("link.log"));
    fs::create_symlink("link.log", dir.File("link-to-link.log"));
    ASSERT_TRUE(Save(dir.File("link-to-link.log"), "through links\n"));
    EXPECT_EQ(ReadWholeFile(real), "through links\n");
    EXPECT_EQ(ModeOf(real), 0604u);
    EXPECT_EQ(fs::read_symlink(dir.File("link.log")), "sub/real.log");
    EXPECT_EQ(DirectoryEntries(dir.File("sub")), std::set<std::string>{"real.log"});

    // A link to nothing yet: the file it names is created.
    fs::create_symlink("made.log", dir.File("dangling.log"));
    ASSERT_TRUE(Save(dir.File("dangling.log"), "made\n"));
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.log")));
    EXPECT_EQ(ReadWholeFile(dir.File("made.log")), "made\n");

    // A new file gets the usual mode less the umask.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(Save(dir.File("fresh.log"), ""));
    EXPECT_EQ(ModeOf(dir.File("fresh.log")), 0666u & ~mask);
    EXPECT_EQ(ReadWholeFile(dir.File("fresh.log")), "");

    EXPECT_EQ(DirectoryEntries(dir.Path()),
              (std::set<std::string>{"app.log", "dangling.log", "fresh.log", "link-to-link.log", "link.log",
                                     "made.log", "sub"}));
}

// What cannot be replaced is refused before anything is written, with the system's
// reason; nothing is left behind and whatever was there stays.
TEST(SafeSave, RefusesTargetsItCannotReplaceWithTheReason) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    fs::create_symlink("loop-b", dir.File("loop-a"));
    fs::create_symlink("loop-a", dir.File("loop-b"));
    const std::string locked = dir.Write("locked.log", "old\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    fs::create_directory(dir.File("closed"));
    const std::string inClosed = dir.Write("closed/in.log", "old\n");
    ASSERT_EQ(::chmod(dir.File("closed").c_str(), 0555), 0);
    const std::set<std::string> before = DirectoryEntries(dir.Path());

    PermissionsHold permissions;
    const bool permissionsHold = !MayWrite(dir.File("closed"));
    const struct {
        std::string path;
        int error;
        bool needsPermissions;
    } cases[] = {
        {dir.File("folder"), EISDIR, false},
        {dir.File("folder") + "/", EISDIR, false},
        // A FIFO is neither replaced nor opened (an open would wait for a reader).
        {dir.File("pipe"), EINVAL, false},
        {dir.File("loop-a"), ELOOP, false},
        {dir.File("no-such-dir/x.log"), ENOENT, false},
        {dir.File("locked.log"), EACCES, true},
        {inClosed, EACCES, true},
        {dir.File("closed/new.log"), EACCES, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.needsPermissions && !permissionsHold)
            continue;
        SafeSave file;
        EXPECT_FALSE(Save(c.path, "new\n", file));
        EXPECT_EQ(file.Error(), c.error);
        EXPECT_EQ(file.ErrorText(), std::strerror(c.error));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(file.TemporaryPath().empty());
    }
    EXPECT_EQ(DirectoryEntries(dir.Path()), before);
    EXPECT_EQ(DirectoryEntries(dir.File("closed")), std::set<std::string>{"in.log"});
    EXPECT_EQ(ReadWholeFile(locked), "old\n");
    EXPECT_EQ(ReadWholeFile(inClosed), "old\n");
    EXPECT_TRUE(fs::is_fifo(dir.File("pipe")));
}

// A write that fails half-way (a file size limit, as a full disk) and a save given up
// before its commit: the target stays whole and the new file goes at once.
TEST(SafeSave, AnUnfinishedSaveLeavesTheTargetWhole) {
    TempDir dir;
    const std::string log = dir.Write("app.log", "old\n");
    const std::string big(1 << 20, 'x');
    {
        SafeSave file;
        ASSERT_TRUE(file.Open(log));
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), fs::path(dir.Path()));
        {
            FileSizeLimit full(64 * 1024);
            EXPECT_FALSE(file.Write(big.data(), big.size()));
        }
        EXPECT_EQ(file.Error(), EFBIG);
        EXPECT_EQ(DirectoryEntries(dir.Path()), std::set<std::string>{"app.log"});
        // Once failed, it stays failed with the first reason.
        EXPECT_FALSE(file.Write("y", 1));
        EXPECT_FALSE(file.Commit());
        EXPECT_EQ(file.Error(), EFBIG);
    }
    {
        SafeSave file;
        ASSERT_TRUE(file.Open(log));
        ASSERT_TRUE(file.Write(big.data(), big.size()));
        EXPECT_EQ(DirectoryEntries(dir.Path()).size(), 2u);
    }
    EXPECT_EQ(DirectoryEntries(dir.Path()), std::set<std::string>{"app.log"});
    EXPECT_EQ(ReadWholeFile(log), "old\n");
}

// Many writes of every size, in a file much longer than the range kept in flight to the
// disk: every byte arrives, in order.
TEST(SafeSave, LongSavesArriveWhole) {
    TempDir dir;
    const std::string log = dir.Write("app.log", "old\n");
    std::string expected;
    SafeSave file;
    file.SetWritebackWindow(64 * 1024, 256 * 1024);
    ASSERT_TRUE(file.Open(log));
    std::string piece;
    for (size_t i = 0; expected.size() < (6u << 20); ++i) {
        const size_t size = i % 5 == 0 ? (300u << 10) + i : i * 977 % 65536;
        piece.assign(size, static_cast<char>('a' + i % 26));
        ASSERT_TRUE(file.Write(piece.data(), piece.size()));
        expected += piece;
    }
    ASSERT_TRUE(file.Commit());
    EXPECT_TRUE(ReadWholeFile(log) == expected);
    EXPECT_EQ(DirectoryEntries(dir.Path()), std::set<std::string>{"app.log"});
}
