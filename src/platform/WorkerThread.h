// WorkerThread: a thread of the program that runs one body and is always joined.
//
// The body checks StopRequested() between units of work and returns when it is set. A body
// that also waits for something else (room to hand over its next batch, say) is woken by
// its owner after RequestStop(). The owner calls Join() (or lets the destructor stop and
// join) before freeing anything the body uses.
//
// The object is owned by whoever started the thread; RequestStop and StopRequested may be
// called from any thread, Join only by the owner.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class WorkerThread {
public:
    using Body = std::function<void(WorkerThread&)>;

    // Starts the thread at once, named `name` for profilers and debuggers (at most 15
    // characters). The body must not throw. Throws std::system_error when no thread can be
    // had.
    explicit WorkerThread(Body body, const char* name = "quorvix-worker");
    // Requests a stop and joins.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Any thread; final.
    void RequestStop() { m_stop.store(true, std::memory_order_release); }
    // Any thread, the body most of all.
    bool StopRequested() const { return m_stop.load(std::memory_order_acquire); }
    // Waits until the body returned. The owner's thread only, never the worker itself;
    // a second call returns at once.
    void Join();

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: started once the rest exists
};
