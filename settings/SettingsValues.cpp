#include "settings/SettingsValues.h"

#include "platform/CodePage.h"

#include <QStringDecoder>

#include <cstring>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Digits of one base, at least one; nothing when any other character appears or the
// value leaves 32 bits (unsigned for hex, whose digits are a bit pattern).
std::optional<uint32_t> ParseDigits(const QByteArray& digits, int base) {
    if (digits.isEmpty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return uint32_t(value);
}

bool HasNonAscii(const QByteArray& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) > 127) return true;
    return false;
}

std::optional<QString> StrictUtf8(const QByteArray& bytes) {
    // A leading U+FEFF is part of the name, not a byte-order mark to drop.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The INI reader drops blanks at either end and one pair of enclosing quotes.
bool NeedsQuotes(const QByteArray& value) {
    if (value.isEmpty()) return false;
    if (IsBlank(value.front()) || IsBlank(value.back())) return true;
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

}  // namespace

QByteArray EncodeZoneRecord(const TIME_ZONE_INFORMATION& zone) {
    const QByteArray bytes(reinterpret_cast<const char*>(&zone), sizeof zone);
    return bytes.toHex().toUpper();
}

std::optional<TIME_ZONE_INFORMATION> DecodeZoneRecord(const QByteArray& text) {
    constexpr qsizetype size = sizeof(TIME_ZONE_INFORMATION);
    if (text.size() / 2 != size) return std::nullopt;
    unsigned char bytes[size];
    for (qsizetype i = 0; i < size; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    TIME_ZONE_INFORMATION zone;
    std::memcpy(&zone, bytes, size);
    if (!PlausibleZoneRecord(zone)) return std::nullopt;
    return zone;
}

QByteArray EncodeInteger(int32_t value) {
    return QByteArray::number(value);
}

std::optional<int32_t> DecodeInteger(const QByteArray& text) {
    QByteArray rest = text.trimmed();
    bool negative = false;
    if (rest.startsWith('-') || rest.startsWith('+')) {
        negative = rest.front() == '-';
        rest = rest.mid(1);
    }
    std::optional<uint32_t> magnitude;
    if (rest.startsWith('$')) {
        magnitude = ParseDigits(rest.mid(1), 16);
    } else if (rest.size() > 2 && (rest.startsWith("0x") || rest.startsWith("0X"))) {
        magnitude = ParseDigits(rest.mid(2), 16);
    } else {
        magnitude = ParseDigits(rest, 10);
        const uint32_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
        if (magnitude && *magnitude > limit) return std::nullopt;
    }
    if (!magnitude) return std::nullopt;
    const uint32_t bits = negative ? 0u - *magnitude : *magnitude;
    return static_cast<int32_t>(bits);
}

QByteArray EncodeName(const QString& name, bool utf8File) {
    QByteArray bytes = name.toUtf8();
    if (!utf8File && FitsAnsi(name)) {
        const QByteArray ansi = ToAnsi(name);
        // A few Cyrillic pairs in Windows-1251 happen to be valid UTF-8 ("Рё" is "и").
        if (DecodeName(ansi) == name) bytes = ansi;
    }
    return NeedsQuotes(bytes) ? '"' + bytes + '"' : bytes;
}

QString DecodeName(const QByteArray& bytes) {
    if (HasNonAscii(bytes))
        if (const auto utf8 = StrictUtf8(bytes)) return *utf8;
    return FromAnsi(bytes);
}
