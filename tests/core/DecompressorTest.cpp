#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Decompressor.h"
#include "core/LineFile.h"
#include "support/Compress.h"
#include "support/TempDir.h"

namespace {

constexpr Compression kFormats[] = {Compression::Gzip, Compression::Bzip2, Compression::Xz,
                                    Compression::Zstd};

struct Read {
    std::vector<std::string> pieces;
    std::vector<uint64_t> offsets;
    std::string error;
    uint64_t errorOffset = 0;
};

Read ReadAll(CLineFile& file) {
    Read read;
    std::string_view piece;
    for (;;) {
        const uint64_t offset = file.Tell();
        if (!file.ReadPiece(piece))
            break;
        read.pieces.emplace_back(piece);
        read.offsets.push_back(offset);
    }
    read.error = file.DataError();
    read.errorOffset = file.DataErrorOffset();
    return read;
}

Read ReadFile(const std::string& path) {
    CLineFile file(path, CLineFile::modeRead | CLineFile::typeText);
    return ReadAll(file);
}

// A log of `lines` numbered lines, CR LF ends and a line longer than a piece among them.
std::string SampleLog(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += "2026-12-08 12:00:00 INFO line " + std::to_string(i);
        text += i % 7 == 3 ? std::string(1500, 'x') : std::string();
        text += i % 5 == 0 ? "\r\n" : "\n";
    }
    return text;
}

std::string Joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const std::string& piece : pieces)
        all += piece;
    return all;
}

TEST(Decompressor, CompressedFilesReadAsTheTextTheyHoldWhateverTheirName) {
    TempDir dir;
    const std::string text = SampleLog(3000);
    const Read plain = ReadFile(dir.Write("plain.log", text));
    ASSERT_GT(plain.pieces.size(), 3000u);

    for (const Compression format : kFormats) {
        SCOPED_TRACE(CompressionName(format));
        const std::string packed = Compress(format, text);
        // The name says nothing: a.log holds compressed data.
        const std::string path = dir.Write("a.log", packed);
        CLineFile file(path, CLineFile::modeRead | CLineFile::typeText);
        EXPECT_EQ(file.Format(), format);
        EXPECT_EQ(file.Length(), packed.size());
        const Read read = ReadAll(file);
        // The same pieces at the same offsets as the plain file: the offsets are in the text.
        EXPECT_EQ(read.pieces, plain.pieces);
        EXPECT_EQ(read.offsets, plain.offsets);
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(file.CompressedBytesRead(), packed.size());

        // Read again from the start: the same text.
        file.SeekToBegin();
        EXPECT_EQ(ReadAll(file).pieces, plain.pieces);
    }

    // b.gz holds plain text, and text that happens to start like a bzip2 header is text.
    CLineFile plainGz(dir.Write("b.gz", text), CLineFile::modeRead | CLineFile::typeText);
    EXPECT_FALSE(plainGz.IsCompressed());
    EXPECT_EQ(ReadAll(plainGz).pieces, plain.pieces);
    const std::string looksLikeBzip2 = "BZh91AY&SX is how a line may start\n";
    EXPECT_EQ(ReadFile(dir.Write("c.bz2", looksLikeBzip2)).pieces, std::vector<std::string>{looksLikeBzip2});
}

TEST(Decompressor, MembersAndEmptyArchives) {
    TempDir dir;
    for (const Compression format : kFormats) {
        SCOPED_TRACE(CompressionName(format));
        // Members one after the other (cat a.gz b.gz, logrotate's appends) read as one text,
        // an empty member among them included.
        const std::string first = "first member\nends mid-";
        const std::string second = "line\nsecond member\n";
        const Read joined = ReadFile(
            dir.Write("joined", Compress(format, first) + Compress(format, "") + Compress(format, second)));
        EXPECT_EQ(joined.pieces,
                  (std::vector<std::string>{"first member\n", "ends mid-line\n", "second member\n"}));
        EXPECT_EQ(joined.error, "");

        // An archive of nothing is an empty text, not an error.
        const Read empty = ReadFile(dir.Write("empty", Compress(format, "")));
        EXPECT_TRUE(empty.pieces.empty());
        EXPECT_EQ(empty.error, "");
    }
    // Something that is not a member after a gzip member is bad data.
    const Read trailing =
        ReadFile(dir.Write("trailing.gz", Compress(Compression::Gzip, "one\n") + "garbage"));
    EXPECT_EQ(trailing.pieces, std::vector<std::string>{"one\n"});
    EXPECT_NE(trailing.error, "");
}

TEST(Decompressor, CutOrDamagedDataStopsWithTheLibrarysReason) {
    TempDir dir;
    const std::string text = SampleLog(20000);
    const std::vector<std::string> all = ReadFile(dir.Write("plain", text)).pieces;
    for (const Compression format : kFormats) {
        SCOPED_TRACE(CompressionName(format));
        const std::string packed = Compress(format, text);

        // Cut short: the text up to the cut, whole pieces first, then a word on the cut.
        const std::string cut = packed.substr(0, packed.size() * 3 / 4);
        const Read truncated = ReadFile(dir.Write("cut", cut));
        EXPECT_NE(truncated.error, "");
        EXPECT_LE(truncated.errorOffset, cut.size());
        EXPECT_LT(truncated.pieces.size(), all.size());
        const std::string got = Joined(truncated.pieces);
        EXPECT_EQ(got, Joined(all).substr(0, got.size()));
        // Only the format's header: nothing to read, and still a reason.
        EXPECT_NE(ReadFile(dir.Write("header", packed.substr(0, 10))).error, "");

        // Damaged in the middle: stops with a reason (a check or the data's structure fails).
        std::string damaged = packed;
        for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i)
            damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
        const Read bad = ReadFile(dir.Write("bad", damaged));
        EXPECT_NE(bad.error, "");
        EXPECT_LE(bad.errorOffset, damaged.size());
    }
}

TEST(Decompressor, DetectsFormatsByMagicBytesOnly) {
    EXPECT_EQ(DetectCompression(Compress(Compression::Gzip, "x")), Compression::Gzip);
    EXPECT_EQ(DetectCompression(Compress(Compression::Bzip2, "x")), Compression::Bzip2);
    EXPECT_EQ(DetectCompression(Compress(Compression::Bzip2, "")), Compression::Bzip2);
    EXPECT_EQ(DetectCompression(Compress(Compression::Xz, "x")), Compression::Xz);
    EXPECT_EQ(DetectCompression(Compress(Compression::Zstd, "x")), Compression::Zstd);
    EXPECT_EQ(DetectCompression(""), Compression::None);
    EXPECT_EQ(DetectCompression("\x1f"), Compression::None);
    EXPECT_EQ(DetectCompression("BZh9 a line"), Compression::None);
    EXPECT_EQ(DetectCompression("2026-12-08 INFO"), Compression::None);
}

} // namespace
