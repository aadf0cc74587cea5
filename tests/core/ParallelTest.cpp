// Parts of a scan shared between threads, and the block supply's worker.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "core/BlockSupply.h"
#include "core/Parallel.h"

TEST(Parallel, SplitsCoverTheRangeAndEveryPartRunsOnceBeforeTheReturn) {
    // Ranges: consecutive, from 0 to the count, at most four, none under the grain unless
    // there is only one.
    for (const auto& [count, grain] : std::vector<std::pair<size_t, size_t>>{
             {0, 10}, {5, 10}, {10, 10}, {25, 10}, {1000003, 1000}, {7, 0}}) {
        SCOPED_TRACE(testing::Message() << count << " by " << grain);
        const std::vector<size_t> bounds = SplitForParallel(count, grain);
        ASSERT_GE(bounds.size(), 2u);
        ASSERT_LE(bounds.size(), 5u);
        EXPECT_EQ(bounds.front(), 0u);
        EXPECT_EQ(bounds.back(), count);
        for (size_t part = 0; part + 1 < bounds.size(); ++part) {
            EXPECT_LE(bounds[part], bounds[part + 1]);
            if (bounds.size() > 2) {
                EXPECT_GE(bounds[part + 1] - bounds[part], grain);
            }
        }
    }

    // Each part writes only its own slot; all are written when the call returns, the first
    // on the calling thread.
    std::vector<int> runs(4, 0);
    std::vector<std::thread::id> threads(4);
    RunInParallel(4, [&](size_t part) {
        ++runs[part];
        threads[part] = std::this_thread::get_id();
    });
    EXPECT_EQ(runs, std::vector<int>(4, 1));
    EXPECT_EQ(threads[0], std::this_thread::get_id());
    for (size_t part = 1; part < 4; ++part)
        EXPECT_NE(threads[part], std::this_thread::get_id());
}

TEST(Parallel, APartThatThrowsLetsTheOthersFinishAndThrowsOnTheCallingThread) {
    // Memory running out in one part (of a search, say) reaches the caller, which ends its
    // command cleanly, instead of ending the program from a worker.
    for (const size_t failing : {size_t{0}, size_t{2}}) {
        std::vector<int> runs(4, 0);
        bool caught = false;
        try {
            RunInParallel(4, [&](size_t part) {
                ++runs[part];
                if (part == failing)
                    throw std::bad_alloc();
            });
        } catch (const std::bad_alloc&) {
            caught = true;
        }
        EXPECT_TRUE(caught) << failing;
        EXPECT_EQ(runs, std::vector<int>(4, 1)) << failing;
    }
}

TEST(BlockSupply, HandsOutWholeZeroedBlocksWithOrWithoutTheWorkerAndFreesTheRest) {
    constexpr size_t kBytes = 2u << 20;
    {
        BlockSupply supply(kBytes, 3);
        // Taken faster than the worker can keep up at first, then as it catches up: every
        // block is whole, zeroed and distinct.
        std::vector<BigBlock> taken;
        for (int i = 0; i < 12; ++i) {
            taken.push_back(supply.Take());
            const BigBlock& block = taken.back();
            ASSERT_GE(block.Size(), kBytes);
            EXPECT_EQ(block.Data()[0], 0);
            EXPECT_EQ(block.Data()[block.Size() - 1], 0);
            std::memset(block.Data(), i + 1, block.Size());
            if (i % 4 == 3)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (size_t i = 0; i < taken.size(); ++i)
            EXPECT_EQ(taken[i].Data()[kBytes / 2], static_cast<char>(i + 1));
    }
    // Destroyed at once and after its worker filled the supply: no block leaks, no hang.
    { BlockSupply supply(kBytes, 2); }
    {
        BlockSupply supply(kBytes, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
