// The settings value decoders over arbitrary value text: a decoded value encodes back
// to what was read, and every name the settings write reads back as the same name
// through the INI layer.
//
// Input: the value text as the INI layer hands it over.

#include "fuzz/FuzzInput.h"
#include "platform/IniProfile.h"
#include "settings/SettingsValues.h"

#include <cstring>

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A name written under a key of the settings file and read back from it.
std::optional<QString> StoredName(const QString& name) {
    const QByteArray encoded = EncodeName(name);
    if (encoded.size() > kMaxProfileValueLength || encoded.contains('\r') || encoded.contains('\n') ||
        encoded.contains('\0'))
        return std::nullopt;  // not a name a one-line profile value can hold
    const QByteArray file = SetProfileValue(QByteArray(), "0", "Name", encoded);
    const auto read = FindProfileValue(file, "0", "Name");
    FUZZ_CHECK(read.has_value(), "the name's key is missing: [%s]", encoded.constData());
    return DecodeName(*read);
}

void CheckZoneRecord(const QByteArray& text) {
    constexpr qsizetype digits = 2 * sizeof(TIME_ZONE_INFORMATION);
    const auto zone = DecodeZoneRecord(text);
    bool allHex = text.size() / 2 == digits / 2;
    for (qsizetype i = 0; allHex && i < digits; ++i) allHex = IsHex(text[i]);
    // Digits of a record no clock could keep (month 13, a bias of years) read as missing.
    bool plausible = false;
    if (allHex) {
        TIME_ZONE_INFORMATION record;
        std::memcpy(&record, QByteArray::fromHex(text.left(digits)).constData(), sizeof record);
        plausible = PlausibleZoneRecord(record);
    }
    FUZZ_CHECK(zone.has_value() == (allHex && plausible), "zone record of %lld characters: decoded %d",
               static_cast<long long>(text.size()), int(zone.has_value()));
    if (zone)
        FUZZ_CHECK(EncodeZoneRecord(*zone) == text.left(digits).toUpper(),
                   "the zone record does not encode back");
}

void CheckInteger(const QByteArray& text) {
    if (const auto value = DecodeInteger(text)) {
        const QByteArray encoded = EncodeInteger(*value);
        FUZZ_CHECK(DecodeInteger(encoded) == value, "%d encodes as [%s], which reads differently", *value,
                   encoded.constData());
    }
    int32_t raw = 0;
    std::memcpy(&raw, text.leftJustified(4, '\0').constData(), 4);
    FUZZ_CHECK(DecodeInteger(EncodeInteger(raw)) == raw, "%d does not survive", raw);
}

void CheckNames(const QByteArray& text) {
    const QString name = DecodeName(text);
    if (const auto stored = StoredName(name))
        FUZZ_CHECK(*stored == name, "a name read from the file does not survive being written");

    // Names the editor hands over are any text the user typed.
    QString typed(reinterpret_cast<const QChar*>(text.constData()), text.size() / 2);
    if (typed.isValidUtf16())
        if (const auto stored = StoredName(typed))
            FUZZ_CHECK(*stored == typed, "a typed name does not survive being written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CheckZoneRecord(text);
    CheckInteger(text);
    CheckNames(text);
    return 0;
}
