#pragma once
// The tray component on Qt: the notification area is a QSystemTrayIcon, the menu a
// QMenu, the main window a QWidget. Qt's activations become the component's mouse
// messages; the notification record becomes the icon, tooltip and balloon.

#include "tray/TrayIcon.h"
#include "tray/TrayPresence.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QWidget;

class TQtTrayAdapter : public QObject, public INotifyShell, public IInputState {
    Q_OBJECT
public:
    // hosts: what the desktop offers the icon (null: the desktop's own, over D-Bus and
    // X11); timers: null for the shared timer handler.
    explicit TQtTrayAdapter(std::unique_ptr<TTrayHosts> hosts = nullptr, QObject* parent = nullptr,
                            ITimerSource* timers = nullptr);
    ~TQtTrayAdapter() override;

    bool NotifyIcon(quint32 message, const TNotifyIconData& data) override;

    std::optional<QPoint> CursorPos() const override;
    quint32 KeyboardShift() const override;
    quint32 DoubleClickTime() const override;

    // The menu a StatusNotifierItem host shows (over DBusMenu) with the same actions; an
    // XEmbed tray's menu is opened by the component itself.
    void SetContextMenu(QMenu* menu) { menu_ = menu; }

    // Null until a tray host has been seen: Qt settles the icon's protocol when it is made.
    QSystemTrayIcon* SystemTrayIcon() const { return tray_; }
    // The icon is in its tray, so the window may hide into it.
    bool HostAvailable() const { return presence_.Placed(); }
    // A balloon waiting for a tray or a notification server; dropped when its time runs out.
    bool HasPendingBalloon() const { return presence_.HasPendingBalloon(); }

    // What puts a balloon up at the icon (QSystemTrayIcon::showMessage); tests look here.
    using TShowMessage = std::function<void(const QString& title, const QString& text,
                                            QSystemTrayIcon::MessageIcon icon, int timeoutMs)>;
    void SetShowMessage(TShowMessage show) { showMessage_ = std::move(show); }

signals:
    // The icon went into a tray (true) or out of it (false).
    void trayHostChanged(bool available);

private:
    void MakeIcon();
    void Apply(const TNotifyIconData& data);
    void Send(quint32 lParam);
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    std::unique_ptr<TTrayHosts> hosts_;
    TTrayPresence presence_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
    std::unique_ptr<QMenu> exportedMenu_;
    TShowMessage showMessage_;
    bool statusNotifier_ = false;
    quintptr identity_ = 0;
    bool added_ = false;
    QIcon icon_;
    QString toolTip_;
    qint64 iconKey_ = -1;
};

// A QMenu as the component's popup menu; the menu's default action is its Default item.
class TQtPopupMenu : public IPopupMenu {
public:
    explicit TQtPopupMenu(QMenu& menu) : menu_(menu) {}
    bool AutoPopup() const override { return autoPopup; }
    int ItemCount() const override;
    bool ItemDefault(int index) const override;
    void ClickItem(int index) override;
    void PopupAt(const QPoint& screenPos) override;
    bool autoPopup = true;

private:
    QMenu& menu_;
};

// The main window as the component's host. Qt keeps no taskbar button apart from
// the window, so hiding the window hides its button too.
class TQtMainWindowHost : public IMainWindowHost {
public:
    explicit TQtMainWindowHost(QWidget& mainForm) : form_(mainForm) {}
    bool HasMainForm() const override { return true; }
    bool MainFormVisible() const override;
    void SetMainFormVisible(bool visible) override;
    bool MainFormMinimized() const override;
    void SetMainFormNormal() override;
    void RestoreApplication() override;
    void BringToForeground() override;
    void HideApplicationButton() override {}
    bool Terminating() const override;
    void ProcessMessages() override;

private:
    QWidget& form_;
};
