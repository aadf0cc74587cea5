#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LineFile.h"
#include "support/TempDir.h"

namespace {

// Every piece ReadLine hands out for a file holding `bytes`.
std::vector<std::string> Pieces(const TempDir& dir, std::string_view bytes) {
    CLineFile file(dir.Write("log.txt", bytes), CLineFile::modeRead | CLineFile::typeText);
    std::vector<std::string> pieces;
    std::string line;
    while (file.ReadLine(line))
        pieces.push_back(line);
    return pieces;
}

using Lines = std::vector<std::string>;

TEST(LineFile, TextModeLineEnds) {
    TempDir dir;
    EXPECT_EQ(Pieces(dir, ""), Lines{});
    EXPECT_EQ(Pieces(dir, "a\nb\n"), (Lines{"a\n", "b\n"}));
    EXPECT_EQ(Pieces(dir, "a\r\nb\r\n"), (Lines{"a\n", "b\n"}));
    EXPECT_EQ(Pieces(dir, "last without LF"), Lines{"last without LF"});
    EXPECT_EQ(Pieces(dir, "\n\n"), (Lines{"\n", "\n"}));
    // A lone CR is an ordinary byte; only CR LF pairs become LF.
    EXPECT_EQ(Pieces(dir, "a\rb\r\r\nc\r"), (Lines{"a\rb\r\n", "c\r"}));
    EXPECT_EQ(Pieces(dir, "only\rCR\rends\r"), Lines{"only\rCR\rends\r"});
    // NUL and invalid UTF-8 pass through.
    EXPECT_EQ(Pieces(dir, std::string("a\0b\xff\n", 5)), Lines{std::string("a\0b\xff\n", 5)});
}

TEST(LineFile, LongLinesComeInPiecesOf1023) {
    TempDir dir;
    const std::string x1023(1023, 'x');
    // Exactly 1023 bytes: one piece with its LF, and no empty line after it.
    EXPECT_EQ(Pieces(dir, x1023 + "\n" + "next\n"), (Lines{x1023 + "\n", "next\n"}));
    EXPECT_EQ(Pieces(dir, x1023 + "\r\n" + "next\r\n"), (Lines{x1023 + "\n", "next\n"}));
    EXPECT_EQ(Pieces(dir, x1023), Lines{x1023});
    // 1024 bytes: 1023, then the last byte.
    EXPECT_EQ(Pieces(dir, x1023 + "y\n"), (Lines{x1023, "y\n"}));
    // 2,500 bytes: 1023, 1023, 454.
    const Lines pieces = Pieces(dir, std::string(2500, 'z') + "\n");
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), 1023u);
    EXPECT_EQ(pieces[1].size(), 1023u);
    EXPECT_EQ(pieces[2], std::string(454, 'z') + "\n");
    // A last piece of exactly 1023 bytes ends the line too: 2046 bytes give two pieces.
    EXPECT_EQ(Pieces(dir, std::string(2046, 'w') + "\r\nz"),
              (Lines{std::string(1023, 'w'), std::string(1023, 'w') + "\n", "z"}));
    // A piece boundary that falls between CR and LF.
    EXPECT_EQ(Pieces(dir, std::string(1022, 'v') + "\r\r\n"), (Lines{std::string(1022, 'v') + "\r\n"}));
}

// A log of about `size` bytes whose lines (up to 1,500 bytes, every third ending in CR LF)
// straddle the reader's internal blocks; `expected` gets the pieces it reads as.
std::string BlockCrossingLog(size_t size, Lines& expected) {
    std::string bytes;
    for (int i = 0; bytes.size() < size; ++i) {
        const std::string text =
            std::to_string(i) + std::string(static_cast<size_t>(i % 1500), static_cast<char>('a' + i % 26));
        bytes += text + (i % 3 == 0 ? "\r\n" : "\n");
        for (size_t at = 0;; at += 1023) {
            const bool last = text.size() - at <= 1023;
            expected.push_back(text.substr(at, 1023) + (last ? "\n" : ""));
            if (last)
                break;
        }
    }
    return bytes;
}

TEST(LineFile, PiecesAcrossReadBlocks) {
    // Lines straddling the reader's internal blocks (1 MiB) come out whole and in order,
    // CR LF pairs split across a block edge included.
    TempDir dir;
    Lines expected;
    const std::string bytes = BlockCrossingLog(3u << 20, expected);
    EXPECT_EQ(Pieces(dir, bytes), expected);
}

TEST(LineFile, BufferFollowsTheFileOpened) {
    // The read buffer is sized by the file's length at open. One object reopened on a
    // larger file, or a small file that grew after it was opened, still reads every piece.
    TempDir dir;
    const auto readAll = [](CLineFile& file) {
        Lines pieces;
        std::string line;
        while (file.ReadLine(line))
            pieces.push_back(line);
        return pieces;
    };
    Lines expected;
    const std::string bytes = BlockCrossingLog(3u << 19, expected);

    CLineFile reopened;
    ASSERT_TRUE(reopened.Open(dir.Write("small.txt", "a\r\nb"), CLineFile::modeRead));
    EXPECT_EQ(readAll(reopened), (Lines{"a\n", "b"}));
    ASSERT_TRUE(reopened.Open(dir.Write("large.txt", bytes), CLineFile::modeRead));
    EXPECT_EQ(readAll(reopened), expected);

    CLineFile grown;
    ASSERT_TRUE(grown.Open(dir.Write("grows.txt", "x\n"), CLineFile::modeRead));
    dir.Write("grows.txt", bytes);
    EXPECT_EQ(readAll(grown), expected);
}

TEST(LineFile, OpenFailuresTextModeWritingAndRereading) {
    TempDir dir;
    CLineFile file;
    std::string error;
    EXPECT_FALSE(file.Open(dir.File("missing"), CLineFile::modeRead, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(file.Open(dir.Path(), CLineFile::modeRead, &error)); // a directory
    EXPECT_THROW(CLineFile(dir.File("missing"), CLineFile::modeRead), CFileException);

    // Text mode's writing rule, as saves use it.
    std::string written;
    CLineFile::AppendTextMode(written, "one\n");
    CLineFile::AppendTextMode(written, std::string("t\0o\n", 4));
    CLineFile::AppendTextMode(written, "no end");
    EXPECT_EQ(written, std::string("one\r\nt\0o\r\nno end", 16));
    dir.Write("out.txt", written);

    // What is written reads back as it was.
    CLineFile in(dir.File("out.txt"), CLineFile::modeRead);
    std::string line;
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "one\n");
    EXPECT_EQ(in.Length(), 16u);
    in.SeekToBegin();
    ASSERT_TRUE(in.ReadLine(line));
    EXPECT_EQ(line, "one\n");
}

} // namespace
