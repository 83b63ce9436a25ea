#include "app/TaskbarButton.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstring>
#include <vector>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Other platforms (offscreen among them) may answer with no X connection at all.
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

void SetTaskbarButtonVisible(QWidget* window, bool visible) {
    xcb_connection_t* connection = X11Connection();
    if (!connection || !window->isVisible()) return;
    // The window is mapped already, so the state goes to the window manager as a request
    // (Qt itself rewrites the state property whenever it maps the window).
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->winId());
    event.type = Atom(connection, "_NET_WM_STATE");
    event.data.data32[0] = visible ? 0 : 1;  // remove or add the state
    event.data.data32[1] = Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    event.data.data32[3] = 1;  // from an application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

void SetMapsMinimised(QWidget* window, bool minimised) {
    xcb_connection_t* connection = X11Connection();
    const xcb_window_t id = static_cast<xcb_window_t>(window->internalWinId());
    if (!connection || !id) return;
    // WM_HINTS: flags, input, initial state, then six fields kept as they are.
    constexpr uint32_t kStateHint = 1u << 1, kNormalState = 1, kIconicState = 3;
    uint32_t hints[9] = {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
    if (reply && reply->format == 32)
        memcpy(hints, xcb_get_property_value(reply),
               sizeof(uint32_t) * qMin<size_t>(9, size_t(xcb_get_property_value_length(reply)) / 4));
    free(reply);
    hints[0] |= kStateHint;
    hints[2] = minimised ? kIconicState : kNormalState;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                        hints);
    // Qt keeps the states it finds when it maps a window, and not every window manager
    // clears them when the window is withdrawn: a "hidden" left from the last time it was
    // minimised would minimise it again, a "skip taskbar" left from the tray would leave a
    // window minimised to the taskbar without its button.
    const xcb_atom_t state = Atom(connection, "_NET_WM_STATE");
    const xcb_atom_t stale =
        Atom(connection, minimised ? "_NET_WM_STATE_SKIP_TASKBAR" : "_NET_WM_STATE_HIDDEN");
    reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        std::vector<xcb_atom_t> kept;
        for (int i = 0; i < count; ++i)
            if (atoms[i] != stale) kept.push_back(atoms[i]);
        if (int(kept.size()) != count)
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                                uint32_t(kept.size()), kept.data());
    }
    free(reply);
    xcb_flush(connection);
}
