#include "platform/RegExport.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

#include <cstring>
#include <optional>

namespace {

const QByteArray kHeader = QByteArrayLiteral("REGEDIT4");

[[noreturn]] void Fail(int line, const QString& what) {
    throw Exception(QStringLiteral("Registry export, line %1: %2").arg(line).arg(what));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a double-quoted text starting at text[pos] (the opening quote), undoing the
// \\ and \" escapes; pos ends past the closing quote. nullopt when it is not closed.
std::optional<QByteArray> ReadQuoted(const QByteArray& text, qsizetype& pos) {
    QByteArray out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"')) ++pos;
        out.append(text[pos]);
    }
    return std::nullopt;
}

QByteArray ParseHexBytes(const QByteArray& list, int line) {
    QByteArray bytes;
    const QByteArray trimmed = list.trimmed();
    if (trimmed.isEmpty()) return bytes;
    const QList<QByteArray> items = trimmed.split(',');
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QByteArray byte = items[i].trimmed();
        if (byte.isEmpty() && i + 1 == items.size() && i > 0) break;  // a trailing comma
        if (byte.size() != 2 || HexDigit(byte[0]) < 0 || HexDigit(byte[1]) < 0)
            Fail(line, QStringLiteral("\"%1\" is not a hexadecimal byte.").arg(FromAnsi(byte)));
        bytes.append(static_cast<char>(HexDigit(byte[0]) * 16 + HexDigit(byte[1])));
    }
    return bytes;
}

struct ParsedData {
    bool remove = false;
    uint32_t type = REG_NONE;
    QByteArray bytes;
};

ParsedData ParseData(const QByteArray& data, int line) {
    ParsedData parsed;
    if (data == "-") {
        parsed.remove = true;
        return parsed;
    }
    if (data.startsWith('"')) {
        qsizetype pos = 0;
        const std::optional<QByteArray> text = ReadQuoted(data, pos);
        if (!text) Fail(line, QStringLiteral("the text has no closing quote."));
        if (!data.mid(pos).trimmed().isEmpty())
            Fail(line, QStringLiteral("unexpected text after the value."));
        parsed.type = REG_SZ;
        parsed.bytes = *text;
        return parsed;
    }
    if (data.startsWith("dword:")) {
        const QByteArray digits = data.mid(6).trimmed();
        bool ok = digits.size() >= 1 && digits.size() <= 8;
        const uint32_t value = ok ? digits.toUInt(&ok, 16) : 0;
        if (!ok) Fail(line, QStringLiteral("\"%1\" is not a dword value.").arg(FromAnsi(data)));
        parsed.type = REG_DWORD;
        parsed.bytes = QByteArray(4, '\0');
        std::memcpy(parsed.bytes.data(), &value, 4);
        return parsed;
    }
    if (data.startsWith("hex")) {
        const qsizetype colon = data.indexOf(':');
        if (colon < 0) Fail(line, QStringLiteral("a hex value needs a colon."));
        const QByteArray kind = data.left(colon);
        parsed.type = REG_BINARY;
        if (kind != "hex") {
            bool ok = kind.size() > 5 && kind.startsWith("hex(") && kind.endsWith(')');
            if (ok) parsed.type = kind.mid(4, kind.size() - 5).toUInt(&ok, 16);
            if (!ok) Fail(line, QStringLiteral("\"%1\" is not a value type.").arg(FromAnsi(kind)));
        }
        parsed.bytes = ParseHexBytes(data.mid(colon + 1), line);
        // Strings are kept without their terminating zero.
        if ((parsed.type == REG_SZ || parsed.type == REG_EXPAND_SZ) && parsed.bytes.endsWith('\0'))
            parsed.bytes.chop(1);
        return parsed;
    }
    Fail(line, QStringLiteral("\"%1\" is not a value.").arg(FromAnsi(data)));
}

// One "[...]" line: selects (creates) or deletes a key; returns the selected key.
TRegKey* ApplyKeyLine(const QByteArray& text, int line, TRegistry& registry) {
    if (!text.endsWith(']')) Fail(line, QStringLiteral("the key name has no closing bracket."));
    QByteArray inner = text.mid(1, text.size() - 2);
    const bool remove = inner.startsWith('-');
    if (remove) inner.remove(0, 1);
    const QString fullPath = FromAnsi(inner);
    const qsizetype slash = fullPath.indexOf(QLatin1Char('\\'));
    const QString rootName = slash < 0 ? fullPath : fullPath.left(slash);
    const QString path = slash < 0 ? QString() : fullPath.mid(slash + 1);
    const HKEY root = RootKeyFromName(rootName);
    if (root == 0) Fail(line, QStringLiteral("\"%1\" is not a root key.").arg(rootName));
    if (remove) {
        registry.DeleteKey(root, path);
        return nullptr;
    }
    return &registry.CreateKey(root, path);
}

void ApplyValueLine(const QByteArray& text, int line, TRegKey* key) {
    if (!key) Fail(line, QStringLiteral("a value stands outside a key."));
    QString name;
    qsizetype pos = 0;
    if (text.startsWith('@')) {
        pos = 1;
    } else {
        const std::optional<QByteArray> quoted = ReadQuoted(text, pos);
        if (!quoted) Fail(line, QStringLiteral("the value name has no closing quote."));
        name = FromAnsi(*quoted);
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size() || text[pos] != '=')
        Fail(line, QStringLiteral("\"=\" expected after the value name."));
    const ParsedData data = ParseData(text.mid(pos + 1).trimmed(), line);
    if (data.remove)
        key->RemoveValue(name);
    else
        key->SetValue(name, data.type, data.bytes);
}

// A hex value line ending in "\\" goes on in the next line. The "=" looked for is the
// one after the value name, which may hold "=" itself.
bool ContinuesOnNextLine(const QByteArray& logical) {
    if (!logical.endsWith('\\')) return false;
    qsizetype pos = 0;
    if (logical.startsWith('@'))
        pos = 1;
    else if (!logical.startsWith('"') || !ReadQuoted(logical, pos))
        return false;
    const QByteArray rest = logical.mid(pos).trimmed();
    return rest.startsWith('=') && rest.mid(1).trimmed().startsWith("hex");
}

void AppendHex(QByteArray& out, const QByteArray& prefix, const QByteArray& bytes) {
    // regedit wraps hex lists before column 80 and indents the continuations.
    out += prefix;
    qsizetype column = prefix.size();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out += QByteArray::number(static_cast<uchar>(bytes[i]), 16).rightJustified(2, '0');
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 75) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    out += "\r\n";
}

QByteArray Quoted(const QByteArray& text) {
    QByteArray out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

void WriteKey(const TRegKey& key, const QString& fullPath, QByteArray& out) {
    out += '[' + ToAnsi(fullPath) + "]\r\n";
    for (const TRegValue& value : key.Values()) {
        const QByteArray name = value.name.isEmpty() ? QByteArray("@") : Quoted(ToAnsi(value.name));
        if (value.type == REG_SZ && !value.data.contains('\n')) {  // a newline needs the hex form
            out += name + '=' + Quoted(value.data) + "\r\n";
        } else if (value.type == REG_DWORD && value.data.size() == 4) {
            uint32_t number = 0;
            std::memcpy(&number, value.data.constData(), 4);
            out += name + "=dword:" + QByteArray::number(number, 16).rightJustified(8, '0') + "\r\n";
        } else if (value.type == REG_BINARY) {
            AppendHex(out, name + "=hex:", value.data);
        } else {
            QByteArray bytes = value.data;
            if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) bytes.append('\0');
            AppendHex(out, name + "=hex(" + QByteArray::number(value.type, 16) + "):", bytes);
        }
    }
    out += "\r\n";
    for (const auto& sub : key.SubKeys()) WriteKey(*sub, fullPath + QLatin1Char('\\') + sub->Name(), out);
}

}  // namespace

void ReadRegExport(const QByteArray& text, TRegistry& registry) {
    const QList<QByteArray> lines = text.split('\n');
    bool headerSeen = false;
    TRegKey* key = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        QByteArray logical = lines[i].trimmed();
        while (ContinuesOnNextLine(logical) && i + 1 < lines.size()) {
            logical.chop(1);
            logical += lines[++i].trimmed();
        }
        if (logical.isEmpty() || logical.startsWith(';')) continue;
        if (!headerSeen) {
            if (logical != kHeader) Fail(lineNumber, QStringLiteral("\"REGEDIT4\" expected."));
            headerSeen = true;
        } else if (logical.startsWith('[')) {
            key = ApplyKeyLine(logical, lineNumber, registry);
        } else if (logical.startsWith('"') || logical.startsWith('@')) {
            ApplyValueLine(logical, lineNumber, key);
        } else {
            Fail(lineNumber, QStringLiteral("\"%1\" is neither a key nor a value.").arg(FromAnsi(logical)));
        }
    }
    if (!headerSeen) Fail(1, QStringLiteral("\"REGEDIT4\" expected."));
}

TRegistry ReadRegExport(const QByteArray& text) {
    TRegistry registry;
    ReadRegExport(text, registry);
    return registry;
}

QByteArray WriteRegExport(const TRegistry& registry, HKEY root, const QString& path) {
    QByteArray out = kHeader + "\r\n\r\n";
    if (const TRegKey* key = registry.FindKey(root, path)) {
        const QString trimmedPath = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
        WriteKey(
            *key,
            trimmedPath.isEmpty() ? RootKeyName(root) : RootKeyName(root) + QLatin1Char('\\') + trimmedPath,
            out);
    }
    return out;
}
