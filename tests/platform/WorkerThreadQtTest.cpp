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
