#pragma once
// The main window: the five city clocks, the reference clock with its zone picker, the
// session chart over the world map, the hour line and the coming events. Its tick reads
// the clock once a minute and has the model work out the picture of that minute; the
// window draws the picture and hands the user's actions (a zone picked, a clock edited,
// the menu's items) to the model. It keeps no state of its own but what it drew.

#include "minimode/MiniModeForm.h"
#include "model/MainModel.h"
#include "tray/QtTrayAdapter.h"
#include "tray/TrayIcon.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <limits>
#include <memory>

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

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(IClock& clock, TForm1Options options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- drawing the picture (also after the reference-zone change and the clock editor) ---
    // The reference clock, the five clocks (with the day where it is not the reference
    // zone's), the tray hint and the coming events.
    void UpdateClocks();
    void UpdateTrayHint();

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

    const TMainModel& Model() const { return model_; }
    const TIME_ZONE_INFORMATION& ChartZone() const { return model_.ChartZone(); }
    TMainCapital* Capital(int slot) const { return model_.Capital(slot); }
    const TTimeZoneList& TimeZoneList() const { return model_.TimeZoneList(); }
    const TWorldMapCapitalsList& MarkerList() const { return model_.MarkerList(); }
    const QImage& ChartBitmap() const { return chartBitmap_; }
    int ChartRedrawCount() const { return chartRedrawCount_; }
    bool IsTickEnabled() const;
    QString TrayHint() const { return trycn1->Hint(); }

signals:
    // A session balloon went to the tray (title, text).
    void balloonShown(const QString& title, const QString& text);

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

    // Start-up in its fixed order; a failing step is reported and the rest skipped. The
    // model's steps all get the one instant start-up read.
    void FormCreate();
    void SyncAutorunBox();
    void SetUpTrayIcon();
    void ReadCapitals();
    void CreateChartResources();
    TElementGeometry ElementGeometry() const;
    void FollowPixelRatio();
    // A new picture of the model's: everything it shows drawn anew.
    void DrawPicture(const TMinutePicture& picture);
    void RedrawChart();
    void PlaceHourPanels();
    void HighlightHour();
    void UpdateUpcomingEvents();
    void FormShow();
    // Fills cbbUTC with "Время компьютера" and the catalogue, marks the computer's own
    // entry and selects the reference zone chosen (saves nothing).
    void FillReferencePicker();
    // the strip's requests
    void ShowMainWindow();
    void StoreMiniPosition(const QPoint& position);
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

    // What the window draws: the model, and the picture it drew last.
    TMainModel model_;
    const TMinutePicture* picture_ = nullptr;  // none before start-up's first
    QImage mapBitmap_;
    QImage hourHighlightPixel_;
    QImage chartBitmap_;
    double hourWidth_ = 37.5;
    int chartRedrawCount_ = 0;
    // The reference offset the hour panels stand for; none before the first picture.
    int hourPanelsOffset_ = std::numeric_limits<int>::min();
    int pickerReading_ = -1;  // the catalogue reading cbbUTC was filled from
    TColor localTimeColor_ = 0;  // font colour of btnLocalTime, blinks black/grey
    bool exitRequested_ = false;
};
