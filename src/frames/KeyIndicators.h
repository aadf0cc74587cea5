// The state of the Caps Lock, Num Lock and Scroll Lock keys, for the status bar's
// indicators.
//
// Qt does not tell the lock states, so they are read from the keyboard LEDs the kernel
// publishes (/sys/class/leds/<device>::capslock/brightness and so on): a lock counts as
// on when any keyboard shows its LED lit. Without readable LEDs (no local keyboard, a
// virtual display) every lock reads as off. Qt-free; any thread.
#pragma once

#include <string>

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeyState&) const = default;
};

LockKeyState ReadLockKeyState(const std::string& ledsDirectory = "/sys/class/leds");
