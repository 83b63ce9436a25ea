#include "app/Main.h"

#include "app/Application.h"
#include "app/TaskbarButton.h"
#include "app/WindowLook.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/MinuteTimer.h"
#include "settings/Settings.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"
#include "timezones/ZoneClock.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QShowEvent>
#include <QTimer>
#include <QToolTip>
#include <QToolButton>

namespace {

// The clocks' default colours, slot 1..5; their default names are the labels' captions.
constexpr std::array<TColor, 5> kCapitalColors{0x00126137, 0x0062A276, 0x0081CED2, 0x009CA3CA,
                                               0x008A7F8F};

constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;

}  // namespace

void ShowErrorMessageBox(const QString& message) {
    QMessageBox::critical(nullptr, kApplicationTitle, message);
}

TForm1::TForm1(IClock& clock, TForm1Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      clock_(clock),
      options_(std::move(options)) {
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
    // Nothing ticks while the rest goes away; the overlaps go before the sessions they
    // were built from, the strip before the clocks it shows.
    tmr1->stop();
    Timer2->stop();
    sessions_.OverlapList.clear();
    sessions_.SessionList.clear();
    delete miniModeForm_.data();
    delete discardedStrip_.data();  // its deferred deletion may not have come yet
    balloonList_.reset();
    trycn1.reset();
}

void TForm1::ReportError(const QString& message) const {
    (options_.reportError ? options_.reportError : ShowErrorMessageBox)(message);
}

// --- start-up -------------------------------------------------------------------

void TForm1::FormCreate() {
    setWindowIcon(ApplicationIcon());
    now_ = clock_.UtcMs();
    try {
        SyncAutorunBox();
        SetUpTrayIcon();
        QToolTip::setFont(font());  // the window's own Arial bold 16 px
        CreateCapitals();
        LoadTimeZones();
        DeriveChartZone();
        ReadCapitals();
        DetectLocalZone();
        lastMinuteMs_ = kNoMinute;
        CreateChartResources();
        LoadTradingCalendar();
        CreateSessions();
        PlaceHourPanels();
        lastMinuteMs_ = WholeMinuteMs(now_);
        RedrawChart();
        UpdateClocks();
        HighlightHour();
        CreateBalloonList();
        ScheduleOffsetCheck(now_);
        startedUp_ = true;
    } catch (const Exception& error) {
        // The window opens with what was built; every later step checks what exists.
        ReportError(error.Message());
    } catch (const std::exception& error) {
        ReportError(QString::fromLocal8Bit(error.what()));
    }
}

void TForm1::CreateCapitals() {
    // Every clock starts on the all-zero zone (UTC) until the catalogue gives it one.
    for (int k = 0; k < 5; ++k)
        capitals_[k] = std::make_unique<TMainCapital>(lblCapital[k]->text(), TIME_ZONE_INFORMATION{},
                                                      kCapitalColors[k]);
}

void TForm1::LoadTimeZones() {
    const TZoneRegistryBuild build = BuildCatalogue(now_);
    KnownZoneTargets targets;
    for (int k = 0; k < 5; ++k) targets.clockZones[k] = &capitals_[k]->Zone;
    targets.newYorkZone = &newYorkZone_;
    targets.moscowZone = &moscowZone_;
    targets.chicagoZone = &chicagoZone_;
    targets.keyLoaded = [this](const QString& key, const TIME_ZONE_INFORMATION& zone) {
        AddMarkersForKey(markerList_, key, zone);
    };
    ::LoadTimeZones(build.registry, timeZoneList_, targets);
    catalogueBuiltAtMs_ = now_;
    catalogueRebuildAtMs_ = build.rebuildAtUtcMs;
}

TZoneRegistryBuild TForm1::BuildCatalogue(qint64 utcMs) const {
    return options_.zoneRegistry ? options_.zoneRegistry(utcMs) : BuildZoneRegistryAt(utcMs);
}

void TForm1::DeriveChartZone() {
    chartZone_ = MakeChartZone(capitals_[1]->Zone);
}

void TForm1::ReadCapitals() {
    for (int i = 0; i < 5; ++i) GetSettings().ReadCapital(i, *capitals_[i]);
    // A saved zone of the catalogue takes the rule the catalogue has for now, not the
    // one of the year it was saved in; the file itself stays as it is.
    for (auto& capital : capitals_) capital->Zone = timeZoneList_.CurrentRecord(capital->Zone);
    for (int k = 0; k < 5; ++k) lblCapital[k]->setText(capitals_[k]->Name);
}

// --- the tick and the refreshes -----------------------------------------------------

void TForm1::tmr1Timer() {
    // The whole minute, date included: a wall clock set by whole hours or days (a resume,
    // NTP, the user) is another minute, shown at once.
    const qint64 now = clock_.UtcMs();
    if (WholeMinuteMs(now) == lastMinuteMs_) return;
    lastMinuteMs_ = WholeMinuteMs(now);
    now_ = now;
    FollowTheCalendar();
    RedrawChart();
    UpdateClocks();  // with the tray hint and the coming events
    HighlightHour();
    ShowDueBalloonHint();
}

bool TForm1::IsTickEnabled() const {
    return tmr1->isActive();
}

void TForm1::Timer2Timer() {
    localTimeColor_ = localTimeColor_ == clBlack ? clGray : clBlack;
    SetFontColor(btnLocalTime, localTimeColor_);
    // The blink wakes every second anyway: it also notices a wall clock that moved
    // without the system saying so, for the tick and the strip's own.
    tmr1->CheckWallClock();
    if (miniModeForm_) miniModeForm_->tmr1->CheckWallClock();
}

void TForm1::UpdateClocks() {
    const SYSTEMTIME utc = SystemTimeFromUnixMs(now_);
    const TIME_ZONE_INFORMATION reference = ReferenceZone();
    btnLocalTime->setText(FormatDateTime(ClockTimeFormat(), ZoneNow(reference, utc)));
    for (int k = 0; k < 5; ++k)
        if (capitals_[k])
            pnlCapitalTime[k]->setText(capitals_[k]->TimeTextAt(utc) +
                                       DayMarker(capitals_[k]->Zone, reference, utc));
    UpdateTrayHint();
    UpdateUpcomingEvents(now_);
}

void TForm1::UpdateTrayHint() {
    QStringList lines;
    for (int k = 0; k < 5; ++k) lines << lblCapital[k]->text() + u' ' + pnlCapitalTime[k]->text();
    trycn1->SetHint(lines.join(QStringLiteral("\r\n")));
}

// --- showing --------------------------------------------------------------------

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
        if (capitals_[4]) UpdateClocks();
    }
    // Minimising puts the window into the tray, a turn later so the state change completes;
    // without a tray host it stays minimised on the taskbar.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayHostAvailable())
        QTimer::singleShot(0, this, [this] { trycn1->ApplicationMinimized(); });
    QWidget::changeEvent(event);
}
