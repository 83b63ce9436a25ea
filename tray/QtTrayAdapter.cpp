#include "tray/QtTrayAdapter.h"

#include "tray/TrayHostsAdapter.h"
#include "tray/TrayIconHandler.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
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

}  // namespace

TQtTrayAdapter::TQtTrayAdapter(std::unique_ptr<TTrayHosts> hosts, QObject* parent, ITimerSource* timers)
    : QObject(parent),
      hosts_(hosts ? std::move(hosts) : std::make_unique<TTrayHostsAdapter>()),
      presence_(*hosts_, timers) {
    showMessage_ = [this](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                          int timeoutMs) {
        if (tray_) tray_->showMessage(title, text, icon, timeoutMs);
    };
    connect(&presence_, &TTrayPresence::makeIcon, this, &TQtTrayAdapter::MakeIcon);
    connect(&presence_, &TTrayPresence::placedChanged, this, &TQtTrayAdapter::trayHostChanged);
    connect(&presence_, &TTrayPresence::hostReturned, this, [] {
        if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->TaskbarCreated();
    });
    connect(&presence_, &TTrayPresence::balloonAtIcon, this, [this](const TBalloon& balloon) {
        showMessage_(balloon.title, balloon.text, MessageIconOf(balloon.infoFlags), balloon.timeoutMs);
    });
    connect(hosts_.get(), &TTrayHosts::notificationClicked, this, [this] { Send(kTrayBalloonUserClick); });
}

TQtTrayAdapter::~TQtTrayAdapter() {
    delete tray_;  // before the menu it may export
    tray_ = nullptr;
}

void TQtTrayAdapter::MakeIcon() {
    // Qt settles here, once for the process, whether this is a StatusNotifierItem or an
    // XEmbed icon, by whether a StatusNotifierItem host is registered right now.
    tray_ = new QSystemTrayIcon(this);
    connect(tray_, &QSystemTrayIcon::activated, this, &TQtTrayAdapter::OnActivated);
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { Send(kTrayBalloonUserClick); });
    tray_->setIcon(icon_);
    tray_->setToolTip(toolTip_);
    if (presence_.IconWanted()) tray_->show();
    presence_.IconShown();
    statusNotifier_ = presence_.Kind() == TTrayKind::StatusNotifier;
    // A StatusNotifierItem host asks for the menu over DBusMenu. The exported menu holds
    // the window's own actions, so items, captions and enabling are the same; the window's
    // menu itself stays a plain one for the map and the XEmbed tray.
    if (statusNotifier_ && menu_) {
        exportedMenu_ = std::make_unique<QMenu>();
        exportedMenu_->addActions(menu_->actions());
        exportedMenu_->setDefaultAction(menu_->defaultAction());
        tray_->setContextMenu(exportedMenu_.get());
    }
}

bool TQtTrayAdapter::NotifyIcon(quint32 message, const TNotifyIconData& data) {
    switch (message) {
    case NIM_ADD:
        identity_ = data.uID;
        Apply(data);
        added_ = true;
        if (tray_) tray_->show();  // Qt docks it again in a tray that comes back
        presence_.SetIconWanted(true);
        return presence_.Placed();
    case NIM_MODIFY:
        if (!added_) return false;
        Apply(data);
        return presence_.Placed();  // kept for the tray, but not shown without one
    case NIM_DELETE:
        if (!added_) return false;
        if (tray_) tray_->hide();
        added_ = false;
        presence_.SetIconWanted(false);
        return true;
    case NIM_SETVERSION: return added_;
    default: return false;
    }
}

void TQtTrayAdapter::Apply(const TNotifyIconData& data) {
    if (data.hIcon.cacheKey() != iconKey_) {
        iconKey_ = data.hIcon.cacheKey();
        icon_ = data.hIcon;
        if (tray_) tray_->setIcon(icon_);
    }
    const QString tip = TrayToolTipText(data.szTip);
    if (toolTip_ != tip) {
        toolTip_ = tip;
        if (tray_) tray_->setToolTip(tip);
    }
    if ((data.uFlags & NIF_INFO) && !data.szInfo.isEmpty())
        presence_.ShowBalloon({data.szInfoTitle, data.szInfo, data.dwInfoFlags, int(data.uTimeout)});
}

void TQtTrayAdapter::Send(quint32 lParam) {
    if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->Dispatch(identity_, lParam);
}

void TQtTrayAdapter::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports a press; the component wants the press and the release. A double
    // click arrives as Trigger then DoubleClick, as the tray sends down, up, double, up.
    // A StatusNotifierItem host's activation is a single Trigger and never a double
    // click, whatever the platform: it stands for the whole double click, so it performs
    // the menu's default item.
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
    default: break;
    }
}

std::optional<QPoint> TQtTrayAdapter::CursorPos() const {
    return QCursor::pos();
}

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

int TQtPopupMenu::ItemCount() const {
    return int(menu_.actions().size());
}

bool TQtPopupMenu::ItemDefault(int index) const {
    const QList<QAction*> actions = menu_.actions();
    return index >= 0 && index < actions.size() && actions[index] == menu_.defaultAction();
}

void TQtPopupMenu::ClickItem(int index) {
    const QList<QAction*> actions = menu_.actions();
    if (index >= 0 && index < actions.size()) actions[index]->trigger();
}

void TQtPopupMenu::PopupAt(const QPoint& screenPos) {
    menu_.exec(screenPos);
}

// ---- main window ----

bool TQtMainWindowHost::MainFormVisible() const {
    return form_.isVisible();
}

void TQtMainWindowHost::SetMainFormVisible(bool visible) {
    form_.setVisible(visible);
}

bool TQtMainWindowHost::MainFormMinimized() const {
    return form_.isMinimized();
}

void TQtMainWindowHost::SetMainFormNormal() {
    form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
}

void TQtMainWindowHost::RestoreApplication() {
    if (form_.isMinimized()) form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
}

void TQtMainWindowHost::BringToForeground() {
    form_.raise();
    form_.activateWindow();
}

bool TQtMainWindowHost::Terminating() const {
    return QCoreApplication::closingDown();
}

void TQtMainWindowHost::ProcessMessages() {
    QCoreApplication::processEvents();
}
