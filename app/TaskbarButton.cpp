#include "app/TaskbarButton.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

}  // namespace

void SetTaskbarButtonVisible(QWidget* window, bool visible) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // Other platforms (offscreen among them) may answer with no X connection at all.
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
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
