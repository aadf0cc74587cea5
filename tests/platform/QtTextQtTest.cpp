#include <gtest/gtest.h>

#include <QDir>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/QtText.h"
#include "support/TempDir.h"

namespace {

// A path holding bytes that are no UTF-8, as old shares and archives name files.
const std::string kLatin1Name = "/srv/old/caf\xe9.log";

} // namespace

TEST(PathBytes, EveryByteStringComesBackAsItWas) {
    const std::vector<std::string> paths{
        "/plain/ascii.log",
        "/utf8/caf\xc3\xa9/\xe2\x82\xac.log",      // valid UTF-8 stays what Qt makes of it
        kLatin1Name,                               // one Latin-1 byte
        "/a/\xff\xfe\x80\xbf",                     // bytes that never start a character
        "/cut/\xe2\x82",                           // a character cut short at the end
        "/cut/\xe2\x82/more",                      // ... and in the middle
        "/overlong/\xc0\xaf",                      // an overlong "/"
        "/surrogate/\xed\xa0\x80\xed\xb2\xa9",     // UTF-8 of surrogates is no UTF-8
        "/mixed/\xf0\x9f\x99\x82\xe9\xf0\x9f\x99", // a pair, a Latin-1 byte, a cut pair
    };
    for (const std::string& bytes : paths) {
        const QString path = PathFromBytes(bytes);
        EXPECT_EQ(PathToBytes(path), bytes) << bytes;
    }
    // Valid UTF-8 decodes as it always did, so existing paths and settings read the same.
    EXPECT_EQ(PathFromBytes(paths[1]), QString::fromUtf8(paths[1].c_str()));
    EXPECT_EQ(PathToBytes(QString::fromUtf8("/x/\xc3\xa9")), "/x/\xc3\xa9");

    // Any bytes at all (no NUL: paths hold none).
    std::mt19937 random(19);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(1 + random() % 12, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(1 + random() % 255);
        ASSERT_EQ(PathToBytes(PathFromBytes(bytes)), bytes);
    }
    // Two different byte strings never meet in one QString.
    EXPECT_NE(PathFromBytes("/caf\xe9"), PathFromBytes("/caf\xc3\xa9"));
    EXPECT_NE(PathFromBytes("/caf\xe9"), PathFromBytes("/caf\xef\xbf\xbd"));
}

TEST(PathBytes, ShownReadablyWithTheOddBytesAsLatin1) {
    EXPECT_EQ(PathForDisplay(PathFromBytes(kLatin1Name)), QString::fromUtf8("/srv/old/caf\xc3\xa9.log"));
    EXPECT_EQ(PathForDisplay(PathFromBytes("/utf8/\xe2\x82\xac")), QString::fromUtf8("/utf8/\xe2\x82\xac"));
    // What is shown is for reading only: it names another file.
    EXPECT_NE(PathToBytes(PathForDisplay(PathFromBytes(kLatin1Name))), kLatin1Name);
    EXPECT_EQ(PathFileName(PathFromBytes(kLatin1Name)), PathFromBytes("caf\xe9.log"));
    EXPECT_EQ(PathFileName(QStringLiteral("/dir/")), QString());
    EXPECT_EQ(PathFileName(QStringLiteral("name")), QStringLiteral("name"));
}

TEST(PathBytes, AbsolutePathsAreResolvedOnTheBytes) {
    TempDir dir;
    // A working directory whose own name is no UTF-8: Qt's resolution would lose it.
    const std::string odd = dir.Path() + "/d\xe9p\xf4t";
    ASSERT_EQ(::mkdir(odd.c_str(), 0700), 0);
    const QString before = QDir::currentPath();
    ASSERT_EQ(::chdir(odd.c_str()), 0);
    EXPECT_EQ(PathToBytes(AbsolutePath(PathFromBytes("caf\xe9.log"))), odd + "/caf\xe9.log");
    EXPECT_EQ(PathToBytes(AbsolutePath(QStringLiteral("./a/../b//c/"))), odd + "/b/c");
    QDir::setCurrent(before);

    // Absolute paths are cleaned as QDir::cleanPath cleans them.
    for (const char* path : {"/a/b/../c", "/a/./b/", "//a//b", "/", "/a/b/.."})
        EXPECT_EQ(AbsolutePath(QString::fromUtf8(path)), QDir::cleanPath(QString::fromUtf8(path))) << path;
    EXPECT_EQ(PathToBytes(AbsolutePath(PathFromBytes("/x/\xe9/../\xe9\xe9/./f"))), "/x/\xe9\xe9/f");
    // Above the root is the root, as the system resolves it.
    EXPECT_EQ(AbsolutePath(QStringLiteral("/../x")), QStringLiteral("/x"));
    EXPECT_EQ(AbsolutePath(QString()), QString());
}
