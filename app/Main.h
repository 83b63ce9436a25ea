#pragma once
// The main window: the five city clocks, the reference clock with its zone picker,
// the session chart over the world map, the hour line, and the tick that redraws
// what changed once per minute.

#include "clocks/MainCapital.h"
#include "minimode/MiniModeForm.h"
#include "tray/QtTrayAdapter.h"
#include "tray/TrayIcon.h"
#include "worldmap/BalloonHint.h"
#include "platform/Registry.h"
#include "sessions/SessionTable.h"
#include "sessions/UpcomingEvents.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"
#include "timezones/ZoneRecord.h"
#include "worldmap/WorldMapCapital.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class IClock;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QAction;
class QMenu;
class TEditCapitalClockForm;
class QTimer;
class QToolButton;
class TChartView;
class TMinuteTimer;
class TUpcomingPanel;

// Where the fixed-size main window opens on a screen's available area.
QPoint MainWindowPlace(const QRect& available, const QSize& window);

// Shows a failure to the user; production puts up a message box, tests collect.
using ErrorReporter = std::function<void(const QString& message)>;
void ShowErrorMessageBox(const QString& message);

// What the main window takes from its surroundings; empty members mean the real ones.
struct TForm1Options {
    ErrorReporter reportError;
    // The registry holding the zone catalogue as it is right at an instant, and when it
    // must be read again (the tz database's by default).
    std::function<TZoneRegistryBuild(qint64 utcMs)> zoneRegistry;
    // The computer's own zone as a record of the catalogue.
    std::function<TIME_ZONE_INFORMATION(const TTimeZoneList& catalogue)> computerZone;
    // Runs the clock editor modally and returns its result (exec() by default).
    std::function<int(TEditCapitalClockForm& editor)> runEditor;
    // What the desktop offers the tray icon (its trays and notification server, heard
    // over D-Bus and X11 by default).
    std::function<std::unique_ptr<TTrayHosts>()> trayHosts;
    // Start-up builds the contents one event-loop turn after the window is shown instead
    // of before: the window maps sooner and is first painted complete no later.
    bool buildAfterShow = false;
};

class TForm1 : public QWidget, private IMiniModeHost {
    Q_OBJECT
public:
    explicit TForm1(IClock& clock, TForm1Options options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- refreshes (also called by the reference-zone change and the clock editor) ---
    // The reference clock, the five clocks (with the day where it is not the reference
    // zone's), the tray hint and the coming events, all for one instant.
    void UpdateClocks();
    void UpdateTrayHint();

    // --- the reference zone (the entry selected in cbbUTC) ---
    TIME_ZONE_INFORMATION ReferenceZone() const;
    TDateTime ReferenceNow(const SYSTEMTIME& utc) const;
    int ReferenceHourOffset() const;
    int ReferenceHour() const;

    // --- handlers (public so tests can drive them without a screen) ---
    void tmr1Timer();
    void Timer2Timer();
    void cbbUTCChange();
    void btnLocalTimeClick();
    void img1MouseMove(QPoint point);
    void CapitalBoxClicked(int slotIndex);  // a press and release inside clock box slot+1
    void CheckBox_AutorunClick();
    void Exit1Click();
    void mniShowHide1Click();
    void trycn1DblClick();
    void EnterMiniMode();
    void ShowDueBalloonHint();
    // The end of the desktop session or a termination signal: ends the program, never vetoed.
    void EndSession();
    // Another start of the program asked for this window: shown and raised.
    void ShowForAnotherStart();
    // The icon went into a tray or out of it: close and minimise follow (see closeEvent).
    void TrayHostChanged(bool available);
    bool TrayHostAvailable() const;

    bool ExitRequested() const { return exitRequested_; }
    TTrayIcon& TrayIcon() { return *trycn1; }
    TQtTrayAdapter& TrayShell() { return *trayShell_; }
    TMiniModeForm* MiniModeForm() const { return miniModeForm_; }
    QMenu* TrayMenu() const { return pm1; }

signals:
    // A session balloon went to the tray (title, text).
    void balloonShown(const QString& title, const QString& text);

public:

    // The minute of the hour of the last redraw; -1 before the first.
    int LastMinute() const { return lastMinuteMs_ == kNoMinute ? -1 : int(lastMinuteMs_ / 60'000 % 60); }
    int ChartRedrawCount() const { return chartRedrawCount_; }
    const TIME_ZONE_INFORMATION& ChartZone() const { return chartZone_; }
    TMainCapital* Capital(int slot) const { return capitals_.at(slot - 1).get(); }
    const TTimeZoneList& TimeZoneList() const { return timeZoneList_; }
    const TWorldMapCapitalsList& MarkerList() const { return markerList_; }
    const TSessionTable& Sessions() const { return sessions_; }
    const QImage& ChartBitmap() const { return chartBitmap_; }
    bool IsTickEnabled() const;
    QString TrayHint() const { return trycn1->Hint(); }
    // What the coming events are worked out from: the zones, the clocks and the sessions
    // the window shows (its clocks and chart built).
    TUpcomingSources UpcomingSources() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MinimiseToTaskbar();
    void BuildLayout();
    void BuildHead(QWidget* head);
    void BuildClockBoxes(QWidget* head);
    void BuildHourLine(QWidget* base);
    void BuildMenuAndTray();
    void BuildClockBoxClicks();

    // Start-up in its fixed order; a failing step is reported and the rest skipped.
    void FormCreate();
    void SyncAutorunBox();
    void SetUpTrayIcon();
    void CreateCapitals();
    void LoadTimeZones();
    void DeriveChartZone();
    void ReadCapitals();
    void DetectLocalZone();
    void CreateChartResources();
    // The exchanges' holidays: the program's tables and the user's; a file left out is reported.
    void LoadTradingCalendar();
    void CreateSessions();
    TElementGeometry ElementGeometry() const;
    void FollowPixelRatio();
    void RedrawChart();
    void PlaceHourPanels();
    void HighlightHour();
    void CreateBalloonList();
    // The coming events under the hour line, for the instant the clocks show.
    void UpdateUpcomingEvents(qint64 utcMs);
    void FormShow();
    // Following the calendar while the program runs (checked once a minute).
    void FollowTheCalendar();
    void RebuildCatalogue(qint64 utcMs);
    void FollowOffsetChanges(qint64 utcMs);
    void ScheduleOffsetCheck(qint64 utcMs);
    TZoneRegistryBuild BuildCatalogue(qint64 utcMs) const;
    TSessionZones SessionZones() const;
    TIME_ZONE_INFORMATION ComputerZone() const;
    // Fills cbbUTC with "Время компьютера" and the catalogue, marks the computer's own
    // entry and selects the saved zone's entry, or "Время компьютера" when nothing is
    // saved (saves nothing).
    void FillReferencePicker(const std::optional<TIME_ZONE_INFORMATION>& saved);
    // The catalogue index of the reference entry; -1 for "Время компьютера".
    int ReferenceEntry() const;
    // the strip's requests
    void ShowMainWindow() override;
    void ExitProgram() override;
    void StoreMiniPosition(const QPoint& position) override;
    void ReportError(const QString& message) const;

    IClock& clock_;
    TForm1Options options_;

    // controls, named as the window's design names them
    QFrame* pnlHead = nullptr;
    QFrame* pnlHeadTop = nullptr;
    QToolButton* btnMiniMode = nullptr;
    QCheckBox* CheckBox_Autorun = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* lblSelectGMT = nullptr;
    QComboBox* cbbUTC = nullptr;
    QToolButton* btnLocalTime = nullptr;
    std::array<QFrame*, 5> pnlCapitalTimeContainer{};
    std::array<QLabel*, 5> lblCapital{};
    std::array<QLabel*, 5> pnlCapitalTime{};
    QLabel* pnlHeadBottom = nullptr;
    TChartView* img1 = nullptr;  // paints chartBitmap_ itself
    QFrame* pnlHourLinePanelsBase = nullptr;
    std::array<QLabel*, 24> pnlHour{};  // pnl1 .. pnl24
    TUpcomingPanel* pnlPromo = nullptr;  // the coming events
    TMinuteTimer* tmr1 = nullptr;  // the tick: once a minute, and at once after a jump
    QTimer* Timer2 = nullptr;
    QMenu* pm1 = nullptr;
    QAction* mniShowHide1 = nullptr;
    QAction* mniMiniMode = nullptr;
    QAction* Exit1 = nullptr;

    // the tray icon: the Qt adapter first, since the icon removes itself through it
    std::unique_ptr<TQtTrayAdapter> trayShell_;
    std::unique_ptr<TQtMainWindowHost> trayHost_;
    std::unique_ptr<TQtPopupMenu> trayMenu_;
    std::unique_ptr<TTrayIcon> trycn1;
    QPointer<TMiniModeForm> miniModeForm_;
    // A strip on its way out: it reads the clock until deleted, so it must not outlive us.
    QPointer<TMiniModeForm> discardedStrip_;

    // state, in the order start-up builds it
    std::array<std::unique_ptr<TMainCapital>, 5> capitals_;
    TWorldMapCapitalsList markerList_;
    TTimeZoneList timeZoneList_;
    TIME_ZONE_INFORMATION chartZone_{};
    TIME_ZONE_INFORMATION chicagoZone_{};
    TIME_ZONE_INFORMATION newYorkZone_{};
    TIME_ZONE_INFORMATION moscowZone_{};
    TIME_ZONE_INFORMATION computerZone_{};  // the reference while "Время компьютера" is chosen
    // The whole minute (milliseconds since 1970) the tick last redrew.
    static constexpr qint64 kNoMinute = -1;
    qint64 lastMinuteMs_ = kNoMinute;
    // The instant the window shows: read once by the tick at each new minute, by start-up
    // and by each of the user's actions, and handed to everything drawn for it.
    qint64 now_ = 0;
    QImage mapBitmap_;
    QImage hourHighlightPixel_;
    QImage chartBitmap_;
    double hourWidth_ = 37.5;
    TTradingCalendar calendar_;
    TSessionTable sessions_;
    int chartRedrawCount_ = 0;
    // The calendar: when the catalogue was read and must be read again; when an offset
    // between the chart zone and the exchange or reference zones may next change.
    qint64 catalogueBuiltAtMs_ = 0;
    qint64 catalogueRebuildAtMs_ = 0;
    qint64 offsetsCheckedAtMs_ = 0;
    qint64 offsetCheckAtMs_ = 0;
    int hourPanelsOffset_ = 0;  // the reference offset the hour panels stand for
    bool startedUp_ = false;    // start-up ran to its end
    bool editingClock_ = false;  // the clock editor holds the catalogue
    TColor localTimeColor_ = 0;  // font colour of btnLocalTime, blinks black/grey
    std::unique_ptr<TBalloonHintList> balloonList_;
    TUpcomingEvents upcomingEvents_;
    bool exitRequested_ = false;
};
