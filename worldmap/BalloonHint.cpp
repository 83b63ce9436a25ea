#include "worldmap/BalloonHint.h"

#include "platform/Clock.h"
#include "timezones/ZoneClock.h"

#include <QStringList>

namespace {

// The value with its milliseconds, then its seconds, set to zero; the date is kept.
TDateTime ClearSecondsAndMs(TDateTime value) {
    SYSTEMTIME st = DecodeDateTime(value);
    st.wMilliseconds = 0;
    st.wSecond = 0;
    return EncodeDateTime(st);
}

// "Открылся Sydney", or "открылся Sydney" after another part.
QString PartText(const TSessionAlertPart& part, bool first) {
    const QString verb = part.Opens ? QStringLiteral("Открылся") : QStringLiteral("Закрылся");
    return (first ? verb : verb.toLower()) + u' ' + part.Session;
}

QString PartsText(const std::vector<TSessionAlertPart>& parts) {
    QStringList texts;
    for (const TSessionAlertPart& part : parts) texts << PartText(part, texts.isEmpty());
    return texts.join(QStringLiteral(", "));
}

}  // namespace

TBalloonHint::TBalloonHint(std::vector<TSessionAlertPart> parts, TDateTime time)
    : Text(PartsText(parts)), Time(time), Parts(std::move(parts)) {}

TBalloonHintList::TBalloonHintList(const TIME_ZONE_INFORMATION& zone)
    : zone_(zone), week_(TTradingWeek::InChartZone(zone)) {}

void TBalloonHintList::SetZone(const TIME_ZONE_INFORMATION& zone) {
    zone_ = zone;
    week_ = TTradingWeek::InChartZone(zone);
}

void TBalloonHintList::Add(const QString& text, TDateTime time) {
    AddHint(std::make_unique<TBalloonHint>(text, time));
}

void TBalloonHintList::AddHint(std::unique_ptr<TBalloonHint> hint) {
    hint->Time = ClearSecondsAndMs(hint->Time);
    hints_.push_back(std::move(hint));
}

const TBalloonHint* TBalloonHintList::CurrentHint(qint64 utcMs) const {
    due_.reset();
    const TDateTime now = TimeOfDay(ClearSecondsAndMs(ZoneNow(zone_, SystemTimeFromUnixMs(utcMs))));
    for (const auto& hint : hints_) {
        if (!SameTime(TimeOfDay(hint->Time), now)) continue;
        if (hint->Parts.empty()) return hint.get();
        // The alert stands for the start of this minute (zone offsets are whole minutes).
        const qint64 minuteStart = WholeMinuteMs(utcMs);
        std::vector<TSessionAlertPart> happening;
        for (const TSessionAlertPart& part : hint->Parts)
            if (part.Opens ? week_.IsOpen(minuteStart) : week_.IsOpen(minuteStart - 1))
                happening.push_back(part);
        if (happening.empty()) return nullptr;
        due_.emplace(std::move(happening), hint->Time);
        return &*due_;
    }
    return nullptr;
}

void AddSessionAlerts(TBalloonHintList& list) {
    const auto opens = [](const char* session) {
        return TSessionAlertPart{QString::fromLatin1(session), true};
    };
    const auto closes = [](const char* session) {
        return TSessionAlertPart{QString::fromLatin1(session), false};
    };
    const auto add = [&](std::vector<TSessionAlertPart> parts, int hour) {
        list.AddHint(std::make_unique<TBalloonHint>(std::move(parts), MakeTimeOfDay(hour, 0)));
    };
    add({closes("NewYork"), opens("Sydney")}, 0);
    add({opens("Tokyo")}, 2);
    add({closes("Sydney")}, 9);
    add({opens("London")}, 10);
    add({closes("Tokyo")}, 11);
    add({opens("NewYork")}, 15);
    add({closes("London")}, 19);
}
