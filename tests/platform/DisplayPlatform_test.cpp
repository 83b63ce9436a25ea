#include "platform/DisplayPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Displays that answer, by plugin name.
TDisplayReachable Answering(std::set<std::string> plugins) {
    return [plugins](const QByteArray& plugin) { return plugins.count(plugin.toStdString()) > 0; };
}

TDisplayEnvironment WaylandSession() {
    TDisplayEnvironment environment;
    environment.sessionType = "wayland";
    environment.waylandDisplay = "wayland-1";
    environment.display = ":1";  // XWayland
    return environment;
}

}  // namespace

TEST(DisplayPlatform, AWaylandSessionWithXWaylandRunsOnX11UnlessTheUserChose) {
    EXPECT_EQ(ChoosePlatform(WaylandSession(), Answering({"xcb", "wayland"})).platform, "xcb");
    // Either sign of a Wayland session is enough, as it is for Qt.
    TDisplayEnvironment typeOnly = WaylandSession();
    typeOnly.waylandDisplay.clear();
    EXPECT_EQ(ChoosePlatform(typeOnly, Answering({"xcb"})).platform, "xcb");
    TDisplayEnvironment socketOnly = WaylandSession();
    socketOnly.sessionType = "tty";
    EXPECT_EQ(ChoosePlatform(socketOnly, Answering({"xcb"})).platform, "xcb");

    // An X11 session needs nothing set: Qt picks xcb itself.
    TDisplayEnvironment x11;
    x11.sessionType = "x11";
    x11.display = ":0";
    const TPlatformChoice plain = ChoosePlatform(x11, Answering({"xcb"}));
    EXPECT_TRUE(plain.platform.isEmpty());
    EXPECT_TRUE(plain.error.isEmpty());

    // What the user set, in the environment or on the command line, is left alone.
    TDisplayEnvironment chosen = WaylandSession();
    chosen.qpaPlatform = "wayland";
    EXPECT_EQ(ChoosePlatform(chosen, Answering({"xcb", "wayland"})).platform, QByteArray());
    TDisplayEnvironment argument = WaylandSession();
    argument.platformArgument = true;
    EXPECT_EQ(ChoosePlatform(argument, Answering({"xcb", "wayland"})).platform, QByteArray());
}

TEST(DisplayPlatform, WithoutAReachableXServerTheWaylandPluginStaysAndNothingAtAllIsOneLine) {
    // XWayland announced but gone: Qt's own order puts Wayland first.
    const TPlatformChoice wayland = ChoosePlatform(WaylandSession(), Answering({"wayland"}));
    EXPECT_TRUE(wayland.platform.isEmpty());
    EXPECT_TRUE(wayland.error.isEmpty());

    const TPlatformChoice none = ChoosePlatform(WaylandSession(), Answering({}));
    EXPECT_TRUE(none.platform.isEmpty());
    EXPECT_EQ(none.error,
              "Horavane cannot start: no display to show its window on: the Wayland display \"wayland-1\" "
              "does not answer; the X display \":1\" does not answer.");

    const TPlatformChoice bare = ChoosePlatform(TDisplayEnvironment{}, Answering({"wayland"}));
    EXPECT_EQ(bare.error, "Horavane cannot start: no display to show its window on: DISPLAY is not set.");
    EXPECT_FALSE(bare.error.contains('\n'));
}

TEST(DisplayPlatform, TheUsersPlatformFailsOnlyWhenNoneOfItsFallbacksCanRun) {
    TDisplayEnvironment environment = WaylandSession();
    environment.qpaPlatform = "wayland-egl;xcb";
    EXPECT_TRUE(ChoosePlatform(environment, Answering({"xcb"})).error.isEmpty());
    EXPECT_EQ(ChoosePlatform(environment, Answering({})).error,
              "Horavane cannot start with QT_QPA_PLATFORM=wayland-egl;xcb: the Wayland display \"wayland-1\" "
              "does not answer; the X display \":1\" does not answer.");

    // Options after the colon are the plugin's; plugins that need no display server
    // are not second-guessed.
    environment.qpaPlatform = "xcb:nomitshm";
    EXPECT_FALSE(ChoosePlatform(environment, Answering({})).error.isEmpty());
    environment.qpaPlatform = "offscreen";
    EXPECT_TRUE(ChoosePlatform(environment, Answering({})).error.isEmpty());
}

TEST(DisplayPlatform, ProbesFindOnlyADisplayThatAnswers) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    TDisplayEnvironment environment;
    environment.runtimeDir = QFile::encodeName(runtime.path());
    environment.waylandDisplay = "wayland-7";
    EXPECT_FALSE(DisplayReachable("wayland", environment));  // no socket

    const QByteArray path = environment.runtimeDir + "/wayland-7";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_FALSE(DisplayReachable("wayland", environment));  // a socket left behind
    ASSERT_EQ(::listen(listener, 4), 0);
    EXPECT_TRUE(DisplayReachable("wayland", environment));
    EXPECT_TRUE(DisplayReachable("wayland-egl", environment));
    environment.waylandDisplay = path;  // a full path is taken as it is
    environment.runtimeDir.clear();
    EXPECT_TRUE(DisplayReachable("wayland", environment));
    environment.waylandDisplay = "wayland-7";
    EXPECT_FALSE(DisplayReachable("wayland", environment));  // no runtime folder to look in
    ::close(listener);

    TDisplayEnvironment x11;
    EXPECT_FALSE(DisplayReachable("xcb", x11));
    x11.display = ":59999";
    EXPECT_FALSE(DisplayReachable("xcb", x11));
    EXPECT_TRUE(DisplayReachable("offscreen", x11));
}

TEST(DisplayPlatform, CommandLineOptionsOfQtCountAsTheUsersChoice) {
    char program[] = "horavane", platform[] = "--platform", name[] = "xcb", other[] = "-style";
    char* withPlatform[] = {program, platform, name};
    EXPECT_TRUE(ReadDisplayEnvironment(3, withPlatform).platformArgument);
    char* without[] = {program, other, name};
    EXPECT_FALSE(ReadDisplayEnvironment(3, without).platformArgument);
}
