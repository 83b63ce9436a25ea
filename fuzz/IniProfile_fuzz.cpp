// The INI profile layer over arbitrary file bytes: reads never fail, a single-key write
// sets that key and loses nothing else, and two keys saved at once are two writes.
//
// Input: section, key, value, a second section and key (one line each), then the file.

#include "fuzz/FuzzInput.h"
#include "platform/Error.h"
#include "platform/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Names the profile functions can round-trip: no blanks at the ends (they are
// trimmed), nothing that reads as a section, a separator or a comment.
bool PlainName(const QByteArray& name) {
    if (name.isEmpty() || name.size() > 64) return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || c == '[' || c == ']' || c == '=' || c == ';' || u == 0x7F) return false;
    }
    return true;
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What a read gives back after value was written: one line, blanks at the ends
// dropped, one pair of enclosing quotes removed, at most the read buffer's length.
QByteArray ReadBack(QByteArray value) {
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(kMaxProfileValueLength);
}

// In memory where the system offers it: the write path runs a million times.
QString ScratchFile() {
    static const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/horavane-fuzz-XXXXXX"));
    return dir.filePath(QStringLiteral("horavane.ini"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzInput input(data, size);
    const QByteArray section = input.Line();
    const QByteArray key = input.Line();
    const QByteArray value = input.Line();
    const QByteArray otherSection = input.Line();
    const QByteArray otherKey = input.Line();
    const QByteArray content = input.Rest();

    const auto before = FindProfileValue(content, section, key);
    FUZZ_CHECK(!before || before->size() <= kMaxProfileValueLength, "read of %lld bytes",
               static_cast<long long>(before->size()));

    const QByteArray updated = SetProfileValue(content, section, key, value);
    // Names the program never writes (a key holding '=' reads as another key) are run
    // for safety only.
    if (PlainName(section) && PlainName(key)) {
        const auto after = FindProfileValue(updated, section, key);
        FUZZ_CHECK(after && *after == ReadBack(value), "the written key reads back as [%s]",
                   after ? after->constData() : "(missing)");
        if (PlainName(otherSection) && PlainName(otherKey) &&
            !(SameName(section, otherSection) && SameName(key, otherKey))) {
            FUZZ_CHECK(FindProfileValue(updated, otherSection, otherKey) ==
                           FindProfileValue(content, otherSection, otherKey),
                       "writing [%s] %s changed [%s] %s", section.constData(), key.constData(),
                       otherSection.constData(), otherKey.constData());
        }
    }

    // The same through the file: written atomically, read afresh.
    const QString fileName = ScratchFile();
    {
        QFile file(fileName);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file");
        file.write(content);
    }
    FUZZ_CHECK(ReadProfileString(fileName, section, key) == before, "file read differs");
    try {
        WriteProfileString(fileName, section, key, value);
    } catch (const Exception&) {
        FUZZ_CHECK(false, "a write to a writable file failed");
    }
    QFile file(fileName);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == updated,
               "the file holds other bytes than the text write gives");
    file.close();

    // Two keys of one section saved at once land as if written one after the other.
    // (The same key twice keeps the last value, but not the blanks the first put; a CR
    // ending a last line is its line end to one save and part of the value to two.)
    if (PlainName(section) && PlainName(key) && PlainName(otherKey) && !SameName(key, otherKey)) {
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file");
        file.write(content);
        file.close();
        try {
            WriteProfileStrings(fileName, section, {{key, value}, {otherKey, otherSection}});
        } catch (const Exception&) {
            FUZZ_CHECK(false, "a save of two keys to a writable file failed");
        }
        const QByteArray oneByOne = SetProfileValue(updated, section, otherKey, otherSection);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly), "scratch file");
        const QByteArray saved = file.readAll();
        if (!content.endsWith('\r')) {
            FUZZ_CHECK(saved == oneByOne,
                       "two keys saved at once differ from the same keys written one by one");
        } else {
            FUZZ_CHECK(FindProfileValue(saved, section, key) == ReadBack(value) &&
                           FindProfileValue(saved, section, otherKey) == ReadBack(otherSection),
                       "two keys saved at once do not read back");
        }
    }
    return 0;
}
