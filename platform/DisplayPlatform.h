#pragma once
// Which of Qt's platform plugins the program runs on, decided before the application
// object exists. In a Wayland session with XWayland the program runs on X11, where a
// window may place itself and stay on top; a display that cannot be reached ends the
// start with one line instead of Qt's abort.

#include <QByteArray>
#include <QString>

#include <functional>

struct TDisplayEnvironment {
    QByteArray qpaPlatform;  // QT_QPA_PLATFORM; empty when unset, as Qt counts it
    QByteArray sessionType;  // XDG_SESSION_TYPE
    QByteArray waylandDisplay;  // WAYLAND_DISPLAY
    QByteArray display;  // DISPLAY
    QByteArray runtimeDir;  // XDG_RUNTIME_DIR, where a Wayland display's socket lives
    bool waylandSocket = false;  // WAYLAND_SOCKET: a connection the launcher handed over
    bool platformArgument = false;  // -platform or -display on the command line
};

TDisplayEnvironment ReadDisplayEnvironment(int argc, char** argv);

struct TPlatformChoice {
    QByteArray platform;  // QT_QPA_PLATFORM is to be set to this; empty: left as it is
    QString error;  // not empty: nothing to run on; the one line to tell the user
};

// Whether a platform plugin, named without its ":options", can reach its display.
using TDisplayReachable = std::function<bool(const QByteArray& plugin)>;

TPlatformChoice ChoosePlatform(const TDisplayEnvironment& environment, const TDisplayReachable& reachable);

// The real answer for xcb and the Wayland plugins; other plugins (offscreen, vnc,
// eglfs, ...) are not probed and count as reachable.
bool DisplayReachable(const QByteArray& plugin, const TDisplayEnvironment& environment);

// Who decides where a top-level window goes: the program (X11 and the others), or the
// compositor, which neither tells a window where it is nor lets it move itself (Wayland).
enum class TWindowPlacement { Program, Compositor };
TWindowPlacement WindowPlacementOf(const QString& platformName);
