#pragma once
// The built catalogue kept between starts, so that a start reads one small file instead
// of parsing the ~140 tz database files the rules are made from. The file holds the
// catalogue's rows (TCatalogueRows) and a key of what they were built from:
//  - the program's identity, the build id its linker gave it: another build, which may
//    build otherwise or embed another fallback, never takes the file;
//  - the tz database's identity: its version and the size, modification time and inode
//    of every zone file the rows may be made of (present or not);
// with the span of time the rows are right for (from the instant they were built until
// their rebuild time) and a BLAKE2b digest of all of it. A file that is missing, unreadable,
// cut, damaged, of another format, program or tz database, or for another time, or whose
// rows could not have been built, is not used: the catalogue is built and the file
// replaced whole (FileReplace.h). Nothing is reported either way.

#include "timezones/CatalogueRows.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The folder the built catalogue is kept in: horavane/ in $XDG_CACHE_HOME (~/.cache).
QString DefaultCatalogueCacheFolder();

// The build id of the program file this code is part of; empty when it has none.
QByteArray ProgramBuildId();
// What tells one state of the tz database under zoneInfoRoot from another.
QByteArray TzDatabaseIdentity(const QString& zoneInfoRoot);
// The key a kept catalogue must carry (a BLAKE2b digest of the program's and the tz database's
// identities); empty, so nothing is kept, when the program has no build id.
QByteArray CatalogueCacheKey(const QString& zoneInfoRoot);

// The file in a cache folder.
QString CatalogueCacheFile(const QString& folder);

QByteArray EncodeCatalogueCache(const QByteArray& key, qint64 builtAtUtcMs, const TCatalogueRows& rows);
// The rows the bytes hold when they are whole and carry key, and utcMs lies in their span.
std::optional<TCatalogueRows> DecodeCatalogueCache(const QByteArray& bytes, const QByteArray& key,
                                                   qint64 utcMs);

std::optional<TCatalogueRows> ReadCatalogueCache(const QString& file, const QByteArray& key, qint64 utcMs);
// Creates the folder as needed; false when the file could not be written (it is then as
// it was).
bool WriteCatalogueCache(const QString& file, const QByteArray& key, qint64 builtAtUtcMs,
                         const TCatalogueRows& rows);
