#include "platform/DisplayPlatform.h"

#include <QList>
#include <QStringList>

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

QByteArray PluginOf(const QByteArray& platform) {
    const int colon = platform.indexOf(':');
    return colon < 0 ? platform : platform.left(colon);
}

bool IsWaylandPlugin(const QByteArray& plugin) {
    return plugin.startsWith("wayland");
}

QByteArray WaylandDisplayName(const TDisplayEnvironment& environment) {
    // libwayland's own default when the variable is unset.
    return environment.waylandDisplay.isEmpty() ? QByteArray("wayland-0") : environment.waylandDisplay;
}

// Why a plugin found nothing to show a window on, for the one line the user gets.
QString Unreached(const QByteArray& plugin, const TDisplayEnvironment& environment) {
    if (plugin == "xcb") {
        if (environment.display.isEmpty()) return QStringLiteral("DISPLAY is not set");
        return QStringLiteral("the X display \"%1\" does not answer")
            .arg(QString::fromLocal8Bit(environment.display));
    }
    return QStringLiteral("the Wayland display \"%1\" does not answer")
        .arg(QString::fromLocal8Bit(WaylandDisplayName(environment)));
}

bool UnixSocketAnswers(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

TDisplayEnvironment ReadDisplayEnvironment(int argc, char** argv) {
    TDisplayEnvironment environment;
    environment.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    environment.sessionType = qgetenv("XDG_SESSION_TYPE");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.display = qgetenv("DISPLAY");
    environment.runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    environment.waylandSocket = !qgetenv("WAYLAND_SOCKET").isEmpty();
    for (int i = 1; i < argc; ++i) {
        // Qt takes its options with one dash or two.
        QByteArray argument(argv[i]);
        if (argument.startsWith("--")) argument.remove(0, 1);
        if (argument == "-platform" || argument == "-display") environment.platformArgument = true;
    }
    return environment;
}

TPlatformChoice ChoosePlatform(const TDisplayEnvironment& environment, const TDisplayReachable& reachable) {
    // Qt itself honours a platform named on the command line; it is the user's choice.
    if (environment.platformArgument) return {};

    if (!environment.qpaPlatform.isEmpty()) {
        // The user's choice stays, a list of fallbacks as Qt reads it; only when none of
        // them can reach its display does the start end here rather than in Qt's abort.
        QStringList reasons;
        for (const QByteArray& platform : environment.qpaPlatform.split(';')) {
            const QByteArray plugin = PluginOf(platform);
            const bool probed = plugin == "xcb" || IsWaylandPlugin(plugin);
            if (!probed || reachable(plugin)) return {};
            reasons << Unreached(plugin, environment);
        }
        return {
            {},
            QStringLiteral("Horavane cannot start with QT_QPA_PLATFORM=%1: %2.")
                .arg(QString::fromLocal8Bit(environment.qpaPlatform), reasons.join(QStringLiteral("; ")))};
    }

    // Qt's own order when nothing is set: Wayland first in a Wayland session, then X11.
    const bool waylandSession = environment.sessionType == "wayland" || !environment.waylandDisplay.isEmpty();
    const bool xReachable = reachable("xcb");
    // Under XWayland a window can place itself, keep above and stay off the taskbar,
    // which the Wayland plugin cannot ask of a compositor.
    if (waylandSession && xReachable) return {"xcb", {}};
    if (xReachable) return {};
    if (waylandSession && reachable("wayland")) return {};

    QStringList reasons;
    if (waylandSession) reasons << Unreached("wayland", environment);
    reasons << Unreached("xcb", environment);
    return {{},
            QStringLiteral("Horavane cannot start: no display to show its window on: %1.")
                .arg(reasons.join(QStringLiteral("; ")))};
}

bool DisplayReachable(const QByteArray& plugin, const TDisplayEnvironment& environment) {
    if (plugin == "xcb") {
        if (environment.display.isEmpty()) return false;
        // The connection Qt would make, authentication included.
        xcb_connection_t* connection = xcb_connect(environment.display.constData(), nullptr);
        const bool connected = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        return connected;
    }
    if (IsWaylandPlugin(plugin)) {
        if (environment.waylandSocket) return true;  // already connected; nothing to probe
        const QByteArray name = WaylandDisplayName(environment);
        if (name.startsWith('/')) return UnixSocketAnswers(name);
        if (environment.runtimeDir.isEmpty()) return false;  // libwayland finds no socket either
        return UnixSocketAnswers(environment.runtimeDir + '/' + name);
    }
    return true;
}

TWindowPlacement WindowPlacementOf(const QString& platformName) {
    return platformName.startsWith(QLatin1String("wayland")) ? TWindowPlacement::Compositor
                                                             : TWindowPlacement::Program;
}
