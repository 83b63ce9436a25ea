#pragma once
// Replacing a file whole: the new bytes go to a temporary file beside it, reach the
// disk, and only then take the old file's name. Either the file holds all of the new
// bytes afterwards or it is byte for byte as it was.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

// False when any step fails (a full disk, a quota, an I/O error, no folder); the old
// file is then untouched and no temporary file is left behind.
bool ReplaceFileWhole(const QString& path, const QByteArray& bytes);
// The same with the new content written piece by piece by write, which answers false
// when it could not give all of it (so a large file never has to be held in memory).
bool ReplaceFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write);

// True when the file exists and carries no write permission for anyone: the user locked
// it, and even a user who could write it anyway (root) leaves it alone.
bool LockedReadOnly(const QString& path);
