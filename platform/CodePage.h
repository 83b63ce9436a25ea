#pragma once
// The program's 8-bit code page, Windows-1251, in which zone names and settings
// texts are kept (as the original Russian Windows build kept them).

#include <QByteArray>
#include <QString>

// Windows-1251 bytes of text; characters the code page lacks become '?'.
QByteArray ToAnsi(const QString& text);
// Text of Windows-1251 bytes (every byte value maps to a character).
QString FromAnsi(const QByteArray& bytes);
// True when every character of text survives ToAnsi unchanged.
bool FitsAnsi(const QString& text);
