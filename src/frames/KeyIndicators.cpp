#include "frames/KeyIndicators.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <xcb/xcb.h>
// The C header names a structure field "explicit", a keyword of C++. Clang warns about a
// macro that hides a keyword, which is what is meant here.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

namespace {

bool LedLit(const std::filesystem::path& led) {
    std::ifstream in(led / "brightness");
    int brightness = 0;
    return (in >> brightness) && brightness > 0;
}

// The indicator names every XKB keymap uses for the three locks.
constexpr std::array<std::string_view, 3> kIndicatorNames = {"Caps Lock", "Num Lock", "Scroll Lock"};

} // namespace

LockKeyState ReadLockKeyState(const std::string& ledsDirectory) {
    LockKeyState state;
    std::error_code error;
    std::filesystem::directory_iterator it(ledsDirectory, error);
    if (error)
        return state;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        const auto endsWith = [&name](std::string_view suffix) {
            return std::string_view(name).ends_with(suffix);
        };
        if (endsWith("::capslock"))
            state.caps = state.caps || LedLit(entry.path());
        else if (endsWith("::numlock"))
            state.num = state.num || LedLit(entry.path());
        else if (endsWith("::scrolllock"))
            state.scroll = state.scroll || LedLit(entry.path());
    }
    return state;
}

// ---- the X server's indicators ----------------------------------------------------------

XkbLockReader::XkbLockReader(xcb_connection_t* connection) : m_connection(connection) {
    if (!m_connection || xcb_connection_has_error(m_connection))
        return;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_xkb_id);
    if (!extension || !extension->present)
        return;
    // The server answers keyboard-extension requests only once a client has said which
    // version it speaks; saying it again on a connection that did (Qt's does) is harmless.
    xcb_xkb_use_extension_reply_t* version = xcb_xkb_use_extension_reply(
        m_connection, xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr);
    const bool supported = version && version->supported;
    std::free(version);
    if (!supported)
        return;
    // All three names asked for before any answer is awaited: one round trip.
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (size_t i = 0; i < kIndicatorNames.size(); ++i)
        cookies[i] = xcb_intern_atom(m_connection, 1, static_cast<uint16_t>(kIndicatorNames[i].size()),
                                     kIndicatorNames[i].data());
    for (size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(m_connection, cookies[i], nullptr)) {
            m_atoms[i] = atom->atom;
            std::free(atom);
        }
        m_usable = m_usable || m_atoms[i] != XCB_ATOM_NONE;
    }
}

std::optional<LockKeyState> XkbLockReader::Read() const {
    if (!m_usable || xcb_connection_has_error(m_connection))
        return std::nullopt;
    std::array<xcb_xkb_get_named_indicator_cookie_t, 3> cookies{};
    for (size_t i = 0; i < m_atoms.size(); ++i) {
        if (m_atoms[i] != XCB_ATOM_NONE)
            cookies[i] = xcb_xkb_get_named_indicator(m_connection, XCB_XKB_ID_USE_CORE_KBD,
                                                     XCB_XKB_LED_CLASS_DFLT_XI_CLASS, XCB_XKB_ID_DFLT_XI_ID,
                                                     m_atoms[i]);
    }
    std::array<bool, 3> on{};
    bool answered = false;
    for (size_t i = 0; i < m_atoms.size(); ++i) {
        if (m_atoms[i] == XCB_ATOM_NONE)
            continue;
        xcb_generic_error_t* error = nullptr;
        xcb_xkb_get_named_indicator_reply_t* reply =
            xcb_xkb_get_named_indicator_reply(m_connection, cookies[i], &error);
        if (reply) {
            answered = true;
            on[i] = reply->found && reply->on;
        }
        std::free(reply);
        std::free(error);
    }
    if (!answered)
        return std::nullopt;
    return LockKeyState{on[0], on[1], on[2]};
}

// ---- the panes ------------------------------------------------------------------------------

CKeyIndicators::CKeyIndicators(const std::array<QLabel*, 3>& panes, QObject* parent) : QObject(parent) {
    for (size_t i = 0; i < panes.size(); ++i)
        m_panes[i] = panes[i];
#if QT_CONFIG(xcb)
    if (const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        auto reader = std::make_unique<XkbLockReader>(x11->connection());
        if (reader->Usable())
            m_xkb = std::move(reader);
    }
#endif
    if (qApp)
        qApp->installEventFilter(this);
    Update();
}

CKeyIndicators::~CKeyIndicators() {
    if (qApp)
        qApp->removeEventFilter(this);
}

LockKeyState CKeyIndicators::Read() const {
    if (m_xkb) {
        if (const std::optional<LockKeyState> state = m_xkb->Read())
            return *state;
    }
    return ReadLockKeyState();
}

void CKeyIndicators::Update() {
    m_updateQueued = false;
    const LockKeyState state = Read();
    const bool on[] = {state.caps, state.num, state.scroll};
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i])
            m_panes[i]->setEnabled(on[i]);
    }
}

void CKeyIndicators::QueueUpdate() {
    if (m_updateQueued)
        return;
    m_updateQueued = true;
    // A key event reaches the filter once for every widget it is offered to: read once, after.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_updateQueued)
                Update();
        },
        Qt::QueuedConnection);
}

bool CKeyIndicators::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::WindowActivate:
    case QEvent::ApplicationStateChange:
        QueueUpdate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
