#pragma once
// The cities marked on the world map. The red dots are part of the picture; these
// markers only know where the dots are and which zone each city keeps, so that a
// pointer resting on a dot can show the city's time.

#include "timezones/ZoneRecord.h"

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// A rectangle in map pixels; the left and top edges are inside, right and bottom not.
struct TWorldMapRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    bool Contains(QPoint point) const {
        return point.x() >= Left && point.x() < Right && point.y() >= Top && point.y() < Bottom;
    }
};

// One marker. Its zone is a copy taken at creation, not linked to any capital clock.
class TWorldMapCapital {
public:
    TWorldMapCapital(const QString& name, const TWorldMapRect& rect, const TIME_ZONE_INFORMATION& zone)
        : Rect(rect), Name(name), Zone(zone) {}

    const TWorldMapRect Rect;
    const QString Name;
    const TIME_ZONE_INFORMATION Zone;
};

// The markers of the map, in the order they were added; the list owns them.
class TWorldMapCapitalsList {
public:
    void Add(std::unique_ptr<TWorldMapCapital> capital);
    int Count() const { return static_cast<int>(capitals_.size()); }
    const TWorldMapCapital& operator[](int index) const { return *capitals_.at(index); }
    // The first marker whose rectangle holds the point, or nullptr.
    const TWorldMapCapital* CapitalAt(QPoint point) const;

private:
    std::vector<std::unique_ptr<TWorldMapCapital>> capitals_;
};

// The marker's name, a blank and its zone's clock text for the UTC instant.
QString CapitalHintText(const TWorldMapCapital& capital, const SYSTEMTIME& utc);

// What the map's tooltip shows with the pointer at point at the instant utcMs: the hint
// of the marker there, or nothing (tooltip off). Only a hit formats a time.
std::optional<QString> MarkerHintAt(const TWorldMapCapitalsList& markers, QPoint point, qint64 utcMs);

// One row of the marker table: the catalogue key whose zone the marker keeps.
struct TWorldMapMarkerRow {
    const char* KeyName;
    const char* Name;
    TWorldMapRect Rect;
};

// The thirteen marked cities. "W. Europe Standard Time" has two, Bern before Berlin;
// Sydney has neither a dot nor a marker.
inline constexpr std::array<TWorldMapMarkerRow, 13> kWorldMapMarkers{{
    {"GMT Standard Time", "London", {365, 87, 371, 94}},
    {"Eastern Standard Time", "NewYork", {177, 120, 184, 127}},
    {"Tokyo Standard Time", "Tokyo", {725, 137, 730, 142}},
    {"Russian Standard Time", "Moscow", {459, 78, 466, 84}},
    {"Central Standard Time", "Chicago", {144, 118, 151, 124}},
    {"Romance Standard Time", "Paris", {373, 95, 379, 101}},
    {"W. Europe Standard Time", "Bern", {385, 102, 390, 108}},
    {"W. Europe Standard Time", "Berlin", {395, 87, 402, 92}},
    {"Belarus Standard Time", "Minsk", {431, 82, 437, 88}},
    {"FLE Standard Time", "Kiev", {441, 93, 447, 98}},
    {"West Asia Standard Time", "Astana", {539, 89, 545, 95}},  // Asia/Almaty's key: +05 since 2024
    {"China Standard Time", "Hongkong", {671, 177, 676, 182}},
    {"Singapore Standard Time", "Singapore", {648, 241, 654, 247}},
}};

// Whether a catalogue key (compared ignoring case) has any marker, so the catalogue
// converts a key's zone only when a marker needs it.
bool HasMarkersForKey(const QString& keyName);

// Appends the markers of a catalogue key, each with a copy of zone; none for a key
// without markers. The catalogue calls this for every key in enumeration order.
void AddMarkersForKey(TWorldMapCapitalsList& markers, const QString& keyName,
                      const TIME_ZONE_INFORMATION& zone);
