// Writes the zone catalogue that the program embeds for systems without a tz database
// (resources/TimeZones.reg): the "Time Zones" key as this program builds it from the
// system's tz database at New Year of YEAR, the year after the one it is made in. A
// comment names the tz database and the year, so that timezones_TzCatalogue_test can
// tell the copy from this code's output on a machine with the same tz database.
//
// Usage (from the repository root, after a build):
//     build/write_fallback_catalogue 2027 resources/TimeZones.reg
// then build again, so that the program and its tests embed the new copy.
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool yearOk = false;
    const int year = argc == 3 ? QByteArray(argv[1]).toInt(&yearOk) : 0;
    if (!yearOk || year < 1971) {
        std::fprintf(stderr, "usage: %s YEAR FILE\n", argv[0]);
        return 2;
    }
    QFile source(QStringLiteral("/usr/share/zoneinfo/tzdata.zi"));
    const QByteArray first = source.open(QIODevice::ReadOnly) ? source.readLine().trimmed() : QByteArray();
    if (!first.startsWith("# version ")) {
        std::fprintf(stderr, "no tz database version in %s\n", qPrintable(source.fileName()));
        return 1;
    }
    const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(year)).registry;
    QByteArray text = WriteRegExport(registry, HKEY_LOCAL_MACHINE, kTimeZonesKeyPath);
    text.insert(text.indexOf('\n') + 1, "; tz database " + first.mid(10) + ", rules of " + argv[1] + "\r\n");
    QSaveFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0 || !file.commit()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
