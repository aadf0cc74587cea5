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
#pragma once

#include "platform/WinTypes.h"

struct HWND__;
using HWND = HWND__*;

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Registers this object as a window owned by the calling thread. Returns false if it
    // already has a handle.
    bool CreateHandle();
    // Starts and completes destruction: IsWindow turns false, waiting senders are
    // released, OnDestroy runs, and the handle is gone. Safe to call twice.
    void DestroyWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
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
