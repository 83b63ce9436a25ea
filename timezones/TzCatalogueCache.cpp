#include "timezones/TzCatalogueCache.h"

#include "platform/FileReplace.h"
#include "timezones/TimeZones.h"
#include "timezones/WindowsZoneTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>
#include <span>

#include <elf.h>
#include <link.h>
#include <sys/stat.h>

namespace {

// Changed whenever the layout below or the meaning of a row changes.
constexpr quint32 kFormat = 1;
constexpr char kMagic[] = "Horavane zone catalogue\n";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
constexpr qsizetype kHashSize = 32;  // BLAKE2b-256
// Far more than 139 rows need; anything larger is not ours.
constexpr qint64 kLargestFile = 64 * 1024;

QByteArray Digest(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256);
}

template <class T>
void Put(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Reads fixed-size values from the front of the bytes; fails for good once they run out.
class TReader {
public:
    explicit TReader(QByteArrayView bytes) : bytes_(bytes) {}
    template <class T>
    bool Get(T& value) {
        if (bytes_.size() - at_ < qsizetype(sizeof value)) return false;
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += qsizetype(sizeof value);
        return true;
    }
    QByteArrayView Take(qsizetype size) {
        if (size < 0 || bytes_.size() - at_ < size) return {};
        const QByteArrayView piece = bytes_.sliced(at_, size);
        at_ += size;
        return piece;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

// The build id note among a loaded object's program headers, when the object holds
// the address.
struct TBuildIdSearch {
    uintptr_t address = 0;
    QByteArray id;
};

QByteArray BuildIdNote(const dl_phdr_info& info, const ElfW(Phdr) & header) {
    const char* notes = reinterpret_cast<const char*>(info.dlpi_addr + header.p_vaddr);
    const size_t align = header.p_align > 4 ? 8 : 4;
    const auto padded = [align](size_t n) { return (n + align - 1) / align * align; };
    for (size_t at = 0; at + sizeof(ElfW(Nhdr)) <= header.p_memsz;) {
        ElfW(Nhdr) note;
        std::memcpy(&note, notes + at, sizeof note);
        const size_t name = at + sizeof note;
        const size_t desc = name + padded(note.n_namesz);
        if (desc + note.n_descsz > header.p_memsz) break;
        if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(notes + name, "GNU", 4) == 0)
            return QByteArray(notes + desc, qsizetype(note.n_descsz));
        at = desc + padded(note.n_descsz);
    }
    return {};
}

int FindBuildId(dl_phdr_info* info, size_t, void* data) {
    auto& search = *static_cast<TBuildIdSearch*>(data);
    bool holds = false;
    for (int i = 0; i < info->dlpi_phnum && !holds; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        const uintptr_t start = info->dlpi_addr + header.p_vaddr;
        holds =
            header.p_type == PT_LOAD && search.address >= start && search.address < start + header.p_memsz;
    }
    if (!holds) return 0;
    for (int i = 0; i < info->dlpi_phnum && search.id.isEmpty(); ++i)
        if (info->dlpi_phdr[i].p_type == PT_NOTE) search.id = BuildIdNote(*info, info->dlpi_phdr[i]);
    return 1;
}

// The first line of the compiled tz source names its version ("# version 2025b").
QByteArray TzDatabaseVersion(const QString& zoneInfoRoot) {
    QFile source(zoneInfoRoot + QStringLiteral("/tzdata.zi"));
    if (!source.open(QIODevice::ReadOnly)) return {};
    return source.readLine(80).trimmed();
}

void PutFileIdentity(QByteArray& out, const QByteArray& path) {
    struct stat about {};
    if (::stat(path.constData(), &about) != 0) {
        Put<qint64>(out, -1);  // absent: the rows take the embedded export's key
        return;
    }
    Put<qint64>(out, about.st_size);
    Put<qint64>(out, about.st_mtim.tv_sec);
    Put<qint64>(out, about.st_mtim.tv_nsec);
    Put<quint64>(out, about.st_ino);
    Put<quint64>(out, about.st_dev);
}

// A rule the catalogue could hold: the biases and dates any zone record may carry.
bool PlausibleRule(const REG_TZI_FORMAT& rule) {
    return PlausibleZoneRecord(MakeZoneRecord(rule, QString(), QString()));
}

}  // namespace

QString DefaultCatalogueCacheFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/horavane");
}

QByteArray ProgramBuildId() {
    static const QByteArray id = [] {
        TBuildIdSearch search;
        search.address = reinterpret_cast<uintptr_t>(&ProgramBuildId);
        dl_iterate_phdr(FindBuildId, &search);
        return search.id;
    }();
    return id;
}

QByteArray TzDatabaseIdentity(const QString& zoneInfoRoot) {
    const QByteArray root = QFile::encodeName(zoneInfoRoot);
    QByteArray identity = root + '\n' + TzDatabaseVersion(zoneInfoRoot) + '\n';
    identity.reserve(identity.size() + qsizetype(WindowsZoneRows().size()) * 40);
    QByteArray path;
    for (const WindowsZoneRow& row : WindowsZoneRows()) {
        path = root + '/' + row.iana;
        PutFileIdentity(identity, path);
    }
    return identity;
}

QByteArray CatalogueCacheKey(const QString& zoneInfoRoot) {
    const QByteArray program = ProgramBuildId();
    if (program.isEmpty()) return {};
    QByteArray material;
    Put<quint32>(material, kFormat);
    Put<quint32>(material, quint32(program.size()));
    material += program;
    material += TzDatabaseIdentity(zoneInfoRoot);
    return Digest(material);
}

QString CatalogueCacheFile(const QString& folder) {
    return folder + QStringLiteral("/zone-catalogue");
}

QByteArray EncodeCatalogueCache(const QByteArray& key, qint64 builtAtUtcMs, const TCatalogueRows& rows) {
    QByteArray out(kMagic, kMagicSize);
    Put<quint32>(out, kFormat);
    Put<quint32>(out, quint32(key.size()));
    out += key;
    Put<qint64>(out, builtAtUtcMs);
    Put<qint64>(out, rows.rebuildAtUtcMs);
    Put<quint32>(out, quint32(rows.sources.size()));
    for (size_t i = 0; i < rows.sources.size(); ++i) {
        Put<quint8>(out, quint8(rows.sources[i]));
        if (rows.sources[i] == TZoneSource::TzDatabase) Put(out, rows.rules[i]);
    }
    out += Digest(out);
    return out;
}

std::optional<TCatalogueRows> DecodeCatalogueCache(const QByteArray& bytes, const QByteArray& key,
                                                   qint64 utcMs) {
    if (key.isEmpty() || bytes.size() < kMagicSize + kHashSize) return std::nullopt;
    const QByteArrayView body = QByteArrayView(bytes).chopped(kHashSize);
    if (Digest(body) != QByteArrayView(bytes).last(kHashSize)) return std::nullopt;

    TReader in(body);
    quint32 format = 0, keySize = 0, count = 0;
    TCatalogueRows rows;
    qint64 builtAt = 0;
    if (in.Take(kMagicSize) != QByteArrayView(kMagic, kMagicSize) || !in.Get(format) || format != kFormat ||
        !in.Get(keySize) || in.Take(qsizetype(keySize)) != key || !in.Get(builtAt) ||
        !in.Get(rows.rebuildAtUtcMs) || !in.Get(count))
        return std::nullopt;
    // Right from the instant it was built until its rebuild time, which is never past the
    // New Year after it; an earlier instant may need other rules.
    if (utcMs < builtAt || utcMs >= rows.rebuildAtUtcMs || rows.rebuildAtUtcMs > NextUtcNewYearMs(builtAt))
        return std::nullopt;
    if (count != WindowsZoneRows().size()) return std::nullopt;
    rows.sources.assign(count, TZoneSource::Missing);
    rows.rules.assign(count, REG_TZI_FORMAT{});
    for (size_t i = 0; i < count; ++i) {
        quint8 source = 0;
        if (!in.Get(source) || source > quint8(TZoneSource::Embedded)) return std::nullopt;
        rows.sources[i] = TZoneSource(source);
        if (rows.sources[i] == TZoneSource::TzDatabase &&
            (!in.Get(rows.rules[i]) || !PlausibleRule(rows.rules[i])))
            return std::nullopt;
    }
    if (!in.AtEnd()) return std::nullopt;
    return rows;
}

std::optional<TCatalogueRows> ReadCatalogueCache(const QString& file, const QByteArray& key, qint64 utcMs) {
    QFile kept(file);
    if (key.isEmpty() || !kept.open(QIODevice::ReadOnly) || kept.size() > kLargestFile) return std::nullopt;
    return DecodeCatalogueCache(kept.read(kLargestFile + 1), key, utcMs);
}

bool WriteCatalogueCache(const QString& file, const QByteArray& key, qint64 builtAtUtcMs,
                         const TCatalogueRows& rows) {
    if (key.isEmpty() || !QDir().mkpath(QFileInfo(file).path())) return false;
    return ReplaceFileWhole(file, EncodeCatalogueCache(key, builtAtUtcMs, rows));
}
