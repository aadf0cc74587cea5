// The status bar's CAP and NUM panes against a real X server: lock keys pressed on the
// server (through its test extension, as a keyboard would press them) light the panes.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include "frames/KeyIndicators.h"
#include "support/AppHarness.h"

namespace {

constexpr xcb_keysym_t kCapsLock = 0xffe5;
constexpr xcb_keysym_t kNumLock = 0xff7f;

xcb_connection_t* QtConnection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The key that carries `keysym` in the server's keyboard map, 0 when none does.
xcb_keycode_t KeyCodeOf(xcb_connection_t* connection, xcb_keysym_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<uint8_t>(count)),
        nullptr);
    if (!map)
        return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(map);
    xcb_keycode_t found = 0;
    for (int key = 0; key < count && found == 0; ++key) {
        for (int column = 0; column < map->keysyms_per_keycode; ++column) {
            if (keysyms[key * map->keysyms_per_keycode + column] == keysym) {
                found = static_cast<xcb_keycode_t>(setup->min_keycode + key);
                break;
            }
        }
    }
    std::free(map);
    return found;
}

// Presses and releases a key on the server, then waits until the server has handled it.
void PressOnServer(xcb_connection_t* connection, xcb_keycode_t key) {
    xcb_test_fake_input(connection, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

QLabel* Pane(CMainFrame& frame, const char* text) {
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
        if (label->text() == QLatin1String(text))
            return label;
    }
    return nullptr;
}

} // namespace

TEST(KeyIndicatorsX11, LockKeysPressedOnTheServerLightTheirPanes) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (the xcb platform)";
    xcb_connection_t* connection = QtConnection();
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(xcb_get_extension_data(connection, &xcb_test_id)->present);
    const xcb_keycode_t caps = KeyCodeOf(connection, kCapsLock);
    const xcb_keycode_t num = KeyCodeOf(connection, kNumLock);
    ASSERT_NE(caps, 0);
    ASSERT_NE(num, 0);
    const XkbLockReader server(connection);
    ASSERT_TRUE(server.Usable());
    const LockKeyState before = server.Read().value_or(LockKeyState{});

    AppHarness harness;
    ASSERT_TRUE(harness.Start());
    CMainFrame& frame = harness.Frame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QLabel* capsPane = Pane(frame, "CAP");
    QLabel* numPane = Pane(frame, "NUM");
    QLabel* scrollPane = Pane(frame, "SCRL");
    ASSERT_TRUE(capsPane && numPane && scrollPane);
    EXPECT_EQ(capsPane->isEnabled(), before.caps);
    EXPECT_EQ(numPane->isEnabled(), before.num);

    // Each press toggles its lock on the server; the key events that reach the window
    // make the panes read it again.
    PressOnServer(connection, caps);
    EXPECT_EQ(server.Read().value_or(before).caps, !before.caps);
    EXPECT_TRUE(QTest::qWaitFor([&] { return capsPane->isEnabled() == !before.caps; }, kWaitMs));
    EXPECT_EQ(numPane->isEnabled(), before.num);
    PressOnServer(connection, num);
    EXPECT_TRUE(QTest::qWaitFor([&] { return numPane->isEnabled() == !before.num; }, kWaitMs));
    EXPECT_EQ(capsPane->isEnabled(), !before.caps);
    EXPECT_FALSE(scrollPane->isEnabled());

    // Pressed again, both go back to what they were (and the server is left as found).
    PressOnServer(connection, caps);
    PressOnServer(connection, num);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return capsPane->isEnabled() == before.caps && numPane->isEnabled() == before.num; }, kWaitMs));
    EXPECT_EQ(server.Read().value_or(LockKeyState{}), before);
}
