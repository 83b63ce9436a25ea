#pragma once
// Which IANA zone the computer itself keeps (what GetTimeZoneInformation answers on
// Windows). The answer comes from, in this order: $TZ when it names a zoneinfo file,
// the target of the /etc/localtime link, /etc/timezone, a byte comparison of a copied
// /etc/localtime with the zoneinfo files, and last "UTC".

#include <QString>
#include <optional>

// Where detection looks. Tests point root at a temporary folder laid out like "/".
struct TLocalZoneSource {
    QString root = QStringLiteral("/");
    std::optional<QString> tz;  // the value of $TZ; nullopt when the variable is unset

    // The real file system and the process's own $TZ.
    static TLocalZoneSource FromSystem();

    QString ZoneInfoDir() const;  // <root>/usr/share/zoneinfo
    QString EtcPath(const QString& name) const;  // <root>/etc/<name>
};

// The computer's IANA zone name, such as "Europe/Berlin"; "UTC" when nothing tells.
QString LocalZoneName(const TLocalZoneSource& source);

// The single steps, each empty when it has no answer (exposed for the tests).
QString ZoneNameFromTz(const TLocalZoneSource& source);
QString ZoneNameFromLocaltimeLink(const TLocalZoneSource& source);
QString ZoneNameFromTimezoneFile(const TLocalZoneSource& source);
QString ZoneNameFromLocaltimeCopy(const TLocalZoneSource& source);

// The zone name in a path to a zoneinfo file: everything up to the last "zoneinfo/"
// dropped, and a "posix/" or "right/" prefix; empty when path holds no "zoneinfo/".
QString ZoneNameFromZoneInfoPath(const QString& path);
// True for a relative name of the "Area/City" kind that stays inside the zoneinfo
// folder (no "..", no leading "/", no empty component).
bool IsSafeZoneName(const QString& name);
// True when <zoneinfo>/<name> is a compiled zone file (begins with "TZif").
bool IsZoneInfoFile(const TLocalZoneSource& source, const QString& name);
