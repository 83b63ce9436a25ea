#include "platform/Autostart.h"

#include "platform/Error.h"
#include "platform/FileReplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

QString EntryPath(const TAutostartPlace& place) {
    return QDir(place.folder).filePath(kAutorunName + QStringLiteral(".desktop"));
}

void WriteEntry(const TAutostartPlace& place) {
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=%1\n"
                             "Exec=%2\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(kAutorunName, DesktopExecArgument(place.executable));
    // The message names the file, so the user knows where it could not be written.
    const auto fail = [&] {
        throw Exception(QStringLiteral("Failed to set data for '%1'").arg(EntryPath(place)));
    };
    if (!QDir().mkpath(place.folder) || !ReplaceFileWhole(EntryPath(place), text.toUtf8())) fail();
}

// The value of key in the entry's [Desktop Entry] group (keys are case-sensitive there).
QByteArray DesktopEntryValue(const QByteArray& entry, const QByteArray& key) {
    bool inGroup = false;
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype separator = line.indexOf('=');
        if (inGroup && separator > 0 && line.left(separator).trimmed() == key)
            return line.mid(separator + 1).trimmed();
    }
    return {};
}

// The desktop's own switch: an entry it marked hidden or disabled starts nothing.
bool EntryEnabled(const QByteArray& entry) {
    return DesktopEntryValue(entry, "Hidden") != "true" &&
           DesktopEntryValue(entry, "X-GNOME-Autostart-enabled") != "false";
}

}  // namespace

QString DesktopExecArgument(const QString& path) {
    // Inside a quoted argument, " ` $ and \ take a backslash; a literal % is doubled.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += QLatin1Char('\\');
        else if (c == u'%')
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    // A reader undoes the string escapes first, so they are applied last.
    QString value;
    for (const QChar c : quoted) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString UserConfigFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        return QDir::home().filePath(QStringLiteral(".config"));
    return config;
}

TAutostartPlace DefaultAutostartPlace() {
    return {QDir(UserConfigFolder()).filePath(QStringLiteral("autostart")),
            QCoreApplication::applicationFilePath()};
}

bool AccessAutorun(TAutorunAction action) {
    return AccessAutorun(action, DefaultAutostartPlace());
}

bool AccessAutorun(TAutorunAction action, const TAutostartPlace& place) {
    switch (action) {
    case arWrite: WriteEntry(place); return false;
    case arDelete: QFile::remove(EntryPath(place)); return false;
    case arQuery: {
        QFile file(EntryPath(place));
        return file.open(QIODevice::ReadOnly) && EntryEnabled(file.readAll());
    }
    }
    return false;
}
