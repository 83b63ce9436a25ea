#include "worldmap/WorldMapCapital.h"

#include "platform/Clock.h"
#include "timezones/TimeFormat.h"

namespace {

bool SameKey(const QString& keyName, const char* tableKey) {
    return keyName.compare(QLatin1String(tableKey), Qt::CaseInsensitive) == 0;
}

}  // namespace

void TWorldMapCapitalsList::Add(std::unique_ptr<TWorldMapCapital> capital) {
    if (capital) capitals_.push_back(std::move(capital));
}

const TWorldMapCapital* TWorldMapCapitalsList::CapitalAt(QPoint point) const {
    for (const auto& capital : capitals_) {
        if (capital->Rect.Contains(point)) return capital.get();
    }
    return nullptr;
}

QString CapitalHintText(const TWorldMapCapital& capital, const SYSTEMTIME& utc) {
    return capital.Name + QLatin1Char(' ') + ZoneTimeText(capital.Zone, utc);
}

std::optional<QString> MarkerHintAt(const TWorldMapCapitalsList& markers, QPoint point, qint64 utcMs) {
    const TWorldMapCapital* capital = markers.CapitalAt(point);
    if (!capital) return std::nullopt;
    return CapitalHintText(*capital, SystemTimeFromUnixMs(utcMs));
}

bool HasMarkersForKey(const QString& keyName) {
    for (const TWorldMapMarkerRow& row : kWorldMapMarkers) {
        if (SameKey(keyName, row.KeyName)) return true;
    }
    return false;
}

void AddMarkersForKey(TWorldMapCapitalsList& markers, const QString& keyName,
                      const TIME_ZONE_INFORMATION& zone) {
    for (const TWorldMapMarkerRow& row : kWorldMapMarkers) {
        if (SameKey(keyName, row.KeyName)) {
            markers.Add(std::make_unique<TWorldMapCapital>(QString::fromLatin1(row.Name), row.Rect, zone));
        }
    }
}
