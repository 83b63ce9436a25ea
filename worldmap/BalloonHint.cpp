#include "worldmap/BalloonHint.h"

#include "platform/Clock.h"
#include "timezones/ZoneClock.h"

namespace {

// The value with its milliseconds, then its seconds, set to zero; the date is kept.
TDateTime ClearSecondsAndMs(TDateTime value) {
    SYSTEMTIME st = DecodeDateTime(value);
    st.wMilliseconds = 0;
    st.wSecond = 0;
    return EncodeDateTime(st);
}

}  // namespace

TBalloonHintList::TBalloonHintList(const IClock& clock, const TIME_ZONE_INFORMATION& zone)
    : clock_(clock), zone_(zone) {}

void TBalloonHintList::Add(const QString& text, TDateTime time) {
    AddHint(std::make_unique<TBalloonHint>(text, time));
}

void TBalloonHintList::AddHint(std::unique_ptr<TBalloonHint> hint) {
    hint->Time = ClearSecondsAndMs(hint->Time);
    hints_.push_back(std::move(hint));
}

const TBalloonHint* TBalloonHintList::CurrentHint() const {
    const TDateTime now = TimeOfDay(ClearSecondsAndMs(ZoneNow(zone_, clock_.UtcNow())));
    for (const auto& hint : hints_)
        if (SameTime(TimeOfDay(hint->Time), now)) return hint.get();
    return nullptr;
}

void AddSessionAlerts(TBalloonHintList& list) {
    list.Add(QStringLiteral("Закрылся NewYork, открылся Sydney"), MakeTimeOfDay(0, 0));
    list.Add(QStringLiteral("Открылся Tokyo"), MakeTimeOfDay(2, 0));
    list.Add(QStringLiteral("Закрылся Sydney"), MakeTimeOfDay(9, 0));
    list.Add(QStringLiteral("Открылся London"), MakeTimeOfDay(10, 0));
    list.Add(QStringLiteral("Закрылся Tokyo"), MakeTimeOfDay(11, 0));
    list.Add(QStringLiteral("Открылся NewYork"), MakeTimeOfDay(15, 0));
    list.Add(QStringLiteral("Закрылся London"), MakeTimeOfDay(19, 0));
}
