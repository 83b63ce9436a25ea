#include "platform/IniProfile.h"

#include "platform/Error.h"
#include "platform/FileReplace.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

#include <vector>

namespace {

// The mark an editor may put before UTF-8 text.
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

// One line of the file: its text without the line end, and the line end itself
// (empty on a last line that has none).
struct Line {
    qsizetype begin;
    qsizetype textEnd;
    qsizetype end;
};

std::vector<Line> SplitLines(const QByteArray& content) {
    std::vector<Line> lines;
    // A file saved by an editor that marks UTF-8 keeps the mark, outside any line.
    qsizetype begin = content.startsWith(kUtf8Mark) ? kUtf8Mark.size() : 0;
    while (begin < content.size()) {
        const qsizetype newline = content.indexOf('\n', begin);
        const qsizetype end = newline < 0 ? content.size() : newline + 1;
        qsizetype textEnd = newline < 0 ? content.size() : newline;
        if (textEnd > begin && content[textEnd - 1] == '\r')
            --textEnd;
        lines.push_back({begin, textEnd, end});
        begin = end;
    }
    return lines;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

QByteArray LineText(const QByteArray& content, const Line& line) {
    return content.mid(line.begin, line.textEnd - line.begin);
}

// "[name]" gives name; any other line gives nothing.
std::optional<QByteArray> SectionName(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

// Offset of the '=' of a "key=value" line, or -1 for comments and other lines.
qsizetype KeySeparator(const QByteArray& text) {
    if (text.trimmed().startsWith(';'))
        return -1;
    return text.indexOf('=');
}

QByteArray Unquote(QByteArray value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QByteArray LineEndOf(const QByteArray& content) {
    const qsizetype newline = content.indexOf('\n');
    if (newline < 0)
        return "\r\n";  // a new file gets the line ends INI files have always had
    return newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

QByteArray SingleLine(QByteArray value) {
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}

}  // namespace

std::optional<QByteArray> FindProfileValue(const QByteArray& content, const QByteArray& section,
                                           const QByteArray& key) {
    bool inSection = false;
    bool seenSection = false;
    for (const Line& line : SplitLines(content)) {
        const QByteArray text = LineText(content, line);
        if (const auto name = SectionName(text)) {
            if (seenSection)
                return std::nullopt;  // only the first section of that name counts
            inSection = SameName(*name, section);
            seenSection = inSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype separator = KeySeparator(text);
        if (separator >= 0 && SameName(text.left(separator).trimmed(), key))
            return Unquote(text.mid(separator + 1).trimmed()).left(kMaxProfileValueLength);
    }
    return std::nullopt;
}

QByteArray SetProfileValue(const QByteArray& content, const QByteArray& section,
                           const QByteArray& key, const QByteArray& value) {
    const QByteArray eol = LineEndOf(content);
    const QByteArray safeValue = SingleLine(value);
    const std::vector<Line> lines = SplitLines(content);

    const Line* sectionLast = nullptr;  // the section's last non-blank line
    bool inSection = false;
    for (const Line& line : lines) {
        const QByteArray text = LineText(content, line);
        if (const auto name = SectionName(text)) {
            if (sectionLast)
                break;
            inSection = SameName(*name, section);
            if (inSection)
                sectionLast = &line;
            continue;
        }
        if (!inSection)
            continue;
        if (!text.trimmed().isEmpty())
            sectionLast = &line;
        const qsizetype separator = KeySeparator(text);
        if (separator >= 0 && SameName(text.left(separator).trimmed(), key)) {
            // Keep the line's own spelling of the key, its blanks and its line end.
            qsizetype valueBegin = line.begin + separator + 1;
            while (valueBegin < line.textEnd &&
                   (content[valueBegin] == ' ' || content[valueBegin] == '\t'))
                ++valueBegin;
            return content.left(valueBegin) + safeValue + content.mid(line.textEnd);
        }
    }

    const QByteArray keyLine = key + '=' + safeValue + eol;
    if (sectionLast) {
        QByteArray head = content.left(sectionLast->end);
        if (content[sectionLast->end - 1] != '\n')
            head += eol;  // the section ends the file without a line end (or with a bare CR)
        return head + keyLine + content.mid(sectionLast->end);
    }
    QByteArray result = content;
    if (!lines.empty() && !result.endsWith('\n'))
        result += eol;
    return result + '[' + section + ']' + eol + keyLine;
}

QByteArray RemoveProfileValue(const QByteArray& content, const QByteArray& section,
                              const QByteArray& key) {
    QByteArray result;
    qsizetype kept = 0;  // content before this offset is already in result
    bool inSection = false;
    bool seenSection = false;
    for (const Line& line : SplitLines(content)) {
        const QByteArray text = LineText(content, line);
        if (const auto name = SectionName(text)) {
            if (seenSection) break;  // only the first section of that name is read
            inSection = SameName(*name, section);
            seenSection = inSection;
            continue;
        }
        const qsizetype separator = inSection ? KeySeparator(text) : -1;
        if (separator >= 0 && SameName(text.left(separator).trimmed(), key)) {
            result += content.mid(kept, line.begin - kept);
            kept = line.end;
        }
    }
    return kept == 0 ? content : result + content.mid(kept);
}

std::optional<QByteArray> ReadProfileString(const QString& fileName, const QByteArray& section,
                                            const QByteArray& key) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return FindProfileValue(file.readAll(), section, key);
}

void WriteProfileString(const QString& fileName, const QByteArray& section,
                        const QByteArray& key, const QByteArray& value) {
    WriteProfileStrings(fileName, section, {{key, value}});
}

namespace {

// Reads the file, lets change rewrite its content and replaces the file whole with the
// result. A removal that finds nothing to remove writes nothing.
enum class WhenUnchanged { Write, Skip };
void ChangeProfile(const QString& fileName, WhenUnchanged unchanged,
                   const std::function<QByteArray(const QByteArray&)>& change) {
    const QString fullPath = QFileInfo(fileName).absoluteFilePath();
    const Exception failure(QStringLiteral("Unable to write to ") + fullPath);

    QByteArray content;
    QFile existing(fullPath);
    const bool exists = existing.exists();
    if (exists) {
        // A file we cannot read must not be replaced by one holding only these keys.
        if (!existing.open(QIODevice::ReadOnly)) throw failure;
        content = existing.readAll();
        existing.close();
    }
    const QByteArray changed = change(content);
    if (unchanged == WhenUnchanged::Skip && changed == content) return;
    // A read-only file stays as the user locked it (the rename would get past that).
    if (exists && (LockedReadOnly(fullPath) || !QFileInfo(fullPath).isWritable())) throw failure;
    if (!ReplaceFileWhole(fullPath, changed)) throw failure;
}

}  // namespace

void WriteProfileStrings(const QString& fileName, const QByteArray& section,
                         const ProfileEntries& entries) {
    ChangeProfile(fileName, WhenUnchanged::Write, [&](QByteArray content) {
        for (const auto& [key, value] : entries) content = SetProfileValue(content, section, key, value);
        return content;
    });
}

void DeleteProfileString(const QString& fileName, const QByteArray& section, const QByteArray& key) {
    if (!QFileInfo::exists(fileName)) return;
    ChangeProfile(fileName, WhenUnchanged::Skip, [&](const QByteArray& content) {
        return RemoveProfileValue(content, section, key);
    });
}

bool ProfileMarkedUtf8(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.read(kUtf8Mark.size()) == kUtf8Mark;
}
