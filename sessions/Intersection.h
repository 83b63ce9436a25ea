#pragma once
// The "Общее время" strip between two neighbouring sessions: amber with the time left
// while both are open, cream with the length of the common time otherwise.

#include "sessions/BaseElement.h"

class TExchange;

class TIntersection : public TBaseElement {
public:
    // Opens with the later session and closes with whichever closes first, on the days
    // the later session trades. Sessions that do not overlap give a zero-length strip:
    // never open, no bitmap, drawn as nothing.
    TIntersection(const TExchange& earlier, const TExchange& later, const TElementGeometry& geometry,
                  const TIME_ZONE_INFORMATION& chartZone);

    const QImage& Render(qint64 utcMs) override;

    // "Общее время" goes on two lines, "Общее" over "время", exactly when a strip of this
    // width is narrower than the one-line label in the font for this height.
    static bool TwoLineLabel(int width, int height);

    // The remaining time while open, else the length, as a duration ("7:00").
    QString ValueText(qint64 utcMs) const;
};
