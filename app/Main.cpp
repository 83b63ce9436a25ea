#include "app/Main.h"

#include "app/Application.h"
#include "app/WindowLook.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "settings/Settings.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

namespace {

// The five slots: the name label's design caption and the clock's default colour.
struct CapitalSlot {
    const char* name;
    TColor color;
};
constexpr std::array<CapitalSlot, 5> kCapitalSlots{{
    {"London", 0x00126137},
    {"NewYork", 0x0062A276},
    {"Tokyo", 0x0081CED2},
    {"Sydney", 0x009CA3CA},
    {"Moscow", 0x008A7F8F},
}};

constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;

}  // namespace

void ShowErrorMessageBox(const QString& message) {
    QMessageBox::critical(nullptr, kApplicationTitle, message);
}

TForm1::TForm1(IClock& clock, ErrorReporter reportError, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      clock_(clock),
      reportError_(std::move(reportError)) {
    BuildLayout();
    FormCreate();
}

TForm1::~TForm1() {
    // Timers first, so nothing ticks while the rest goes away.
    tmr1->stop();
    Timer2->stop();
}

// --- start-up -------------------------------------------------------------------

void TForm1::FormCreate() {
    setWindowTitle(kApplicationTitle);
    try {
        CreateCapitals();
        LoadTimeZonesStep();
        DeriveChartZone();
        ReadCapitals();
        lastMinute_ = -1;
        PlaceHourPanels();
        RedrawChart();
        UpdateClocks();
        HighlightHour();
    } catch (const Exception& error) {
        // The window opens with what was built; every later step checks what exists.
        reportError_(error.Message());
    } catch (const std::exception& error) {
        reportError_(QString::fromLocal8Bit(error.what()));
    }
}

void TForm1::CreateCapitals() {
    // Every clock starts on the all-zero zone (UTC) until the catalogue gives it one.
    for (int k = 0; k < 5; ++k)
        capitals_[k] = std::make_unique<TMainCapital>(clock_, lblCapital[k]->text(), chartZone_,
                                                      kCapitalSlots[k].color);
}

void TForm1::LoadTimeZonesStep() {}

void TForm1::DeriveChartZone() {
    chartZone_ = MakeChartZone(capitals_[1]->Zone);
}

void TForm1::ReadCapitals() {
    for (int i = 0; i < 5; ++i) GetSettings().ReadCapital(i, *capitals_[i]);
    for (int k = 0; k < 5; ++k) lblCapital[k]->setText(capitals_[k]->Name);
}

TIME_ZONE_INFORMATION TForm1::ReferenceZone() const {
    return TIME_ZONE_INFORMATION{};
}

// --- the tick and the refreshes -----------------------------------------------------

void TForm1::tmr1Timer() {
    if (clock_.LocalMinute() == lastMinute_) return;
    RedrawChart();
    UpdateClocks();
    HighlightHour();
    UpdateTrayHint();
}

bool TForm1::IsTickEnabled() const {
    return tmr1->isActive();
}

void TForm1::Timer2Timer() {
    localTimeColor_ = localTimeColor_ == clBlack ? clGray : clBlack;
    SetFontColor(btnLocalTime, localTimeColor_);
}

void TForm1::UpdateClocks() {
    const SYSTEMTIME utc = clock_.UtcNow();
    btnLocalTime->setText(FormatDateTime(ClockTimeFormat(), ZoneNow(ReferenceZone(), utc)));
    for (int k = 0; k < 5; ++k)
        if (capitals_[k]) pnlCapitalTime[k]->setText(capitals_[k]->TimeTextAt(utc));
    UpdateTrayHint();
}

void TForm1::UpdateTrayHint() {
    QStringList lines;
    for (int k = 0; k < 5; ++k) lines << lblCapital[k]->text() + u' ' + pnlCapitalTime[k]->text();
    trayHint_ = lines.join(QStringLiteral("\r\n"));
}

void TForm1::RedrawChart() {
    lastMinute_ = clock_.LocalMinute();
    ++chartRedrawCount_;
}

void TForm1::PlaceHourPanels() {}

void TForm1::HighlightHour() {}

// --- showing --------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
    tmr1->start();
}

void TForm1::changeEvent(QEvent* event) {
    // The desktop's regional settings changed: clocks follow the new time format.
    if (event->type() == QEvent::LocaleChange) {
        SetCurrentTimeFormatSettings(TimeFormatSettingsFromLocale(QLocale::system()));
        if (capitals_[4]) UpdateClocks();
    }
    QWidget::changeEvent(event);
}
