#include "tray/TrayIcon.h"

#include "platform/CodePage.h"
#include "tray/TrayIconHandler.h"

namespace {

constexpr quint32 kDefaultFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

int Utf8Length(char32_t codePoint) {
    if (codePoint < 0x80) return 1;
    if (codePoint < 0x800) return 2;
    if (codePoint < 0x10000) return 3;
    return 4;
}

}  // namespace

namespace {

// The bytes of the character (or surrogate pair) at i in the 8-bit form, and how many
// code units it takes; {0, 0} at a zero character, where the 8-bit text ends.
std::pair<int, qsizetype> AnsiCharAt(const QString& text, qsizetype i) {
    const QChar c = text[i];
    if (c.isNull()) return {0, 0};
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) return {4, 2};
    return {FitsAnsi(QString(c)) ? 1 : Utf8Length(c.unicode()), 1};
}

}  // namespace

QString AnsiPrefix(const QString& text, int maxBytes) {
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const auto [size, units] = AnsiCharAt(text, i);
        if (units == 0 || bytes + size > maxBytes) break;
        bytes += size;
        i += units;
    }
    return text.left(i);
}

int AnsiLength(const QString& text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        const auto [size, units] = AnsiCharAt(text, i);
        if (units == 0) break;
        bytes += size;
        i += units;
    }
    return bytes;
}

QString TrayToolTipText(const QString& tip) {
    QString shown = tip;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

TTrayIcon::TTrayIcon(INotifyShell& shell, IInputState& input, IMainWindowHost* host, ITimerSource* timers)
    : shell_(shell),
      input_(input),
      host_(host),
      cycleTimer_(timers),
      clickTimer_(timers),
      exitPollTimer_(20, nullptr, timers) {
    data_.uID = TTrayIconHandler::Acquire().Register(*this);
    data_.uFlags = kDefaultFlags;
    data_.uCallbackMessage = kTrayCallbackMessage;
    cycleTimer_.SetOnTimer([this](TSimpleTimer&) { CycleTimerProc(); });
    clickTimer_.SetOnTimer([this](TSimpleTimer&) { ClickTimerProc(); });
    exitPollTimer_.SetOnTimer([this](TSimpleTimer&) { ExitPollTimerProc(); });
}

TTrayIcon::~TTrayIcon() {
    *alive_ = false;
    RemoveTrayIcon();
    QObject::disconnect(iconListGone_);
    if (TTrayIconHandler* handler = TTrayIconHandler::Instance()) handler->Unregister(data_.uID);
    TTrayIconHandler::Release();
}

// ---- properties ----

void TTrayIcon::SetIconList(TImageList* list) {
    QObject::disconnect(iconListGone_);
    iconList_ = list;
    if (list) iconListGone_ = QObject::connect(list, &QObject::destroyed, [this] { SetIconList(nullptr); });
    SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool cycle) {
    cycleIcons_ = cycle;
    if (cycle) {
        SetIconIndex(0);
        cycleTimer_.SetInterval(cycleInterval_);
        cycleTimer_.Start();
    } else {
        cycleTimer_.Stop(true);
    }
}

void TTrayIcon::SetCycleInterval(quint32 ms) {
    if (ms == cycleInterval_) return;
    cycleInterval_ = ms;
    SetCycleIcons(cycleIcons_);
}

void TTrayIcon::SetHint(const QString& hint) {
    hint_ = hint;
    UpdateTrayIcon();
}

void TTrayIcon::SetShowHint(bool show) {
    showHint_ = show;
    UpdateTrayIcon();
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    UpdateTrayIcon();
}

void TTrayIcon::SetIconVisible(bool visible) {
    if (visible)
        AddTrayIcon();
    else
        RemoveTrayIcon();
}

void TTrayIcon::SetIconIndex(int index) {
    if (iconList_ && iconList_->Count() > 0) {
        // A negative index would name no image; it is held at the first.
        iconIndex_ = qBound(0, index, iconList_->Count() - 1);
        icon_ = iconList_->GetIcon(iconIndex_);
    } else {
        iconIndex_ = 0;
    }
    UpdateTrayIcon();
}

void TTrayIcon::SetWantEnterExitEvents(bool want) {
    wantEnterExit_ = want;
    exitPollTimer_.SetEnabled(want);
}

// ---- the notification record ----

void TTrayIcon::FillNotifyData() {
    data_.hIcon = icon_;
    data_.szTip = (!hint_.isEmpty() && showHint_) ? AnsiPrefix(hint_, kTipBytes) : QString();
}

bool TTrayIcon::Notify(quint32 message) {
    return shell_.NotifyIcon(message, data_);
}

bool TTrayIcon::AddTrayIcon() {
    iconVisible_ = true;
    FillNotifyData();
    return Notify(NIM_ADD);
}

bool TTrayIcon::RemoveTrayIcon() {
    iconVisible_ = false;
    FillNotifyData();
    return Notify(NIM_DELETE);
}

bool TTrayIcon::UpdateTrayIcon() {
    // Sent also while the icon is absent; the shell then refuses and nothing follows.
    FillNotifyData();
    return Notify(NIM_MODIFY);
}

bool TTrayIcon::DisplayBalloonHint(const QString& title, const QString& text, TBalloonHintIcon iconKind,
                                   int timeoutSeconds) {
    ClearBalloonHint();
    data_.uFlags |= NIF_INFO;
    data_.szInfo = AnsiPrefix(text, kInfoBytes);
    data_.szInfoTitle = AnsiPrefix(title, kInfoTitleBytes);
    data_.uTimeout = quint32(qBound(0, timeoutSeconds, 255)) * 1000;
    data_.dwInfoFlags = quint32(iconKind);
    const bool shown = UpdateTrayIcon();
    data_.uFlags = kDefaultFlags;
    return shown;
}

void TTrayIcon::ClearBalloonHint() {
    data_.uFlags |= NIF_INFO;
    data_.szInfo.clear();
    UpdateTrayIcon();
}

// ---- the main window ----

void TTrayIcon::HideMainWindow() {
    if (!host_ || !host_->HasMainForm()) return;
    host_->SetMainFormVisible(false);
    HideApplicationButton();
}

void TTrayIcon::HideApplicationButton() {
    if (host_) host_->HideApplicationButton();
}

void TTrayIcon::RestoreMainWindow() {
    if (!host_ || !host_->HasMainForm()) return;
    host_->RestoreApplication();
    if (host_->MainFormMinimized()) host_->SetMainFormNormal();
    host_->SetMainFormVisible(true);
    host_->BringToForeground();
}

void TTrayIcon::SendToTray() {
    HideMainWindow();
    SetIconVisible(true);
}

void TTrayIcon::OpenMenuAtCursor() {
    const std::optional<QPoint> pos = input_.CursorPos();
    if (!pos || !popupMenu_) return;
    if (host_) host_->ProcessMessages();
    const std::shared_ptr<bool> alive = alive_;
    popupMenu_->PopupAt(*pos);
    if (*alive && host_) host_->PostNull();
}

bool TTrayIcon::Loaded() {
    bool showMainForm = true;
    if (host_) {
        if (OnStartup) OnStartup(*this, showMainForm);
        if (!showMainForm) HideMainWindow();
    }
    UpdateTrayIcon();
    SetIconVisible(iconVisible_);
    SetCycleIcons(cycleIcons_);
    SetWantEnterExitEvents(wantEnterExit_);
    data_.uTimeout = notifyStyle_ == 1 ? 3 : 0;
    Notify(NIM_SETVERSION);
    return showMainForm;
}

// ---- messages ----

QPoint TTrayIcon::Cursor() const {
    return input_.CursorPos().value_or(QPoint());
}

void TTrayIcon::HandleTrayMessage(quint32 lParam) {
    switch (lParam) {
    case kTrayBalloonShow:
        if (OnBalloonHintShow) OnBalloonHintShow(*this);
        return;
    case kTrayBalloonHide:
        if (OnBalloonHintHide) OnBalloonHintHide(*this);
        return;
    case kTrayBalloonTimeout:
        if (OnBalloonHintTimeout) OnBalloonHintTimeout(*this);
        return;
    case kTrayBalloonUserClick:
        if (OnBalloonHintClick) OnBalloonHintClick(*this);
        return;
    default: break;
    }
    if (!enabled_) return;

    const TShiftState keys = input_.KeyboardShift() & (ssShift | ssAlt | ssCtrl);
    const QPoint at = Cursor();
    switch (lParam) {
    case kTrayMouseMove:
        if (wantEnterExit_ && mouseOutside_) {
            DoMouseEnter();
            mouseOutside_ = false;
        }
        DoMouseMove(keys, at.x(), at.y());
        lastMove_ = at;
        break;
    case kTrayLButtonDown:
        if (OnDblClick) {
            clickTimer_.SetInterval(input_.DoubleClickTime());
            clickTimer_.Start();
        }
        DoMouseDown(mbLeft, keys | ssLeft, at.x(), at.y());
        leftButtonDown_ = true;
        if (leftPopup_ && popupMenu_ && popupMenu_->AutoPopup()) OpenMenuAtCursor();
        break;
    case kTrayLButtonUp:
        if (leftButtonDown_) {
            clickPending_ = true;
            if (!clickTimer_.Enabled()) {
                leftButtonDown_ = false;
                clickPending_ = false;
                DoClick();
            }
        }
        leftButtonDown_ = false;
        DoMouseUp(mbLeft, keys | ssLeft, at.x(), at.y());
        break;
    case kTrayLButtonDblClk:
        clickPending_ = false;
        dblClickSeen_ = true;
        DoDblClick();
        if (popupMenu_ && popupMenu_->AutoPopup() && !leftPopup_) ClickDefaultItem();
        break;
    case kTrayRButtonDown:
        DoMouseDown(mbRight, keys | ssRight, at.x(), at.y());
        if (popupMenu_ && popupMenu_->AutoPopup()) OpenMenuAtCursor();
        break;
    case kTrayRButtonUp:
        if (notifyStyle_ == 0) DoMouseUp(mbRight, keys | ssRight, at.x(), at.y());
        break;
    case kTrayContextMenu:
    case kTraySelect:
    case kTrayKeySelect:
        if (notifyStyle_ == 1) DoMouseUp(mbRight, keys | ssRight, at.x(), at.y());
        break;
    case kTrayMButtonDown: DoMouseDown(mbMiddle, keys | ssMiddle, at.x(), at.y()); break;
    case kTrayMButtonUp: DoMouseUp(mbMiddle, keys | ssMiddle, at.x(), at.y()); break;
    default: break;
    }
}

void TTrayIcon::ClickDefaultItem() {
    for (int i = 0; i < popupMenu_->ItemCount(); ++i) {
        if (popupMenu_->ItemDefault(i)) {
            popupMenu_->ClickItem(i);
            return;
        }
    }
}

void TTrayIcon::ClickTimerProc() {
    clickTimer_.Stop(true);
    if (!dblClickSeen_ && clickPending_) {
        clickPending_ = false;
        DoClick();
    }
    dblClickSeen_ = false;
}

void TTrayIcon::CycleTimerProc() {
    if (!iconList_) return;
    SetIcon(iconList_->GetIcon(iconIndex_));
    DoCycle();
    // The next step loads the image; the index alone moves on here.
    if (iconList_) iconIndex_ = iconIndex_ < iconList_->Count() - 1 ? iconIndex_ + 1 : 0;
}

void TTrayIcon::ExitPollTimerProc() {
    if (mouseOutside_) return;
    const std::optional<QPoint> pos = input_.CursorPos();
    if (!pos || *pos == lastMove_) return;
    mouseOutside_ = true;
    DoMouseExit();
}

void TTrayIcon::TaskbarCreated() {
    if (iconVisible_) AddTrayIcon();
}

void TTrayIcon::ApplicationMinimized() {
    if (minimizeToTray_) SendToTray();
}

void TTrayIcon::ApplicationRestoreCommand() {
    if (!host_ || !host_->HasMainForm()) return;
    if (host_->MainFormMinimized()) host_->SetMainFormNormal();
    host_->SetMainFormVisible(true);
}

void TTrayIcon::ApplicationWindowPosChanged(bool mainFormIsMdiFrame) {
    if (!startupPending_ || !host_ || !host_->HasMainForm()) return;
    if (mainFormIsMdiFrame) {
        bool showMainForm = true;
        if (OnStartup) OnStartup(*this, showMainForm);
        if (!showMainForm) HideApplicationButton();
    }
    startupPending_ = false;
}

void TTrayIcon::OwnerShown() {
    if (host_) host_->BringToForeground();
}

bool TTrayIcon::SendToTrayFromOwner() {
    if (!minimizeToTray_ || !OnMinimizeToTray) return false;
    OnMinimizeToTray(*this);
    SendToTray();
    return true;
}

bool TTrayIcon::OwnerMinimizeCommand() {
    return SendToTrayFromOwner();
}

bool TTrayIcon::OwnerHiddenByParentClosing() {
    if (host_ && host_->Terminating()) return false;
    return SendToTrayFromOwner();
}

// ---- dispatchers ----

void TTrayIcon::DoClick() {
    if (OnClick) OnClick(*this);
}
void TTrayIcon::DoDblClick() {
    if (OnDblClick) OnDblClick(*this);
}
void TTrayIcon::DoCycle() {
    if (!OnCycle) return;
    const bool last = !iconList_ || iconIndex_ >= iconList_->Count() - 1;
    OnCycle(*this, last ? 0 : iconIndex_ + 1);
}
void TTrayIcon::DoMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, shift, x, y);
}
void TTrayIcon::DoMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, shift, x, y);
}
void TTrayIcon::DoMouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(*this, shift, x, y);
}
void TTrayIcon::DoMouseEnter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}
void TTrayIcon::DoMouseExit() {
    if (OnMouseExit) OnMouseExit(*this);
}
