#pragma once
// How the settings file spells its values: zone records as hex digits, integers,
// colours and city names. Decoders give nothing for a value that is not usable, so the
// caller keeps its default.

#include "timezones/ZoneRecord.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The 172 bytes in order as 344 upper-case hex digits.
QByteArray EncodeZoneRecord(const TIME_ZONE_INFORMATION& zone);
// Taken when the length halved and rounded down is 172 (a 345th character is ignored);
// digits of either case; any other length, a non-hex character or a record no clock
// could keep (PlausibleZoneRecord) gives nothing.
std::optional<TIME_ZONE_INFORMATION> DecodeZoneRecord(const QByteArray& text);

// Decimal, with a minus sign when negative.
QByteArray EncodeInteger(int32_t value);
// Decimal, or hexadecimal after "0x"/"0X"/"$" (up to 8 digits, read as the 32-bit pattern),
// each after an optional sign. Anything else, or a number out of 32-bit range, gives nothing.
std::optional<int32_t> DecodeInteger(const QByteArray& text);

// Names are kept in Windows-1251 as they always were; a name the code page cannot hold
// (or whose Windows-1251 bytes would read back as UTF-8) is stored in UTF-8. A value is
// quoted when its own blanks or quotes would otherwise be lost on reading. A file that
// starts with the UTF-8 byte-order mark was saved as UTF-8: its names stay UTF-8.
QByteArray EncodeName(const QString& name, bool utf8File = false);
// Valid UTF-8 with bytes above 127 is UTF-8; anything else is Windows-1251.
QString DecodeName(const QByteArray& bytes);
