#pragma once
// The INI profile functions the settings file is built on (what GetPrivateProfileStringA
// and WritePrivateProfileStringA do on Windows). Values are raw 8-bit text; the caller
// decides the code page. Section and key names are matched without regard to ASCII case.
// A write changes one key's line and keeps every other byte of the file as it was.

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The longest value a read returns (the Windows call reads into a 2048-byte buffer).
constexpr qsizetype kMaxProfileValueLength = 2047;

// --- on the file's text ---
// The value of key in section, or nothing when either is missing. Blanks around the
// value are dropped and one pair of enclosing double quotes is removed.
std::optional<QByteArray> FindProfileValue(const QByteArray& content, const QByteArray& section,
                                           const QByteArray& key);
// content with key in section set to value: the key's line is rewritten in place, or the
// key is added at the end of its section, or the section is added at the end of the file.
// Lines written use the file's own line ends (CRLF for a file that has none yet). Line
// breaks and NULs in value become spaces so a value can never start a line of its own.
QByteArray SetProfileValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                           const QByteArray& value);
// content without key's line in section (the section the reads find); content itself
// when it holds no such key. The section's header stays, as on Windows.
QByteArray RemoveProfileValue(const QByteArray& content, const QByteArray& section, const QByteArray& key);

// --- on the file ---
// The file is read and rewritten a line at a time, so a save needs little memory
// whatever the file's size. Only a regular file is a settings file: a FIFO, a device or
// a folder of that name is never waited on; it reads as empty and is not written.

// Reads the file afresh; a missing or unreadable file counts as empty.
std::optional<QByteArray> ReadProfileString(const QString& fileName, const QByteArray& section,
                                            const QByteArray& key);
// Creates the file on the first write and replaces it whole (a temporary file in the same
// folder, synced, renamed over it); on any failure the file stays byte for byte as it was
// and Exception("Unable to write to <full path>") is thrown. A file without write bits is
// left alone, whoever runs the program; so is a file that is not a regular one.
void WriteProfileString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                        const QByteArray& value);
// Several keys of one section in one replacement: all of them are written or none.
using ProfileEntries = std::vector<std::pair<QByteArray, QByteArray>>;
void WriteProfileStrings(const QString& fileName, const QByteArray& section, const ProfileEntries& entries);
// Removes key from section (what WritePrivateProfileStringA does with no value), as a
// write does; a missing file or key is left as it is and nothing is written.
void DeleteProfileString(const QString& fileName, const QByteArray& section, const QByteArray& key);
// Whether the file starts with the UTF-8 byte-order mark.
bool ProfileMarkedUtf8(const QString& fileName);
