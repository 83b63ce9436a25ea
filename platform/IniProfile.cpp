#include "platform/IniProfile.h"

#include "platform/Error.h"
#include "platform/FileReplace.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mark an editor may put before UTF-8 text.
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

// The lines of a text one at a time, each with its line end (none on a last line that
// has none). A UTF-8 mark before the first line belongs to no line: it is kept apart.
class TLineSource {
public:
    virtual ~TLineSource() = default;
    bool Next(QByteArray& raw) {
        if (!NextRaw(raw)) return false;
        if (first_) {
            first_ = false;
            if (raw.startsWith(kUtf8Mark)) {
                mark_ = kUtf8Mark;
                raw.remove(0, kUtf8Mark.size());
                return !raw.isEmpty();  // a file of the mark alone has no lines
            }
        }
        return true;
    }
    const QByteArray& Mark() const { return mark_; }

protected:
    virtual bool NextRaw(QByteArray& raw) = 0;

private:
    bool first_ = true;
    QByteArray mark_;
};

class TTextLines final : public TLineSource {
public:
    explicit TTextLines(const QByteArray& content) : content_(content) {}

protected:
    bool NextRaw(QByteArray& raw) override {
        if (pos_ >= content_.size()) return false;
        const qsizetype newline = content_.indexOf('\n', pos_);
        const qsizetype end = newline < 0 ? content_.size() : newline + 1;
        raw = content_.mid(pos_, end - pos_);
        pos_ = end;
        return true;
    }

private:
    const QByteArray& content_;
    qsizetype pos_ = 0;
};

// Reads the file in blocks; only the current block and line are ever held.
class TFileLines final : public TLineSource {
public:
    explicit TFileLines(QFile& file) : file_(file) {}
    // Whether reading stopped on an error rather than at the end of the file.
    bool Failed() const { return failed_; }

protected:
    bool NextRaw(QByteArray& raw) override {
        raw.clear();
        for (;;) {
            const qsizetype newline = block_.indexOf('\n', pos_);
            if (newline >= 0) {
                raw.append(QByteArrayView(block_).sliced(pos_, newline + 1 - pos_));
                pos_ = newline + 1;
                return true;
            }
            raw.append(QByteArrayView(block_).sliced(pos_));
            block_ = file_.read(kBlockSize);
            pos_ = 0;
            if (block_.isEmpty()) {
                failed_ = file_.error() != QFileDevice::NoError;
                return !raw.isEmpty();
            }
        }
    }

private:
    static constexpr qint64 kBlockSize = 64 * 1024;
    QFile& file_;
    QByteArray block_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

// Where rewritten lines go; false once a write has failed.
using TSink = std::function<bool(const QByteArray&)>;

// The text of a line without its line end.
QByteArray TextOf(const QByteArray& raw) {
    qsizetype end = raw.endsWith('\n') ? raw.size() - 1 : raw.size();
    if (end > 0 && raw[end - 1] == '\r') --end;
    return raw.left(end);
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// "[name]" gives name; any other line gives nothing.
std::optional<QByteArray> SectionName(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    if (!trimmed.startsWith('[')) return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

// Offset of the '=' of a "key=value" line, or -1 for comments and other lines.
qsizetype KeySeparator(const QByteArray& text) {
    if (text.trimmed().startsWith(';')) return -1;
    return text.indexOf('=');
}

bool IsKeyLine(const QByteArray& text, const QByteArray& key, qsizetype* separator = nullptr) {
    const qsizetype at = KeySeparator(text);
    if (separator) *separator = at;
    return at >= 0 && SameName(text.left(at).trimmed(), key);
}

QByteArray Unquote(QByteArray value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QByteArray SingleLine(QByteArray value) {
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return value;
}

// Only the first section of a name is read and written; its lines are those up to the
// next section's header.
std::optional<QByteArray> FindValue(TLineSource& lines, const QByteArray& section, const QByteArray& key) {
    bool inSection = false;
    bool seenSection = false;
    QByteArray raw;
    while (lines.Next(raw)) {
        const QByteArray text = TextOf(raw);
        if (const auto name = SectionName(text)) {
            if (seenSection) return std::nullopt;
            inSection = SameName(*name, section);
            seenSection = inSection;
            continue;
        }
        qsizetype separator = -1;
        if (inSection && IsKeyLine(text, key, &separator))
            return Unquote(text.mid(separator + 1).trimmed()).left(kMaxProfileValueLength);
    }
    return std::nullopt;
}

// Copies the lines to out with the entries set in section: a key's line is rewritten in
// place (keeping its spelling, blanks and line end), a key the section lacks is added
// after its last non-blank line, and a missing section is added at the end. New lines
// take the file's own line end (CRLF for a file that has none yet).
class TValueSetter {
public:
    TValueSetter(const QByteArray& section, const ProfileEntries& entries, const TSink& out)
        : section_(section), out_(out) {
        // The same key twice is one key with the last value, as when written one by one.
        for (const auto& entry : entries) {
            auto same = std::find_if(pending_.begin(), pending_.end(),
                                     [&](const Pending& p) { return SameName(p.key, entry.first); });
            if (same == pending_.end())
                pending_.push_back({entry.first, SingleLine(entry.second)});
            else
                same->value = SingleLine(entry.second);
        }
    }

    bool Run(TLineSource& lines) {
        QByteArray raw;
        bool any = lines.Next(raw);
        Emit(lines.Mark());
        if (any) eol_ = raw.endsWith("\r\n") ? "\r\n" : raw.endsWith('\n') ? "\n" : "\r\n";
        for (; any; any = lines.Next(raw)) Line(raw);
        if (phase_ == Phase::Before && !pending_.empty()) {
            if (anyLine_ && !lastEndsLine_) EmitLine(eol_);
            EmitLine('[' + section_ + ']' + eol_);
        }
        if (phase_ != Phase::After) EndSection();
        return ok_;
    }

private:
    enum class Phase { Before, In, After };
    struct Pending {
        QByteArray key;
        QByteArray value;
        bool done = false;
    };

    void Line(const QByteArray& raw) {
        const QByteArray text = TextOf(raw);
        if (const auto name = SectionName(text)) {
            if (phase_ == Phase::In) {
                EndSection();
                phase_ = Phase::After;
            } else if (phase_ == Phase::Before && SameName(*name, section_)) {
                phase_ = Phase::In;
            }
            EmitLine(raw);
            return;
        }
        if (phase_ != Phase::In) {
            EmitLine(raw);
            return;
        }
        if (text.trimmed().isEmpty() && !AllDone()) {
            blanks_ += raw;  // new keys may yet go before these
            return;
        }
        EmitLine(blanks_);
        blanks_.clear();
        qsizetype separator = -1;
        for (Pending& p : pending_) {
            if (p.done || !IsKeyLine(text, p.key, &separator)) continue;
            p.done = true;
            qsizetype valueBegin = separator + 1;
            while (valueBegin < text.size() && (text[valueBegin] == ' ' || text[valueBegin] == '\t'))
                ++valueBegin;
            EmitLine(raw.left(valueBegin) + p.value + raw.mid(text.size()));
            return;
        }
        EmitLine(raw);
    }

    void EndSection() {
        for (Pending& p : pending_) {
            if (p.done) continue;
            if (!lastEndsLine_) EmitLine(eol_);  // the section ended the file without a line end
            EmitLine(p.key + '=' + p.value + eol_);
            p.done = true;
        }
        EmitLine(blanks_);
        blanks_.clear();
    }

    bool AllDone() const {
        return std::all_of(pending_.begin(), pending_.end(), [](const Pending& p) { return p.done; });
    }

    void EmitLine(const QByteArray& bytes) {
        if (bytes.isEmpty()) return;
        anyLine_ = true;
        lastEndsLine_ = bytes.endsWith('\n');
        Emit(bytes);
    }
    void Emit(const QByteArray& bytes) {
        if (!bytes.isEmpty() && ok_) ok_ = out_(bytes);
    }

    const QByteArray section_;
    const TSink& out_;
    std::vector<Pending> pending_;
    Phase phase_ = Phase::Before;
    QByteArray eol_ = "\r\n";
    QByteArray blanks_;
    bool anyLine_ = false;
    bool lastEndsLine_ = true;
    bool ok_ = true;
};

// Copies the lines to out without key's lines in section.
bool RemoveValue(TLineSource& lines, const QByteArray& section, const QByteArray& key, const TSink& out) {
    bool ok = true;
    const auto put = [&](const QByteArray& bytes) {
        if (!bytes.isEmpty() && ok) ok = out(bytes);
    };
    bool inSection = false;
    bool seenSection = false;
    bool done = false;
    QByteArray raw;
    bool any = lines.Next(raw);
    put(lines.Mark());
    for (; any; any = lines.Next(raw)) {
        if (!done) {
            const QByteArray text = TextOf(raw);
            if (const auto name = SectionName(text)) {
                done = seenSection;
                inSection = !done && SameName(*name, section);
                seenSection = seenSection || inSection;
            } else if (inSection && IsKeyLine(text, key)) {
                continue;
            }
        }
        put(raw);
    }
    return ok;
}

QByteArray Collect(const std::function<void(const TSink&)>& run) {
    QByteArray result;
    run([&result](const QByteArray& bytes) {
        result += bytes;
        return true;
    });
    return result;
}

// Opens the file for reading without waiting on it: a FIFO would block open() until a
// writer comes, and anything but a regular file is no settings file.
enum class TOpened { Yes, Missing, Refused };
TOpened OpenRegularFile(QFile& file, const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? TOpened::Missing : TOpened::Refused;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return TOpened::Refused;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return TOpened::Refused;
    }
    return TOpened::Yes;
}

// Streams the file through edit into its replacement. A file that cannot be read whole
// must not be replaced by what was read of it.
void ChangeProfile(const QString& fileName, const std::function<bool(TLineSource&, const TSink&)>& edit) {
    const QString fullPath = QFileInfo(fileName).absoluteFilePath();
    const Exception failure(QStringLiteral("Unable to write to ") + fullPath);

    QFile existing;
    const TOpened opened = OpenRegularFile(existing, fullPath);
    if (opened == TOpened::Refused) throw failure;
    // A read-only file stays as the user locked it (the rename would get past that).
    if (opened == TOpened::Yes && (LockedReadOnly(fullPath) || !QFileInfo(fullPath).isWritable()))
        throw failure;
    const QByteArray none;
    TTextLines empty(none);
    TFileLines lines(existing);
    const bool written = ReplaceFileWhole(fullPath, [&](QIODevice& out) {
        const TSink sink = [&out](const QByteArray& bytes) { return out.write(bytes) == bytes.size(); };
        if (opened == TOpened::Yes) return edit(lines, sink) && !lines.Failed();
        return edit(empty, sink);
    });
    if (!written) throw failure;
}

}  // namespace

std::optional<QByteArray> FindProfileValue(const QByteArray& content, const QByteArray& section,
                                           const QByteArray& key) {
    TTextLines lines(content);
    return FindValue(lines, section, key);
}

QByteArray SetProfileValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                           const QByteArray& value) {
    return Collect([&](const TSink& out) {
        TTextLines lines(content);
        TValueSetter(section, {{key, value}}, out).Run(lines);
    });
}

QByteArray RemoveProfileValue(const QByteArray& content, const QByteArray& section, const QByteArray& key) {
    return Collect([&](const TSink& out) {
        TTextLines lines(content);
        RemoveValue(lines, section, key, out);
    });
}

std::optional<QByteArray> ReadProfileString(const QString& fileName, const QByteArray& section,
                                            const QByteArray& key) {
    QFile file;
    if (OpenRegularFile(file, fileName) != TOpened::Yes) return std::nullopt;
    TFileLines lines(file);
    return FindValue(lines, section, key);
}

void WriteProfileString(const QString& fileName, const QByteArray& section, const QByteArray& key,
                        const QByteArray& value) {
    WriteProfileStrings(fileName, section, {{key, value}});
}

void WriteProfileStrings(const QString& fileName, const QByteArray& section, const ProfileEntries& entries) {
    ChangeProfile(fileName, [&](TLineSource& lines, const TSink& out) {
        return TValueSetter(section, entries, out).Run(lines);
    });
}

void DeleteProfileString(const QString& fileName, const QByteArray& section, const QByteArray& key) {
    // A removal that finds nothing to remove writes nothing (and cannot fail).
    if (!ReadProfileString(fileName, section, key)) return;
    ChangeProfile(fileName, [&](TLineSource& lines, const TSink& out) {
        return RemoveValue(lines, section, key, out);
    });
}

bool ProfileMarkedUtf8(const QString& fileName) {
    QFile file;
    return OpenRegularFile(file, fileName) == TOpened::Yes && file.read(kUtf8Mark.size()) == kUtf8Mark;
}
