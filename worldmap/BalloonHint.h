#pragma once
// The session alerts: seven fixed whole hours in the chart zone at which a session
// opens or closes, and the question which of them falls in the current minute.

#include "timezones/ZoneRecord.h"

#include <QString>

#include <memory>
#include <vector>

class IClock;

// One alert. Only the time of day of Time counts.
class TBalloonHint {
public:
    TBalloonHint(const QString& text, TDateTime time) : Text(text), Time(time) {}
    QString Text;
    TDateTime Time;
};

class TBalloonHintList {
public:
    // zone: the list's own copy of the zone the alert times are given in.
    TBalloonHintList(const IClock& clock, const TIME_ZONE_INFORMATION& zone);

    void Add(const QString& text, TDateTime time);
    // Takes the alert with its milliseconds, then its seconds, cleared.
    void AddHint(std::unique_ptr<TBalloonHint> hint);
    // The first alert whose time of day is the current minute of the zone; null if none.
    const TBalloonHint* CurrentHint() const;

    int Count() const { return int(hints_.size()); }
    const TBalloonHint& Item(int index) const { return *hints_[size_t(index)]; }
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    const IClock& clock_;
    TIME_ZONE_INFORMATION zone_;
    std::vector<std::unique_ptr<TBalloonHint>> hints_;
};

// Adds the seven session openings and closings, in their fixed order.
void AddSessionAlerts(TBalloonHintList& list);
