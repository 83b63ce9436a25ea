#include "app/Application.h"

#include "app/Main.h"
#include "platform/Clock.h"

#include <QApplication>

int RunHoravane(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kProductName);
    QApplication::setApplicationDisplayName(kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    SystemClock clock;
    TForm1 form(clock);
    form.show();
    return app.exec();
}
