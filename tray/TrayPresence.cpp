#include "tray/TrayPresence.h"

TTrayPresence::TTrayPresence(TTrayHosts& hosts, ITimerSource* timers, QObject* parent)
    : QObject(parent), hosts_(hosts), grace_(kBothHostsGraceMs, nullptr, timers), pendingExpiry_(timers) {
    grace_.SetOnTimer([this](TSimpleTimer&) { GraceOver(); });
    pendingExpiry_.SetOnTimer([this](TSimpleTimer& timer) {
        timer.Stop(true);
        pending_.reset();
    });
    connect(&hosts_, &TTrayHosts::statusNotifierHostChanged, this, [this] { Reconsider(); });
    connect(&hosts_, &TTrayHosts::xembedTrayChanged, this, [this] { Reconsider(); });
    connect(&hosts_, &TTrayHosts::iconPlacedChanged, this, [this] { FollowPlacement(); });
    connect(&hosts_, &TTrayHosts::notificationServerChanged, this, [this](bool there) {
        if (there) FlushPending();
    });
}

void TTrayPresence::SetIconWanted(bool wanted) {
    wanted_ = wanted;
    Reconsider();
}

void TTrayPresence::Reconsider() {
    if (made_) {
        FollowPlacement();
        return;
    }
    if (!wanted_) {
        grace_.Stop(true);
        return;
    }
    if (hosts_.StatusNotifierHost()) {
        grace_.Stop(true);
        made_ = true;
        emit makeIcon();
    } else if (hosts_.XEmbedTray()) {
        if (!grace_.Enabled()) grace_.Start();
    } else {
        grace_.Stop(true);
    }
}

void TTrayPresence::GraceOver() {
    grace_.Stop(true);
    if (made_ || !wanted_ || !hosts_.XEmbedTray()) return;
    made_ = true;
    emit makeIcon();
}

void TTrayPresence::IconShown() {
    kind_ = hosts_.FollowIcon();
    hostOfKind_ = HostOfKind();
    FollowPlacement();
}

bool TTrayPresence::HostOfKind() const {
    switch (kind_) {
    case TTrayKind::StatusNotifier: return hosts_.StatusNotifierHost();
    case TTrayKind::XEmbed: return hosts_.XEmbedTray();
    default: return false;
    }
}

void TTrayPresence::FollowPlacement() {
    if (kind_ == TTrayKind::None) return;
    const bool host = HostOfKind();
    const bool returned = host && !hostOfKind_;
    hostOfKind_ = host;
    const bool placed = wanted_ && host && hosts_.IconPlaced();
    if (returned) emit hostReturned();
    if (placed == placed_) return;
    placed_ = placed;
    emit placedChanged(placed);
    if (placed) FlushPending();
}

void TTrayPresence::ShowBalloon(const TBalloon& balloon) {
    if (hosts_.NotificationServer() || placed_) {
        pending_.reset();
        pendingExpiry_.Stop(true);
        if (hosts_.NotificationServer())
            hosts_.Notify(balloon);
        else
            emit balloonAtIcon(balloon);
        return;
    }
    pending_ = balloon;
    pendingExpiry_.SetInterval(quint32(qMax(balloon.timeoutMs, 1)));
    pendingExpiry_.Start();
}

void TTrayPresence::FlushPending() {
    if (!pending_) return;
    const TBalloon balloon = *pending_;
    ShowBalloon(balloon);
}
