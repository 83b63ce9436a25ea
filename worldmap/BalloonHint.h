#pragma once
// The session alerts: seven fixed whole hours in the chart zone at which a session
// opens or closes, and the question which of them falls in the current minute. An
// opening is announced only while the currency market is open, a closing only when it
// was open just before, so the weekend is quiet: the market's Friday close announces
// NewYork's close alone, its Sunday opening Sydney's opening alone.

#include "sessions/TradingWeek.h"
#include "timezones/ZoneRecord.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One session's opening or closing, as an alert announces it.
struct TSessionAlertPart {
    QString Session;
    bool Opens = false;
};

// One alert. Only the time of day of Time counts. An alert of session parts reads them
// in order: "Закрылся NewYork, открылся Sydney".
class TBalloonHint {
public:
    TBalloonHint(const QString& text, TDateTime time) : Text(text), Time(time) {}
    TBalloonHint(std::vector<TSessionAlertPart> parts, TDateTime time);
    QString Text;
    TDateTime Time;
    std::vector<TSessionAlertPart> Parts;  // none for an alert of plain text
};

class TBalloonHintList {
public:
    // zone: the list's own copy of the zone the alert times are given in, the chart
    // zone; the currency market's week is read on its clock.
    explicit TBalloonHintList(const TIME_ZONE_INFORMATION& zone);
    // The zone again, after the catalogue was read anew.
    void SetZone(const TIME_ZONE_INFORMATION& zone);

    void Add(const QString& text, TDateTime time);
    // Takes the alert with its milliseconds, then its seconds, cleared.
    void AddHint(std::unique_ptr<TBalloonHint> hint);
    // The first alert whose time of day is utcMs's minute in the zone, holding only the
    // session parts that happen then; null if no alert is due or none of its parts
    // happens (the market is closed). It stays valid until the next call.
    const TBalloonHint* CurrentHint(qint64 utcMs) const;

    int Count() const { return int(hints_.size()); }
    const TBalloonHint& Item(int index) const { return *hints_[size_t(index)]; }
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    TIME_ZONE_INFORMATION zone_;
    TTradingWeek week_;
    std::vector<std::unique_ptr<TBalloonHint>> hints_;
    mutable std::optional<TBalloonHint> due_;
};

// Adds the seven session openings and closings, in their fixed order.
void AddSessionAlerts(TBalloonHintList& list);
