#pragma once

class QWidget;

// Asks the window manager to leave a shown window out of the taskbar (visible false), so
// the program is reached through its window and its tray icon only, or to give it its
// taskbar button back (visible true) when there is no tray. Does nothing off X11.
void SetTaskbarButtonVisible(QWidget* window, bool visible);

// Tells the window manager, before a hidden window is mapped again, whether it is to come
// up minimised or normal. Qt marks a window "iconic at map" when it minimises it, but not
// back when the window manager restores it or withdraws it, so a window hidden and shown
// again would come back minimised. Does nothing off X11 or before the window exists.
void SetMapsMinimised(QWidget* window, bool minimised);
