#pragma once
// Registry export text in the "REGEDIT4" format: 8-bit text in the Windows-1251 code page,
// "[ROOT\key]" sections, "name"="text" strings, dword:, hex: (binary) and hex(N): values,
// "\" continuations of long hex lines, ";" comments, and deletions ([-key], "name"=-).

#include "platform/Registry.h"

#include <QByteArray>

// Applies the export text to registry. Throws Exception naming the line of the first
// malformed statement; what was applied before that line stays applied.
void ReadRegExport(const QByteArray& text, TRegistry& registry);
// A fresh registry holding what the export text says.
TRegistry ReadRegExport(const QByteArray& text);

// Exports the key at path below root with all its subkeys (CRLF line ends, like regedit);
// an absent key gives the header alone.
QByteArray WriteRegExport(const TRegistry& registry, HKEY root, const QString& path);
