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

#include <functional>
#include <memory>
#include <thread>

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
