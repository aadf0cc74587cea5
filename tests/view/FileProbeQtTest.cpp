// The one look at a path that opening a log, saving a document over its file and Help >
// Readme share: what counts as a log, and what the system refuses, with its reason.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/QtText.h"
#include "support/TempDir.h"
#include "view/FileProbe.h"

namespace {

QString Path(const std::string& bytes) {
    return PathFromBytes(bytes);
}

} // namespace

TEST(FileProbe, OnlyARegularFileWithTextIsALog) {
    TempDir dir;
    const std::string log = dir.Write("a.log", "x\n");
    const std::string empty = dir.Write("empty.log", "");
    std::filesystem::create_directories(dir.File("dir.log"));
    ASSERT_EQ(::mkfifo(dir.File("fifo.log").c_str(), 0600), 0);
    std::filesystem::create_symlink(log, dir.File("link.log"));

    const FileProbe found = ProbeFile(Path(log), FileProbe::Access::Read);
    EXPECT_TRUE(found.HasText());
    EXPECT_TRUE(found.Granted());
    EXPECT_EQ(found.size, 2);
    // A link counts as what it points to.
    EXPECT_TRUE(ProbeFile(Path(dir.File("link.log")), FileProbe::Access::Read).HasText());
    // Empty: a regular file, but no log.
    const FileProbe none = ProbeFile(Path(empty), FileProbe::Access::Read);
    EXPECT_TRUE(none.regular);
    EXPECT_FALSE(none.HasText());

    // Nothing there, a directory, a device, a FIFO (which a read test must not wait on for
    // a writer), an empty path: none is a file, and none is granted anything.
    for (const std::string& odd : {dir.File("missing.log"), dir.File("dir.log"), std::string("/dev/null"),
                                   dir.File("fifo.log"), std::string()}) {
        SCOPED_TRACE(odd);
        for (const auto access :
             {FileProbe::Access::None, FileProbe::Access::Read, FileProbe::Access::Write}) {
            const FileProbe probe = ProbeFile(Path(odd), access);
            EXPECT_FALSE(probe.regular);
            EXPECT_FALSE(probe.HasText());
            EXPECT_FALSE(probe.Granted());
        }
    }
}

TEST(FileProbe, ANameThatIsNotUtf8IsTheSameFile) {
    TempDir dir;
    // "caf\xe9.log": Latin-1, as an old share names it.
    const std::string bytes = dir.Write("caf\xe9.log", "line\n");
    const FileProbe probe = ProbeFile(Path(bytes), FileProbe::Access::Write);
    EXPECT_TRUE(probe.HasText());
    EXPECT_TRUE(probe.Granted());
}

TEST(FileProbe, ARefusedAccessSaysTheSystemsReason) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may read and write anything";
    TempDir dir;
    const std::string locked = dir.Write("locked.log", "secret\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const FileProbe read = ProbeFile(Path(locked), FileProbe::Access::Read);
    EXPECT_TRUE(read.HasText()); // there, and so told apart from a missing file
    EXPECT_FALSE(read.Granted());
    EXPECT_EQ(read.refusal, QString::fromLocal8Bit(std::strerror(EACCES)));

    const std::string readOnly = dir.Write("ro.log", "kept\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_TRUE(ProbeFile(Path(readOnly), FileProbe::Access::Read).Granted());
    EXPECT_FALSE(ProbeFile(Path(readOnly), FileProbe::Access::Write).Granted());
    // Nothing asked, nothing refused.
    EXPECT_TRUE(ProbeFile(Path(locked)).Granted());
}
