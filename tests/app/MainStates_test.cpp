// The main window's states (shown, in the tray, mini mode), its menu, the clock editor's
// round trip through the settings file, and a month of ticks.
#include "app/Main.h"
#include "clocks/EditCapitalClockForm.h"
#include "platform/Clock.h"
#include "settings/Settings.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

struct MainStatesTest : ::testing::Test {
    FakeClock clock;
    QTemporaryDir dir;
    QStringList errors;
    std::function<int(TEditCapitalClockForm&)> editor;  // what the user does in the editor
    std::unique_ptr<TForm1> form;

    MainStatesTest() {
        SetSettingsFileName(dir.filePath("horavane.ini"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        SetCurrentTimeFormatSettings(TimeFormatSettings{});
    }

    void Create(const char* utc = "2026-01-15T10:07:30") {
        clock.SetUtc(utc);
        form.reset();
        TForm1Options options;
        options.reportError = [this](const QString& m) { errors << m; };
        options.zoneRegistry = [](qint64 utcMs) {
            return TZoneRegistryBuild{LoadFallbackTimeZoneRegistry(), NextUtcNewYearMs(utcMs)};
        };
        options.computerZone = [](const TTimeZoneList& list) {
            return list[list.IndexOfStandardName(QString("FLE Standard Time"))].ToTimeZoneInformation();
        };
        options.runEditor = [this](TEditCapitalClockForm& dialog) { return editor(dialog); };
        form = std::make_unique<TForm1>(clock, options);
    }
    QString TimeText(int slot) {
        return form->findChild<QLabel*>(QString("pnlCapital%1Time").arg(slot))->text();
    }
};

TEST_F(MainStatesTest, CloseHidesIntoTheTrayAndOnlyExitEnds) {
    Create();
    form->show();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->ExitRequested());

    form->mniShowHide1Click();  // from the tray: back again
    EXPECT_TRUE(form->isVisible());
    form->mniShowHide1Click();
    EXPECT_FALSE(form->isVisible());

    form->EndSession();  // the end of the desktop session is never vetoed
    EXPECT_TRUE(form->ExitRequested());
}

TEST_F(MainStatesTest, MiniModeReplacesTheWindowUntilItIsShownAgain) {
    Create();
    form->show();
    QAction* miniItem = form->TrayMenu()->findChild<QAction*>("mniMiniMode");
    ASSERT_NE(miniItem, nullptr);

    form->EnterMiniMode();
    ASSERT_NE(form->MiniModeForm(), nullptr);
    EXPECT_TRUE(form->MiniModeForm()->isVisible());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(miniItem->isEnabled());
    form->EnterMiniMode();  // a second request keeps the one strip
    EXPECT_EQ(form->findChildren<TMiniModeForm*>().size(), 0);  // the strip has no owner

    QPointer<TMiniModeForm> strip = form->MiniModeForm();
    form->mniShowHide1Click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(miniItem->isEnabled());
    EXPECT_EQ(form->MiniModeForm(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(strip.isNull());
}

TEST_F(MainStatesTest, EditedClockIsShownAtOnceAndComesBackAfterARestart) {
    Create();
    const TIME_ZONE_INFORMATION chartZone = form->ChartZone();
    editor = [](TEditCapitalClockForm& dialog) {
        dialog.edtName->setText("Токио ");  // taken as typed, not trimmed
        dialog.cbbTimeZones->setCurrentIndex(
            dialog.cbbTimeZones->findText("(UTC+05:30)", Qt::MatchStartsWith));
        dialog.SetColor(0x000000FF);
        return int(TEditCapitalClockForm::mrOk);
    };
    form->CapitalBoxClicked(2);
    EXPECT_EQ(form->Capital(3)->Name, "Токио ");
    EXPECT_EQ(TimeText(3), "15:37");  // UTC+5:30, refreshed at once
    EXPECT_EQ(form->Capital(3)->Color, 0x000000FFu);
    EXPECT_TRUE(form->ChartZone() == chartZone);
    // The map keeps its own cities and zones.
    EXPECT_EQ(form->MarkerList().CapitalAt(QPoint(726, 138))->Name, "Tokyo");

    editor = [](TEditCapitalClockForm&) { return int(TEditCapitalClockForm::mrCancel); };
    form->CapitalBoxClicked(2);
    EXPECT_EQ(form->Capital(3)->Name, "Токио ");

    Create();  // a restart over the same settings file
    EXPECT_EQ(form->Capital(3)->Name, "Токио ");
    EXPECT_EQ(form->findChild<QLabel*>("lblCapital3")->text(), "Токио ");
    EXPECT_EQ(TimeText(3), "15:37");
    EXPECT_EQ(form->Capital(3)->Color, 0x000000FFu);
    EXPECT_EQ(form->Capital(1)->Name, "London");
}

TEST_F(MainStatesTest, BalloonsKeepComingWhileHiddenButNotAtTheStartUpMinute) {
    Create("2026-01-15T08:00:30");  // "Открылся London" is due in this very minute
    QStringList shown;
    QObject::connect(form.get(), &TForm1::balloonShown,
                     [&](const QString& title, const QString& text) { shown << title + ": " + text; });
    form->show();
    form->close();  // into the tray
    clock.Advance(20'000);  // the tick wakes within the start-up minute
    EXPECT_TRUE(shown.isEmpty());
    for (int minute = 0; minute < 24 * 60; ++minute) clock.Advance(60'000);
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown[0], "Horavane 2.0: Закрылся Tokyo");  // 09:00 UTC
    EXPECT_EQ(shown[6], "Horavane 2.0: Открылся London");   // the next morning
}

// A month of the real tick, minute by minute, across the autumn clock changes of Europe
// (25 October) and the United States (1 November).
TEST_F(MainStatesTest, AMonthOfTicksShowsSevenBalloonsADayAndTheRightClocks) {
    Create("2026-10-15T00:00:30");
    form->show();
    int balloons = 0;
    QObject::connect(form.get(), &TForm1::balloonShown, [&](const QString&, const QString&) { ++balloons; });
    const int objectsAtStart = form->findChildren<QObject*>().size();

    const char* zones[] = {"Europe/London", "America/New_York", "Asia/Tokyo", "Australia/Sydney",
                           "Europe/Moscow"};
    int wrong = 0;
    // Sanitizer builds run a few days only (HORAVANE_SIMULATED_DAYS); the full month
    // runs in the ordinary build.
    const int kDays = qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS") > 0
                          ? qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS")
                          : 30;
    for (int minute = 0; minute < kDays * 24 * 60; ++minute) {
        clock.Advance(60'000);  // wakes the real tick
        for (int slot = 1; slot <= 5; ++slot) {
            const QDateTime expected =
                QDateTime::fromMSecsSinceEpoch(clock.UtcMs(), QTimeZone(zones[slot - 1]));
            if (TimeText(slot) != expected.toString("H:mm") && ++wrong < 5)
                ADD_FAILURE() << zones[slot - 1] << " at " << clock.UtcMs() << ": "
                              << TimeText(slot).toStdString();
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(balloons, 7 * kDays);
    EXPECT_EQ(form->findChildren<QObject*>().size(), objectsAtStart);
}

}  // namespace
