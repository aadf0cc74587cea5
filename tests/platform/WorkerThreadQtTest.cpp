// Worker threads: a body that stops between its units of work, joins, and the destructor
// that stops and joins a body still running.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <pthread.h>
#include <string>
#include <thread>

#include "platform/WorkerThread.h"

namespace {

// Waits, without a deadline a test would notice, for what another thread does.
template <class Predicate> bool WaitFor(Predicate done) {
    for (int i = 0; i < 30000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

} // namespace

TEST(WorkerThread, TheBodyStopsBetweenUnitsAndJoinWaitsForItsEnd) {
    std::atomic<int> units{0};
    std::atomic<bool> ended{false};
    std::string name;
    WorkerThread worker(
        [&](WorkerThread& self) {
            char buffer[16] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            name = buffer;
            while (!self.StopRequested())
                ++units; // one unit of work
            ended = true;
        },
        "quorvix-test");
    ASSERT_TRUE(WaitFor([&] { return units >= 5; }));
    EXPECT_FALSE(worker.StopRequested());
    worker.RequestStop();
    EXPECT_TRUE(worker.StopRequested());
    worker.Join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(name, "quorvix-test"); // profilers and debuggers tell the threads apart
    worker.Join();                   // a second Join returns at once
}

TEST(WorkerThread, JoinAfterTheBodyEndedAndTheDestructorStopsARunningBody) {
    {
        SCOPED_TRACE("join after the end");
        std::atomic<bool> ran{false};
        WorkerThread worker([&](WorkerThread&) { ran = true; });
        ASSERT_TRUE(WaitFor([&] { return ran.load(); }));
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
                while (!self.StopRequested())
                    ++units;
                ended = true;
            });
            ASSERT_TRUE(WaitFor([&] { return units >= 3; }));
        }
        EXPECT_TRUE(ended);
    }
}
