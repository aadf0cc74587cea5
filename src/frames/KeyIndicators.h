// The state of the Caps Lock, Num Lock and Scroll Lock keys, and the status bar's CAP,
// NUM and SCRL panes that show it.
//
// On X11 the state is the X server's own: its keyboard extension keeps the indicators
// "Caps Lock", "Num Lock" and "Scroll Lock" for every client, whatever keyboard is attached
// (a virtual display has none) and whichever client the keys were pressed in. Elsewhere
// (offscreen, Wayland, a server without the extension) it comes from the keyboard LEDs the
// kernel publishes (/sys/class/leds/<device>::capslock/brightness and so on): a lock counts
// as on when any keyboard shows its LED lit, and every lock reads as off without them.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <string>

class QLabel;
struct xcb_connection_t;

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeyState&) const = default;
};

// The keyboard LEDs under `ledsDirectory`. Any thread.
LockKeyState ReadLockKeyState(const std::string& ledsDirectory = "/sys/class/leds");

// Reads the lock indicators of an X server through its keyboard extension, on a connection
// the caller keeps open while the reader is used (the application's own). One round trip a
// read. The thread that owns the connection's use calls it (the GUI thread for Qt's).
class XkbLockReader {
public:
    explicit XkbLockReader(xcb_connection_t* connection);
    // Whether the server has the extension and names at least one of the three indicators.
    bool Usable() const { return m_usable; }
    // The state now; nothing when the reader is not usable or the server did not answer.
    std::optional<LockKeyState> Read() const;

private:
    xcb_connection_t* m_connection;
    std::array<uint32_t, 3> m_atoms{}; // "Caps Lock", "Num Lock", "Scroll Lock"; 0: unknown
    bool m_usable = false;
};

// Keeps the three indicator panes enabled (lit) exactly while their lock is on. The state is
// read when the application becomes active, when one of its windows is activated, and after
// key presses and releases anywhere in it, at most once per turn of the event loop.
//
// Ownership: a child of the main frame; the panes belong to its status bar. GUI thread only.
class CKeyIndicators : public QObject {
    Q_OBJECT

public:
    // `panes`: CAP, NUM and SCRL. Reads the state once at once.
    CKeyIndicators(const std::array<QLabel*, 3>& panes, QObject* parent);
    ~CKeyIndicators() override;

    // The state as the display tells it: the X server's when the reader is usable and
    // answers, else the LEDs.
    LockKeyState Read() const;
    // Reads the state and shows it now.
    void Update();
    // Whether the X server's state is used.
    bool ReadsFromXServer() const { return m_xkb != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void QueueUpdate();

    std::array<QPointer<QLabel>, 3> m_panes;
    std::unique_ptr<XkbLockReader> m_xkb;
    bool m_updateQueued = false;
};
