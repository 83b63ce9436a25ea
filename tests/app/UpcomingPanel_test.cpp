// The coming events' panel: every line whole, the most important kept when not all fit,
// the rest counted on the last row and given in full in the tool-tip, which a screen
// reader reads too.
#include "app/UpcomingPanel.h"

#include <QAccessible>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

std::vector<TUpcomingEvent> Events(int count, int longAt = -1) {
    std::vector<TUpcomingEvent> events;
    for (int i = 0; i < count; ++i) {
        QString text = QString("Событие %1").arg(i + 1);
        if (i == longAt) text += QString(" и ещё много слов").repeated(12);  // wraps to two rows
        // The second line is a clock change the user must see; the rest give way in order.
        events.push_back({i * 60'000LL, text,
                          i == 1   ? kRankClockChange
                          : i == 0 ? kRankMarket
                                   : kRankSecondSession});
    }
    return events;
}

QStringList Rows(const QWidget& panel) {
    QStringList rows;
    for (int row = 1; auto* label = panel.findChild<QLabel*>(QString("lblUpcoming%1").arg(row)); ++row)
        rows << label->text();
    return rows;
}

QString Description(QWidget* widget) {
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(widget);
    return reader ? reader->text(QAccessible::Description) : QString();
}

}  // namespace

TEST(UpcomingPanel, LinesThatFitAreShownWholeAndNothingIsCounted) {
    TUpcomingPanel panel;
    panel.resize(900, 105);
    panel.SetEvents(Events(3));  // hidden: laid out once shown
    EXPECT_TRUE(Rows(panel).isEmpty());
    panel.show();
    EXPECT_EQ(Rows(panel), (QStringList{"Событие 1", "Событие 2", "Событие 3"}));
    EXPECT_EQ(panel.findChild<QLabel*>("lblUpcomingMore"), nullptr);
    EXPECT_TRUE(panel.toolTip().isEmpty());
    EXPECT_EQ(TUpcomingPanel::RowCount(), 5);
}

// Seven lines for five rows, the second two rows long: the first two stay (the market and
// the user's clock change), then what fits, and the last row counts the rest. The
// tool-tip holds every line, shown by a real tool-tip event and read as the description.
TEST(UpcomingPanel, WhatDoesNotFitIsCountedAndGivenInTheToolTip) {
    TUpcomingPanel panel;
    panel.resize(900, 105);
    panel.show();
    const std::vector<TUpcomingEvent> events = Events(7, 1);
    panel.SetEvents(events);
    const QStringList rows = Rows(panel);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows, (QStringList{events[0].Text, events[1].Text, events[2].Text}));
    auto* second = panel.findChild<QLabel*>("lblUpcoming2");
    EXPECT_GE(second->height(), second->heightForWidth(second->width()));  // whole, not cut

    auto* more = panel.findChild<QLabel*>("lblUpcomingMore");
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->text(), QString("ещё 4") + QChar(0x00A0) + "события" + QChar(0x2026));
    EXPECT_TRUE(more->isVisible());
    const auto* third = panel.findChild<QLabel*>("lblUpcoming3");
    EXPECT_GE(more->y(), third->y() + third->height());
    EXPECT_LE(more->y() + more->height(), panel.height());
    QStringList all;
    for (const TUpcomingEvent& event : events) all << event.Text;
    EXPECT_EQ(more->toolTip(), all.join('\n'));
    EXPECT_EQ(panel.toolTip(), all.join('\n'));
    EXPECT_EQ(Description(more), all.join('\n'));
    EXPECT_EQ(Description(&panel), all.join('\n'));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(more);
    EXPECT_EQ(reader->text(QAccessible::Name), more->text());

    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), more->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(more, &hover);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), all.join('\n'));
    QToolTip::hideText();

    // Once all fit again the count goes, and so does the tool-tip.
    panel.SetEvents(Events(2));
    EXPECT_EQ(Rows(panel).size(), 2);
    EXPECT_EQ(panel.findChild<QLabel*>("lblUpcomingMore"), nullptr);
    EXPECT_TRUE(panel.toolTip().isEmpty());
    EXPECT_TRUE(Description(&panel).isEmpty());
}
