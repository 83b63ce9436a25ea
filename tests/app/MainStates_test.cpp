// The main window's states (shown, in the tray, mini mode), its menu, the clock editor's
// round trip through the settings file, the coming events' panel, and the catalogue's
// readings across the years. (Weeks of minutes are the model's: tests/model.)
#include "app/Main.h"
#include "clocks/EditCapitalClockForm.h"
#include "minimode/MouseSupport.h"
#include "support/FakeClock.h"
#include "settings/Settings.h"
#include "settings/SettingsValues.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"
#include "tray/TrayFakes.h"

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
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>

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
    for (QWidget* window : QApplication::topLevelWidgets())
        strips += qobject_cast<TMiniModeForm*>(window) != nullptr;
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
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(450, 200),
                                 map->mapToGlobal(QPoint(450, 200)));
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
    EXPECT_TRUE(SettingsFile().contains("[Mini]\r\nX=" + QByteArray::number(put.x()) +
                                        "\r\nY=" + QByteArray::number(put.y()) + "\r\n"))
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
    // A day of minutes leaves the window with the objects it had: nothing is made anew each
    // minute but the coming events' rows, as many as the lines that fit, with what they hold.
    const auto lastingObjects = [&] {
        const auto inRow = [](const QObject* object) {
            for (; object; object = object->parent())
                if (object->objectName().startsWith("lblUpcoming") &&
                    object->objectName() != "lblUpcomingTitle")
                    return true;
            return false;
        };
        qsizetype count = QApplication::topLevelWidgets().size();
        for (const QObject* object : form->findChildren<QObject*>()) count += !inRow(object);
        return count;
    };
    const qsizetype objectsAtStart = lastingObjects();
    clock.Advance(20'000);  // the tick wakes within the start-up minute
    EXPECT_TRUE(shown.isEmpty());
    for (int minute = 0; minute < 24 * 60; ++minute) clock.Advance(60'000);
    EXPECT_EQ(lastingObjects(), objectsAtStart);
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown[0], "Horavane 2.0: Закрылся Tokyo");  // 09:00 UTC
    EXPECT_EQ(shown[6], "Horavane 2.0: Открылся London");  // the next morning
    clock.Advance(60'000);
    EXPECT_EQ(form->TrayHint().split("\r\n").first(), "London 8:01");  // the tooltip goes on too
}

// --- the coming events -------------------------------------------------------------

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

// The coming events as the panel under the hour line shows them and a screen reader reads
// them, before the clock changes of March 2027 (what the lines say is the model's, tested
// there): the minute's lines in their order, the first always and the first clock change
// before a second session event, as many as fit; the rest counted in the last row and
// given in full in the panel's tool-tip. Each line is a plain label to select and read.
TEST_F(MainStatesTest, TheComingEventsPanelShowsTheMinutesLinesAndTheRestInItsToolTip) {
    Create("2027-03-11T20:59:30Z", true);
    form->show();
    EXPECT_FALSE(Upcoming().isEmpty());  // filled at start-up, laid out once shown
    const QWidget* panel = form->findChild<QWidget*>("pnlPromo");
    EXPECT_EQ(form->findChild<QLabel*>("lblUpcomingTitle")->text(), "Ближайшие события");
    // Thursday 16:00 in New York; Friday 16:01; the Saturday; the Saturday after, with Good
    // Friday in the week ahead. The tick draws the new minute at once, by step or by jump.
    for (const char* moment :
         {"2027-03-11T21:00:00Z", "2027-03-12T21:01:00Z", "2027-03-13T12:07:00Z", "2027-03-20T12:13:00Z"}) {
        SCOPED_TRACE(moment);
        const qint64 t = QDateTime::fromString(QString::fromLatin1(moment), Qt::ISODate).toMSecsSinceEpoch();
        if (t - clock.UtcMs() == 30'000)
            clock.Advance(30'000);
        else
            clock.SetUtcMs(t);
        ASSERT_EQ(form->Model().Picture().UtcMs, t);
        QStringList lines;
        for (const TUpcomingEvent& event : form->Model().Picture().Events) lines << event.Text;
        const QStringList shown = Upcoming();
        EXPECT_TRUE(InOrderAmong(shown, lines)) << shown.join('\n').toStdString() << "\n--- among ---\n"
                                                << lines.join('\n').toStdString();
        EXPECT_EQ(shown.value(0), lines.value(0));
        const QStringList clockChanges = lines.filter("переход");
        ASSERT_FALSE(clockChanges.isEmpty());
        EXPECT_TRUE(shown.contains(clockChanges.front())) << clockChanges.front().toStdString();
        const auto* more = form->findChild<QLabel*>("lblUpcomingMore");
        if (shown.size() < lines.size()) {
            ASSERT_NE(more, nullptr);
            EXPECT_TRUE(
                more->text().startsWith(QString("ещё %1").arg(lines.size() - shown.size()) + QChar(0xA0)))
                << more->text().toStdString();
            EXPECT_EQ(panel->toolTip(), lines.join('\n'));
        } else {
            EXPECT_EQ(more, nullptr);
        }
        // Laid out by Qt one under the other within the panel.
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
        3, TMainCapital("Jerusalem", RecordAt("2027-06-01T00:00:00Z", "Israel Standard Time"), 0));
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
