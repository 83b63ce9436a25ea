#include "tray/QtTrayAdapter.h"

#include "tray/TrayIconHandler.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>

namespace {

QSystemTrayIcon::MessageIcon MessageIconOf(quint32 infoFlags) {
    switch (infoFlags) {
    case 1: return QSystemTrayIcon::Information;
    case 2: return QSystemTrayIcon::Warning;
    case 3: return QSystemTrayIcon::Critical;
    default: return QSystemTrayIcon::NoIcon;
    }
}

const QString kStatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// Qt's own test for a D-Bus tray: a watcher on the session bus that reports a host (the
// panel that draws the icons) registered with it. Only an X11 session has a tray bus to
// ask; elsewhere the bus is not even started for the question.
bool StatusNotifierHostRegistered() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names || !names->isServiceRegistered(kStatusNotifierWatcher).value()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kStatusNotifierWatcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kStatusNotifierWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

}  // namespace

TQtTrayAdapter::TQtTrayAdapter(QObject* parent) : QObject(parent), tray_(new QSystemTrayIcon(this)) {
    // Qt chooses the tray protocol once, when the first tray icon is made: a D-Bus tray
    // when a host is registered with the watcher right now, an XEmbed tray otherwise.
    statusNotifier_ = StatusNotifierHostRegistered();
    connect(tray_, &QSystemTrayIcon::activated, this, &TQtTrayAdapter::OnActivated);
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { Send(kTrayBalloonUserClick); });
    trayHostAvailable_ = [this] { return DefaultTrayHostCheck(); };
    showMessage_ = [this](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                          int timeoutMs) { tray_->showMessage(title, text, icon, timeoutMs); };
    hostAvailable_ = statusNotifier_ || QSystemTrayIcon::isSystemTrayAvailable();  // as asked just now
    connect(&hostWatch_, &QTimer::timeout, this, &TQtTrayAdapter::CheckTrayHost);
    if (statusNotifier_) {
        // The bus says when the watcher comes and goes: nothing to poll.
        auto* watcher = new QDBusServiceWatcher(kStatusNotifierWatcher, QDBusConnection::sessionBus(),
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TQtTrayAdapter::CheckTrayHost);
        // A panel may also come and go while the watcher stays (the watcher says so).
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            QDBusConnection::sessionBus().connect(kStatusNotifierWatcher, QStringLiteral("/StatusNotifierWatcher"),
                                                  kStatusNotifierWatcher, QLatin1String(signal), this,
                                                  SLOT(CheckTrayHost()));
    } else {
        hostWatch_.start(1000);
    }
    pendingExpiry_.setSingleShot(true);
    connect(&pendingExpiry_, &QTimer::timeout, this, [this] { pending_.reset(); });
}

TQtTrayAdapter::~TQtTrayAdapter() = default;

bool TQtTrayAdapter::DefaultTrayHostCheck() const {
    // Qt's own answer for a D-Bus tray makes a bus connection per question; the watcher
    // gives the same answer for one call.
    return statusNotifier_ ? StatusNotifierHostRegistered() : QSystemTrayIcon::isSystemTrayAvailable();
}

bool TQtTrayAdapter::HostNow() const {
    // A D-Bus tray's host is followed by the watcher's signals; asking the bus again would
    // block on it at every change of the tooltip.
    return statusNotifier_ ? hostAvailable_ : trayHostAvailable_();
}

void TQtTrayAdapter::SetTrayHostCheck(std::function<bool()> check) {
    trayHostAvailable_ = std::move(check);
    hostAvailable_ = trayHostAvailable_();
}

bool TQtTrayAdapter::NotifyIcon(quint32 message, const TNotifyIconData& data) {
    switch (message) {
    case NIM_ADD:
        identity_ = data.uID;
        Apply(data);
        // Showing again makes Qt dock the icon anew in an XEmbed host that has just come
        // back; a D-Bus tray icon registers itself again with a new watcher on its own.
        if (!statusNotifier_) tray_->hide();
        tray_->show();
        added_ = true;
        if (pending_ && HostNow()) {
            const Balloon balloon = *pending_;
            ShowBalloon(balloon);
        }
        return HostNow();
    case NIM_MODIFY:
        if (!added_) return false;
        Apply(data);
        return HostNow();  // kept for the host, but not shown without one
    case NIM_DELETE:
        if (!added_) return false;
        tray_->hide();
        added_ = false;
        return true;
    case NIM_SETVERSION:
        return added_;
    default:
        return false;
    }
}

void TQtTrayAdapter::Apply(const TNotifyIconData& data) {
    if (data.hIcon.cacheKey() != iconKey_) {
        iconKey_ = data.hIcon.cacheKey();
        tray_->setIcon(data.hIcon);
    }
    const QString tip = TrayToolTipText(data.szTip);
    if (tray_->toolTip() != tip) tray_->setToolTip(tip);
    if ((data.uFlags & NIF_INFO) && !data.szInfo.isEmpty())
        ShowBalloon({data.szInfoTitle, data.szInfo, MessageIconOf(data.dwInfoFlags), int(data.uTimeout)});
}

void TQtTrayAdapter::ShowBalloon(const Balloon& balloon) {
    // A balloon shown with no tray host would be lost: it waits for the host instead,
    // but no longer than it would have stayed on screen.
    if (!added_ || !HostNow()) {
        pending_ = balloon;
        pendingExpiry_.start(qMax(balloon.timeoutMs, 1));
        return;
    }
    pending_.reset();
    pendingExpiry_.stop();
    showMessage_(balloon.title, balloon.text, balloon.icon, balloon.timeoutMs);
}

void TQtTrayAdapter::CheckTrayHost() {
    const bool available = trayHostAvailable_();
    if (available == hostAvailable_) return;
    hostAvailable_ = available;
    if (available)
        if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->TaskbarCreated();
    emit trayHostChanged(available);
}

void TQtTrayAdapter::Send(quint32 lParam) {
    if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->Dispatch(identity_, lParam);
}

void TQtTrayAdapter::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports a press; the component wants the press and the release. A double
    // click arrives as Trigger then DoubleClick, as the tray sends down, up, double, up.
    // A D-Bus tray's activation is a single Trigger and never a double click: it stands
    // for the whole double click, so it performs the menu's default item.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Send(kTrayLButtonDown);
        Send(kTrayLButtonUp);
        if (statusNotifier_) {
            Send(kTrayLButtonDblClk);
            Send(kTrayLButtonUp);
        }
        break;
    case QSystemTrayIcon::DoubleClick:
        Send(kTrayLButtonDblClk);
        Send(kTrayLButtonUp);
        break;
    case QSystemTrayIcon::Context:
        Send(kTrayRButtonDown);
        Send(kTrayRButtonUp);
        break;
    case QSystemTrayIcon::MiddleClick:
        Send(kTrayMButtonDown);
        Send(kTrayMButtonUp);
        break;
    default:
        break;
    }
}

std::optional<QPoint> TQtTrayAdapter::CursorPos() const { return QCursor::pos(); }

quint32 TQtTrayAdapter::KeyboardShift() const {
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    quint32 shift = 0;
    if (keys & Qt::ShiftModifier) shift |= ssShift;
    if (keys & Qt::AltModifier) shift |= ssAlt;
    if (keys & Qt::ControlModifier) shift |= ssCtrl;
    return shift;
}

quint32 TQtTrayAdapter::DoubleClickTime() const {
    return quint32(qMax(1, QGuiApplication::styleHints()->mouseDoubleClickInterval()));
}

// ---- menu ----

int TQtPopupMenu::ItemCount() const { return int(menu_.actions().size()); }

bool TQtPopupMenu::ItemDefault(int index) const {
    const QList<QAction*> actions = menu_.actions();
    return index >= 0 && index < actions.size() && actions[index] == menu_.defaultAction();
}

void TQtPopupMenu::ClickItem(int index) {
    const QList<QAction*> actions = menu_.actions();
    if (index >= 0 && index < actions.size()) actions[index]->trigger();
}

void TQtPopupMenu::PopupAt(const QPoint& screenPos) { menu_.exec(screenPos); }

// ---- main window ----

bool TQtMainWindowHost::MainFormVisible() const { return form_.isVisible(); }

void TQtMainWindowHost::SetMainFormVisible(bool visible) { form_.setVisible(visible); }

bool TQtMainWindowHost::MainFormMinimized() const { return form_.isMinimized(); }

void TQtMainWindowHost::SetMainFormNormal() { form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized); }

void TQtMainWindowHost::RestoreApplication() {
    if (form_.isMinimized()) form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
}

void TQtMainWindowHost::BringToForeground() {
    form_.raise();
    form_.activateWindow();
}

bool TQtMainWindowHost::Terminating() const { return QCoreApplication::closingDown(); }

void TQtMainWindowHost::ProcessMessages() { QCoreApplication::processEvents(); }
