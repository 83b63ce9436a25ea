// Mini mode: the always-on-top strip of the five clock tiles in place of the window.
#include "app/Main.h"
#include "settings/Settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

void TForm1::EnterMiniMode() {
    if (!model_.HasCapitals()) return;  // start-up stopped before the clocks were made
    if (!miniModeForm_) {
        miniModeForm_ = new TMiniModeForm();  // no owner
        connect(miniModeForm_, &TMiniModeForm::showMainWindowRequested, this, &TForm1::ShowMainWindow);
        connect(miniModeForm_, &TMiniModeForm::exitRequested, this, &TForm1::Exit1Click);
        connect(miniModeForm_, &TMiniModeForm::positionStored, this, &TForm1::StoreMiniPosition);
    }
    miniModeForm_->AssignClocks(Capital(1), Capital(2), Capital(3), Capital(4), Capital(5));
    // The clocks as the window shows them; each minute's picture follows.
    if (picture_) miniModeForm_->SetTimes(picture_->Clocks);
    const QScreen* monitor = screen() ? screen() : QGuiApplication::primaryScreen();
    QList<QRect> screens;
    for (const QScreen* each : QGuiApplication::screens()) screens << each->geometry();
    // The strip goes where it was last put; its show handler redraws it.
    miniModeForm_->ShowPlaced(monitor->geometry(), screens, [](const QPoint& fallback) {
        return GetSettings().ReadMiniPosition(fallback);
    });
    hide();
    mniMiniMode->setEnabled(false);
}

void TForm1::ShowMainWindow() {
    trycn1->RestoreMainWindow();
}

void TForm1::StoreMiniPosition(const QPoint& position) {
    GetSettings().WriteMiniPosition(position);
}
