// WorkerThread: a thread of the program that runs one body and is always joined.
//
// The body checks StopRequested() between units of work and returns when it is set.
// RequestStop() also releases a SendMessage the worker waits in (it returns 0) and makes
// its later sends return 0 at once, so the GUI thread can RequestStop() and Join() a
// worker that is blocked sending to a GUI-thread window without a deadlock. Posts are not
// affected.
//
// The object is owned by whoever started the thread; that owner calls Join() (or lets the
// destructor stop and join) before freeing anything the body uses.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Window.h"

class WorkerThread {
public:
    using Body = std::function<void(WorkerThread&)>;

    // Starts the thread at once. The body must not throw.
    explicit WorkerThread(Body body);
    // Requests a stop and joins.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Any thread; final.
    void RequestStop();
    // Any thread, the body most of all.
    bool StopRequested() const;
    // Waits until the body returned. The owner's thread only, never the worker itself;
    // a second call returns at once.
    void Join();

private:
    platform_detail::SendGate m_gate; // before m_thread: the thread binds it at start
    std::thread m_thread;
};

// Work of the GUI thread that splits into independent parts: [0, count) cut into
// consecutive ranges, one for each processor (at most four), none shorter than `grain`
// unless there is only one. Returns the range boundaries, from 0 to count.
std::vector<size_t> SplitForParallel(size_t count, size_t grain);

// Runs work(0) .. work(parts - 1) at once, part 0 on the calling thread and each other on
// a worker of its own, and returns when every part has finished (all workers joined). The
// parts may read data nobody changes meanwhile and write only their own. A part whose
// worker cannot be started (no memory left for its stack) runs on the calling thread
// instead. When a part throws (std::bad_alloc, say), the others still run to their end,
// and the first exception is thrown again here after every worker was joined.
void RunInParallel(size_t parts, const std::function<void(size_t part)>& work);
