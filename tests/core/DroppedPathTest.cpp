#include <gtest/gtest.h>

#include <string>

#include "core/DroppedPath.h"

TEST(DroppedPath, NamesWithoutAnExtensionOpenOthersOnlyWithTxtOrDatInThePath) {
    // No dot, or a dot only at the start of the name: opened.
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/readme"));
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/.profile"));
    EXPECT_TRUE(IsDroppedPathOpened("/home/u.d/Makefile")); // a dot in a directory is not the name's
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/dir/"));       // an empty name has no dot

    // Any other extension: only with ".txt" or ".dat" somewhere in the path, byte for byte.
    EXPECT_FALSE(IsDroppedPathOpened("/home/u/x.log"));
    EXPECT_FALSE(IsDroppedPathOpened("/home/u/a.TXT"));
    EXPECT_FALSE(IsDroppedPathOpened("/home/u/.profile.bak"));
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/notes.txt"));
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/notes.dat"));
    EXPECT_TRUE(IsDroppedPathOpened("/home/u/notes.txt.bak"));
    EXPECT_TRUE(IsDroppedPathOpened("/srv/logs.dat/x.log"));
    EXPECT_TRUE(IsDroppedPathOpened("/srv/x.txtfile/y.log"));

    // "/" separates names; a backslash is an ordinary character of a name.
    EXPECT_EQ(FileNameOf("/srv/a.b\\readme"), "a.b\\readme");
    EXPECT_FALSE(IsDroppedPathOpened("/srv/a.b\\readme")); // the name holds a dot
    EXPECT_TRUE(IsDroppedPathOpened("/srv.d/a\\readme"));  // the name does not

    // Only the first occurrence counts, and only after the first character.
    EXPECT_FALSE(IsDroppedPathOpened(".txt.log"));
    EXPECT_TRUE(IsDroppedPathOpened("x.txt.log"));

    // Long paths are taken whole.
    const std::string deep = "/" + std::string(400, 'd') + "/x.dat";
    EXPECT_TRUE(IsDroppedPathOpened(deep));
    EXPECT_EQ(FileNameOf(deep), "x.dat");
}
