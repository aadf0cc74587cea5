// The GUI thread's side of a benchmark that drives the whole program: waiting for it as
// its own event loop would, and how long it goes without turning that loop. Header only:
// the support library itself needs no Qt.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <functional>

// The longest time the GUI thread goes without turning its event loop, between Start and
// Stop. It ticks every 5 ms rather than on every idle turn: a zero-interval timer
// would keep the GUI thread spinning while it waits for the reader, taking a core the
// reader and Qt's painting threads need on a small machine.
class StallMeter {
public:
    StallMeter() {
        m_ticker.setInterval(5);
        m_ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticker, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_since.restart()); });
    }
    void Start() {
        m_longest = 0;
        m_since.start();
        m_ticker.start();
    }
    double StopMs() {
        m_ticker.stop();
        return static_cast<double>(m_longest);
    }

private:
    QTimer m_ticker;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Turns the event loop as the program's own would, sleeping while nothing happens, until
// `done` holds. (processEvents with a time limit never sleeps: it would keep this thread
// spinning and take a core from the reader.) The guard timer wakes the loop now and then
// in case `done` changes without an event.
inline void WaitUntil(const std::function<bool()>& done) {
    QTimer guard;
    guard.start(20);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
