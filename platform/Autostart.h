#pragma once
// Start with the desktop session: the XDG autostart entry "Horavane.desktop". Its
// existence is the switch; its Exec line starts the running executable by full path.

#include <QString>

enum TAutorunAction { arWrite = 0, arDelete = 1, arQuery = 2 };

inline const QString kAutorunName = QStringLiteral("Horavane");

// Where the entry lives and what it starts.
struct TAutostartPlace {
    QString folder;  // the autostart folder
    QString executable;  // full path of the program
};

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config when that is unset or
// not an absolute path.
QString UserConfigFolder();

// UserConfigFolder()/autostart and the running executable (for a packaged program, the
// installed one).
TAutostartPlace DefaultAutostartPlace();

// write: (re)writes the entry whole, throwing Exception("Failed to set data for
// '<the entry's path>'") and leaving the old entry as it was when it cannot; delete: removes it,
// silently when it cannot; query: whether a readable entry exists that the desktop has
// not switched off (Hidden=true, X-GNOME-Autostart-enabled=false). Only query can
// return true.
bool AccessAutorun(TAutorunAction action);
bool AccessAutorun(TAutorunAction action, const TAutostartPlace& place);

// path as one quoted Exec argument, with the escapes of a desktop entry's string value.
QString DesktopExecArgument(const QString& path);
