#include "app/Application.h"

#include "app/FirstPaintReport.h"
#include "app/Main.h"
#include "platform/Clock.h"
#include "platform/DisplayPlatform.h"
#include "platform/Error.h"
#include "platform/SessionEnd.h"
#include "platform/SingleInstance.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSessionManager>
#include <QTranslator>

#include <cstdio>

namespace {

// The handler of uncaught errors: whatever a handler throws is shown to the user in a
// message box, and the event loop carries on; nothing escapes into Qt.
class THoravaneApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const Exception& error) {
            ShowErrorMessageBox(error.Message());
        } catch (const std::exception& error) {
            ShowErrorMessageBox(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            ShowErrorMessageBox(QStringLiteral("Unexpected error"));
        }
        return false;
    }
};

}  // namespace

bool InstallQtTranslations(QCoreApplication& app) {
    // The interface is Russian whatever the locale, so Qt's own dialogs and buttons are too.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

int RunHoravane(int argc, char** argv) {
    // The platform is chosen before the application object, which connects to it, and
    // a display that cannot be reached is one line on stderr rather than Qt's abort.
    const TDisplayEnvironment environment = ReadDisplayEnvironment(argc, argv);
    const TPlatformChoice platform = ChoosePlatform(environment, [&environment](const QByteArray& plugin) {
        return DisplayReachable(plugin, environment);
    });
    if (!platform.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(platform.error));
        return 1;
    }
    if (!platform.platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform.platform);

    // Shared-memory pictures cost a round trip to the X server after every flush: with
    // the reference clock blinking, two more wakeups a second than plain transfers,
    // which for a window this size cost no more CPU, at start-up or idle. A value the
    // user set is kept.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    THoravaneApplication app(argc, argv);
    QApplication::setApplicationName(kProductName);
    // Window titles are set in full by each window; an empty display name keeps the
    // platform from appending the program's name to them.
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.horavane.Horavane"));  // the installed menu entry
    // The window hides into the tray on close; the program ends only through "Выход",
    // the end of the desktop session or a termination signal.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtTranslations(app);

    // One copy per settings file: a second start shows the running copy's window and ends.
    TSingleInstance instance(GetSettings().FileName(), DefaultInstanceFolder());
    switch (instance.Claim()) {
    case TSingleInstance::icFirst: break;
    case TSingleInstance::icUnguarded:
        std::fprintf(stderr, "Horavane runs without the one-copy guard: %s.\n",
                     qPrintable(instance.UnguardedReason()));
        break;
    case TSingleInstance::icOtherShown: return 0;
    case TSingleInstance::icOtherSilent:
        std::fprintf(stderr, "Horavane is already running for %s but does not answer.\n",
                     qPrintable(GetSettings().FileName()));
        return 1;
    }
    SystemClock clock;
    TForm1Options options;
    options.buildAfterShow = true;
    TForm1 form(clock, options);
    TSessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &TSessionEnd::endRequested, &form, &TForm1::EndSession);
    QObject::connect(&instance, &TSingleInstance::showRequested, &form, &TForm1::ShowForAnotherStart);
    // The session manager asks before logging out: never veto, just end cleanly.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.EndSession(); });
    WatchFirstCompletePaint(form);  // only when measuring
    form.show();
    return app.exec();
}
