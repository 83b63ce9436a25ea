// Mini mode: the always-on-top strip of the five clock tiles in place of the window.
#include "app/Main.h"
#include "minimode/StripLayout.h"
#include "settings/Settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

void TForm1::EnterMiniMode() {
    if (!capitals_[4]) return;  // start-up stopped before the clocks were made
    if (!miniModeForm_) miniModeForm_ = new TMiniModeForm(clock_, *this);  // no owner
    miniModeForm_->AssignClocks(Capital(1), Capital(2), Capital(3), Capital(4), Capital(5));
    const QScreen* monitor = screen() ? screen() : QGuiApplication::primaryScreen();
    miniModeForm_->show();  // its show handler redraws the strip, which fixes its width
    const QPoint fallback = DefaultStripPosition(monitor->geometry(), miniModeForm_->width());
    QList<QRect> screens;
    for (const QScreen* each : QGuiApplication::screens()) screens << each->geometry();
    // A strip stored where no screen is now would be lost: it comes back to the default.
    const QPoint position =
        StripPosition(GetSettings().ReadMiniPosition(fallback), fallback, miniModeForm_->size(), screens);
    miniModeForm_->move(position);  // otherwise not clamped: a strip may hang over an edge
    hide();
    mniMiniMode->setEnabled(false);
}

void TForm1::ShowMainWindow() {
    trycn1->RestoreMainWindow();
}

void TForm1::ExitProgram() {
    Exit1Click();
}

void TForm1::StoreMiniPosition(const QPoint& position) {
    GetSettings().WriteMiniPosition(position);
}
