#include "app/Main.h"

#include "app/Application.h"
#include "app/ReferencePicker.h"
#include "app/TaskbarButton.h"
#include "app/UpcomingPanel.h"
#include "app/WindowLook.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/MinuteTimer.h"
#include "timezones/TimeFormat.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QShowEvent>
#include <QTimer>
#include <QToolTip>
#include <QToolButton>

namespace {

constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;

// What the model takes of the window's options.
TMainModelOptions ModelOptions(const TForm1Options& options, ErrorReporter report) {
    TMainModelOptions model;
    model.zoneRegistry = options.zoneRegistry;
    if (options.computerZone)
        model.computerZone = [zone = options.computerZone](const TTimeZoneList& catalogue, qint64) {
            return zone(catalogue);
        };
    model.reportError = std::move(report);
    return model;
}

}  // namespace

void ShowErrorMessageBox(const QString& message) {
    QMessageBox::critical(nullptr, kApplicationTitle, message);
}

TForm1::TForm1(IClock& clock, TForm1Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      clock_(clock),
      options_(std::move(options)),
      model_(ModelOptions(options_, [this](const QString& message) { ReportError(message); })) {
    BuildLayout();
    BuildMenuAndTray();
    BuildClockBoxClicks();
    setWindowTitle(kApplicationTitle);  // the window maps with its caption either way
    if (!options_.buildAfterShow) {
        FormCreate();
        return;
    }
    // The window maps while its contents are built, in the first turn of the event loop;
    // nothing is painted until they are complete, so the first picture is the whole one.
    setUpdatesEnabled(false);
    QTimer::singleShot(0, this, [this] {
        FormCreate();
        setUpdatesEnabled(true);
    });
}

TForm1::~TForm1() {
    // Nothing ticks while the rest goes away; the strip goes before the clocks it shows.
    tmr1->stop();
    Timer2->stop();
    delete miniModeForm_.data();
    delete discardedStrip_.data();  // its deferred deletion may not have come yet
    trycn1.reset();
}

void TForm1::ReportError(const QString& message) const {
    (options_.reportError ? options_.reportError : ShowErrorMessageBox)(message);
}

// --- start-up -------------------------------------------------------------------

void TForm1::FormCreate() {
    setWindowIcon(ApplicationIcon());
    const qint64 now = clock_.UtcMs();
    try {
        SyncAutorunBox();
        SetUpTrayIcon();
        QToolTip::setFont(font());  // the window's own Arial bold 16 px
        std::array<QString, 5> names;
        for (size_t k = 0; k < 5; ++k) names[k] = lblCapital[k]->text();
        model_.CreateCapitals(names);
        model_.LoadTimeZones(now);
        ReadCapitals();
        model_.DetectLocalZone(now);
        FillReferencePicker();
        CreateChartResources();
        model_.LoadTradingCalendar();
        model_.CreateSessions(ElementGeometry(), now);
        // The first picture, drawn as the tick draws one but for the balloon: the window is
        // complete before it is first shown, and the first tick comes with the next minute.
        if (const TMinutePicture* first = model_.Tick(now)) DrawPicture(*first);
        model_.CreateBalloonList();
        model_.FinishStartUp(now);
    } catch (const Exception& error) {
        // The window opens with what was built; every later step checks what exists.
        ReportError(error.Message());
    } catch (const std::exception& error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    }
}

void TForm1::ReadCapitals() {
    model_.ReadCapitals();
    for (int k = 0; k < 5; ++k) lblCapital[size_t(k)]->setText(model_.Capital(k + 1)->Name);
}

// --- the tick and the picture ---------------------------------------------------------

void TForm1::tmr1Timer() {
    // The clock is read here once a minute and the model works out the minute from that
    // instant; within the minute nothing more is read or drawn.
    if (const TMinutePicture* picture = model_.Tick(clock_.UtcMs())) {
        DrawPicture(*picture);
        ShowDueBalloonHint();
    }
}

void TForm1::DrawPicture(const TMinutePicture& picture) {
    picture_ = &picture;
    // The catalogue was read anew (New Year, a zone's rules): the picker lists it.
    if (picture.CatalogueReading != pickerReading_) FillReferencePicker();
    if (picture.HourOffset != hourPanelsOffset_) PlaceHourPanels();
    RedrawChart();
    UpdateClocks();  // with the tray hint and the coming events
    HighlightHour();
    if (miniModeForm_) miniModeForm_->SetTimes(picture.Clocks);
}

void TForm1::FillReferencePicker() {
    ::FillReferencePicker(cbbUTC, model_);
    pickerReading_ = model_.CatalogueReading();
}

// The user picked a reference zone: the model takes it, the minute is shown anew for it
// (the chart stays: its zone is New York's), and the choice is saved.
void TForm1::cbbUTCChange() {
    model_.ChooseReference(cbbUTC->currentIndex() < 0 ? kComputerTime : cbbUTC->currentData().toInt());
    picture_ = &model_.PictureAt(clock_.UtcMs());
    UpdateClocks();
    PlaceHourPanels();
    HighlightHour();
    model_.WriteLocalZone();  // a failure to save leaves the new zone shown
}

bool TForm1::IsTickEnabled() const {
    return tmr1->isActive();
}

void TForm1::Timer2Timer() {
    localTimeColor_ = localTimeColor_ == clBlack ? clGray : clBlack;
    SetFontColor(btnLocalTime, localTimeColor_);
    // The blink wakes every second anyway: it also notices a wall clock that moved
    // without the system saying so, for the tick.
    tmr1->CheckWallClock();
}

void TForm1::UpdateClocks() {
    if (!picture_) return;  // start-up stopped before its first picture
    btnLocalTime->setText(picture_->ReferenceTime);
    for (size_t k = 0; k < 5; ++k)
        if (model_.Capital(int(k) + 1)) pnlCapitalTime[k]->setText(picture_->Clocks[k].TimeText());
    UpdateTrayHint();
    UpdateUpcomingEvents();
}

void TForm1::UpdateTrayHint() {
    if (picture_) trycn1->SetHint(picture_->TrayHint);
}

void TForm1::UpdateUpcomingEvents() {
    // Before start-up built the clocks and the bars there are none.
    if (picture_ && model_.Sessions().SessionList.size() >= 4) pnlPromo->SetEvents(picture_->Events);
}

// --- showing ------------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    // Sent before the window is mapped: the window manager is told now whether it comes
    // up minimised (to the taskbar) or normal, however it was last hidden.
    SetMapsMinimised(this, isMinimized());
    FormShow();
}

void TForm1::FormShow() {
    // Showing the window ends mini mode; the strip goes once its own handler returned.
    if (miniModeForm_) {
        delete discardedStrip_.data();  // an older one, long out of its handlers
        discardedStrip_ = miniModeForm_;
        miniModeForm_->hide();
        miniModeForm_->deleteLater();
        miniModeForm_ = nullptr;
    }
    mniMiniMode->setEnabled(true);
    tmr1->start();
    // Without a tray host the taskbar button is the way back to a minimised window.
    QTimer::singleShot(0, this, [this] { SetTaskbarButtonVisible(this, !TrayHostAvailable()); });
}

void TForm1::changeEvent(QEvent* event) {
    // The desktop's regional settings changed: clocks follow the new time format.
    if (event->type() == QEvent::LocaleChange) {
        SetCurrentTimeFormatSettings(TimeFormatSettingsFromLocale(QLocale::system()));
        if (picture_) {
            picture_ = &model_.PictureAt(picture_->UtcMs);  // the same instant, newly worded
            UpdateClocks();
        }
    }
    // Minimising puts the window into the tray, a turn later so the state change completes;
    // without a tray host it stays minimised on the taskbar.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayHostAvailable())
        QTimer::singleShot(0, this, [this] { trycn1->ApplicationMinimized(); });
    QWidget::changeEvent(event);
}
