// Helpers for tests of window messages between threads: wait on the GUI thread, and act
// at the moment a queued message is about to be delivered.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTest>

#include <functional>
#include <utility>

namespace testsupport {

// How long a test waits for what must happen before it calls it a hang.
inline constexpr int kPatienceMs = 30000;

// Processes the GUI thread's events until `done` holds; false after a generous timeout.
template <class Predicate> bool PumpUntil(Predicate done) {
    return QTest::qWaitFor(done, kPatienceMs);
}

// Runs `action` once, on the GUI thread, just before the next queued window message is
// delivered: the message is then certainly queued, and its sender waiting for it.
class BeforeNextMessage : public QObject {
public:
    explicit BeforeNextMessage(std::function<void()> action) : m_action(std::move(action)) {
        qApp->installEventFilter(this);
    }
    ~BeforeNextMessage() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent*) override {
        // Window messages go to a plain QObject, the only one in these tests. The event is
        // not read: it was made on the sending thread, and only the platform layer shows
        // the thread sanitizer how it was handed over.
        if (m_action && watched != this && watched->metaObject() == &QObject::staticMetaObject) {
            std::exchange(m_action, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace testsupport
