// The main window's states (shown, in the tray, mini mode), its menu, the clock editor's
// round trip through the settings file, and weeks of ticks across weekends, clock changes
// and New Year.
#include "app/Main.h"
#include "clocks/EditCapitalClockForm.h"
#include "minimode/MouseSupport.h"
#include "platform/Clock.h"
#include "settings/Settings.h"
#include "settings/SettingsValues.h"
#include "sessions/SessionChart.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"
#include "tray/TrayFakes.h"
#include "worldmap/WorldMapCapital.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <string>

namespace {

struct MainStatesTest : ::testing::Test {
    FakeClock clock;
    QTemporaryDir dir;
    QStringList errors;
    // The desktop's trays: a StatusNotifierItem host holding the icon unless a test says otherwise.
    bool trayHostThere = true;
    FakeTrayHosts* trays = nullptr;
    std::function<int(TEditCapitalClockForm&)> editor;  // stands in for the modal editor
    std::unique_ptr<TForm1> form;

    MainStatesTest() {
        SetSettingsFileName(dir.filePath("horavane.ini"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        SetCurrentTimeFormatSettings(TimeFormatSettings{});
    }

    // The embedded catalogue unless told to read this machine's tz database.
    void Create(const char* utc = "2026-01-15T10:07:30", bool tzDatabase = false) {
        clock.SetUtc(utc);
        form.reset();
        TForm1Options options;
        options.reportError = [this](const QString& m) { errors << m; };
        options.trayHosts = [this] {
            auto hosts = trayHostThere ? FakeTrayHosts::WithTray() : std::make_unique<FakeTrayHosts>();
            trays = hosts.get();
            return hosts;
        };
        if (!tzDatabase)
            options.zoneRegistry = [](qint64 utcMs) {
                return TZoneRegistryBuild{LoadFallbackTimeZoneRegistry(), NextUtcNewYearMs(utcMs)};
            };
        options.computerZone = [](const TTimeZoneList& list) {
            return list[list.IndexOfStandardName(QString("FLE Standard Time"))].ToTimeZoneInformation();
        };
        if (editor) options.runEditor = [this](TEditCapitalClockForm& dialog) { return editor(dialog); };
        form = std::make_unique<TForm1>(clock, options);
    }
    QString TimeText(int slot) {
        return form->findChild<QLabel*>(QString("pnlCapital%1Time").arg(slot))->text();
    }
    QString ReferenceText() { return form->findChild<QToolButton*>("btnLocalTime")->text(); }
    // The coming events as the panel shows them, a label to a line.
    QStringList Upcoming() {
        QStringList lines;
        for (int row = 1; auto* label = form->findChild<QLabel*>(QString("lblUpcoming%1").arg(row)); ++row)
            lines << label->text();
        return lines;
    }
    static QImage Grab(QLabel* label) { return label->grab().toImage(); }
    // The label as Qt's own selectable label with the same text, look and selection paints it.
    static QImage AsQtPaints(const QLabel* label) {
        QLabel same(label->parentWidget());  // which gives it the same palette
        same.setTextFormat(label->textFormat());
        same.setTextInteractionFlags(label->textInteractionFlags());
        same.setFont(label->font());
        same.setPalette(label->palette());
        same.setAlignment(label->alignment());
        same.setWordWrap(label->wordWrap());
        same.setText(label->text());
        same.resize(label->size());
        if (label->hasSelectedText())
            same.setSelection(label->selectionStart(), int(label->selectedText().size()));
        return same.grab().toImage();
    }
    QByteArray SettingsFile() {
        QFile file(dir.filePath("horavane.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// A left click as the window system delivers one: press and release on the widget.
void Click(QWidget* widget) {
    const QPoint centre = widget->rect().center();
    Press(widget, Qt::LeftButton, centre);
    Release(widget, Qt::LeftButton, centre);
}

// What the user does in the next modal dialog, once its event loop runs.
void InNextModal(QObject* context, std::function<void(QWidget* dialog)> act) {
    QTimer::singleShot(0, context, [act] { act(QApplication::activeModalWidget()); });
}

int StripCount() {
    int strips = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) strips += qobject_cast<TMiniModeForm*>(window) != nullptr;
    return strips;
}

// The record of a catalogue zone as the catalogue has it at an instant.
TIME_ZONE_INFORMATION RecordAt(const char* isoUtc, const char* key) {
    TTimeZoneList catalogue;
    FakeClock at;
    at.SetUtc(isoUtc);
    LoadTimeZones(BuildZoneRegistryAt(at.UtcMs()).registry, catalogue, {});
    return catalogue[catalogue.IndexOfStandardName(QString::fromLatin1(key))].ToTimeZoneInformation();
}

TEST_F(MainStatesTest, CloseAndMinimiseHideIntoTheTrayAndOnlyExitEnds) {
    Create();
    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->ExitRequested());

    form->mniShowHide1Click();
    form->showMinimized();  // the minimise button: into the tray too, not left iconic
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());

    form->mniShowHide1Click();  // from the tray: back again, as it was before
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->mniShowHide1Click();
    EXPECT_FALSE(form->isVisible());

    form->EndSession();  // the end of the desktop session is never vetoed
    EXPECT_TRUE(form->ExitRequested());
}

TEST_F(MainStatesTest, AnotherStartShowsTheWindowFromTheTrayTheStripAndTheTaskbar) {
    Create();
    form->show();
    form->close();
    form->ShowForAnotherStart();
    EXPECT_TRUE(form->isVisible());
    form->ShowForAnotherStart();  // already shown: it stays so
    EXPECT_TRUE(form->isVisible());

    form->EnterMiniMode();
    form->ShowForAnotherStart();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->MiniModeForm(), nullptr);

    form->setWindowState(Qt::WindowMinimized);
    form->ShowForAnotherStart();
    EXPECT_FALSE(form->isMinimized());
}

// With no tray to hide into, close, minimise and "Показать/Скрыть" leave the window on the
// taskbar. A host that answers but has not taken the icon counts as no tray; once the icon
// is in, the waiting window goes into it, and when the tray goes it comes back.
TEST_F(MainStatesTest, WithoutATrayHoldingTheIconTheWindowWaitsOnTheTaskbar) {
    trayHostThere = false;
    Create();
    form->show();
    form->close();  // nowhere to hide: minimised instead, and still running
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->ExitRequested());

    form->showNormal();
    form->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible()) << "minimising goes to the taskbar, not into a missing tray";

    form->mniShowHide1Click();  // from the taskbar: shown again
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->mniShowHide1Click();  // the map's menu: to the taskbar, not withdrawn
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());

    // A host answers, but the icon is not in it yet.
    trays->sni = true;
    trays->SetStatusNotifierHost(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    form->showNormal();
    form->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());

    // The icon is in the tray: the waiting window goes into it, and close hides again.
    trays->SetIconPlaced(true);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    form->ShowForAnotherStart();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    form->close();
    EXPECT_FALSE(form->isVisible());

    // The tray goes away while the window is in it: the window comes back to the taskbar.
    trays->SetStatusNotifierHost(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    form->Exit1Click();
    EXPECT_TRUE(form->ExitRequested());
}

TEST_F(MainStatesTest, MiniModeReplacesTheWindowUntilItIsShownAgainWhereItWasPut) {
    Create("2026-01-15T22:07:30");  // past midnight in Kyiv: London and New York are a day behind
    form->show();
    QAction* miniItem = form->TrayMenu()->findChild<QAction*>("mniMiniMode");
    ASSERT_NE(miniItem, nullptr);

    // A right click on the map opens the tray's menu, whose "Режим мини" enters mini mode.
    auto* map = form->findChild<QWidget*>("img1");
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(450, 200), map->mapToGlobal(QPoint(450, 200)));
    QCoreApplication::sendEvent(map, &rightClick);
    EXPECT_TRUE(form->TrayMenu()->isVisible());
    form->TrayMenu()->hide();
    miniItem->trigger();
    QPointer<TMiniModeForm> strip = form->MiniModeForm();
    ASSERT_NE(strip, nullptr);
    EXPECT_TRUE(strip->isVisible());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(miniItem->isEnabled());
    form->EnterMiniMode();  // a second request keeps the one strip
    EXPECT_EQ(form->MiniModeForm(), strip);
    EXPECT_EQ(StripCount(), 1);
    EXPECT_EQ(form->findChildren<TMiniModeForm*>().size(), 0);  // the strip has no owner

    // The strip shows the clocks as the window's tiles do, day marks included, and follows
    // the window's minute.
    const QString tiles = QString("London %1, NewYork %2, Tokyo %3, Sydney %4, Moscow %5")
                              .arg(TimeText(1), TimeText(2), TimeText(3), TimeText(4), TimeText(5));
    EXPECT_EQ(strip->img1->accessibleName(), tiles);
    EXPECT_EQ(tiles, "London 22:07 −1 д., NewYork 17:07 −1 д., Tokyo 7:07, Sydney 9:07, Moscow 1:07");
    clock.Advance(60'000);
    EXPECT_EQ(strip->img1->accessibleName(),
              "London 22:08 −1 д., NewYork 17:08 −1 д., Tokyo 7:08, Sydney 9:08, Moscow 1:08");

    // Dragged with the left button and put down, the strip saves where it was put.
    const QPoint put = strip->pos() + QPoint(30, 40);
    Press(strip->img1, Qt::LeftButton, QPoint(10, 5));
    Move(strip, QPoint(40, 45));
    Release(strip, Qt::LeftButton, QPoint(40, 45));
    EXPECT_EQ(strip->pos(), put);
    EXPECT_TRUE(SettingsFile().contains("[Mini]\r\nX=" + QByteArray::number(put.x()) + "\r\nY=" +
                                        QByteArray::number(put.y()) + "\r\n"))
        << SettingsFile().toStdString();

    form->mniShowHide1Click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(miniItem->isEnabled());
    EXPECT_EQ(form->MiniModeForm(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(strip.isNull());

    Create();  // after a restart, the strip comes back where it was put
    form->show();
    form->findChild<QToolButton*>("btnMiniMode")->click();
    ASSERT_NE(form->MiniModeForm(), nullptr);
    EXPECT_EQ(form->MiniModeForm()->pos(), put);
}

// A click on the third clock box opens the editor. The user types a name, picks a zone,
// takes a colour from the colour dialog that the swatch opens, and presses OK: the clock
// shows it at once, the settings file holds exactly that clock, and a restart brings it
// back. Cancelled, in either dialog, nothing changes.
TEST_F(MainStatesTest, AClockEditedThroughItsDialogsIsShownSavedAndComesBackAfterARestart) {
    Create();
    form->show();
    const TIME_ZONE_INFORMATION chartZone = form->ChartZone();
    const int india = form->TimeZoneList().IndexOfStandardName(QString("India Standard Time"));
    auto* label = form->findChild<QLabel*>("lblCapital3");
    QColor preset;
    InNextModal(form.get(), [&](QWidget* dialog) {
        auto* editor = qobject_cast<TEditCapitalClockForm*>(dialog);
        ASSERT_NE(editor, nullptr) << "no clock editor";
        editor->edtName->setText("Токио ");  // taken as typed, not trimmed
        editor->cbbTimeZones->setCurrentIndex(india);
        InNextModal(editor, [&](QWidget* picker) {
            auto* colours = qobject_cast<QColorDialog*>(picker);
            ASSERT_NE(colours, nullptr) << "the swatch opened no colour dialog";
            preset = colours->currentColor();
            colours->setCurrentColor(QColor(0x12, 0x34, 0x56));
            colours->accept();
        });
        Click(editor->pnlColor);
        EXPECT_EQ(editor->pnlColor->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
        EXPECT_EQ(form->Capital(3)->Color, 0x0081CED2u);  // the clock changes only through OK
        Click(editor->btnOK);
    });
    Click(label);
    EXPECT_EQ(preset, QColor(0xD2, 0xCE, 0x81));  // the clock's own colour
    EXPECT_EQ(label->text(), "Токио ");
    EXPECT_EQ(TimeText(3), "15:37");  // UTC+5:30, refreshed at once
    EXPECT_EQ(form->Capital(3)->Color, 0x00563412u);
    EXPECT_TRUE(form->ChartZone() == chartZone);
    // The map keeps its own cities and zones.
    EXPECT_EQ(form->MarkerList().CapitalAt(QPoint(726, 138))->Name, "Tokyo");
    const QByteArray saved = SettingsFile();
    EXPECT_EQ(saved, "[2]\r\nName=\"\xD2\xEE\xEA\xE8\xEE \"\r\nBGColor=5649426\r\nTZI=" +
                         EncodeZoneRecord(form->TimeZoneList()[india].ToTimeZoneInformation()) + "\r\n");

    InNextModal(form.get(), [&](QWidget* dialog) {
        auto* editor = qobject_cast<TEditCapitalClockForm*>(dialog);
        ASSERT_NE(editor, nullptr) << "no clock editor";
        editor->edtName->setText("Отменено");
        InNextModal(editor, [](QWidget* picker) {
            ASSERT_NE(qobject_cast<QColorDialog*>(picker), nullptr) << "the swatch opened no colour dialog";
            static_cast<QColorDialog*>(picker)->setCurrentColor(Qt::red);
            static_cast<QColorDialog*>(picker)->reject();
        });
        Click(editor->pnlColor);
        EXPECT_EQ(editor->Color(), 0x00563412u);
        Click(editor->btnCancel);
    });
    Click(label);
    EXPECT_EQ(label->text(), "Токио ");
    EXPECT_EQ(SettingsFile(), saved);

    Create();  // a restart over the same settings file
    EXPECT_EQ(form->Capital(3)->Name, "Токио ");
    EXPECT_EQ(form->findChild<QLabel*>("lblCapital3")->text(), "Токио ");
    EXPECT_EQ(TimeText(3), "15:37");
    EXPECT_EQ(form->Capital(3)->Color, 0x00563412u);
    EXPECT_EQ(form->Capital(1)->Name, "London");
}

// The editor holds the catalogue's entries by position, so the catalogue is not read
// anew while it is open, even across New Year; it is read at the next minute after.
TEST_F(MainStatesTest, AClockEditedAcrossNewYearTakesTheZonePicked) {
    int builds = 0;
    TForm1Options options;
    options.reportError = [this](const QString& m) { errors << m; };
    // After the first, every catalogue lacks its westernmost zone, so positions move.
    options.zoneRegistry = [&builds](qint64 utcMs) {
        TRegistry registry = LoadFallbackTimeZoneRegistry();
        if (builds++ > 0)
            registry.DeleteKey(HKEY_LOCAL_MACHINE,
                               kTimeZonesKeyPath + QStringLiteral("\\Dateline Standard Time"));
        return TZoneRegistryBuild{registry, NextUtcNewYearMs(utcMs)};
    };
    options.runEditor = [this](TEditCapitalClockForm& dialog) {
        dialog.cbbTimeZones->setCurrentIndex(
            dialog.cbbTimeZones->findText("(UTC+05:30)", Qt::MatchStartsWith));
        clock.SetUtc("2027-01-01T00:01:00");  // New Year passes while the editor is open
        return int(TEditCapitalClockForm::mrOk);
    };
    clock.SetUtc("2026-12-31T23:59:00");
    form = std::make_unique<TForm1>(clock, options);
    form->show();
    form->CapitalBoxClicked(2);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(TimeText(3), "5:31");  // UTC+5:30
    clock.Advance(60'000);
    EXPECT_EQ(builds, 2);
    EXPECT_EQ(TimeText(3), "5:32");
}

TEST_F(MainStatesTest, BalloonsKeepComingWhileHiddenButNotAtTheStartUpMinute) {
    Create("2026-01-15T08:00:30");  // "Открылся London" is due in this very minute
    QStringList shown;  // as the tray is asked to show them: 20 s with the information icon
    form->TrayShell().SetShowMessage(
        [&](const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon, int ms) {
            shown << title + ": " + text;
            EXPECT_EQ(icon, QSystemTrayIcon::Information);
            EXPECT_EQ(ms, 20'000);
        });
    form->show();
    form->close();  // into the tray
    clock.Advance(20'000);  // the tick wakes within the start-up minute
    EXPECT_TRUE(shown.isEmpty());
    for (int minute = 0; minute < 24 * 60; ++minute) clock.Advance(60'000);
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown[0], "Horavane 2.0: Закрылся Tokyo");  // 09:00 UTC
    EXPECT_EQ(shown[6], "Horavane 2.0: Открылся London");   // the next morning
    clock.Advance(60'000);
    EXPECT_EQ(form->TrayHint().split("\r\n").first(), "London 8:01");  // the tooltip goes on too
}

// --- the trading week, worked out afresh from the tz database ----------------------

constexpr qint64 kMinute = 60'000;
constexpr qint64 kHour = 3'600'000;

qint64 Ms(const char* isoUtc) {
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toMSecsSinceEpoch();
}

// The instant at which the zone's clock reads the wall time given as naive milliseconds.
qint64 AtWallTime(qint64 wallMs, const QTimeZone& zone) {
    const QDateTime wall = QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC);
    return QDateTime(wall.date(), wall.time(), zone).toMSecsSinceEpoch();
}

qint64 WallTime(qint64 utcMs, const QTimeZone& zone) {
    return utcMs + zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC)) * 1000LL;
}

int Weekday(qint64 wallMs) {  // Qt's: Monday 1 .. Sunday 7
    return QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC).date().dayOfWeek();
}

QString Countdown(qint64 ms) {
    const qint64 m = ms / kMinute;
    QString text;
    const QString hours = QString::number(m / 60 % 24);
    if (m >= 1440) text += QString::number(m / 1440) + " д. " + hours.rightJustified(2, '0') + " ч. ";
    else if (m >= 60) text += hours + " ч. ";
    return text + QString::number(m % 60).rightJustified(2, '0') + " мин";
}

QString HourText(int minutes) {
    return QString("%1:%2").arg(minutes / 60 % 24).arg(minutes % 60, 2, 10, QChar('0'));
}

// The currency market is open from Sunday 17:00 to Friday 17:00 New York time. The chart
// zone is New York's rule moved to UTC+2: its clock reads New York's plus seven hours,
// and it makes New York's changes at the same readings of its own clock, so seven hours
// before New York does (its state at an instant is New York's seven hours later). An
// exchange is open during its own hours on its own weekdays, ending at the latest with
// the chart zone's day (the chart holds the CME at 24:00, 16:00 in Chicago); its bar's
// title shows them moved into the chart zone by whole hours, as they are during the
// session running or coming next.
struct TradingModel {
    QTimeZone newYork{"America/New_York"}, chicago{"America/Chicago"}, moscow{"Europe/Moscow"};

    struct Bar {
        QString name;
        int open, close;  // chart-zone minutes of the day (1440 = 24:00)
        std::vector<std::pair<qint64, qint64>> spans;
    };

    bool MarketOpen(qint64 utcMs) const {
        const qint64 wall = WallTime(utcMs, newYork);
        const int day = Weekday(wall);
        const qint64 ofDay = ((wall % (24 * kHour)) + 24 * kHour) % (24 * kHour);
        if (day == 6) return false;
        if (day == 7) return ofDay >= 17 * kHour;
        if (day == 5) return ofDay < 17 * kHour;
        return true;
    }
    int ChartOffset(qint64 utcMs) const {  // seconds east of UTC
        return newYork.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs + 7 * kHour, Qt::UTC)) + 7 * 3600;
    }
    qint64 ChartWallTime(qint64 utcMs) const { return utcMs + ChartOffset(utcMs) * 1000LL; }
    qint64 ChartDayToUtc(qint64 chartDayStartWall, int minutes) const {
        return AtWallTime(chartDayStartWall + minutes * kMinute, newYork) - 7 * kHour;
    }
    // The bar's spans on the chart-zone days from..to (wall milliseconds of midnight);
    // tradesAt tells whether the span that opens at an instant trades.
    template <class Trades>
    void FillSpans(Bar& bar, qint64 fromDay, qint64 toDay, Trades tradesAt) const {
        bar.spans.clear();
        for (qint64 day = fromDay; day <= toDay; day += 24 * kHour) {
            const qint64 open = ChartDayToUtc(day, bar.open), close = ChartDayToUtc(day, bar.close);
            if (close > open && tradesAt(open)) bar.spans.emplace_back(open, close);
        }
    }
    // Open now, and the instant that ends it.
    static std::pair<bool, qint64> State(const Bar& bar, qint64 utcMs) {
        for (const auto& [open, close] : bar.spans) {
            if (utcMs < open) return {false, open};
            if (utcMs < close) return {true, close};
        }
        ADD_FAILURE() << "the model has no span after " << utcMs;
        return {false, utcMs};
    }

    // An exchange's sessions on its own days from..to (wall milliseconds of its midnights)
    // but its holidays.
    std::vector<std::pair<qint64, qint64>> ExchangeSessions(const QTimeZone& zone, int openMinutes,
                                                            int closeMinutes, qint64 fromDay,
                                                            qint64 toDay, const std::set<QDate>& holidays) const {
        std::vector<std::pair<qint64, qint64>> spans;
        for (qint64 day = fromDay; day <= toDay; day += 24 * kHour) {
            if (Weekday(day) >= 6 || holidays.count(QDateTime::fromMSecsSinceEpoch(day, Qt::UTC).date())) continue;
            const qint64 open = AtWallTime(day + openMinutes * kMinute, zone);
            const qint64 chartDayEnd =
                ChartDayToUtc(ChartWallTime(open) / (24 * kHour) * (24 * kHour) + 24 * kHour, 0);
            spans.emplace_back(open, std::min(AtWallTime(day + closeMinutes * kMinute, zone), chartDayEnd));
        }
        return spans;
    }
    // An exchange's whole-hour offset from the chart zone during its session now or next.
    int ExchangeOffset(const QTimeZone& zone, const std::vector<std::pair<qint64, qint64>>& sessions,
                       qint64 utcMs) const {
        const auto session = std::find_if(sessions.begin(), sessions.end(),
                                          [&](const auto& span) { return span.second > utcMs; });
        EXPECT_NE(session, sessions.end());
        const qint64 at = std::max(utcMs, session->first);
        const int ahead = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC)) - ChartOffset(at);
        return ahead / 3600;  // truncated toward zero
    }
};

// A local time of day (minutes) moved into the chart zone by whole hours: an hour pushed
// below 0:00 stays at 0:00, one pushed to 24:00 or beyond is 24:00.
int ChartMinutes(int localMinutes, int hoursAhead) {
    const int hour = localMinutes / 60 - hoursAhead;
    return hour < 0 ? 0 : hour >= 24 ? 1440 : hour * 60 + localMinutes % 60;
}

QString Title(const TradingModel::Bar& bar) {
    return bar.name + " (" + HourText(bar.open) + " - " + HourText(bar.close) + ")";
}

const QTimeZone& Zone(const char* iana) {
    static std::map<std::string, QTimeZone> zones;
    const auto found = zones.find(iana);
    return found != zones.end() ? found->second : zones.emplace(iana, QTimeZone(iana)).first->second;
}

// The time a zone's clock shows, as the clocks show it ("9:05").
QString ClockAt(qint64 utcMs, const char* zone) {
    return QDateTime::fromMSecsSinceEpoch(utcMs, Zone(zone)).toString("H:mm");
}

// The day a clock shows against the reference clock's, as its box adds it: " +1 д.",
// " −1 д.", nothing on the same date.
QString DayMark(qint64 utcMs, const char* zone, const char* reference) {
    const QDate there = QDateTime::fromMSecsSinceEpoch(utcMs, Zone(zone)).date();
    const qint64 days = QDateTime::fromMSecsSinceEpoch(utcMs, Zone(reference)).date().daysTo(there);
    return days == 0 ? QString() : QString(days > 0 ? " +" : " −") + QString::number(std::abs(days)) + " д.";
}

// The instants the currency market opens or closes from..to, minute by minute.
std::vector<qint64> MarketChanges(const TradingModel& model, qint64 from, qint64 to) {
    std::vector<qint64> changes;
    bool open = model.MarketOpen(from);
    for (qint64 t = from / kMinute * kMinute + kMinute; t <= to; t += kMinute)
        if (model.MarketOpen(t) != open) {
            open = !open;
            changes.push_back(t);
        }
    return changes;
}

// The time to an event as the coming events tell it: "1 д. 2 ч. 5 мин", no part that is
// zero, a non-breaking space between a number and its unit.
QString PanelCountdown(qint64 ms) {
    const qint64 m = ms / kMinute;
    QStringList parts;
    if (m >= 1440) parts << QString::number(m / 1440) + QChar(0xA0) + "д.";
    if (m / 60 % 24) parts << QString::number(m / 60 % 24) + QChar(0xA0) + "ч.";
    if (m % 60 || parts.isEmpty()) parts << QString::number(m % 60) + QChar(0xA0) + "мин";
    return parts.join(' ');
}

// The coming events of the trading week at t, in time order, those of one instant on one
// line: the market's opening, or its close once that is within a day; the next two
// openings or closings of the sessions (closings first); the next start of the London and
// NewYork overlap. Countdowns run from t's minute.
std::vector<std::pair<qint64, QString>> WeekEvents(const TradingModel& model,
                                                   const std::vector<qint64>& marketChanges,
                                                   const std::vector<TradingModel::Bar>& sessions,
                                                   const TradingModel::Bar& overlap, qint64 t) {
    const qint64 minute = t / kMinute * kMinute;
    struct Part {
        qint64 at;
        int order;  // closings, then openings, the market first; then the overlap
        QString name;
    };
    std::vector<Part> sessionParts;
    for (size_t g = 0; g < sessions.size(); ++g)
        for (const auto& [open, close] : sessions[g].spans) {
            if (close > t) sessionParts.push_back({close, 1 + int(g), sessions[g].name});
            if (open > t) sessionParts.push_back({open, 11 + int(g), sessions[g].name});
        }
    const auto earlier = [](const Part& a, const Part& b) { return std::tie(a.at, a.order) < std::tie(b.at, b.order); };
    std::sort(sessionParts.begin(), sessionParts.end(), earlier);
    std::vector<Part> parts(sessionParts.begin(), sessionParts.begin() + 2);
    const qint64 next = *std::upper_bound(marketChanges.begin(), marketChanges.end(), t);
    if (!model.MarketOpen(t)) parts.push_back({next, 10, "рынка"});
    else if (next - minute < 24 * kHour) parts.push_back({next, 0, "рынка"});
    for (const auto& [open, close] : overlap.spans)
        if (open > t) {
            parts.push_back({open, 20, "London – NewYork"});
            break;
        }
    std::sort(parts.begin(), parts.end(), earlier);
    std::vector<std::pair<qint64, QString>> lines;
    for (size_t i = 0; i < parts.size();) {
        QStringList closing, opening, overlaps;
        bool market = false;
        size_t j = i;
        for (; j < parts.size() && parts[j].at == parts[i].at; ++j) {
            (parts[j].order < 10 ? closing : parts[j].order < 20 ? opening : overlaps) << parts[j].name;
            market = market || parts[j].name == "рынка";
        }
        const auto join = [](const QStringList& names) {
            return names.size() < 2 ? names.join("") : names.mid(0, names.size() - 1).join(", ") + " и " + names.last();
        };
        QStringList phrases;
        if (!closing.isEmpty()) phrases << "закрытие " + join(closing);
        if (!opening.isEmpty()) phrases << "открытие " + join(opening);
        for (const QString& name : overlaps) phrases << "пересечение " + name;
        QString text = phrases.join(", ");
        text[0] = text[0].toUpper();
        text += " через " + PanelCountdown(parts[i].at - minute);
        if (market) {
            const QDateTime there = QDateTime::fromMSecsSinceEpoch(parts[i].at, model.newYork);
            text += " (" + QStringList{"понедельник", "вторник", "среда", "четверг", "пятница", "суббота",
                                        "воскресенье"}[there.date().dayOfWeek() - 1] +
                    there.toString(" H:mm") + " NewYork)";
        }
        lines.emplace_back(parts[i].at, text);
        i = j;
    }
    return lines;
}

// Whether the lines shown are some of those expected, in their order.
bool InOrderAmong(const QStringList& shown, const QStringList& expected) {
    qsizetype at = 0;
    for (const QString& line : shown) {
        at = expected.indexOf(line, at);
        if (at < 0) return false;
        ++at;
    }
    return true;
}

// Three stretches of the real tick, minute by minute, through one running program: the
// American and European March changes, the European and American autumn ones, and New
// Year, each across weekends. At every minute the clocks, the map's markers, the seven
// bars and the three strips are compared with the tz database and with the trading rules
// worked out above; the balloons of the whole run with those of the trading days. The
// fifth clock was saved with the 2026 rule of Casablanca, which in 2027 changes on other
// days; the program must use this year's. Sanitizer builds run a day of each stretch
// only, around its changes (HORAVANE_SIMULATED_DAYS).
TEST_F(MainStatesTest, WeeksOfTicksFollowTheTradingWeekClockChangesAndNewYear) {
    struct Stretch {
        const char* from;
        const char* to;
        const char* shortFrom;  // a day around the changes
    };
    const Stretch full[] = {{"2027-03-05T00:00:00Z", "2027-03-31T00:00:00Z", "2027-03-14T00:00:00Z"},
                            {"2027-10-22T00:00:00Z", "2027-11-10T00:00:00Z", "2027-11-06T22:30:00Z"},
                            {"2027-12-24T00:00:00Z", "2028-01-07T00:00:00Z", "2027-12-31T12:00:00Z"}};
    const bool scaled = qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS") > 0;
    const qint64 scaledDays = std::max(1, qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS") / 3);
    std::vector<std::pair<qint64, qint64>> stretches;
    for (const Stretch& s : full)
        stretches.emplace_back(scaled ? Ms(s.shortFrom) : Ms(s.from),
                               scaled ? Ms(s.shortFrom) + scaledDays * 24 * kHour : Ms(s.to));

    GetSettings().WriteCapital(4, TMainCapital("Casablanca",
                                               RecordAt("2026-06-01T00:00:00Z", "Morocco Standard Time"), 0));
    const QByteArray start =
        QDateTime::fromMSecsSinceEpoch(stretches.front().first, Qt::UTC).toString(Qt::ISODate).toLatin1();
    Create(start, true);
    form->show();
    QStringList balloons;
    QObject::connect(form.get(), &TForm1::balloonShown, [&](const QString&, const QString& text) {
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(clock.UtcMs(), Qt::UTC);
        balloons << now.toString("yyyy-MM-dd hh:mm ") + text;
    });
    // The window's objects but the coming events' rows, as many as the lines that fit, with
    // what each holds.
    const auto lastingObjects = [&] {
        const auto row = [](const QObject* object) {
            for (; object; object = object->parent())
                if (object->objectName().startsWith("lblUpcoming") && object->objectName() != "lblUpcomingTitle") return true;
            return false;
        };
        int count = 0;
        for (const QObject* object : form->findChildren<QObject*>()) count += !row(object);
        return count;
    };
    const int objectsAtStart = lastingObjects();

    TradingModel model;
    std::vector<TradingModel::Bar> sessions = {{"Sydney", 0, 540, {}}, {"Tokyo", 120, 660, {}},
                                               {"London", 600, 1140, {}}, {"NewYork", 900, 1440, {}}};
    std::vector<TradingModel::Bar> strips = {{"", 120, 540, {}}, {"", 600, 660, {}}, {"", 900, 1140, {}}};
    struct Exchange {
        const char* name;
        const QTimeZone* zone;
        int localOpen, localClose;
        const std::set<QDate>* holidays;
    };
    // Their holidays in the stretches: Good Friday and Christmas (kept on Friday 24
    // December 2027) in America; the public holidays in Moscow, whose 2027 and 2028
    // calendars the program does not know.
    const std::set<QDate> american = {QDate(2027, 3, 26), QDate(2027, 12, 24)};
    const std::set<QDate> russian = {QDate(2027, 3, 8),  QDate(2027, 11, 4), QDate(2028, 1, 3),
                                     QDate(2028, 1, 4),  QDate(2028, 1, 5),  QDate(2028, 1, 6),
                                     QDate(2028, 1, 7)};
    const Exchange exchanges[] = {{"CME", &model.chicago, 570, 1020, &american},
                                  {"NYSE", &model.newYork, 570, 960, &american},
                                  {"РТС", &model.moscow, 600, 1005, &russian}};
    const char* clockZones[] = {"Europe/London", "America/New_York", "Asia/Tokyo", "Australia/Sydney",
                                "Africa/Casablanca"};
    const std::pair<const char*, const char*> markerZones[] = {
        {"London", "Europe/London"},   {"NewYork", "America/New_York"}, {"Tokyo", "Asia/Tokyo"},
        {"Moscow", "Europe/Moscow"},   {"Chicago", "America/Chicago"},  {"Paris", "Europe/Paris"},
        {"Bern", "Europe/Zurich"},     {"Berlin", "Europe/Berlin"},     {"Minsk", "Europe/Minsk"},
        {"Kiev", "Europe/Kyiv"},       {"Astana", "Asia/Almaty"},       {"Hongkong", "Asia/Hong_Kong"},
        {"Singapore", "Asia/Singapore"}};
    ASSERT_EQ(form->MarkerList().Count(), 13);

    QStringList expectedBalloons;
    // "14 марта: ...", "26 марта: NYSE и CME закрыты ...", "РТС: календарь ..."
    const QRegularExpression calendarLine(QString("^(\\d+") + QChar(0xA0) + "\\S+|РТС): ");
    int wrong = 0;
    auto check = [&](bool ok, const QString& what, const QString& shown, const QString& expected) {
        if (!ok && ++wrong <= 10)
            ADD_FAILURE() << QDateTime::fromMSecsSinceEpoch(clock.UtcMs(), Qt::UTC)
                                 .toString(Qt::ISODate)
                                 .toStdString()
                          << " " << what.toStdString() << ": " << shown.toStdString() << ", expected "
                          << expected.toStdString();
    };
    for (size_t s = 0; s < stretches.size(); ++s) {
        // The program runs on, the clock jumps ahead: to another minute of the hour, or
        // the tick would not notice (a jump of whole hours goes unnoticed, by design).
        const qint64 from = s == 0 ? stretches[s].first : stretches[s].first - kMinute;
        const qint64 to = stretches[s].second;
        if (s > 0) clock.SetUtcMs(from);
        // The model's spans, from the chart-zone day before the stretch to two weeks after,
        const qint64 firstDay = model.ChartWallTime(from) / (24 * kHour) * (24 * kHour) - 24 * kHour;
        // far enough for the Moscow exchange's New Year break.
        const qint64 lastDay = firstDay + (to - from) / (24 * kHour) * (24 * kHour) + 16 * 24 * kHour;
        for (auto* bars : {&sessions, &strips})
            for (TradingModel::Bar& bar : *bars)
                model.FillSpans(bar, firstDay, lastDay, [&](qint64 open) { return model.MarketOpen(open); });
        // Balloons: where session spans meet the minutes the program ticks.
        for (qint64 t = s == 0 ? from + kMinute : from; t <= to; t += kMinute) {
            QStringList closing, opening;
            for (const TradingModel::Bar& bar : sessions)
                for (const auto& [open, close] : bar.spans) {
                    if (close == t) closing << bar.name;
                    if (open == t) opening << bar.name;
                }
            QStringList parts;
            for (const QString& name : closing) parts << (parts.isEmpty() ? "Закрылся " : "закрылся ") + name;
            for (const QString& name : opening) parts << (parts.isEmpty() ? "Открылся " : "открылся ") + name;
            if (!parts.isEmpty())
                expectedBalloons
                    << QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString("yyyy-MM-dd hh:mm ") +
                           parts.join(", ");
        }
        const std::vector<qint64> marketChanges = MarketChanges(model, from, to + 8 * 24 * kHour);
        std::vector<TradingModel::Bar> exchangeBars;
        for (const Exchange& e : exchanges) {
            const qint64 firstLocalDay = WallTime(from, *e.zone) / (24 * kHour) * (24 * kHour) - 24 * kHour;
            exchangeBars.push_back({e.name, 0, 0,
                                    model.ExchangeSessions(*e.zone, e.localOpen, e.localClose, firstLocalDay,
                                                           firstLocalDay + (lastDay - firstDay), *e.holidays)});
        }
        for (qint64 t = from; t <= to; t += kMinute) {
            if (t > from) clock.Advance(kMinute);  // wakes the real tick
            const qint64 wholeMinute = t;
            for (int slot = 1; slot <= 5; ++slot) {
                const char* zone = clockZones[slot - 1];
                const QString expected = ClockAt(t, zone) + DayMark(t, zone, "Europe/Kyiv");
                check(TimeText(slot) == expected, zone, TimeText(slot), expected);
            }
            check(ReferenceText() == ClockAt(t, "Europe/Kyiv"), "btnLocalTime", ReferenceText(),
                  ClockAt(t, "Europe/Kyiv"));
            // The hour line: the panel of Kyiv's hour, alone in red, stands under the chart's
            // yellow column of the chart zone's hour (column 0 is 23:00, time runs right to
            // left). Over the map's top rows, above every bar, the yellow shows pure.
            const int chartHour = int(model.ChartWallTime(t) / kHour % 24);
            const int kyivHour = QDateTime::fromMSecsSinceEpoch(t, Zone("Europe/Kyiv")).time().hour();
            const auto hourPanel = [&](int hour) {
                return form->findChild<QLabel*>(QString("pnl%1").arg(hour == 0 ? 24 : hour));
            };
            const QLabel* panel = hourPanel(kyivHour);
            const int column = 23 - chartHour;
            check(panel->x() == ColumnLeft(column, 37.5), "hour panel", QString::number(panel->x()),
                  QString::number(ColumnLeft(column, 37.5)));
            const auto red = [](const QLabel* label) { return label->palette().color(QPalette::WindowText) == Qt::red; };
            check(red(panel) && !red(hourPanel((kyivHour + 23) % 24)), "red hour panel", panel->objectName(), "");
            const auto yellow = [&](int a) {
                const QRgb p = form->ChartBitmap().pixel(ColumnLeft(a, 37.5) + 18, 2);
                return qRed(p) > 180 && qGreen(p) > 180 && qBlue(p) < 110;
            };
            check(yellow(column) && !yellow((column + 1) % 24), "yellow column", "", QString::number(column));
            for (int i = 0; i < 13; ++i) {
                const TWorldMapCapital& marker = form->MarkerList()[i];
                const auto city = std::find_if(std::begin(markerZones), std::end(markerZones),
                                               [&](const auto& m) { return marker.Name == m.first; });
                ASSERT_NE(city, std::end(markerZones)) << marker.Name.toStdString();
                const QString expected = marker.Name + " " + ClockAt(t, city->second);
                check(CapitalHintText(marker, clock.UtcNow()) == expected, "marker",
                      CapitalHintText(marker, clock.UtcNow()), expected);
            }
            // The bars: sessions 0..3 from the spans, exchanges 4..6 from their hours now.
            for (int k = 0; k < 3; ++k) {
                const Exchange& e = exchanges[k];
                TradingModel::Bar& bar = exchangeBars[size_t(k)];
                const int offset = model.ExchangeOffset(*e.zone, bar.spans, t);
                bar.open = ChartMinutes(e.localOpen, offset);
                bar.close = ChartMinutes(e.localClose, offset);
            }
            for (size_t g = 0; g < 7; ++g) {
                const TradingModel::Bar& bar = g < 4 ? sessions[g] : exchangeBars[g - 4];
                const auto [open, until] = TradingModel::State(bar, t);
                const TExchange& element = *form->Model().Sessions().SessionList[g];
                const QString shown = element.TitleText() + " " + element.CountdownText(clock.UtcMs());
                const QString expected = Title(bar) + (open ? " до закрытия " : " до открытия ") +
                                         Countdown(until - wholeMinute);
                check(shown == expected && element.IsActiveAt(clock.UtcMs()) == open, "bar", shown, expected);
            }
            for (size_t g = 0; g < 3; ++g) {
                const auto [open, until] = TradingModel::State(strips[g], t);
                const TIntersection& strip = *form->Model().Sessions().OverlapList[g];
                const QString expected = open ? HourText(int((until - wholeMinute) / kMinute))
                                              : HourText(strips[g].close - strips[g].open);
                check(strip.IsActiveAt(clock.UtcMs()) == open && strip.ValueText(clock.UtcMs()) == expected, "strip",
                      strip.ValueText(clock.UtcMs()), expected);
            }
            // The coming events: the week's lines shown are the model's, in its order, whatever
            // clock changes and holidays come between them, and the first is always there
            // (the panel keeps what matters most of what does not fit).
            QStringList week;
            for (const QString& line : Upcoming())
                if (!calendarLine.match(line).hasMatch()) week << line;
            QStringList expectedWeek;
            for (const auto& [at, line] : WeekEvents(model, marketChanges, sessions, strips[2], t)) expectedWeek << line;
            check(!week.isEmpty() && week.front() == expectedWeek.front() && InOrderAmong(week, expectedWeek),
                  "coming events", week.join(" | "), expectedWeek.join(" | "));
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(balloons.size(), expectedBalloons.size());
    for (qsizetype i = 0; i < std::min(balloons.size(), expectedBalloons.size()); ++i)
        if (balloons[i] != expectedBalloons[i]) {
            ADD_FAILURE() << "balloon " << i << ": " << balloons[i].toStdString() << ", expected "
                          << expectedBalloons[i].toStdString();
            break;
        }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(lastingObjects(), objectsAtStart);
}

// The coming events as the panel under the hour line shows them and a screen reader reads
// them, before the clock changes of March 2027: on Friday evening, on the Saturday, and a
// week later between the American and the European changes. The week's lines come from
// the trading rules above; the changes are the tz database's.
TEST_F(MainStatesTest, TheComingEventsTellTheWeekAndTheClockChangesAhead) {
    const auto changeAfter = [](const char* zone, const char* utc) {
        return Zone(zone).nextTransition(QDateTime::fromMSecsSinceEpoch(Ms(utc), Qt::UTC)).atUtc.toMSecsSinceEpoch();
    };
    // New York and Chicago (the CME) change on 14 March, the chart zone with New York's rule
    // the evening before; London and Kyiv, the reference zone, on the 28th; Sydney goes
    // back on 4 April; Tokyo and Moscow keep their time. The chart zone moves an hour away
    // from Kyiv until the 28th and from Moscow for the summer, so the "РТС" bar moves.
    const qint64 american = Ms("2027-03-14T07:00:00Z"), european = Ms("2027-03-28T01:00:00Z");
    EXPECT_EQ(changeAfter("America/New_York", "2027-03-01T00:00:00Z"), american);
    EXPECT_EQ(changeAfter("America/Chicago", "2027-03-01T00:00:00Z"), american + kHour);
    EXPECT_EQ(changeAfter("Europe/London", "2027-03-01T00:00:00Z"), european);
    EXPECT_EQ(changeAfter("Europe/Kyiv", "2027-03-01T00:00:00Z"), european);
    EXPECT_EQ(changeAfter("Australia/Sydney", "2027-03-01T00:00:00Z"), Ms("2027-04-03T16:00:00Z"));
    // "~" is the non-breaking space between a number and its unit.
    const auto nb = [](const char* text) { return QString::fromUtf8(text).replace('~', QChar(0xA0)); };
    // The "РТС" bar's move is told until the bar shows its new hours: after Friday's session.
    const QString americanLine = nb("14~марта: NewYork и CME переходят на летнее время; до 28~марта разница London – "
                                    "NewYork 4~ч. вместо 5, сессии и уведомления на 1~ч. раньше по вашему времени");
    const QString rtsMoves = "; РТС на графике 10:00 - 16:45 вместо 9:00 - 15:45";
    const qint64 rtsFridayClose = Ms("2027-03-12T13:45:00Z");
    const std::pair<qint64, QString> changes[] = {
        {european, nb("28~марта: London и ваш пояс переходят на летнее время; "
                      "сессии и уведомления на 1~ч. позже по вашему времени")},
        {Ms("2027-04-03T16:00:00Z"), nb("4~апреля: Sydney переходит на зимнее время")}};
    // Good Friday, a week ahead from New York's midnight; the year's Moscow calendar, not known.
    const std::pair<qint64, QString> goodFriday = {Ms("2027-03-26T04:00:00Z"),
                                                   nb("26~марта: NYSE и CME закрыты (Страстная пятница)")};
    const QString unknownYear = nb("РТС: календарь на 2027~год ещё не известен, взяты государственные праздники");

    TradingModel model;
    std::vector<TradingModel::Bar> sessions = {{"Sydney", 0, 540, {}}, {"Tokyo", 120, 660, {}},
                                               {"London", 600, 1140, {}}, {"NewYork", 900, 1440, {}}};
    TradingModel::Bar overlap = {"", 900, 1140, {}};
    for (TradingModel::Bar* bar : {&sessions[0], &sessions[1], &sessions[2], &sessions[3], &overlap})
        model.FillSpans(*bar, model.ChartWallTime(Ms("2027-03-11T00:00:00Z")) / (24 * kHour) * (24 * kHour),
                        model.ChartWallTime(Ms("2027-03-26T00:00:00Z")),
                        [&](qint64 open) { return model.MarketOpen(open); });
    const std::vector<qint64> market = MarketChanges(model, Ms("2027-03-11T00:00:00Z"), Ms("2027-03-26T00:00:00Z"));

    Create("2027-03-11T20:59:30Z", true);
    form->show();
    EXPECT_FALSE(Upcoming().isEmpty());  // filled at start-up, laid out once shown
    const QWidget* panel = form->findChild<QWidget*>("pnlPromo");
    EXPECT_EQ(form->findChild<QLabel*>("lblUpcomingTitle")->text(), "Ближайшие события");
    // Thursday 16:00 in New York, a day and an hour before the market closes for the
    // weekend, too far ahead to tell; Friday 16:01, when it is told; the Saturday; the
    // Saturday after, with Good Friday in the week ahead. (The tick notices a jump of the
    // clock when it lands on another minute of the hour.)
    for (const char* moment : {"2027-03-11T21:00:00Z", "2027-03-12T21:01:00Z", "2027-03-13T12:07:00Z", "2027-03-20T12:13:00Z"}) {
        SCOPED_TRACE(moment);
        const qint64 t = Ms(moment);
        if (t - clock.UtcMs() == 30'000) clock.Advance(30'000);  // the tick at the minute
        else clock.SetUtcMs(t);                                   // the tick at the jump
        std::vector<std::pair<qint64, QString>> expected = WeekEvents(model, market, sessions, overlap, t);
        QStringList changeLines;
        if (t < american) changeLines << americanLine + (t < rtsFridayClose ? rtsMoves : QString());
        if (t < american) expected.emplace_back(american, changeLines.back());
        for (const auto& change : changes)
            if (change.first > t && change.first <= t + 30 * 24 * kHour) {
                expected.push_back(change);
                changeLines << change.second;
            }
        if (t >= goodFriday.first - 7 * 24 * kHour) expected.push_back(goodFriday);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList lines;
        for (const auto& [at, line] : expected) lines << line;
        lines << unknownYear;
        // What is shown is among the lines, in their order: the first, the clock changes,
        // and as much more as fits; the last row counts the rest, which the panel's
        // tool-tip gives in full.
        const QStringList shown = Upcoming();
        EXPECT_TRUE(InOrderAmong(shown, lines)) << shown.join('\n').toStdString() << "\n--- among ---\n"
                                                << lines.join('\n').toStdString();
        EXPECT_EQ(shown.value(0), lines.front());
        // The first clock change comes before any second opening or closing of a session.
        EXPECT_TRUE(shown.contains(changeLines.value(0))) << changeLines.value(0).toStdString();
        const auto* more = form->findChild<QLabel*>("lblUpcomingMore");
        if (shown.size() < lines.size()) {
            ASSERT_NE(more, nullptr);
            EXPECT_TRUE(more->text().startsWith(QString("ещё %1").arg(lines.size() - shown.size()) + QChar(0xA0)))
                << more->text().toStdString();
            EXPECT_EQ(panel->toolTip(), lines.join('\n'));
        } else {
            EXPECT_EQ(more, nullptr);
        }
        // Each line is plain text to select and read, laid out by Qt one under the other
        // within the panel.
        int bottom = 0;
        for (int row = 1; row <= shown.size(); ++row) {
            auto* label = form->findChild<QLabel*>(QString("lblUpcoming%1").arg(row));
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
            EXPECT_TRUE(label->isVisible());
            EXPECT_GE(label->y(), bottom);
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
            bottom = label->y() + label->height();
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(label);
            ASSERT_NE(reader, nullptr);
            EXPECT_EQ(reader->text(QAccessible::Name), label->text());
            EXPECT_EQ(Grab(label), AsQtPaints(label)) << row;
        }
        if (more) {
            EXPECT_GE(more->y(), bottom);
            bottom = more->y() + more->height();
        }
        EXPECT_LE(bottom, panel->height());
    }
    // The mouse selects part of a line of a countdown, which shows as selected; the next
    // minute's text takes its place.
    QLabel* line = nullptr;
    for (int row = 1; auto* label = form->findChild<QLabel*>(QString("lblUpcoming%1").arg(row)); ++row)
        if (!line && label->text().contains("через")) line = label;
    ASSERT_NE(line, nullptr);
    Press(line, Qt::LeftButton, {2, 5});
    Move(line, {120, 5});
    Release(line, Qt::LeftButton, {120, 5});
    ASSERT_TRUE(line->hasSelectedText());
    EXPECT_EQ(line->selectedText(), line->text().left(line->selectedText().size()));
    EXPECT_EQ(Grab(line), AsQtPaints(line));
    const QString selected = line->text();
    clock.Advance(60'000);
    const QImage shown = Grab(line);
    EXPECT_NE(line->text(), selected);
    EXPECT_FALSE(line->hasSelectedText());
    EXPECT_EQ(shown, AsQtPaints(line));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// The exchanges' calendar at start-up: a table of the user's own for next year is read
// (the Moscow exchange trades on 8 March 2027, a public holiday, and the year is known),
// a malformed one is reported once, naming its file and line, and the rest stands: the
// NYSE is closed on Good Friday and its bar counts down to Monday's opening.
TEST_F(MainStatesTest, TheWindowReadsTheUsersHolidayTablesAndReportsAMalformedOne) {
    const QString folder = dir.filePath("config/horavane/holidays");
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto write = [&](const char* name, const QByteArray& text) {
        QFile file(folder + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("moex-2027.txt", "exchange: РТС\nyear: 2027\nsource: мой список\n2027-03-08 open\n");
    write("nyse-2027.txt", "exchange: NYSE\nyear: 2027\n2027-03-26 shut\n");

    Create("2027-03-08T08:00:00Z", true);  // Monday 11:00 in Moscow
    ASSERT_EQ(errors.size(), 1) << errors.join("; ").toStdString();
    EXPECT_TRUE(errors[0].startsWith("Файл праздников \"" + folder + "/nyse-2027.txt\", строка 3: "))
        << errors[0].toStdString();
    form->show();
    EXPECT_TRUE(form->Model().Sessions().SessionList[6]->IsActiveAt(clock.UtcMs()));
    EXPECT_TRUE(Upcoming().filter("календарь").isEmpty());

    clock.SetUtc("2027-03-26T15:00:00Z");  // Good Friday, 11:00 in New York
    const TExchange& nyse = *form->Model().Sessions().SessionList[5];
    EXPECT_FALSE(nyse.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(nyse.CountdownText(clock.UtcMs()), "до открытия 2 д. 22 ч. 30 мин");
    EXPECT_EQ(errors.size(), 1);
}

// Saved clocks and a saved reference zone of catalogue zones keep the rule of now, not
// that of the year they were saved in: at start-up, and while the program runs, when
// the catalogue is read anew at New Year and at each of Morocco's three changes of 2029.
// The settings file is never written for it.
TEST_F(MainStatesTest, SavedZonesTakeTheCatalogueRuleOfNowAcrossTheYears) {
    GetSettings().WriteCapital(
        3,
        TMainCapital("Jerusalem", RecordAt("2027-06-01T00:00:00Z", "Israel Standard Time"), 0));
    const TIME_ZONE_INFORMATION casablanca = RecordAt("2027-06-01T00:00:00Z", "Morocco Standard Time");
    GetSettings().WriteCapital(4, TMainCapital("Casablanca", casablanca, 0));
    GetSettings().WriteLocalZone(casablanca);
    const QByteArray saved = SettingsFile();

    Create("2028-03-25T12:00:00Z", true);  // 2027's rule puts Israel's change a week later
    EXPECT_EQ(TimeText(4), "15:00");
    Create("2027-12-31T23:58:00Z", true);
    EXPECT_EQ(TimeText(4), "1:58");
    form->show();
    clock.Advance(120'000);  // the real tick crosses New Year
    EXPECT_EQ(TimeText(5), "1:00");
    // Morocco's Ramadan time began a fortnight earlier in 2028 than in 2027.
    const std::pair<const char*, const char*> moments[] = {
        {"2028-01-23T01:59:00Z", "2:59"}, {"2028-01-23T02:00:00Z", "2:00"}, {"2028-03-25T12:01:00Z", "13:01"},
        {"2029-01-14T01:59:00Z", "2:59"}, {"2029-01-14T02:00:00Z", "2:00"}, {"2029-02-18T01:59:00Z", "1:59"},
        {"2029-02-18T02:00:00Z", "3:00"}, {"2029-12-30T01:59:00Z", "2:59"}, {"2029-12-30T02:00:00Z", "2:00"},
        {"2030-02-10T01:59:00Z", "1:59"}, {"2030-02-10T02:00:00Z", "3:00"}};
    for (const auto& [utc, expected] : moments) {
        clock.SetUtc(utc);  // the tick wakes at the jump
        EXPECT_EQ(TimeText(5), expected) << utc;
        EXPECT_EQ(ReferenceText(), expected) << utc;
    }
    clock.SetUtc("2028-03-25T12:01:00Z");  // and back: read for that instant again
    EXPECT_EQ(TimeText(4), "15:01");
    EXPECT_EQ(SettingsFile(), saved);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

}  // namespace
