// The tray icon and its menu, the window's states, start with the desktop session,
// and the session balloons.
#include "app/Application.h"
#include "app/ChartView.h"
#include "app/Main.h"
#include "app/TaskbarButton.h"
#include "app/WindowLook.h"
#include "platform/Autostart.h"
#include "platform/Error.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

void TForm1::BuildMenuAndTray() {
    pm1 = new QMenu(this);
    pm1->setObjectName(QStringLiteral("pm1"));
    mniShowHide1 = pm1->addAction(QStringLiteral("Показать/Скрыть"), this, &TForm1::mniShowHide1Click);
    mniShowHide1->setObjectName(QStringLiteral("mniShowHide1"));
    pm1->setDefaultAction(mniShowHide1);  // shown in bold; a tray double click performs it
    mniMiniMode = pm1->addAction(QStringLiteral("Режим мини"), this, &TForm1::EnterMiniMode);
    mniMiniMode->setObjectName(QStringLiteral("mniMiniMode"));
    Exit1 = pm1->addAction(QStringLiteral("Выход"), this, &TForm1::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));

    // A right click on the map opens the same menu.
    img1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(img1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pm1->popup(img1->mapToGlobal(pos)); });
    connect(btnMiniMode, &QToolButton::clicked, this, &TForm1::EnterMiniMode);
    connect(CheckBox_Autorun, &QCheckBox::toggled, this, &TForm1::CheckBox_AutorunClick);

    trayShell_ = std::make_unique<TQtTrayAdapter>(options_.trayHosts ? options_.trayHosts() : nullptr, this);
    trayShell_->SetContextMenu(pm1);
    connect(trayShell_.get(), &TQtTrayAdapter::trayHostChanged, this, &TForm1::TrayHostChanged);
    trayHost_ = std::make_unique<TQtMainWindowHost>(*this);
    trayMenu_ = std::make_unique<TQtPopupMenu>(*pm1);
    trycn1 = std::make_unique<TTrayIcon>(*trayShell_, *trayShell_, trayHost_.get());
}

void TForm1::SyncAutorunBox() {
    // Checking the box runs its handler, so an entry found present is written again
    // with the path of the executable running now.
    CheckBox_Autorun->setChecked(AccessAutorun(arQuery));
}

void TForm1::CheckBox_AutorunClick() {
    try {
        AccessAutorun(CheckBox_Autorun->isChecked() ? arWrite : arDelete);
    } catch (const Exception& error) {
        // The box says whether an entry is there, which after a failed write is, as a
        // rule, not; setting it must not run this handler again.
        const QSignalBlocker quiet(CheckBox_Autorun);
        CheckBox_Autorun->setChecked(AccessAutorun(arQuery));
        ReportError(error.Message());
    }
}

void TForm1::SetUpTrayIcon() {
    trycn1->SetIcon(windowIcon());  // the window's own, decoded once for both
    trycn1->SetPopupMenu(trayMenu_.get());
    trycn1->SetMinimizeToTray(true);
    trycn1->OnDblClick = [this](TTrayIcon&) { trycn1DblClick(); };
    trycn1->SetIconVisible(true);
    trycn1->Loaded();
}

void TForm1::ShowDueBalloonHint() {
    if (!picture_ || !picture_->Balloon) return;
    trycn1->DisplayBalloonHint(kApplicationTitle, *picture_->Balloon, bitInfo, 20);
    emit balloonShown(kApplicationTitle, *picture_->Balloon);
}

void TForm1::Exit1Click() {
    exitRequested_ = true;
    close();
}

void TForm1::EndSession() {
    Exit1Click();
}

void TForm1::mniShowHide1Click() {
    // A window waiting on the taskbar counts as hidden; with no tray to hide into, hiding
    // means the taskbar too, as close and minimise do.
    if (!isVisible() || isMinimized())
        trycn1->RestoreMainWindow();
    else if (TrayHostAvailable())
        trycn1->HideMainWindow();
    else
        MinimiseToTaskbar();
}

void TForm1::trycn1DblClick() {
    // The icon performs the menu's default item right after this.
    raise();
    activateWindow();
}

void TForm1::ShowForAnotherStart() {
    trycn1->RestoreMainWindow();  // as "Показать/Скрыть" shows a hidden window
}

bool TForm1::TrayHostAvailable() const {
    return trayShell_->HostAvailable();
}

void TForm1::MinimiseToTaskbar() {
    // With no tray to hold it, the window waits on the taskbar.
    SetTaskbarButtonVisible(this, true);
    showMinimized();
}

void TForm1::TrayHostChanged(bool available) {
    if (!trycn1) return;  // the icon is going with the window
    if (isVisible() && !isMinimized()) SetTaskbarButtonVisible(this, !available);
    if (available && isMinimized()) {
        trycn1->ApplicationMinimized();  // a window waiting on the taskbar goes to the tray
    } else if (!available && !isVisible() && !miniModeForm_) {
        MinimiseToTaskbar();  // the window was in the tray that has just gone
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!exitRequested_) {
        // The close button puts the window into the tray; only "Выход" ends the program.
        // With no tray to hold it, the window is minimised to the taskbar instead.
        event->ignore();
        if (TrayHostAvailable()) {
            trycn1->HideMainWindow();
        } else {
            MinimiseToTaskbar();
        }
        return;
    }
    event->accept();
    QCoreApplication::quit();
}
