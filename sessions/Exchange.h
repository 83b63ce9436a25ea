#pragma once
// A trading session or an exchange's trading hours as a chart bar: green with the time
// to its close while open, white with the time to its opening while closed.

#include "sessions/BaseElement.h"

#include <QString>

#include <optional>

struct TExchangeParams {
    QString Name;
    TDateTime OpenTime = 0;  // chart-zone time of day
    TDateTime CloseTime = 0;  // 1.0 for 24:00
    double HourWidth = 0;
    int32_t Height = 0;
    TTradingDays Days = {};  // the days it trades (every day unless told)
    // When set, the sessions it really trades, which decide whether it is open and its
    // countdown (an exchange's own hours in its own zone); OpenTime and CloseTime then
    // are those of the session running or coming next, for its title and its place.
    std::optional<TSessionSchedule> Sessions = std::nullopt;
    double PixelRatio = 1.0;  // as in TElementGeometry
};

class TExchange : public TBaseElement {
public:
    TExchange(const TExchangeParams& params, const TIME_ZONE_INFORMATION& chartZone);

    const QString& Name() const { return name_; }
    const QImage& Render(qint64 utcMs) override;

    // "Name (open - close)" in the clock format.
    QString TitleText() const;
    // "до закрытия 2 ч. 05 мин" while open, "до открытия 45 мин" while closed, with the
    // days in front from a day on ("до открытия 1 д. 19 ч. 00 мин").
    QString CountdownText(qint64 utcMs) const;

private:
    QString name_;
};
