#pragma once
// Replacing a small file whole: the new bytes go to a temporary file beside it, reach
// the disk, and only then take the old file's name. Either the file holds all of the
// new bytes afterwards or it is byte for byte as it was.

#include <QByteArray>
#include <QString>

// False when any step fails (a full disk, a quota, an I/O error, no folder); the old
// file is then untouched and no temporary file is left behind.
bool ReplaceFileWhole(const QString& path, const QByteArray& bytes);

// True when the file exists and carries no write permission for anyone: the user locked
// it, and even a user who could write it anyway (root) leaves it alone.
bool LockedReadOnly(const QString& path);
