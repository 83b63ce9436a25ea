#include "platform/LocalZone.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace {

const QString kUtc = QStringLiteral("UTC");

QString StripVariantPrefix(QString name) {
    for (const QLatin1String prefix : {QLatin1String("posix/"), QLatin1String("right/")}) {
        if (name.startsWith(prefix)) return name.mid(prefix.size());
    }
    return name;
}

// The raw text of a symbolic link, empty when path is no link.
QString RawLinkTarget(const QString& path) {
    std::error_code error;
    const std::filesystem::path link(path.toStdString());
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(link, error))) return {};
    const std::filesystem::path target = std::filesystem::read_symlink(link, error);
    return error ? QString() : QString::fromStdString(target.string());
}

// Region folders hold the names the zone tables know best; legacy top-level names
// ("Japan", "GB") and the "Etc" ones are kept for when nothing else matches.
int NameRank(const QString& name) {
    static const QStringList regions = {QStringLiteral("Africa"),     QStringLiteral("America"),
                                        QStringLiteral("Antarctica"), QStringLiteral("Arctic"),
                                        QStringLiteral("Asia"),       QStringLiteral("Atlantic"),
                                        QStringLiteral("Australia"),  QStringLiteral("Europe"),
                                        QStringLiteral("Indian"),     QStringLiteral("Pacific")};
    const QString area = name.section(QLatin1Char('/'), 0, 0);
    if (name.contains(QLatin1Char('/')) && regions.contains(area)) return 0;
    if (area == QLatin1String("Etc")) return 1;
    return 2;
}

}  // namespace

TLocalZoneSource TLocalZoneSource::FromSystem() {
    TLocalZoneSource source;
    if (qEnvironmentVariableIsSet("TZ")) source.tz = qEnvironmentVariable("TZ");
    return source;
}

QString TLocalZoneSource::ZoneInfoDir() const {
    return QDir(root).filePath(QStringLiteral("usr/share/zoneinfo"));
}

QString TLocalZoneSource::EtcPath(const QString& name) const {
    return QDir(root).filePath(QStringLiteral("etc/") + name);
}

QString ZoneNameFromZoneInfoPath(const QString& path) {
    static const QString marker = QStringLiteral("zoneinfo/");
    const qsizetype at = path.lastIndexOf(marker);
    if (at < 0) return {};
    return StripVariantPrefix(path.mid(at + marker.size()));
}

bool IsSafeZoneName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/'))) return false;
    for (const QChar c : name) {
        const bool allowed = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                             (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') ||
                             c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('/') ||
                             c == QLatin1Char('.');
        if (!allowed) return false;
    }
    const QStringList parts = name.split(QLatin1Char('/'));
    return std::none_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..");
    });
}

bool IsZoneInfoFile(const TLocalZoneSource& source, const QString& name) {
    if (!IsSafeZoneName(name)) return false;
    QFile file(QDir(source.ZoneInfoDir()).filePath(name));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    return file.read(4) == "TZif";
}

QString ZoneNameFromTz(const TLocalZoneSource& source) {
    if (!source.tz) return {};
    QString value = *source.tz;
    if (value.startsWith(QLatin1Char(':'))) value.remove(0, 1);
    // An absolute path names a file; only one inside a zoneinfo folder tells the zone.
    const QString name =
        value.startsWith(QLatin1Char('/')) ? ZoneNameFromZoneInfoPath(value) : StripVariantPrefix(value);
    return IsZoneInfoFile(source, name) ? name : QString();
}

QString ZoneNameFromLocaltimeLink(const TLocalZoneSource& source) {
    const QString path = source.EtcPath(QStringLiteral("localtime"));
    const QString raw = RawLinkTarget(path);
    if (raw.isEmpty()) return {};
    QString name = ZoneNameFromZoneInfoPath(raw);
    if (name.isEmpty())  // a chain of links (/etc/alternatives and the like)
        name = ZoneNameFromZoneInfoPath(QFileInfo(path).canonicalFilePath());
    return IsSafeZoneName(name) ? name : QString();
}

QString ZoneNameFromTimezoneFile(const TLocalZoneSource& source) {
    QFile file(source.EtcPath(QStringLiteral("timezone")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    // A zone name is a short line; a file far longer than any is not a zone file.
    const QString text = QString::fromUtf8(file.read(4096));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString name = line.trimmed();
        if (name.isEmpty() || name.startsWith(QLatin1Char('#'))) continue;
        return IsSafeZoneName(name) ? name : QString();
    }
    return {};
}

QString ZoneNameFromLocaltimeCopy(const TLocalZoneSource& source) {
    QFile local(source.EtcPath(QStringLiteral("localtime")));
    if (!local.open(QIODevice::ReadOnly)) return {};
    const QByteArray wanted = local.read(1 << 20);
    if (!wanted.startsWith("TZif")) return {};

    const QDir zoneInfo(source.ZoneInfoDir());
    QString best;
    QDirIterator it(zoneInfo.path(), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.size() != wanted.size()) continue;
        const QString name = zoneInfo.relativeFilePath(info.filePath());
        if (name.startsWith(QLatin1String("posix/")) || name.startsWith(QLatin1String("right/")) ||
            name == QLatin1String("posixrules") || name == QLatin1String("localtime"))
            continue;
        QFile candidate(info.filePath());
        if (!candidate.open(QIODevice::ReadOnly) || candidate.readAll() != wanted) continue;
        // Hard-linked copies share their bytes; keep one answer whatever the walk order.
        if (best.isEmpty() || NameRank(name) < NameRank(best) ||
            (NameRank(name) == NameRank(best) && name < best))
            best = name;
    }
    return best;
}

QString LocalZoneName(const TLocalZoneSource& source) {
    for (auto step :
         {ZoneNameFromTz, ZoneNameFromLocaltimeLink, ZoneNameFromTimezoneFile, ZoneNameFromLocaltimeCopy}) {
        const QString name = step(source);
        if (!name.isEmpty()) return name;
    }
    return kUtc;
}

bool TzFollowsCLibrary(const TLocalZoneSource& source) {
    return source.tz.has_value() && ZoneNameFromTz(source).isEmpty();
}

TCLibraryOffset CLibraryOffsetAt(qint64 utcMs) {
    const qint64 seconds = utcMs >= 0 ? utcMs / 1000 : (utcMs - 999) / 1000;
    const std::time_t instant = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&instant, &local)) return {};
    return {static_cast<int>(local.tm_gmtoff), local.tm_isdst > 0};
}
