#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/ChunkedVector.h"

namespace {

// Compares every element with a std::vector that did the same operations.
void ExpectSame(const ChunkedVector<uint64_t>& chunked, const std::vector<uint64_t>& plain) {
    ASSERT_EQ(chunked.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(chunked[i], plain[i]) << "at " << i;
}

TEST(ChunkedVector, InsertAndEraseAcrossChunkEdges) {
    constexpr size_t kChunk = ChunkedVector<uint64_t>::kPerChunk;
    ChunkedVector<uint64_t> chunked;
    std::vector<uint64_t> plain;
    for (uint64_t i = 0; i < 2 * kChunk + 10; ++i) {
        chunked.push_back(i);
        plain.push_back(i);
    }
    const uint64_t* first = &chunked[0];
    // Positions at, just before and just after chunk edges, the ends, and the middle of a chunk.
    // kLast stands for the last element at the time of the operation, kEnd for the end.
    constexpr size_t kLast = SIZE_MAX - 1;
    constexpr size_t kEnd = SIZE_MAX;
    for (size_t at :
         {size_t{0}, kChunk - 1, kChunk, kChunk + 1, 2 * kChunk - 1, 2 * kChunk, kChunk / 2, kLast, kEnd}) {
        at = at == kLast ? plain.size() - 1 : at == kEnd ? plain.size() : at;
        chunked.insert(at, 1000000 + at);
        plain.insert(plain.begin() + static_cast<long>(at), 1000000 + at);
        ExpectSame(chunked, plain);
    }
    for (size_t at : {size_t{0}, kChunk - 1, kChunk, 2 * kChunk, kChunk / 3, kLast}) {
        at = at == kLast ? plain.size() - 1 : at;
        chunked.erase(at);
        plain.erase(plain.begin() + static_cast<long>(at));
        ExpectSame(chunked, plain);
    }
    chunked.erase(chunked.size()); // past the end: nothing
    ExpectSame(chunked, plain);
    EXPECT_EQ(&chunked[0], first); // elements never moved to another place in memory

    chunked.resize(kChunk);
    plain.resize(kChunk);
    ExpectSame(chunked, plain);
    chunked.clear();
    EXPECT_TRUE(chunked.empty());
}

TEST(ChunkedVector, GrowsIntoSpareChunksAndFillsRunsAcrossChunkEdges) {
    constexpr size_t kChunk = ChunkedVector<uint32_t>::kPerChunk;
    std::vector<BigBlock> spare;
    spare.emplace_back(ChunkedVector<uint32_t>::kChunkBytes / 2); // too small: left alone
    spare.emplace_back(ChunkedVector<uint32_t>::kChunkBytes);
    const char* given = spare.back().Data();
    ChunkedVector<uint32_t> chunked;
    chunked.SetSpareChunks(&spare);
    chunked.push_back(7);
    EXPECT_EQ(reinterpret_cast<const char*>(&chunked[0]), given);
    ASSERT_EQ(spare.size(), 1u);
    // The next chunk is a fresh one; a fill crosses into it and keeps what was there.
    chunked.append_fill(kChunk + 3, 9);
    EXPECT_EQ(spare.size(), 1u);
    ASSERT_EQ(chunked.size(), kChunk + 4);
    EXPECT_EQ(chunked[0], 7u);
    EXPECT_EQ(chunked[1], 9u);
    EXPECT_EQ(chunked[kChunk - 1], 9u);
    EXPECT_EQ(chunked[kChunk + 3], 9u);
}

TEST(ChunkedVector, WritesInPlaceUpToTheChunkEdgeAndOnlyIntoReservedRoom) {
    constexpr size_t kChunk = ChunkedVector<uint32_t>::kPerChunk;
    ChunkedVector<uint32_t> chunked;
    size_t room = 5;
    EXPECT_EQ(chunked.tail_room(room), nullptr);
    EXPECT_EQ(room, 0u);
    chunked.reserve(kChunk + 10);
    chunked.append_fill(kChunk - 2, 1);
    room = 100;
    chunked.tail_room(room)[1] = 5;
    ASSERT_EQ(room, 2u); // up to the chunk's end
    chunked.commit_tail(2);
    room = 100;
    chunked.tail_room(room)[0] = 6; // the next chunk, reserved
    chunked.commit_tail(1);
    ASSERT_EQ(chunked.size(), kChunk + 1);
    EXPECT_EQ(chunked[kChunk - 1], 5u);
    EXPECT_EQ(chunked[kChunk], 6u);
}

} // namespace
