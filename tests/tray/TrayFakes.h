#pragma once
// Stand-ins for the notification area, the menu, the main window and the mouse,
// shared by the tray tests.

#include "tray/TrayIcon.h"
#include "tray/TrayPresence.h"

#include <QString>

#include <memory>
#include <vector>

struct ShellCall {
    quint32 message;
    TNotifyIconData data;
};

class RecordingShell : public INotifyShell {
public:
    bool NotifyIcon(quint32 message, const TNotifyIconData& data) override {
        calls.push_back({message, data});
        return accept;
    }
    std::vector<ShellCall> calls;
    bool accept = true;
};

class FakeInput : public IInputState {
public:
    std::optional<QPoint> CursorPos() const override { return cursor; }
    quint32 KeyboardShift() const override { return shift; }
    quint32 DoubleClickTime() const override { return doubleClickMs; }
    std::optional<QPoint> cursor = QPoint(1200, 780);
    quint32 shift = 0;
    quint32 doubleClickMs = 500;
};

class FakeMenu : public IPopupMenu {
public:
    explicit FakeMenu(std::vector<bool> defaults) : clicks(defaults.size()), defaults_(std::move(defaults)) {}
    bool AutoPopup() const override { return autoPopup; }
    int ItemCount() const override { return int(defaults_.size()); }
    bool ItemDefault(int index) const override { return defaults_[size_t(index)]; }
    void ClickItem(int index) override {
        ++clicks[size_t(index)];
        if (log) log->push_back(QStringLiteral("item%1").arg(index));
    }
    void PopupAt(const QPoint& pos) override { popups.push_back(pos); }

    bool autoPopup = true;
    std::vector<int> clicks;
    std::vector<QPoint> popups;
    std::vector<QString>* log = nullptr;

private:
    std::vector<bool> defaults_;
};

class FakeHost : public IMainWindowHost {
public:
    bool HasMainForm() const override { return true; }
    bool MainFormVisible() const override { return visible; }
    void SetMainFormVisible(bool v) override { visible = v; }
    bool MainFormMinimized() const override { return minimized; }
    void SetMainFormNormal() override { minimized = false; }
    void RestoreApplication() override { ++restores; }
    void BringToForeground() override { ++foregrounds; }
    void HideApplicationButton() override { buttonVisible = false; }
    bool Terminating() const override { return terminating; }
    void PostNull() override { ++nullPosts; }

    bool visible = true, minimized = false, buttonVisible = true, terminating = false;
    int restores = 0, foregrounds = 0, nullPosts = 0;
};

// The desktop's trays and notification server as a test sets them; each change is told
// by the signal the desktop would send.
class FakeTrayHosts : public TTrayHosts {
public:
    // A desktop whose StatusNotifierItem host takes the icon at once.
    static std::unique_ptr<FakeTrayHosts> WithTray() {
        auto hosts = std::make_unique<FakeTrayHosts>();
        hosts->sni = hosts->placed = true;
        return hosts;
    }
    bool StatusNotifierHost() const override { return sni; }
    bool XEmbedTray() const override { return xembed; }
    bool NotificationServer() const override { return server; }
    TTrayKind FollowIcon() override {
        ++follows;
        return kindMade;
    }
    bool IconPlaced() const override { return placed; }
    void Notify(const TBalloon& balloon) override { notified.push_back(balloon); }

    void SetStatusNotifierHost(bool there) {
        sni = there;
        emit statusNotifierHostChanged(there);
    }
    void SetXEmbedTray(bool there) {
        xembed = there;
        emit xembedTrayChanged(there);
    }
    void SetNotificationServer(bool there) {
        server = there;
        emit notificationServerChanged(there);
    }
    void SetIconPlaced(bool in) {
        placed = in;
        emit iconPlacedChanged(in);
    }
    void ClickNotification() { emit notificationClicked(); }

    bool sni = false, xembed = false, server = false, placed = false;
    TTrayKind kindMade = TTrayKind::StatusNotifier;
    int follows = 0;
    std::vector<TBalloon> notified;
};
