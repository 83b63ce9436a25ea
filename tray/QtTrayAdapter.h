#pragma once
// The tray component on Qt: the notification area is a QSystemTrayIcon, the menu a
// QMenu, the main window a QWidget. Qt's activations become the component's mouse
// messages; the notification record becomes the icon, tooltip and balloon.

#include "tray/TrayIcon.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <optional>

class QDBusServiceWatcher;
class QMenu;
class QWidget;

class TQtTrayAdapter : public QObject, public INotifyShell, public IInputState {
    Q_OBJECT
public:
    explicit TQtTrayAdapter(QObject* parent = nullptr);
    ~TQtTrayAdapter() override;

    bool NotifyIcon(quint32 message, const TNotifyIconData& data) override;

    std::optional<QPoint> CursorPos() const override;
    quint32 KeyboardShift() const override;
    quint32 DoubleClickTime() const override;

    QSystemTrayIcon& SystemTrayIcon() { return *tray_; }
    bool Added() const { return added_; }
    // A balloon waiting for the tray host; it is dropped when its time runs out.
    bool HasPendingBalloon() const { return pending_.has_value(); }

    // The icon lives in a StatusNotifierItem host (a D-Bus tray), whose activation is one
    // click, rather than in an XEmbed tray, which reports double clicks.
    void UseStatusNotifierProtocol(bool on) { statusNotifier_ = on; }

    // Whether a tray host was there at the last look.
    bool HostAvailable() const { return hostAvailable_; }
    // Looks whether the tray host is there (when the D-Bus tray's watcher comes or goes,
    // and every second for an XEmbed tray); when it has come back, every visible icon is
    // added again and a waiting balloon shown.
    Q_SLOT void CheckTrayHost();
    // How the host is found; tests replace it. The answer is taken at once, silently.
    void SetTrayHostCheck(std::function<bool()> check);
    // What puts a balloon up at the icon (QSystemTrayIcon::showMessage); tests look here.
    using TShowMessage = std::function<void(const QString& title, const QString& text,
                                            QSystemTrayIcon::MessageIcon icon, int timeoutMs)>;
    void SetShowMessage(TShowMessage show) { showMessage_ = std::move(show); }

signals:
    // A tray host appeared (true) or went away (false).
    void trayHostChanged(bool available);

private:
    struct Balloon {
        QString title, text;
        QSystemTrayIcon::MessageIcon icon;
        int timeoutMs;
    };
    void Apply(const TNotifyIconData& data);
    void ShowBalloon(const Balloon& balloon);
    void Send(quint32 lParam);
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    bool DefaultTrayHostCheck() const;
    // Whether a tray host holds the icon now, as the bus last said for a D-Bus tray.
    bool HostNow() const;

    QSystemTrayIcon* tray_;
    std::function<bool()> trayHostAvailable_;
    TShowMessage showMessage_;
    bool statusNotifier_ = false;
    quintptr identity_ = 0;
    bool added_ = false;
    bool hostAvailable_ = false;
    qint64 iconKey_ = -1;
    std::optional<Balloon> pending_;
    QTimer hostWatch_;
    QTimer pendingExpiry_;
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
