#pragma once
// The zone catalogue: one TRegTimeZone per key under the registry's "Time Zones" key,
// the owning list sorted west first, and the start-up load that hands the well-known
// zones to the capital clocks, the session zones and the map markers.

#include "platform/Registry.h"
#include "timezones/ZoneRecord.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

inline const QString kTimeZonesKeyPath =
    QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones");

// One catalogue entry, read from a registry access positioned on one zone key.
class TRegTimeZone {
public:
    // Throws Exception ("Error in \"TRegTimeZone.Create\": ...") when the key is not
    // a zone key of the catalogue or lacks one of its four values.
    explicit TRegTimeZone(const TRegistryAccess* reg);

    QString Display;  // texts decoded from the 8-bit code page
    QString Dlt;
    QString Std;
    REG_TZI_FORMAT TZI;

    // The zone record; a name of more than 31 code units leaves its field empty.
    TIME_ZONE_INFORMATION ToTimeZoneInformation() const;
    // Std in the 8-bit form it was stored in (what name lookups compare).
    const QByteArray& StdAnsi() const { return stdAnsi_; }

private:
    QByteArray stdAnsi_;
};

// -1, 0 or +1 so that the larger Bias sorts first; 0 when either is null.
// The zone record of a rule block and two names; a name of more than 31 code units
// leaves its field empty.
TIME_ZONE_INFORMATION MakeZoneRecord(const REG_TZI_FORMAT& tzi, const QString& standardName,
                                     const QString& daylightName);

int CompareZonesByBias(const TRegTimeZone* first, const TRegTimeZone* second);

// The catalogue; owns its entries.
class TTimeZoneList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TRegTimeZone& operator[](int index) { return *items_.at(static_cast<size_t>(index)); }
    const TRegTimeZone& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    void Add(std::unique_ptr<TRegTimeZone> zone) { items_.push_back(std::move(zone)); }
    void Clear() { items_.clear(); }

    // Index of the last entry whose Std equals name in the 8-bit code page, with only
    // A-Z compared without regard to case; -1 when none does.
    int IndexOfStandardName(const QString& name) const;
    // The same for a zone record's name field (at most 32 code units, up to the first zero).
    int IndexOfStandardName(const char16_t name[32]) const;
    // The current record of the entry a zone record's StandardName names (a saved clock
    // takes this year's rule of its zone); the record itself when it names none.
    TIME_ZONE_INFORMATION CurrentRecord(const TIME_ZONE_INFORMATION& zone) const;
    // Orders by Bias, west (largest Bias) first; equal Biases in no particular order.
    void Sort();

private:
    std::vector<std::unique_ptr<TRegTimeZone>> items_;
};

// What LoadTimeZones hands out for the well-known keys (any pointer may be null).
struct KnownZoneTargets {
    std::array<TIME_ZONE_INFORMATION*, 5> clockZones{};  // capital clocks 1..5
    TIME_ZONE_INFORMATION* newYorkZone = nullptr;
    TIME_ZONE_INFORMATION* moscowZone = nullptr;
    TIME_ZONE_INFORMATION* chicagoZone = nullptr;
    // Called for every enumerated key name with its entry's zone record, in enumeration
    // order, after that key's clock and session assignments (the map markers use it).
    std::function<void(const QString& keyName, const TIME_ZONE_INFORMATION& zone)> keyLoaded;
};

// The 13 well-known keys; row 0..4 feed clocks 1..5, rows 1, 4 and 5 the session zones.
std::span<const char* const> KnownZoneKeys();
// Row of the well-known key table for a key name (case-insensitive), -1 when none.
int KnownZoneRow(const QString& keyName);

// Fills list from registry's HKEY_LOCAL_MACHINE "Time Zones" key and sorts it. Without
// that key the list stays empty. An entry that fails to load throws; the entries read
// before it stay in the list, unsorted.
void LoadTimeZones(const TRegistry& registry, TTimeZoneList& list, const KnownZoneTargets& targets);
