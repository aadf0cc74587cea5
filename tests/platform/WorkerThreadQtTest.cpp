// Worker threads: stopping, joining, and stopping a worker that waits in a send to the
// GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <new>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/BlockSupply.h"
#include "platform/Window.h"
#include "platform/WorkerThread.h"
#include "support/MessageHooks.h"

namespace {

using testsupport::BeforeNextMessage;
using testsupport::kPatienceMs;
using testsupport::PumpUntil;

// Counts the messages it handles and answers through an optional hook. GUI thread only.
class CountingWindow : public CWnd {
public:
    CountingWindow() { CreateHandle(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        ++handled;
        return onMessage ? onMessage(message, wParam, lParam) : 0;
    }

    int handled = 0;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;
};

// Stops a worker that may be waiting in a send to `window`, without processing events,
// and joins it. When the stop fails to release the worker, destroying the window does,
// so the fault fails the test instead of hanging it.
bool StopReleases(WorkerThread& worker, CountingWindow& window, std::future<LRESULT>& answer) {
    worker.RequestStop();
    const bool released =
        answer.wait_for(std::chrono::milliseconds(kPatienceMs)) == std::future_status::ready;
    if (!released) {
        window.DestroyWindow();
    }
    worker.Join();
    return released;
}

const UINT kWork = WM_USER + 1;

} // namespace

TEST(WorkerThread, RequestStopReleasesAWorkerWaitingInASend) {
    {
        SCOPED_TRACE("stopped and joined by the handler of its own send");
        std::optional<WorkerThread> worker;
        CountingWindow window;
        const HWND hWnd = window.m_hWnd;
        std::promise<LRESULT> first;
        auto firstAnswer = first.get_future();
        bool released = false;
        window.onMessage = [&](UINT, WPARAM, LPARAM) {
            // As a view torn down from a nested loop does: this must not deadlock.
            released = StopReleases(*worker, window, firstAnswer);
            return LRESULT{9};
        };
        std::atomic<LRESULT> second{-1};
        worker.emplace([&](WorkerThread&) {
            first.set_value(SendMessage(hWnd, kWork, 0, 0));
            second = SendMessage(hWnd, kWork, 0, 0); // after the stop: 0 at once
        });
        ASSERT_TRUE(PumpUntil([&] { return window.handled > 0; }));
        ASSERT_TRUE(released);
        EXPECT_EQ(firstAnswer.get(), 0);
        EXPECT_EQ(second, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.handled, 1);
    }
    {
        SCOPED_TRACE("stopped while its send is queued");
        std::optional<WorkerThread> worker;
        CountingWindow window;
        const HWND hWnd = window.m_hWnd;
        std::promise<LRESULT> sent;
        auto answer = sent.get_future();
        bool stopped = false;
        bool released = false;
        BeforeNextMessage stop([&] {
            released = StopReleases(*worker, window, answer);
            stopped = true;
        });
        worker.emplace([&](WorkerThread&) { sent.set_value(SendMessage(hWnd, kWork, 0, 0)); });
        ASSERT_TRUE(PumpUntil([&] { return stopped; }));
        ASSERT_TRUE(released);
        EXPECT_EQ(answer.get(), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.handled, 0) << "the message of a released send was still handled";
    }
    {
        SCOPED_TRACE("stopped and joined by a GUI thread that processes no events");
        std::optional<WorkerThread> worker;
        CountingWindow window;
        const HWND hWnd = window.m_hWnd;
        std::promise<void> sending;
        auto aboutToSend = sending.get_future();
        std::promise<LRESULT> sent;
        auto answer = sent.get_future();
        worker.emplace([&](WorkerThread&) {
            sending.set_value();
            sent.set_value(SendMessage(hWnd, kWork, 0, 0));
        });
        aboutToSend.wait();
        ASSERT_TRUE(StopReleases(*worker, window, answer));
        EXPECT_EQ(answer.get(), 0);
    }
}

TEST(WorkerThread, StoppingOneWorkerLeavesTheOthersSending) {
    CountingWindow window;
    window.onMessage = [](UINT, WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam); };
    const HWND hWnd = window.m_hWnd;

    std::promise<void> stopped;
    auto otherStopped = stopped.get_future();
    std::atomic<LRESULT> answer{-1};
    WorkerThread running([&](WorkerThread&) {
        otherStopped.wait();
        answer = SendMessage(hWnd, kWork, 5, 0);
    });
    WorkerThread idle([](WorkerThread&) {});
    idle.RequestStop();
    idle.Join();
    EXPECT_FALSE(running.StopRequested());
    stopped.set_value();

    ASSERT_TRUE(PumpUntil([&] { return answer != -1; }));
    EXPECT_EQ(answer, 5);
}

TEST(WorkerThread, TheBodyStopsBetweenUnitsAndJoinWaitsForItsEnd) {
    CountingWindow window;
    const HWND hWnd = window.m_hWnd;
    std::atomic<bool> ended{false};
    std::atomic<LRESULT> sendAfterStop{-1};
    std::atomic<bool> postAfterStop{false};

    WorkerThread worker([&](WorkerThread& self) {
        while (!self.StopRequested()) {
            SendMessage(hWnd, kWork, 0, 0); // one unit of work
        }
        sendAfterStop = SendMessage(hWnd, kWork, 1, 0);
        postAfterStop = PostMessage(hWnd, kWork, 2, 0);
        ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return window.handled >= 5; }));
    EXPECT_FALSE(worker.StopRequested());
    worker.RequestStop();
    EXPECT_TRUE(worker.StopRequested());
    worker.Join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(sendAfterStop, 0);
    EXPECT_TRUE(postAfterStop) << "a stop affects sends only";
    worker.Join(); // a second Join returns at once
}

TEST(WorkerThread, JoinAfterTheBodyEndedAndTheDestructorStopsARunningBody) {
    CountingWindow window;
    const HWND hWnd = window.m_hWnd;
    {
        SCOPED_TRACE("join after the end");
        WorkerThread worker([&](WorkerThread&) { PostMessage(hWnd, kWork, 0, 0); });
        ASSERT_TRUE(PumpUntil([&] { return window.handled == 1; }));
        worker.Join();
        worker.Join();
        EXPECT_FALSE(worker.StopRequested());
    }
    {
        SCOPED_TRACE("the destructor of a body that waits for a stop");
        std::atomic<bool> ended{false};
        std::atomic<int> units{0};
        {
            WorkerThread worker([&](WorkerThread& self) {
                while (!self.StopRequested()) {
                    SendMessage(hWnd, kWork, 0, 0);
                    ++units;
                }
                ended = true;
            });
            ASSERT_TRUE(PumpUntil([&] { return units >= 3; }));
        }
        EXPECT_TRUE(ended);
    }
}

TEST(RunInParallel, SplitsCoverTheRangeAndEveryPartRunsOnceBeforeTheReturn) {
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

TEST(RunInParallel, APartThatThrowsLetsTheOthersFinishAndThrowsOnTheCallingThread) {
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
