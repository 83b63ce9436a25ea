#pragma once
// The notification-area icon: one icon with a tooltip, a popup menu, click and
// double-click events, balloons, and hiding or restoring the main window. The
// component keeps the logic and state; the notification area, the menu, the main
// window and the mouse are reached through the small interfaces below, so the
// whole behaviour runs without a screen.

#include "tray/SimpleTimer.h"

#include <QIcon>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Shell operations and record flags.
inline constexpr quint32 NIM_ADD = 0;
inline constexpr quint32 NIM_MODIFY = 1;
inline constexpr quint32 NIM_DELETE = 2;
inline constexpr quint32 NIM_SETVERSION = 4;
inline constexpr quint32 NIF_MESSAGE = 0x01;
inline constexpr quint32 NIF_ICON = 0x02;
inline constexpr quint32 NIF_TIP = 0x04;
inline constexpr quint32 NIF_INFO = 0x10;
inline constexpr quint32 kTrayCallbackMessage = 0x0800;

// What happened at the icon: the callback's lParam.
inline constexpr quint32 kTrayMouseMove = 0x0200;
inline constexpr quint32 kTrayLButtonDown = 0x0201;
inline constexpr quint32 kTrayLButtonUp = 0x0202;
inline constexpr quint32 kTrayLButtonDblClk = 0x0203;
inline constexpr quint32 kTrayRButtonDown = 0x0204;
inline constexpr quint32 kTrayRButtonUp = 0x0205;
inline constexpr quint32 kTrayMButtonDown = 0x0207;
inline constexpr quint32 kTrayMButtonUp = 0x0208;
inline constexpr quint32 kTrayContextMenu = 0x007B;
inline constexpr quint32 kTraySelect = 0x0400;
inline constexpr quint32 kTrayKeySelect = 0x0401;
inline constexpr quint32 kTrayBalloonShow = 0x0402;
inline constexpr quint32 kTrayBalloonHide = 0x0403;
inline constexpr quint32 kTrayBalloonTimeout = 0x0404;
inline constexpr quint32 kTrayBalloonUserClick = 0x0405;

// Byte limits of the texts in their 8-bit form (without the closing zero).
inline constexpr int kTipBytes = 127;
inline constexpr int kInfoBytes = 255;
inline constexpr int kInfoTitleBytes = 63;

// The record handed to the notification area. Texts stay Unicode but are already
// cut to their byte limits, so no character the code page lacks is lost to '?'.
struct TNotifyIconData {
    quintptr uID = 0;  // the component's identity, the callback's wParam
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    QIcon hIcon;  // null: no icon
    QString szTip;
    QString szInfo;
    quint32 uTimeout = 0;  // balloon ms; carries the version for NIM_SETVERSION
    QString szInfoTitle;
    quint32 dwInfoFlags = 0;
};

// The tooltip as the tray shows it: CR LF (and a CR left alone by the cut) become "\n".
QString TrayToolTipText(const QString& tip);

// The longest prefix of text that fits maxBytes in the 8-bit form, cut at the first
// zero character. A character of Windows-1251 counts one byte; one the code page
// lacks counts the bytes of its UTF-8 form. No character is ever split.
QString AnsiPrefix(const QString& text, int maxBytes);
// The bytes of the 8-bit form of the text up to its first zero character, counted so.
int AnsiLength(const QString& text);

class INotifyShell {
public:
    virtual ~INotifyShell() = default;
    // NIM_ADD / NIM_MODIFY / NIM_DELETE / NIM_SETVERSION; false when the shell refuses.
    virtual bool NotifyIcon(quint32 message, const TNotifyIconData& data) = 0;
};

class IPopupMenu {
public:
    virtual ~IPopupMenu() = default;
    virtual bool AutoPopup() const = 0;
    virtual int ItemCount() const = 0;  // top-level items
    virtual bool ItemDefault(int index) const = 0;
    virtual void ClickItem(int index) = 0;
    virtual void PopupAt(const QPoint& screenPos) = 0;  // modal: returns once closed
};

// The main window and the application around it.
class IMainWindowHost {
public:
    virtual ~IMainWindowHost() = default;
    virtual bool HasMainForm() const = 0;
    virtual bool MainFormVisible() const = 0;
    virtual void SetMainFormVisible(bool visible) = 0;
    virtual bool MainFormMinimized() const = 0;
    virtual void SetMainFormNormal() = 0;  // window state back to normal
    virtual void RestoreApplication() = 0;  // un-minimize the application
    virtual void BringToForeground() = 0;  // the application's window to the front
    virtual void HideApplicationButton() = 0;  // the taskbar button, where one exists apart
    virtual bool Terminating() const = 0;
    virtual void ProcessMessages() {}
    virtual void PostNull() {}  // wakes the owner after a modal menu
};

// Cursor, keyboard and the double-click time, read when a message is handled.
class IInputState {
public:
    virtual ~IInputState() = default;
    virtual std::optional<QPoint> CursorPos() const = 0;
    virtual quint32 KeyboardShift() const = 0;  // ssShift | ssAlt | ssCtrl
    virtual quint32 DoubleClickTime() const = 0;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// Shift state flags.
inline constexpr quint32 ssShift = 0x01;
inline constexpr quint32 ssAlt = 0x02;
inline constexpr quint32 ssCtrl = 0x04;
inline constexpr quint32 ssLeft = 0x08;
inline constexpr quint32 ssRight = 0x10;
inline constexpr quint32 ssMiddle = 0x20;
using TShiftState = quint32;

enum TBalloonHintIcon { bitNone = 0, bitInfo = 1, bitWarning = 2, bitError = 3 };

// The images for IconIndex and cycling. Freeing a list clears it from every icon.
class TImageList : public QObject {
public:
    explicit TImageList(QList<QIcon> images = {}, QObject* parent = nullptr)
        : QObject(parent), images_(std::move(images)) {}
    int Count() const { return int(images_.size()); }
    QIcon GetIcon(int index) const { return index >= 0 && index < Count() ? images_[index] : QIcon(); }

private:
    QList<QIcon> images_;
};

class TTrayIcon {
public:
    using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
    using TMouseEvent = std::function<void(TTrayIcon& sender, TMouseButton, TShiftState, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TTrayIcon& sender, TShiftState, int x, int y)>;
    using TCycleEvent = std::function<void(TTrayIcon& sender, int nextIndex)>;
    using TStartupEvent = std::function<void(TTrayIcon& sender, bool& showMainForm)>;

    // host: the owner window (null when the owner is no window); timers: null for
    // the shared timer handler.
    TTrayIcon(INotifyShell& shell, IInputState& input, IMainWindowHost* host = nullptr,
              ITimerSource* timers = nullptr);
    virtual ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // ---- properties ----
    TImageList* IconList() const { return iconList_; }
    void SetIconList(TImageList* list);
    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool cycle);
    quint32 CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(quint32 ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool visible);
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int index);
    IPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(IPopupMenu* menu) { popupMenu_ = menu; }  // null when the menu goes
    bool LeftPopup() const { return leftPopup_; }
    void SetLeftPopup(bool left) { leftPopup_ = left; }
    bool WantEnterExitEvents() const { return wantEnterExit_; }
    void SetWantEnterExitEvents(bool want);
    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool minimize) { minimizeToTray_ = minimize; }
    // 0: classic mouse messages; 1: version-3 messages (context menu, select).
    int NotifyStyle() const { return notifyStyle_; }
    void SetNotifyStyle(int style) { notifyStyle_ = style; }

    // ---- events ----
    TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseExit;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;
    TNotifyEvent OnBalloonHintShow, OnBalloonHintHide, OnBalloonHintTimeout, OnBalloonHintClick;
    TNotifyEvent OnMinimizeToTray;
    TStartupEvent OnStartup;

    // ---- operations ----
    virtual bool AddTrayIcon();
    virtual bool RemoveTrayIcon();
    virtual bool UpdateTrayIcon();
    bool DisplayBalloonHint(const QString& title, const QString& text, TBalloonHintIcon iconKind,
                            int timeoutSeconds);
    void ClearBalloonHint();
    void HideMainWindow();
    void HideApplicationButton();
    void RestoreMainWindow();
    virtual void SendToTray();
    void OpenMenuAtCursor();
    // After the owner has been set up: asks OnStartup whether the main window is to
    // be shown (hiding it when not), then applies the icon. Returns that answer.
    bool Loaded();

    // ---- what reaches the component from outside ----
    // A callback row: lParam says what happened at the icon.
    void HandleTrayMessage(quint32 lParam);
    // The tray host came back (the taskbar was re-created): a visible icon is re-added.
    void TaskbarCreated();
    // The application window was minimized.
    void ApplicationMinimized();
    // A restore command reached the application window.
    void ApplicationRestoreCommand();
    // The application window was placed; the start-up question is asked once here.
    void ApplicationWindowPosChanged(bool mainFormIsMdiFrame);
    // The owner window was shown.
    void OwnerShown();
    // A minimize command, or a hide because the parent closes, reached the owner. True
    // when the component sent the window to the tray and the command must go no further.
    bool OwnerMinimizeCommand();
    bool OwnerHiddenByParentClosing();

    const TNotifyIconData& NotifyData() const { return data_; }
    quintptr Identity() const { return data_.uID; }

protected:
    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoCycle();
    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DoMouseMove(TShiftState shift, int x, int y);
    virtual void DoMouseEnter();
    virtual void DoMouseExit();

private:
    void FillNotifyData();
    bool Notify(quint32 message);
    QPoint Cursor() const;
    void ClickTimerProc();
    void CycleTimerProc();
    void ExitPollTimerProc();
    bool SendToTrayFromOwner();
    void ClickDefaultItem();

    INotifyShell& shell_;
    IInputState& input_;
    IMainWindowHost* host_;
    TNotifyIconData data_;

    QPointer<TImageList> iconList_;
    QMetaObject::Connection iconListGone_;
    bool cycleIcons_ = false;
    quint32 cycleInterval_ = 0;
    bool enabled_ = true;
    QString hint_;
    bool showHint_ = true;
    QIcon icon_;
    bool iconVisible_ = false;
    int iconIndex_ = 0;
    IPopupMenu* popupMenu_ = nullptr;
    bool leftPopup_ = false;
    bool wantEnterExit_ = false;
    bool minimizeToTray_ = false;
    int notifyStyle_ = 0;

    bool leftButtonDown_ = false;
    bool clickPending_ = false;
    bool dblClickSeen_ = false;
    bool mouseOutside_ = true;
    bool startupPending_ = true;
    QPoint lastMove_;

    // Cleared when the component goes, so a handler run from the modal menu may free it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    TSimpleTimer cycleTimer_;
    TSimpleTimer clickTimer_;
    TSimpleTimer exitPollTimer_;
};
