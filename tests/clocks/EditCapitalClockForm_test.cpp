#include "support/CatalogueFixtures.h"
#include "clocks/EditCapitalClockForm.h"

#include "support/FakeClock.h"
#include "platform/Registry.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/Typing.h"

namespace {

struct Zone {
    const char* display;
    const char* std;
    int bias;
};

// A catalogue read from an in-memory registry, in the order given.
TTimeZoneList MakeCatalogue(std::initializer_list<Zone> zones) {
    TTimeZoneList list;
    int n = 0;
    for (const Zone& zone : zones) {
        REG_TZI_FORMAT tzi;
        tzi.Bias = zone.bias;
        AddCatalogueEntry(list, QStringLiteral("Zone%1").arg(n++), QString::fromUtf8(zone.display),
                          QString::fromUtf8(zone.std), QStringLiteral("Daylight"), tzi);
    }
    return list;
}

TIME_ZONE_INFORMATION ZoneNamed(const char16_t* standardName, int bias) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = bias;
    std::char_traits<char16_t>::copy(zone.StandardName, standardName,
                                     std::char_traits<char16_t>::length(standardName));
    return zone;
}

class EditCapitalClock : public ::testing::Test {
protected:
    FakeClock clock{0};
    TTimeZoneList catalogue = MakeCatalogue({
        {"(UTC-05:00) Eastern", "Eastern Standard Time", 300},
        {"(UTC) London", "GMT Standard Time", 0},
        {"(UTC+03:00) Москва", "Russian Standard Time", -180},
        {"(UTC+03:00) Moscow again", "russian standard time", -180},
    });
    TMainCapital capital{QStringLiteral("London"), ZoneNamed(u"GMT Standard Time", 0), 0x00126137};
    TEditCapitalClockForm form;
};

}  // namespace

TEST_F(EditCapitalClock, FillListsTheCatalogueInOrderAndSelectsTheClocksZone) {
    form.Fill(&catalogue, capital);
    ASSERT_EQ(form.cbbTimeZones->count(), 4);
    EXPECT_EQ(form.cbbTimeZones->itemText(2), QStringLiteral("(UTC+03:00) Москва"));
    EXPECT_EQ(form.cbbTimeZones->currentIndex(), 1);
    EXPECT_EQ(form.edtName->text(), QStringLiteral("London"));
    EXPECT_EQ(form.Color(), 0x00126137u);

    // Two entries share the name (letter case aside): the later one is selected.
    capital.Zone = ZoneNamed(u"Russian Standard Time", -180);
    form.Fill(&catalogue, capital);
    EXPECT_EQ(form.cbbTimeZones->count(), 4);
    EXPECT_EQ(form.cbbTimeZones->currentIndex(), 3);
}

TEST_F(EditCapitalClock, ZoneRowsAre15PixelsAndTheOpenListTwentyRowsAtMost) {
    TTimeZoneList many;
    for (int i = 0; i < 60; ++i) {
        REG_TZI_FORMAT tzi;
        tzi.Bias = 720 - 24 * i;
        AddCatalogueEntry(many, QStringLiteral("Zone%1").arg(i), QStringLiteral("(UTC) Zone %1").arg(i),
                          QStringLiteral("Zone %1 Standard Time").arg(i), QStringLiteral("Daylight"), tzi);
    }
    form.Fill(&many, capital);
    form.show();
    form.cbbTimeZones->showPopup();
    QAbstractItemView* list = form.cbbTimeZones->view();
    for (int row : {0, 1, 59}) EXPECT_EQ(list->visualRect(list->model()->index(row, 0)).height(), 15) << row;
    EXPECT_LE(list->viewport()->height(), 20 * 15);
    EXPECT_GE(list->viewport()->height(), 19 * 15);
    form.cbbTimeZones->hidePopup();
}

// Typing a place in the closed list opens it on the entries of that place and Enter
// picks the first; a place found nowhere picks nothing. The clock gets the pick on OK.
TEST_F(EditCapitalClock, TypingAPlaceFindsTheEntryWhoseRulesItKeeps) {
    TTimeZoneList real;
    LoadTimeZones(LoadFallbackTimeZoneRegistry(), real, {});
    form.Fill(&real, capital);
    form.show();
    for (const CitySearchCase& c : kCitySearchCases) {
        SCOPED_TRACE(c.typed);
        const int before = form.cbbTimeZones->currentIndex();
        form.cbbTimeZones->setFocus();
        TypeText(form.cbbTimeZones, QString::fromUtf8(c.typed));
        if (!c.key) PressKey(form.cbbTimeZones, Qt::Key_Escape);
        EXPECT_FALSE(form.cbbTimeZones->view()->isVisible());
        EXPECT_EQ(form.cbbTimeZones->currentIndex(),
                  c.key ? real.IndexOfStandardName(QString(c.key)) : before);
    }
    EXPECT_TRUE(form.isVisible());  // Enter in the list is the list's, not the dialog's
    EXPECT_EQ(capital.Zone, ZoneNamed(u"GMT Standard Time", 0));
    form.ApplyTo(capital, &real);
    EXPECT_EQ(capital.Zone,
              real[real.IndexOfStandardName(QString("FLE Standard Time"))].ToTimeZoneInformation());
}

TEST_F(EditCapitalClock, UnknownZoneSelectsNothingAndOkKeepsTheZone) {
    const TIME_ZONE_INFORMATION foreign = ZoneNamed(u"Mitteleuropäische Zeit", -60);
    capital.Zone = foreign;
    form.Fill(&catalogue, capital);
    EXPECT_EQ(form.cbbTimeZones->currentIndex(), -1);

    form.edtName->setText(QStringLiteral("Berlin"));
    form.SetColor(0x00112233);
    form.ApplyTo(capital, &catalogue);
    EXPECT_EQ(capital.Zone, foreign);
    EXPECT_EQ(capital.Name, QStringLiteral("Berlin"));
    EXPECT_EQ(capital.Color, 0x00112233u);
}

TEST_F(EditCapitalClock, OkTakesTheNameAsTypedTheSelectedEntrysZoneAndTheSwatch) {
    form.Fill(&catalogue, capital);
    form.edtName->setText(QStringLiteral("  Zürich 東京 "));  // untrimmed, beyond Windows-1251
    form.cbbTimeZones->setCurrentIndex(2);
    form.ApplyTo(capital, &catalogue);
    EXPECT_EQ(capital.Name, QStringLiteral("  Zürich 東京 "));
    EXPECT_EQ(capital.Zone, catalogue[2].ToTimeZoneInformation());
    EXPECT_EQ(capital.Zone.Bias, -180);
    EXPECT_EQ(capital.Color, 0x00126137u);
    // The tile follows the new name.
    EXPECT_EQ(capital.RenderImage(QStringLiteral("0:00")).size(), capital.MeasureImage());
}

TEST_F(EditCapitalClock, MissingOrEmptyCatalogueKeepsTheDesignContents) {
    const TTimeZoneList empty;
    for (const TTimeZoneList* list : {static_cast<const TTimeZoneList*>(nullptr), &empty}) {
        TEditCapitalClockForm fresh;
        fresh.Fill(list, capital);
        EXPECT_EQ(fresh.cbbTimeZones->count(), 0);
        EXPECT_EQ(fresh.edtName->text(), QStringLiteral("edtName"));
        EXPECT_EQ(fresh.Color(), 0x00F0FBFFu);
        // OK with nothing to choose from still applies safely.
        TMainCapital copy{capital.Name, capital.Zone, capital.Color};
        fresh.ApplyTo(copy, list);
        EXPECT_EQ(copy.Zone, capital.Zone);
        EXPECT_EQ(copy.Name, QStringLiteral("edtName"));
    }
}

TEST_F(EditCapitalClock, ModalResultsOkCancelAndCloseBox) {
    const auto runWith = [&](const std::function<void(TEditCapitalClockForm&)>& action) {
        TEditCapitalClockForm dialog;
        QTimer::singleShot(0, &dialog, [&] {
            // Escape and Enter close nothing: the dialog has no default or cancel button.
            for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QCoreApplication::sendEvent(dialog.edtName, &press);
            }
            EXPECT_TRUE(dialog.isVisible());
            dialog.edtName->setText(QStringLiteral("Typed but cancelled"));
            action(dialog);
        });
        return dialog.FillAndShow(&catalogue, capital);
    };
    EXPECT_EQ(runWith([](TEditCapitalClockForm& d) { d.btnOK->click(); }), TEditCapitalClockForm::mrOk);
    EXPECT_EQ(runWith([](TEditCapitalClockForm& d) { d.btnCancel->click(); }), 2);
    EXPECT_EQ(runWith([](TEditCapitalClockForm& d) { d.close(); }), 2);
    EXPECT_EQ(capital.Name, QStringLiteral("London"));
}
