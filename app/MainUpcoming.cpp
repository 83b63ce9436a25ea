// The coming events under the hour line, worked out from the zones and the instant the
// clocks and the chart show.
#include <algorithm>

#include "app/Main.h"
#include "app/UpcomingPanel.h"

void TForm1::UpdateUpcomingEvents(qint64 utcMs) {
    const auto& bars = sessions_.SessionList;
    const bool built =
        bars.size() >= 4 && std::all_of(capitals_.begin(), capitals_.end(),
                                        [](const auto& capital) { return capital != nullptr; });
    if (!built) return;  // start-up stopped before the clocks or the chart were made
    pnlPromo->SetEvents(upcomingEvents_.At(UpcomingSources(), utcMs));
}

TUpcomingSources TForm1::UpcomingSources() const {
    const auto& bars = sessions_.SessionList;
    TUpcomingSources sources;
    sources.Zones = SessionZones();
    sources.Reference = ReferenceZone();
    for (const auto& capital : capitals_) sources.Clocks.push_back({capital->Name, capital->Zone});
    // The four sessions, whose openings and closings the balloons announce too.
    for (size_t g = 0; g < 4; ++g) {
        sources.SessionNames.push_back(bars[g]->Name());
        sources.Sessions.push_back(&bars[g]->Schedule());
    }
    // The London and NewYork overlap, the hours traders plan around most.
    if (sessions_.OverlapList.size() == 3) {
        sources.OverlapName = bars[2]->Name() + QStringLiteral(" – ") + bars[3]->Name();
        sources.Overlap = &sessions_.OverlapList[2]->Schedule();
    }
    return sources;
}
