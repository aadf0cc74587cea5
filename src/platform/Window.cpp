#include "platform/Window.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <condition_variable>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define QUORVIX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUORVIX_THREAD_SANITIZER 1
#endif
#endif
#ifdef QUORVIX_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace platform_detail {

// One cross-thread SendMessage: the sender waits on it, the owner thread finishes it with
// the handler's result, and anything that releases the sender early finishes it with 0.
// The first Finish wins; later ones change nothing.
struct SendCall {
    // Returns false when the call was already finished.
    bool Finish(LRESULT result) {
        std::lock_guard lock(m_mutex);
        if (m_done) {
            return false;
        }
        m_done = true;
        m_result = result;
        m_finished.notify_one();
        return true;
    }

    bool IsFinished() {
        std::lock_guard lock(m_mutex);
        return m_done;
    }

    LRESULT Wait() {
        std::unique_lock lock(m_mutex);
        m_finished.wait(lock, [this] { return m_done; });
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
    LRESULT m_result = 0;
};

} // namespace platform_detail

using platform_detail::SendCall;
using platform_detail::SendGate;

namespace {

// Qt's event queue hands an event from the posting thread to the receiving one under Qt's
// own locks, which ThreadSanitizer cannot see (Qt is not built with it), so it would take
// every queued message for a race. These two marks show it that hand-over, and it keeps
// checking everything the handlers do.
void MarkHandOver([[maybe_unused]] QEvent* event) {
#ifdef QUORVIX_THREAD_SANITIZER
    __tsan_release(event);
#endif
}

void MarkTakeOver([[maybe_unused]] QEvent* event) {
#ifdef QUORVIX_THREAD_SANITIZER
    __tsan_acquire(event);
#endif
}

QEvent::Type MessageEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A queued message. Qt deletes an event it never delivers (its receiver went away, the
// application ended); the destructor then releases a waiting sender, so no path through
// Qt can leave one waiting.
class MessageEvent final : public QEvent {
public:
    MessageEvent(uintptr_t handle, UINT message, WPARAM wParam, LPARAM lParam, std::shared_ptr<SendCall> call)
        : QEvent(MessageEventType()), m_handle(handle), m_message(message), m_wParam(wParam),
          m_lParam(lParam), m_call(std::move(call)) {}
    ~MessageEvent() override {
        MarkTakeOver(this); // Qt may drop an undelivered event on any thread
        if (m_call) {
            m_call->Finish(0);
        }
    }
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;

    void Deliver() const;

private:
    uintptr_t m_handle;
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
    std::shared_ptr<SendCall> m_call; // null for a post
};

// Receives the queued messages of every window of one thread. One object per thread
// keeps all of that thread's messages in a single Qt queue, hence in one order.
class Dispatcher final : public QObject {
public:
    bool event(QEvent* event) override {
        MarkTakeOver(event);
        if (event->type() != MessageEventType()) {
            return QObject::event(event);
        }
        static_cast<MessageEvent*>(event)->Deliver();
        return true;
    }
};

void Queue(Dispatcher* dispatcher, MessageEvent* event) {
    MarkHandOver(event);
    QCoreApplication::postEvent(dispatcher, event);
}

struct WindowEntry {
    CWnd* window;
    std::thread::id owner;
    // The owner thread's dispatcher; null once that thread ended.
    Dispatcher* dispatcher;
    // Sends from other threads to this window that may still be waiting.
    std::vector<std::shared_ptr<SendCall>> waitingSends;
};

// Handle -> window. Every access holds m_mutex, and posting to a dispatcher happens under
// it too, so a dispatcher that was unregistered under the lock receives nothing more.
class Registry {
public:
    static Registry& Instance() {
        // Never destroyed: windows and threads may still look it up during exit.
        static Registry* registry = new Registry;
        return *registry;
    }

    HWND Add(CWnd* window, Dispatcher* dispatcher) {
        std::lock_guard lock(m_mutex);
        const uintptr_t handle = m_nextHandle++;
        m_windows.emplace(handle, WindowEntry{window, std::this_thread::get_id(), dispatcher, {}});
        return reinterpret_cast<HWND>(handle);
    }

    // Unregisters the window and hands back the sends that wait on it. False when the
    // handle is no longer registered.
    bool Remove(HWND hWnd, std::vector<std::shared_ptr<SendCall>>& waitingSends) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(Key(hWnd));
        if (it == m_windows.end()) {
            return false;
        }
        waitingSends = std::move(it->second.waitingSends);
        m_windows.erase(it);
        return true;
    }

    bool Contains(HWND hWnd) {
        std::lock_guard lock(m_mutex);
        return m_windows.contains(Key(hWnd));
    }

    // The window behind a handle, or null.
    CWnd* Find(uintptr_t handle) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(handle);
        return it == m_windows.end() ? nullptr : it->second.window;
    }

    CWnd* FindOwnedByCaller(HWND hWnd) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(Key(hWnd));
        if (it == m_windows.end() || it->second.owner != std::this_thread::get_id())
            return nullptr;
        return it->second.window;
    }

    bool Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(Key(hWnd));
        if (it == m_windows.end() || it->second.dispatcher == nullptr) {
            return false;
        }
        Queue(it->second.dispatcher, new MessageEvent(Key(hWnd), message, wParam, lParam, nullptr));
        return true;
    }

    enum class SendRoute { NotAWindow, Direct, Queued };

    // Either finds the window owned by the calling thread (Direct, `window` set) or queues
    // the message with a new call in `call` (Queued).
    SendRoute StartSend(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, CWnd*& window,
                        std::shared_ptr<SendCall>& call) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(Key(hWnd));
        if (it == m_windows.end()) {
            return SendRoute::NotAWindow;
        }
        WindowEntry& entry = it->second;
        if (entry.owner == std::this_thread::get_id()) {
            window = entry.window;
            return SendRoute::Direct;
        }
        if (entry.dispatcher == nullptr) {
            return SendRoute::NotAWindow;
        }
        call = std::make_shared<SendCall>();
        entry.waitingSends.push_back(call);
        Queue(entry.dispatcher, new MessageEvent(Key(hWnd), message, wParam, lParam, call));
        return SendRoute::Queued;
    }

    void EndSend(HWND hWnd, const std::shared_ptr<SendCall>& call) {
        std::lock_guard lock(m_mutex);
        const auto it = m_windows.find(Key(hWnd));
        if (it != m_windows.end()) {
            auto& sends = it->second.waitingSends;
            sends.erase(std::remove(sends.begin(), sends.end(), call), sends.end());
        }
    }

    // Called as the dispatcher's thread ends: its windows can no longer receive queued
    // messages. Returns after the last post to it, so it can be deleted.
    void Unregister(const Dispatcher* dispatcher) {
        std::lock_guard lock(m_mutex);
        for (auto& [handle, entry] : m_windows) {
            if (entry.dispatcher == dispatcher) {
                entry.dispatcher = nullptr;
            }
        }
    }

private:
    static uintptr_t Key(HWND hWnd) { return reinterpret_cast<uintptr_t>(hWnd); }

    std::mutex m_mutex;
    std::unordered_map<uintptr_t, WindowEntry> m_windows;
    uintptr_t m_nextHandle = 1;
};

void MessageEvent::Deliver() const {
    // Runs on the owner thread, the only thread that destroys the window, so the window
    // found here stays alive until WindowProc is entered.
    CWnd* window = Registry::Instance().Find(m_handle);
    if (window == nullptr || (m_call && m_call->IsFinished())) {
        return; // the destructor releases a sender still waiting
    }
    const LRESULT result = window->WindowProc(m_message, m_wParam, m_lParam);
    if (m_call) {
        m_call->Finish(result);
    }
}

// The calling thread's dispatcher, made on first use and deleted when the thread ends.
class ThreadDispatcher {
public:
    ThreadDispatcher() = default;
    ThreadDispatcher(const ThreadDispatcher&) = delete;
    ThreadDispatcher& operator=(const ThreadDispatcher&) = delete;
    ~ThreadDispatcher() {
        if (m_dispatcher) {
            Registry::Instance().Unregister(m_dispatcher.get());
            // Deleting it drops its queued messages, which releases their senders.
            m_dispatcher.reset();
        }
    }

    Dispatcher* Get() {
        if (!m_dispatcher) {
            m_dispatcher = std::make_unique<Dispatcher>();
        }
        return m_dispatcher.get();
    }

private:
    std::unique_ptr<Dispatcher> m_dispatcher;
};

thread_local ThreadDispatcher t_dispatcher;
thread_local SendGate* t_sendGate = nullptr;

} // namespace

namespace platform_detail {

void SendGate::Close() {
    std::shared_ptr<SendCall> pending;
    {
        std::lock_guard lock(m_mutex);
        m_closed.store(true, std::memory_order_release);
        pending = std::move(m_pending);
    }
    if (pending) {
        pending->Finish(0);
    }
}

void SendGate::BindToCurrentThread(SendGate* gate) {
    t_sendGate = gate;
}

bool SendGate::Enter(std::shared_ptr<SendCall> call) {
    std::lock_guard lock(m_mutex);
    if (m_closed.load(std::memory_order_relaxed)) {
        return false;
    }
    m_pending = std::move(call);
    return true;
}

void SendGate::Leave() {
    std::lock_guard lock(m_mutex);
    m_pending.reset();
}

} // namespace platform_detail

CWnd::~CWnd() {
    if (m_hWnd) {
        DestroyWindow();
    }
}

bool CWnd::CreateHandle() {
    if (m_hWnd) {
        return false;
    }
    m_hWnd = Registry::Instance().Add(this, t_dispatcher.Get());
    return true;
}

void CWnd::DestroyWindow() {
    if (!m_hWnd) {
        return;
    }
    std::vector<std::shared_ptr<SendCall>> waitingSends;
    if (!Registry::Instance().Remove(m_hWnd, waitingSends)) {
        return; // destruction already under way (a second call from OnDestroy)
    }
    for (const auto& call : waitingSends) {
        call->Finish(0);
    }
    OnDestroy();
    m_hWnd = nullptr;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    return hWnd == nullptr ? nullptr : Registry::Instance().FindOwnedByCaller(hWnd);
}

bool IsWindow(HWND hWnd) {
    return hWnd != nullptr && Registry::Instance().Contains(hWnd);
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SendGate* gate = t_sendGate;
    if (gate && gate->IsClosed()) {
        return 0;
    }
    Registry& registry = Registry::Instance();
    CWnd* window = nullptr;
    std::shared_ptr<SendCall> call;
    switch (registry.StartSend(hWnd, message, wParam, lParam, window, call)) {
    case Registry::SendRoute::NotAWindow:
        return 0;
    case Registry::SendRoute::Direct:
        return window->WindowProc(message, wParam, lParam);
    case Registry::SendRoute::Queued:
        break;
    }
    // The gate may have closed since the check above; then this call is released here
    // and its message is dropped when it comes up.
    const bool entered = gate == nullptr || gate->Enter(call);
    if (!entered) {
        call->Finish(0);
    }
    const LRESULT result = call->Wait();
    if (gate && entered) {
        gate->Leave();
    }
    registry.EndSend(hWnd, call);
    return result;
}

bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Registry::Instance().Post(hWnd, message, wParam, lParam);
}
