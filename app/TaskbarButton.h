#pragma once

class QWidget;

// Asks the window manager to leave a shown window out of the taskbar (visible false), so
// the program is reached through its window and its tray icon only, or to give it its
// taskbar button back (visible true) when there is no tray. Does nothing off X11.
void SetTaskbarButtonVisible(QWidget* window, bool visible);
