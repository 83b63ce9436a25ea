#pragma once
// What the strip asks of an X11 window manager beyond Qt's window flags.

class QWidget;

// The X server is XWayland: its compositor places managed windows as it sees fit (sway
// centres every floating one), so a window that must stay where it is put and above
// the others bypasses it. False off X11.
bool XServerIsXWayland();

// Asks, before the window is mapped, to be left off the taskbar and the pager: Qt marks
// a tool window as a utility window, which some window managers (openbox) list there.
// Does nothing off X11.
void KeepOffTaskbarAndPager(QWidget* window);
