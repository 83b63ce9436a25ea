#pragma once

class QWidget;

// Asks the window manager to leave a shown window out of the taskbar, so the program is
// reached through its window and its tray icon only. Does nothing off X11.
void HideTaskbarButton(QWidget* window);
