#pragma once
// The desktop's trays as the program hears of them, without polling: the
// StatusNotifierItem watcher and its hosts and items, and the notification server, by
// their signals on the program's shared session-bus connection; the XEmbed tray by its
// selection (_NET_SYSTEM_TRAY_S<screen>) over the program's own X connection. Every bus
// call is asynchronous, so a watcher that never answers cannot hang the program.

#include "tray/TrayPresence.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QSet>
#include <QStringList>

class QDBusPendingCall;

class TTrayHostsAdapter : public TTrayHosts, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit TTrayHostsAdapter(QObject* parent = nullptr);
    ~TTrayHostsAdapter() override;

    bool StatusNotifierHost() const override { return sniHost_; }
    bool XEmbedTray() const override { return xembedOwner_ != 0; }
    bool NotificationServer() const override { return notificationServer_; }
    TTrayKind FollowIcon() override;
    bool IconPlaced() const override { return iconPlaced_; }
    void Notify(const TBalloon& balloon) override;

private:
    // --- D-Bus
    Q_SLOT void RefreshWatcher();
    Q_SLOT void OnActionInvoked(uint id, const QString& action);
    void WatcherAnswered(bool host, const QStringList& items);
    void SetNotificationServer(bool there);
    // --- X11
    void WatchXEmbedSelection();
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void SetXEmbedOwner(quint32 owner);
    void ReadXEmbedOwner();
    bool IsOurIconWindow(quint32 window) const;
    // --- the icon
    void UpdatePlaced();

    QDBusConnection bus_;
    bool sniHost_ = false;
    QStringList items_;
    quint64 watcherQueries_ = 0;  // a reply to an older question is stale
    bool notificationServer_ = false;
    bool serverOwnerHeard_ = false;  // the owner's change outranks the first question's answer
    QSet<uint> notifications_;

    void* x11_ = nullptr;  // the xcb connection, or null off X11
    quint32 root_ = 0;
    quint32 trayAtom_ = 0, managerAtom_ = 0;
    quint32 xembedOwner_ = 0;

    TTrayKind kind_ = TTrayKind::None;
    QString itemService_;  // the unique bus name Qt's StatusNotifierItem lives on
    quint32 embeddedWindow_ = 0;  // the XEmbed icon window, while inside a tray
    bool iconPlaced_ = false;
};
