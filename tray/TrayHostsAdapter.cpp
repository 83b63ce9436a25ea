#include "tray/TrayHostsAdapter.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kBusTimeoutMs = 5000;

xcb_connection_t* Xcb(void* connection) {
    return static_cast<xcb_connection_t*>(connection);
}

xcb_atom_t Atom(xcb_connection_t* connection, const QByteArray& name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// Adds events to what this client hears of a window, keeping what it heard already.
void ListenTo(xcb_connection_t* connection, xcb_window_t window, uint32_t events) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes) return;  // the window is gone
    const uint32_t mask = attributes->your_event_mask | events;
    free(attributes);
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

QString NotificationIcon(quint32 infoFlags) {
    switch (infoFlags) {
    case 1: return QStringLiteral("dialog-information");
    case 2: return QStringLiteral("dialog-warning");
    case 3: return QStringLiteral("dialog-error");
    default: return {};
    }
}

}  // namespace

TTrayHostsAdapter::TTrayHostsAdapter(QObject* parent)
    : TTrayHosts(parent), bus_(QDBusConnection::sessionBus()) {
    if (bus_.isConnected()) {
        auto* watcher =
            new QDBusServiceWatcher(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    if (owner.isEmpty()) {
                        ++watcherQueries_;  // whatever it still answers is of no use now
                        WatcherAnswered(false, {});
                    } else {
                        RefreshWatcher();
                    }
                });
        // Hosts and items come and go while the watcher stays; it says so.
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus_.connect(kWatcher, kWatcherPath, kWatcher, QLatin1String(signal), this,
                         SLOT(RefreshWatcher()));
        for (const char* signal : {"StatusNotifierItemRegistered", "StatusNotifierItemUnregistered"})
            bus_.connect(kWatcher, kWatcherPath, kWatcher, QLatin1String(signal), QStringLiteral("s"), this,
                         SLOT(RefreshWatcher()));
        RefreshWatcher();

        auto* server =
            new QDBusServiceWatcher(kNotifications, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(server, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& owner) {
                    serverOwnerHeard_ = true;
                    SetNotificationServer(!owner.isEmpty());
                });
        QDBusMessage hasOwner = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
        hasOwner << kNotifications;
        auto* asked = new QDBusPendingCallWatcher(bus_.asyncCall(hasOwner, kBusTimeoutMs), this);
        connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusPendingReply<bool> reply = *call;
            if (!serverOwnerHeard_ && !reply.isError()) SetNotificationServer(reply.value());
        });
        bus_.connect(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("ActionInvoked"),
                     this, SLOT(OnActionInvoked(uint, QString)));
    }
    WatchXEmbedSelection();
}

TTrayHostsAdapter::~TTrayHostsAdapter() {
    if (x11_) QCoreApplication::instance()->removeNativeEventFilter(this);
}

// ---- the StatusNotifierItem watcher ----

void TTrayHostsAdapter::RefreshWatcher() {
    const quint64 query = ++watcherQueries_;
    QDBusMessage getAll = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    getAll << kWatcher;
    auto* asked = new QDBusPendingCallWatcher(bus_.asyncCall(getAll, kBusTimeoutMs), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, query](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (query != watcherQueries_) return;
        const QDBusPendingReply<QVariantMap> reply = *call;
        if (reply.isError()) {
            WatcherAnswered(false, {});
            return;
        }
        const QVariantMap properties = reply.value();
        WatcherAnswered(properties.value(QStringLiteral("IsStatusNotifierHostRegistered")).toBool(),
                        properties.value(QStringLiteral("RegisteredStatusNotifierItems")).toStringList());
    });
}

void TTrayHostsAdapter::WatcherAnswered(bool host, const QStringList& items) {
    items_ = items;
    const bool hostChanged = host != sniHost_;
    sniHost_ = host;
    if (hostChanged) emit statusNotifierHostChanged(host);
    UpdatePlaced();
}

// ---- the notification server ----

void TTrayHostsAdapter::SetNotificationServer(bool there) {
    if (there == notificationServer_) return;
    notificationServer_ = there;
    emit notificationServerChanged(there);
}

void TTrayHostsAdapter::Notify(const TBalloon& balloon) {
    QDBusMessage notify = QDBusMessage::createMethodCall(kNotifications, kNotificationsPath, kNotifications,
                                                         QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(balloon.infoFlags == 3 ? 2 : 1)));
    hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    notify << QCoreApplication::applicationName() << uint(0) << NotificationIcon(balloon.infoFlags)
           << balloon.title << balloon.text << QStringList() << hints << balloon.timeoutMs;
    auto* sent = new QDBusPendingCallWatcher(bus_.asyncCall(notify, kBusTimeoutMs), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) return;
        // A click is told for the notifications of the last while only.
        if (notifications_.size() > 32) notifications_.clear();
        notifications_.insert(reply.value());
    });
}

void TTrayHostsAdapter::OnActionInvoked(uint id, const QString&) {
    if (notifications_.contains(id)) emit notificationClicked();
}

// ---- the XEmbed tray ----

void TTrayHostsAdapter::WatchXEmbedSelection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    x11_ = connection;
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        free(host);
    else
        screen = 0;
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem > 1; ++i) xcb_screen_next(&roots);
    root_ = roots.data->root;
    trayAtom_ = Atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    managerAtom_ = Atom(connection, "MANAGER");
    // A tray that takes the selection says so to the root window (MANAGER).
    ListenTo(connection, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    QCoreApplication::instance()->installNativeEventFilter(this);
    ReadXEmbedOwner();
}

void TTrayHostsAdapter::ReadXEmbedOwner() {
    xcb_connection_t* connection = Xcb(x11_);
    // Held still while the owner is read and listened to, so its end cannot slip between.
    xcb_grab_server(connection);
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, trayAtom_), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    free(reply);
    if (owner != XCB_NONE) ListenTo(connection, owner, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    SetXEmbedOwner(owner);
}

void TTrayHostsAdapter::SetXEmbedOwner(quint32 owner) {
    const bool changed = (owner != 0) != (xembedOwner_ != 0);
    xembedOwner_ = owner;
    if (changed) emit xembedTrayChanged(owner != 0);
}

bool TTrayHostsAdapter::IsOurIconWindow(quint32 window) const {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [window](const QWidget* widget) {
        return widget->objectName() == QLatin1String("QSystemTrayIconSys") &&
               widget->internalWinId() == window;
    });
}

bool TTrayHostsAdapter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // What follows runs a turn later, once Qt itself has handled the event.
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (client->type == managerAtom_ && client->format == 32 && client->data.data32[1] == trayAtom_)
            QTimer::singleShot(0, this, [this] { ReadXEmbedOwner(); });
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const xcb_window_t window = reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
        QTimer::singleShot(0, this, [this, window] {
            if (window == xembedOwner_) ReadXEmbedOwner();
            if (window == embeddedWindow_) {
                embeddedWindow_ = 0;
                UpdatePlaced();
            }
        });
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* reparent = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        const xcb_window_t window = reparent->window, parent = reparent->parent;
        QTimer::singleShot(0, this, [this, window, parent] {
            if (kind_ != TTrayKind::XEmbed) return;
            if (parent != root_ && IsOurIconWindow(window))
                embeddedWindow_ = window;  // a tray took it in
            else if (window == embeddedWindow_)
                embeddedWindow_ = 0;  // back on the root: its tray let it go
            UpdatePlaced();
        });
        break;
    }
    default: break;
    }
    return false;
}

// ---- the icon Qt made ----

TTrayKind TTrayHostsAdapter::FollowIcon() {
    // Qt's StatusNotifierItem lives on a bus connection of its own, named after the
    // process and the count of such icons made in it.
    const qint64 pid = QCoreApplication::applicationPid();
    for (int n = 1; n <= 16 && kind_ == TTrayKind::None; ++n) {
        const QDBusConnection qtTray(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(pid).arg(n));
        if (!qtTray.isConnected()) continue;
        itemService_ = qtTray.baseService();
        kind_ = TTrayKind::StatusNotifier;
    }
    if (kind_ == TTrayKind::None && x11_) kind_ = TTrayKind::XEmbed;
    UpdatePlaced();
    return kind_;
}

void TTrayHostsAdapter::UpdatePlaced() {
    bool placed = false;
    if (kind_ == TTrayKind::StatusNotifier) {
        // The watcher lists an item as "<bus name>/<path>" (or the bus name alone).
        placed = std::any_of(items_.begin(), items_.end(), [this](const QString& item) {
            return item.section(QLatin1Char('/'), 0, 0) == itemService_;
        });
    } else if (kind_ == TTrayKind::XEmbed) {
        placed = embeddedWindow_ != 0;
    }
    if (placed == iconPlaced_) return;
    iconPlaced_ = placed;
    emit iconPlacedChanged(placed);
}
