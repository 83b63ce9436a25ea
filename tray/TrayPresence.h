#pragma once
// Where the tray icon can live and whether it is there. The desktop may offer a
// StatusNotifierItem host (a D-Bus tray), an XEmbed tray, both or neither, and a
// notification server. Qt picks its icon's protocol once per process, when the first tray
// icon is made, so the icon is made only once a host is seen; and the window hides into
// the tray only while its icon is really in one.

#include "tray/SimpleTimer.h"

#include <QObject>
#include <QString>

#include <optional>

enum class TTrayKind { None, StatusNotifier, XEmbed };

// A balloon as the component asks for it: infoFlags is its NIIF_ icon (0..3).
struct TBalloon {
    QString title, text;
    quint32 infoFlags = 0;
    int timeoutMs = 0;
};

// What the desktop offers the tray icon, as the program hears of it. Changes arrive as
// signals; nothing here is polled.
class TTrayHosts : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool StatusNotifierHost() const = 0;
    virtual bool XEmbedTray() const = 0;
    virtual bool NotificationServer() const = 0;
    // Asked once, right after the icon was first shown: the kind of icon Qt made. From
    // then on iconPlacedChanged tells whether that icon is in its tray.
    virtual TTrayKind FollowIcon() = 0;
    virtual bool IconPlaced() const = 0;
    // Sends a balloon to the notification server.
    virtual void Notify(const TBalloon& balloon) = 0;

signals:
    void statusNotifierHostChanged(bool there);
    void xembedTrayChanged(bool there);
    void notificationServerChanged(bool there);
    void iconPlacedChanged(bool placed);
    void notificationClicked();
};

class TTrayPresence : public QObject {
    Q_OBJECT
public:
    // A panel that hosts both kinds of icon may take the XEmbed selection a moment before
    // it registers its StatusNotifierItem host; an XEmbed icon made meanwhile would stay
    // one for the whole run.
    static constexpr quint32 kBothHostsGraceMs = 2000;

    // timers: null for the shared timer handler.
    explicit TTrayPresence(TTrayHosts& hosts, ITimerSource* timers = nullptr, QObject* parent = nullptr);

    // The component wants its icon shown (added) or not (deleted).
    void SetIconWanted(bool wanted);
    bool IconWanted() const { return wanted_; }
    // The icon asked for by makeIcon was made and shown: Qt's choice is read now.
    void IconShown();
    bool IconMade() const { return made_; }
    TTrayKind Kind() const { return kind_; }
    // The icon is in its tray: the window may hide into it.
    bool Placed() const { return placed_; }

    // To the notification server when there is one, else at the icon once it is in its
    // tray; it waits for either no longer than it would have stayed up.
    void ShowBalloon(const TBalloon& balloon);
    bool HasPendingBalloon() const { return pending_.has_value(); }

signals:
    // A host is there for the icon: make and show it now. Emitted once.
    void makeIcon();
    void placedChanged(bool placed);
    // The tray the made icon belongs to came back after going away.
    void hostReturned();
    void balloonAtIcon(const TBalloon& balloon);

private:
    void Reconsider();
    void GraceOver();
    bool HostOfKind() const;
    void FollowPlacement();
    void FlushPending();

    TTrayHosts& hosts_;
    bool wanted_ = false;
    bool made_ = false;
    TTrayKind kind_ = TTrayKind::None;
    bool placed_ = false;
    bool hostOfKind_ = false;
    std::optional<TBalloon> pending_;
    TSimpleTimer grace_;
    TSimpleTimer pendingExpiry_;
};
