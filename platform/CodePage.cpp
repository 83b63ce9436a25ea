#include "platform/CodePage.h"

#include <algorithm>
#include <array>

namespace {

// The upper half of Windows-1251, bytes 0x80..0xFF. Byte 0x98 has no character in the
// code page; like the system's converter we pass it through as U+0098, so every byte
// value reads as a character and writes back unchanged. A table in the program costs
// nothing to open, where a converter costs an open for every text.
// clang-format off
constexpr std::array<char16_t, 128> kUpperHalf{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    // 0xC0..0xFF: А..я in alphabetical order (without Ё and ё, which sit at 0xA8 and 0xB8)
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

struct ByteOfChar {
    char16_t unicode;
    unsigned char byte;
};

// The same table turned round and sorted by character, for the way back.
constexpr std::array<ByteOfChar, 128> kReverse = [] {
    std::array<ByteOfChar, 128> reverse{};
    for (int i = 0; i < 128; ++i) reverse[i] = {kUpperHalf[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(reverse.begin(), reverse.end(),
              [](const ByteOfChar& a, const ByteOfChar& b) { return a.unicode < b.unicode; });
    return reverse;
}();

constexpr int kNoByte = -1;

int ByteOf(char16_t c) {
    if (c < 0x80) return c;
    if (c >= 0x0410 && c <= 0x044F) return 0xC0 + (c - 0x0410);  // the alphabet, most texts
    const auto it = std::lower_bound(kReverse.begin(), kReverse.end(), c,
                                     [](const ByteOfChar& e, char16_t u) { return e.unicode < u; });
    return it != kReverse.end() && it->unicode == c ? it->byte : kNoByte;
}

}  // namespace

QByteArray ToAnsi(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int byte = ByteOf(c);
        // A character beyond the 16-bit range is one '?', not one for each half.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        bytes[n++] = byte == kNoByte ? '?' : static_cast<char>(byte);
    }
    bytes.truncate(n);
    return bytes;
}

QString FromAnsi(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        *out++ = QChar(byte < 0x80 ? char16_t(byte) : kUpperHalf[byte - 0x80]);
    }
    return text;
}

bool FitsAnsi(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return ByteOf(c.unicode()) != kNoByte; });
}
