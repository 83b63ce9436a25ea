#include "timezones/TimeZones.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

#include <algorithm>

namespace {

QString CreateError(const char* what) {
    return QStringLiteral("Error in \"%1.Create\": %2")
        .arg(QStringLiteral("TRegTimeZone"), QString::fromLatin1(what));
}

// The stored name of a value, looked up without regard to case in the key's value names.
QString FindValueName(const TRegistryAccess& reg, const QString& name) {
    for (const QString& stored : reg.GetValueNames())
        if (stored.compare(name, Qt::CaseInsensitive) == 0) return stored;
    return {};
}

QByteArray ReadPlainString(const TRegistryAccess& reg, const char* name, const char* error) {
    const QString stored = FindValueName(reg, QLatin1String(name));
    if (stored.isEmpty() || reg.GetDataType(stored) != REG_SZ) throw Exception(CreateError(error));
    return reg.ReadString(stored);
}

void CopyName(const QString& text, char16_t (&field)[32]) {
    std::fill(std::begin(field), std::end(field), u'\0');
    if (text.size() > 31) return;  // does not fit: the field stays empty
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), field);
}

// Equal length, and equal with only the Latin letters compared without regard to case.
bool SameStandardName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

constexpr const char* kKnownKeys[] = {
    "GMT Standard Time",         "Eastern Standard Time",   "Tokyo Standard Time",
    "AUS Eastern Standard Time", "Russian Standard Time",   "Central Standard Time",
    "Romance Standard Time",     "W. Europe Standard Time", "Belarus Standard Time",
    "FLE Standard Time",         "West Asia Standard Time", "China Standard Time",
    "Singapore Standard Time",
};

void Assign(TIME_ZONE_INFORMATION* target, const TIME_ZONE_INFORMATION& zone) {
    if (target) *target = zone;
}

}  // namespace

TRegTimeZone::TRegTimeZone(const TRegistryAccess* reg) {
    if (!reg) throw Exception(CreateError("RegKey is not Assigned."));
    if (reg->RootKey() != HKEY_LOCAL_MACHINE || !reg->HasCurrentKey() ||
        !reg->CurrentPath().startsWith(kTimeZonesKeyPath, Qt::CaseInsensitive))
        throw Exception(CreateError("RegKey is wrong."));

    Display = FromAnsi(ReadPlainString(*reg, "Display", "There is no \"Display\" value in the RegKey."));
    Dlt = FromAnsi(ReadPlainString(*reg, "Dlt", "There is no \"Dlt\" value in the RegKey."));
    stdAnsi_ = ReadPlainString(*reg, "Std", "There is no \"Std\" value in the RegKey.");
    Std = FromAnsi(stdAnsi_);

    const QString tzi = FindValueName(*reg, QStringLiteral("TZI"));
    const int size = static_cast<int>(sizeof(REG_TZI_FORMAT));
    if (tzi.isEmpty() || reg->GetDataType(tzi) != REG_BINARY || reg->GetDataSize(tzi) != size ||
        reg->ReadBinaryData(tzi, &TZI, size) < size)
        throw Exception(CreateError("There is no \"TZI\" value in the RegKey or it has wrong size."));
}

TIME_ZONE_INFORMATION MakeZoneRecord(const REG_TZI_FORMAT& tzi, const QString& standardName,
                                     const QString& daylightName) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = tzi.Bias;
    zone.StandardBias = tzi.StandardBias;
    zone.DaylightBias = tzi.DaylightBias;
    zone.StandardDate = tzi.StandardDate;
    zone.DaylightDate = tzi.DaylightDate;
    CopyName(standardName, zone.StandardName);
    CopyName(daylightName, zone.DaylightName);
    return zone;
}

TIME_ZONE_INFORMATION TRegTimeZone::ToTimeZoneInformation() const {
    return MakeZoneRecord(TZI, Std, Dlt);
}

int CompareZonesByBias(const TRegTimeZone* first, const TRegTimeZone* second) {
    if (!first || !second) return 0;
    return (second->TZI.Bias > first->TZI.Bias) - (second->TZI.Bias < first->TZI.Bias);
}

int TTimeZoneList::IndexOfStandardName(const QString& name) const {
    const QByteArray wanted = ToAnsi(name);
    for (int i = Count() - 1; i >= 0; --i)
        if (SameStandardName(items_[static_cast<size_t>(i)]->StdAnsi(), wanted)) return i;
    return -1;
}

int TTimeZoneList::IndexOfStandardName(const char16_t name[32]) const {
    const auto end = std::find(name, name + 32, u'\0');
    return IndexOfStandardName(QString::fromUtf16(name, end - name));
}

TIME_ZONE_INFORMATION TTimeZoneList::CurrentRecord(const TIME_ZONE_INFORMATION& zone) const {
    const int index = IndexOfStandardName(zone.StandardName);
    return index < 0 ? zone : (*this)[index].ToTimeZoneInformation();
}

void TTimeZoneList::Sort() {
    std::sort(items_.begin(), items_.end(),
              [](const auto& a, const auto& b) { return CompareZonesByBias(a.get(), b.get()) < 0; });
}

std::span<const char* const> KnownZoneKeys() {
    return kKnownKeys;
}

int KnownZoneRow(const QString& keyName) {
    for (size_t row = 0; row < std::size(kKnownKeys); ++row)
        if (keyName.compare(QLatin1String(kKnownKeys[row]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(row);
    return -1;
}

void LoadTimeZones(const TRegistry& registry, TTimeZoneList& list, const KnownZoneTargets& targets) {
    TRegistryAccess reg(registry, HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(kTimeZonesKeyPath)) {
        const QStringList names = reg.GetKeyNames();
        reg.CloseKey();
        for (const QString& name : names) {
            // The open is not tested: a key that can't be opened fails as "RegKey is wrong."
            reg.OpenKeyReadOnly(kTimeZonesKeyPath + QLatin1Char('\\') + name);
            auto entry = std::make_unique<TRegTimeZone>(&reg);  // on error the key closes with reg
            const TIME_ZONE_INFORMATION zone = entry->ToTimeZoneInformation();
            list.Add(std::move(entry));

            const int row = KnownZoneRow(name);
            if (row >= 0 && row < 5) Assign(targets.clockZones[static_cast<size_t>(row)], zone);
            if (row == 1) Assign(targets.newYorkZone, zone);
            if (row == 4) Assign(targets.moscowZone, zone);
            if (row == 5) Assign(targets.chicagoZone, zone);
            if (targets.keyLoaded) targets.keyLoaded(name, zone);
            reg.CloseKey();
        }
    }
    list.Sort();
}
