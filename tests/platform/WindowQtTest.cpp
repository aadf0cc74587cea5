// Window handles and messages across threads. The GUI thread is the owner of every window
// here; workers send and post to it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <utility>
#include <vector>

#include "platform/Window.h"
#include "platform/WorkerThread.h"
#include "support/MessageHooks.h"

namespace {

using testsupport::BeforeNextMessage;
using testsupport::kPatienceMs;
using testsupport::PumpUntil;

// Records every message it handles and answers through an optional hook.
// Touched by the GUI thread only.
class RecordingWindow : public CWnd {
public:
    RecordingWindow() { CreateHandle(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == qApp->thread();
        received.push_back(message);
        return onMessage ? onMessage(message, wParam, lParam) : 0;
    }

    std::vector<UINT> received;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;
    bool allOnGuiThread = true;
};

// Waits without processing events: what the future waits for must happen without the
// GUI thread's help.
template <class T> bool ReadyWithoutPumping(std::future<T>& future) {
    return future.wait_for(std::chrono::milliseconds(kPatienceMs)) == std::future_status::ready;
}

const UINT kPing = WM_USER + 1;
const UINT kPong = WM_USER + 2;

} // namespace

TEST(Window, SendFromAWorkerIsHandledOnTheOwnerThreadAndReturnsTheResult) {
    RecordingWindow window;
    window.onMessage = [](UINT, WPARAM wParam, LPARAM lParam) {
        return static_cast<LRESULT>(wParam) * 10 + lParam;
    };
    const HWND hWnd = window.m_hWnd;

    // From a worker: queued to the GUI thread; the worker gets the handler's answer.
    std::atomic<LRESULT> answer{-1};
    WorkerThread worker([&](WorkerThread&) { answer = SendMessage(hWnd, kPing, 4, 2); });
    ASSERT_TRUE(PumpUntil([&] { return answer != -1; }));
    worker.Join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(window.received, std::vector<UINT>{kPing});
    EXPECT_TRUE(window.allOnGuiThread);

    // On the owner thread: a direct call, handled before SendMessage returns and ahead of
    // a post made earlier.
    ASSERT_TRUE(PostMessage(hWnd, kPong, 0, 0));
    EXPECT_EQ(SendMessage(hWnd, kPing, 1, 1), 11);
    EXPECT_EQ(window.received, (std::vector<UINT>{kPing, kPing}));
    ASSERT_TRUE(PumpUntil([&] { return window.received.size() == 3; }));
    EXPECT_EQ(window.received.back(), kPong);
}

TEST(Window, HandlesAreNeverReusedAndADeadHandleIsRefusedAtOnce) {
    HWND destroyedByDestructor = nullptr;
    {
        RecordingWindow scoped;
        destroyedByDestructor = scoped.m_hWnd;
        EXPECT_TRUE(IsWindow(destroyedByDestructor));
    }
    EXPECT_FALSE(IsWindow(destroyedByDestructor));

    // The same object destroyed and given a handle again: the old handle stays dead and
    // must not reach the object under its new one.
    RecordingWindow window;
    window.onMessage = [](UINT, WPARAM, LPARAM) { return LRESULT{99}; };
    const HWND stale = window.m_hWnd;
    EXPECT_FALSE(window.CreateHandle()) << "a second handle for one object";
    window.DestroyWindow();
    window.DestroyWindow();
    EXPECT_EQ(window.m_hWnd, nullptr);
    ASSERT_TRUE(window.CreateHandle());
    EXPECT_NE(window.m_hWnd, stale);
    EXPECT_NE(window.m_hWnd, destroyedByDestructor);
    EXPECT_FALSE(IsWindow(stale));
    const HWND neverMade = reinterpret_cast<HWND>(uintptr_t{1} << 60);

    // On the GUI thread.
    EXPECT_EQ(SendMessage(stale, kPing, 0, 0), 0);
    EXPECT_EQ(SendMessage(neverMade, kPing, 0, 0), 0);
    EXPECT_EQ(SendMessage(nullptr, kPing, 0, 0), 0);
    EXPECT_FALSE(PostMessage(stale, kPing, 0, 0));
    EXPECT_FALSE(PostMessage(neverMade, kPing, 0, 0));
    EXPECT_FALSE(PostMessage(nullptr, kPing, 0, 0));

    // From a worker, while the GUI thread processes no events at all.
    std::promise<std::vector<LRESULT>> results;
    auto future = results.get_future();
    WorkerThread worker([&](WorkerThread&) {
        results.set_value({SendMessage(stale, kPing, 0, 0), SendMessage(neverMade, kPing, 0, 0),
                           SendMessage(nullptr, kPing, 0, 0), PostMessage(stale, kPing, 0, 0) ? 1 : 0});
    });
    ASSERT_TRUE(ReadyWithoutPumping(future));
    EXPECT_EQ(future.get(), (std::vector<LRESULT>{0, 0, 0, 0}));
    worker.Join();

    QCoreApplication::processEvents();
    EXPECT_TRUE(window.received.empty());
}

TEST(Window, DestroyingAWindowReleasesItsWaitingSenders) {
    {
        SCOPED_TRACE("destroyed by its own handler, from inside the send");
        RecordingWindow window;
        const HWND hWnd = window.m_hWnd;
        std::atomic<LRESULT> answer{-1};
        bool releasedWhileHandling = false;
        window.onMessage = [&](UINT, WPARAM, LPARAM) {
            window.DestroyWindow();
            // The sender is free before this handler returns, and gets 0, not our answer.
            releasedWhileHandling = PumpUntil([&] { return answer != -1; });
            return LRESULT{5};
        };
        WorkerThread worker([&](WorkerThread&) { answer = SendMessage(hWnd, kPing, 0, 0); });
        ASSERT_TRUE(PumpUntil([&] { return answer != -1; }));
        worker.Join();
        EXPECT_TRUE(releasedWhileHandling);
        EXPECT_EQ(answer, 0);
    }
    {
        SCOPED_TRACE("destroyed while the sends are queued");
        RecordingWindow window;
        window.onMessage = [](UINT, WPARAM, LPARAM) { return LRESULT{5}; };
        const HWND hWnd = window.m_hWnd;
        BeforeNextMessage destroy([&] { window.DestroyWindow(); });
        std::atomic<LRESULT> first{-1};
        std::atomic<LRESULT> second{-1};
        WorkerThread worker1([&](WorkerThread&) { first = SendMessage(hWnd, kPing, 0, 0); });
        WorkerThread worker2([&](WorkerThread&) { second = SendMessage(hWnd, kPing, 0, 0); });
        ASSERT_TRUE(PumpUntil([&] { return first != -1 && second != -1; }));
        worker1.Join();
        worker2.Join();
        EXPECT_EQ(first, 0);
        EXPECT_EQ(second, 0);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.received.empty()) << "a message reached a destroyed window";
    }
}

TEST(Window, MessagesKeepTheOrderTheyWereMadeIn) {
    std::vector<std::pair<int, WPARAM>> log; // (window, wParam), GUI thread only
    RecordingWindow a;
    RecordingWindow b;
    a.onMessage = [&](UINT, WPARAM wParam, LPARAM) {
        log.emplace_back(0, wParam);
        return static_cast<LRESULT>(wParam);
    };
    b.onMessage = [&](UINT, WPARAM wParam, LPARAM) {
        log.emplace_back(1, wParam);
        return static_cast<LRESULT>(wParam);
    };
    const HWND handles[2] = {a.m_hWnd, b.m_hWnd};
    const int kCount = 1000;
    std::vector<std::pair<int, WPARAM>> expected;
    for (int i = 0; i < kCount; ++i) {
        expected.emplace_back(i % 2, static_cast<WPARAM>(i));
    }

    {
        SCOPED_TRACE("posts from the GUI thread to two windows");
        for (const auto& [window, n] : expected) {
            ASSERT_TRUE(PostMessage(handles[window], kPing, n, 0));
        }
        ASSERT_TRUE(PumpUntil([&] { return log.size() == expected.size(); }));
        EXPECT_EQ(log, expected);
    }
    {
        SCOPED_TRACE("posts and sends from one worker to two windows");
        log.clear();
        std::atomic<int> wrongAnswers{0};
        std::atomic<bool> done{false};
        WorkerThread worker([&](WorkerThread&) {
            for (const auto& [window, n] : expected) {
                if (n % 25 == 0) {
                    if (SendMessage(handles[window], kPing, n, 0) != static_cast<LRESULT>(n)) {
                        ++wrongAnswers;
                    }
                } else {
                    PostMessage(handles[window], kPing, n, 0);
                }
            }
            done = true;
        });
        ASSERT_TRUE(PumpUntil([&] { return done && log.size() == expected.size(); }));
        worker.Join();
        EXPECT_EQ(log, expected);
        EXPECT_EQ(wrongAnswers, 0);
    }
}

namespace {

// Tells a worker, from OnDestroy, that destruction started, and waits (without
// processing events) for what the worker saw.
class ObservedWindow : public RecordingWindow {
public:
    ~ObservedWindow() override { DestroyWindow(); }

    std::promise<void> destroying;
    std::future<bool> workerSaw;
    bool workerAnswered = false;
    bool postToSelfRefused = false;

protected:
    void OnDestroy() override {
        postToSelfRefused = !PostMessage(m_hWnd, kPing, 0, 0);
        destroying.set_value();
        workerAnswered = ReadyWithoutPumping(workerSaw);
    }
};

} // namespace

TEST(Window, IsWindowTurnsFalseForEveryThreadWhenDestructionStarts) {
    ObservedWindow window;
    const HWND hWnd = window.m_hWnd;
    auto destroying = window.destroying.get_future();
    std::promise<bool> sawWindowBefore;
    auto before = sawWindowBefore.get_future();
    std::promise<bool> sawWindowDuring;
    window.workerSaw = sawWindowDuring.get_future();

    WorkerThread worker([&](WorkerThread&) {
        sawWindowBefore.set_value(IsWindow(hWnd));
        destroying.wait();
        sawWindowDuring.set_value(IsWindow(hWnd));
    });
    ASSERT_TRUE(ReadyWithoutPumping(before));
    EXPECT_TRUE(before.get());

    window.DestroyWindow();
    worker.Join();
    ASSERT_TRUE(window.workerAnswered);
    EXPECT_FALSE(window.workerSaw.get()) << "a worker still saw the window during OnDestroy";
    EXPECT_TRUE(window.postToSelfRefused);
}

TEST(Window, PostsToAWindowDestroyedBeforeDeliveryAreDropped) {
    RecordingWindow target;
    RecordingWindow marker;
    const HWND hWnd = target.m_hWnd;

    // Posts queued by the GUI thread and by a worker, all before the destruction.
    ASSERT_TRUE(PostMessage(hWnd, kPing, 1, 0));
    std::atomic<bool> workerPosted{false};
    WorkerThread worker([&](WorkerThread&) { workerPosted = PostMessage(hWnd, kPing, 2, 0); });
    worker.Join();
    ASSERT_TRUE(workerPosted);

    // The object gets a new handle at once: posts made to the old one must not reach it.
    target.DestroyWindow();
    ASSERT_TRUE(target.CreateHandle());
    EXPECT_FALSE(PostMessage(hWnd, kPing, 3, 0));

    // Everything queued before the marker has been handled or dropped once it arrives.
    ASSERT_TRUE(PostMessage(marker.m_hWnd, kPong, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return !marker.received.empty(); }));
    EXPECT_TRUE(target.received.empty());
}

TEST(Window, MessagesAreHandledInsideANestedModalLoop) {
    RecordingWindow window;
    const HWND hWnd = window.m_hWnd;
    QDialog dialog;
    QTimer::singleShot(kPatienceMs, &dialog, &QDialog::reject); // never hang the run
    const int outerLevel = QThread::currentThread()->loopLevel();
    int levelOfSecond = -1;
    int dialogResult = -1;

    // The first message's handler runs a modal dialog; the worker's next message arrives
    // inside that dialog's loop and closes it.
    window.onMessage = [&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kPing) {
            dialogResult = dialog.exec();
            return 0;
        }
        levelOfSecond = QThread::currentThread()->loopLevel();
        dialog.accept();
        return 7;
    };
    std::atomic<LRESULT> answer{-1};
    WorkerThread worker([&](WorkerThread&) {
        PostMessage(hWnd, kPing, 0, 0);
        answer = SendMessage(hWnd, kPong, 0, 0);
    });
    ASSERT_TRUE(PumpUntil([&] { return answer != -1 && dialogResult != -1; }));
    worker.Join();
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(dialogResult, QDialog::Accepted);
    EXPECT_GT(levelOfSecond, outerLevel) << "not handled inside the dialog's loop";
}
