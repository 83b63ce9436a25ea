#pragma once
// Which IANA zone the computer itself keeps (what GetTimeZoneInformation answers on
// Windows). The answer comes from, in this order: $TZ when it names a zoneinfo file,
// the target of the /etc/localtime link, /etc/timezone, a byte comparison of a copied
// /etc/localtime with the zoneinfo files, and last "UTC". A $TZ that names no zoneinfo
// file (a POSIX rule such as "JST-9", an empty value, a zone file elsewhere) is read
// by the C library instead: the computer's clock is then what localtime() gives.

#include <QString>
#include <QtGlobal>
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

// True when $TZ is set and names no zoneinfo file: the C library reads it itself, as a
// POSIX rule ("EST5EDT,M3.2.0,M11.1.0"), as UTC when empty, or from a file elsewhere.
bool TzFollowsCLibrary(const TLocalZoneSource& source);

// What the C library's localtime() gives at an instant for the process's own $TZ (as
// last read by tzset): seconds east of UTC, and whether it calls that daylight time.
struct TCLibraryOffset {
    int seconds = 0;
    bool daylight = false;
};
TCLibraryOffset CLibraryOffsetAt(qint64 utcMs);
