#include "settings/Settings.h"

#include "clocks/MainCapital.h"
#include "platform/Autostart.h"
#include "platform/IniProfile.h"
#include "settings/SettingsValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <optional>

#include <unistd.h>

namespace {

const QByteArray kLocal = "Local";
const QByteArray kMini = "Mini";
const QByteArray kZoneKey = "TZI";

QByteArray CapitalSection(int index) {
    return QByteArray::number(index);
}

QString ExecutablePath() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

std::optional<TSettings>& Instance() {
    static std::optional<TSettings> instance;
    return instance;
}

// A folder where the program may keep its settings beside itself.
bool KeepsSettings(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    if (clean == QLatin1String("/usr") || clean.startsWith(QLatin1String("/usr/"))) return false;
    return ::access(QFile::encodeName(clean).constData(), W_OK) == 0;
}

// Makes the folder of a settings file in the configuration folder, private as the
// freedesktop.org base directories ask; a failure shows as the save's own failure.
void MakeFolderOf(const QString& fileName) {
    const QString folder = QFileInfo(fileName).absolutePath();
    if (QFileInfo::exists(folder)) return;
    QDir().mkpath(QFileInfo(folder).absolutePath());
    QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

QString SettingsFileNameFor(const QString& executablePath, const QString& configHome) {
    const QFileInfo info(executablePath);
    if (!KeepsSettings(info.absolutePath()))
        return QDir(configHome).filePath(QStringLiteral("horavane/horavane.ini"));
    const QString suffix = info.suffix();
    const QString stem =
        suffix.isEmpty() ? executablePath : executablePath.left(executablePath.size() - suffix.size() - 1);
    return stem + QStringLiteral(".ini");
}

TSettings::TSettings(const QString& fileName) : fileName_(fileName) {}

TIME_ZONE_INFORMATION TSettings::ReadLocalZone(const TIME_ZONE_INFORMATION& defaultZone) const {
    return ReadLocalZone().value_or(defaultZone);
}

std::optional<TIME_ZONE_INFORMATION> TSettings::ReadLocalZone() const {
    const auto text = ReadProfileString(fileName_, kLocal, kZoneKey);
    return text ? DecodeZoneRecord(*text) : std::nullopt;
}

void TSettings::WriteLocalZone(const TIME_ZONE_INFORMATION& zone) const {
    MakeFolderOf(fileName_);
    WriteProfileString(fileName_, kLocal, kZoneKey, EncodeZoneRecord(zone));
}

void TSettings::ForgetLocalZone() const {
    DeleteProfileString(fileName_, kLocal, kZoneKey);
}

QPoint TSettings::ReadMiniPosition(const QPoint& defaultPosition) const {
    const auto read = [this](const QByteArray& key, int fallback) {
        const auto text = ReadProfileString(fileName_, kMini, key);
        const auto value = text ? DecodeInteger(*text) : std::nullopt;
        return value.value_or(fallback);
    };
    return QPoint(read("X", defaultPosition.x()), read("Y", defaultPosition.y()));
}

void TSettings::WriteMiniPosition(const QPoint& position) const {
    MakeFolderOf(fileName_);
    WriteProfileStrings(fileName_, kMini,
                        {{"X", EncodeInteger(position.x())}, {"Y", EncodeInteger(position.y())}});
}

void TSettings::ReadCapital(int index, TMainCapital& capital) const {
    const QByteArray section = CapitalSection(index);
    if (const auto name = ReadProfileString(fileName_, section, "Name"))
        capital.SetName(DecodeName(*name));
    else
        capital.SetName(capital.Name);

    const auto colorText = ReadProfileString(fileName_, section, "BGColor");
    if (const auto color = colorText ? DecodeInteger(*colorText) : std::nullopt)
        capital.Color = static_cast<TColor>(*color);

    const auto zoneText = ReadProfileString(fileName_, section, kZoneKey);
    if (const auto zone = zoneText ? DecodeZoneRecord(*zoneText) : std::nullopt) capital.Zone = *zone;
}

void TSettings::WriteCapital(int index, const TMainCapital& capital) const {
    const QByteArray section = CapitalSection(index);
    // One replacement for the three keys: a failed save leaves the clock as it was saved.
    MakeFolderOf(fileName_);
    WriteProfileStrings(fileName_, section,
                        {{"Name", EncodeName(capital.Name, ProfileMarkedUtf8(fileName_))},
                         {"BGColor", EncodeInteger(static_cast<int32_t>(capital.Color))},
                         {kZoneKey, EncodeZoneRecord(capital.Zone)}});
}

TSettings& GetSettings() {
    auto& instance = Instance();
    if (!instance) instance.emplace(SettingsFileNameFor(ExecutablePath(), UserConfigFolder()));
    return *instance;
}

void SetSettingsFileName(const QString& fileName) {
    auto& instance = Instance();
    if (instance)
        *instance = TSettings(fileName);  // references already handed out stay valid
    else
        instance.emplace(fileName);
}
