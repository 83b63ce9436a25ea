#pragma once
// The one receiver of tray callbacks in the process: it hands out each icon's
// identity and routes a callback (identity, what happened) back to that icon.
// Created with the first tray icon and destroyed with the last.

#include <QtGlobal>

#include <map>

class TTrayIcon;

class TTrayIconHandler {
public:
    static TTrayIconHandler& Acquire();
    static void Release();
    static TTrayIconHandler* Instance();  // null while no tray icon exists
    static int References();

    quintptr Register(TTrayIcon& icon);  // a fresh identity, never 0
    void Unregister(quintptr identity);
    TTrayIcon* Find(quintptr identity) const;

    // The callback message (wParam = identity, lParam = what happened). Unknown
    // identities are ignored.
    void Dispatch(quintptr identity, quint32 lParam);
    // The tray host came back: every icon that was visible re-adds itself.
    void TaskbarCreated();

private:
    TTrayIconHandler() = default;
    std::map<quintptr, TTrayIcon*> icons_;
    quintptr nextIdentity_ = 1;
};
