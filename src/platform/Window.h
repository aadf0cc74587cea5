// Windows and the program's messages, in the terms the rest of the program uses:
// a window handle (HWND), IsWindow, SendMessage and PostMessage.
//
// Everything that receives the program's private messages derives from CWnd (usually
// together with a QWidget). A CWnd gets a handle from CreateHandle() on the thread that
// will own it (the GUI thread) and loses it in DestroyWindow() or its destructor.
//
// Contract:
// - Handles are never reused, so a stale handle is simply "not a window".
// - IsWindow(h) may be called from any thread; it turns false the moment DestroyWindow
//   starts (before the object's handlers stop running), and stays false.
// - SendMessage on the owner thread calls WindowProc directly. From another thread it
//   queues the message to the owner thread, in order with earlier posts, and waits until
//   it was handled. It never waits forever: a send to a handle that is not a window
//   returns 0 at once, and a send whose window is destroyed while the sender waits (or
//   before the message is handled) returns 0 as soon as the destruction starts. A send
//   made by a WorkerThread that was asked to stop also returns 0 at once.
// - PostMessage queues and returns (false when the handle is not a window); posts to one
//   window are handled in the order they were made. Posts to a window that is destroyed
//   before they are handled are dropped.
// - Messages reach WindowProc only on the owner thread.
//
// Details that follow from the above:
// - Queued messages travel through the owner thread's Qt event queue, one queue for all
//   windows of that thread, so posts and sends made by one thread are handled in the
//   order they were made, whatever window they go to. They are handled whenever that
//   thread processes events, inside nested event loops (a modal dialog's exec) too. A
//   thread that owns windows must therefore run a Qt event loop.
// - A sender that was released early (its window destroyed, its worker asked to stop)
//   gets 0. Its message is then never handled if it has not started yet; a handler that
//   already runs (say, one that destroyed its own window from a nested event loop) runs
//   to its end and its result is dropped. When the release happens on the owner thread,
//   as it does for DestroyWindow, "not started yet" is exact: the message is dropped.
// - A thread waiting in SendMessage handles no messages meanwhile. Sends from the GUI
//   thread to windows of other threads are therefore best avoided.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/WinTypes.h"

struct HWND__;
using HWND = HWND__*;

class CWnd {
public:
    CWnd() = default;
    // Destroys the window if it still has a handle. OnDestroy overrides of derived classes
    // no longer run at that point, so a class that needs its OnDestroy calls DestroyWindow
    // in its own destructor.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Registers this object as a window owned by the calling thread. Returns false if it
    // already has a handle.
    bool CreateHandle();
    // Starts and completes destruction: IsWindow turns false, waiting senders are
    // released, OnDestroy runs, and the handle is gone. Safe to call twice. Call it on the
    // owner thread.
    void DestroyWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object of `hWnd` when it is a window owned by the calling thread, else null.
    // The pointer is good until that window is destroyed, which only its owner thread
    // (the caller) can do: code that sends many messages to one window in a row looks it
    // up once and calls its WindowProc directly.
    static CWnd* FromHandle(HWND hWnd);
    // Written on the owner thread only; other threads get the handle by value.
    HWND m_hWnd = nullptr;

    // The message handler. Runs on the owner thread only. The default returns 0.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Called on the owner thread at the start of DestroyWindow, after IsWindow turned false.
    virtual void OnDestroy() {}
};

bool IsWindow(HWND hWnd);
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace platform_detail {

struct SendCall;

// The stop switch of one thread's cross-thread sends: closing it releases the send the
// bound thread waits in (it returns 0) and makes its later sends return 0 at once.
// WorkerThread owns one for its thread; other code has no need of it.
class SendGate {
public:
    SendGate() = default;
    SendGate(const SendGate&) = delete;
    SendGate& operator=(const SendGate&) = delete;

    // Any thread. Closing is final.
    void Close();
    bool IsClosed() const { return m_closed.load(std::memory_order_acquire); }

    // Binds the calling thread's sends to `gate` (nullptr unbinds). The gate must outlive
    // the binding.
    static void BindToCurrentThread(SendGate* gate);

    // Used by SendMessage on the bound thread around its wait. Enter returns false (and
    // keeps nothing) when the gate is already closed.
    bool Enter(std::shared_ptr<SendCall> call);
    void Leave();

private:
    std::atomic<bool> m_closed{false};
    std::mutex m_mutex;
    std::shared_ptr<SendCall> m_pending; // guarded by m_mutex
};

} // namespace platform_detail
