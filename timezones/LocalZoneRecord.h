#pragma once
// The computer's own zone as a zone record of the catalogue: its IANA name mapped to a
// Windows zone key (the CLDR territory table first, then the tz database's alias links,
// then the catalogue zone whose offsets match over the whole year), and the record made
// from that catalogue entry, so that its StandardName is the entry's Std.

#include "platform/LocalZone.h"
#include "timezones/TzCatalogue.h"
#include "timezones/WindowsZoneTable.h"
#include "timezones/ZoneRecord.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <span>

class TTimeZoneList;

// The tz database's alias links ("L target alias" lines of tzdata.zi).
class TZoneLinks {
public:
    // Reads <zoneInfoDir>/tzdata.zi; without it, the symbolic links of the folder.
    static TZoneLinks Load(const QString& zoneInfoDir);
    // Parses the text of a tzdata.zi file.
    static TZoneLinks Parse(const QString& tzdataZi);

    void Add(const QString& target, const QString& alias) { targets_.insert(alias, target); }
    // The zone an alias points at directly; empty when name is no alias.
    QString Target(const QString& name) const { return targets_.value(name); }
    // The zone at the end of name's chain of links (name itself when it is no alias).
    QString Resolve(const QString& name) const;
    int Count() const { return static_cast<int>(targets_.size()); }

private:
    QHash<QString, QString> targets_;  // alias -> target
};

// The Windows key of an IANA zone, empty when neither the table nor the links know it:
// the name's own row, then the rows of the zones its links lead to, then the first row
// of any other alias of the same zone.
QString WindowsKeyForZone(const QString& iana, const TZoneLinks& links,
                          std::span<const TerritoryZone> territories = TerritoryZones());

// Index of the first catalogue entry whose UTC offset equals the IANA zone's at every
// hour of year; -1 when none does or the zone is unknown.
int IndexWithSameOffsets(const TTimeZoneList& catalogue, const QString& iana, int year);

// The record of the catalogue entry for the IANA zone. When no entry fits, a record with
// the zone's own yearly rule and the IANA name (UTC for an unknown zone).
TIME_ZONE_INFORMATION LocalZoneRecord(const QString& iana, const TTimeZoneList& catalogue,
                                      const TZoneLinks& links, const SYSTEMTIME& utcNow);

// The offsets the C library's localtime() gives for the process's $TZ, found by sampling
// it (changes never come closer than a few hours) and pinned to the second.
class TCLibraryHistory final : public IOffsetHistory {
public:
    int OffsetAt(qint64 utcMs) const override;
    std::vector<TOffsetChange> Changes(qint64 fromUtcMs, qint64 toUtcMs,
                                       int* offsetAtFrom = nullptr) const override;
};

// What GetTimeZoneInformation answers on Windows at the instant utcMs: when $TZ is read by
// the C library, a record of its offsets named "TZ=" and the value (a name no catalogue
// entry has); otherwise the zone found by LocalZoneName and mapped by LocalZoneRecord.
TIME_ZONE_INFORMATION ComputerZoneRecord(const TTimeZoneList& catalogue, qint64 utcMs,
                                         const TLocalZoneSource& source = TLocalZoneSource::FromSystem());
