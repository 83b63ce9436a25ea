#include "tray/QtTrayAdapter.h"

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

TQtTrayAdapter::TQtTrayAdapter(QObject* parent) : QObject(parent), tray_(new QSystemTrayIcon(this)) {
    connect(tray_, &QSystemTrayIcon::activated, this, &TQtTrayAdapter::OnActivated);
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { Send(kTrayBalloonUserClick); });
    hostAvailable_ = TrayHostAvailable();
    hostWatch_.setInterval(1000);
    connect(&hostWatch_, &QTimer::timeout, this, &TQtTrayAdapter::CheckTrayHost);
    hostWatch_.start();
    pendingExpiry_.setSingleShot(true);
    connect(&pendingExpiry_, &QTimer::timeout, this, [this] { pending_.reset(); });
}

TQtTrayAdapter::~TQtTrayAdapter() = default;

bool TQtTrayAdapter::NotifyIcon(quint32 message, const TNotifyIconData& data) {
    switch (message) {
    case NIM_ADD:
        identity_ = data.uID;
        Apply(data);
        // Showing again makes Qt dock the icon anew with a host that has just come back.
        tray_->hide();
        tray_->show();
        added_ = true;
        if (pending_ && TrayHostAvailable()) {
            const Balloon balloon = *pending_;
            ShowBalloon(balloon);
        }
        return TrayHostAvailable();
    case NIM_MODIFY:
        if (!added_) return false;
        Apply(data);
        return TrayHostAvailable();  // kept for the host, but not shown without one
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
    if (!added_ || !TrayHostAvailable()) {
        pending_ = balloon;
        pendingExpiry_.start(qMax(balloon.timeoutMs, 1));
        return;
    }
    pending_.reset();
    pendingExpiry_.stop();
    tray_->showMessage(balloon.title, balloon.text, balloon.icon, balloon.timeoutMs);
}

void TQtTrayAdapter::CheckTrayHost() {
    const bool available = TrayHostAvailable();
    const bool cameBack = available && !hostAvailable_;
    hostAvailable_ = available;
    if (cameBack)
        if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->TaskbarCreated();
}

void TQtTrayAdapter::Send(quint32 lParam) {
    if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->Dispatch(identity_, lParam);
}

void TQtTrayAdapter::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // Qt reports a press; the component wants the press and the release. A double
    // click arrives as Trigger then DoubleClick, as the tray sends down, up, double, up.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Send(kTrayLButtonDown);
        Send(kTrayLButtonUp);
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
