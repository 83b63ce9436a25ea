// The yardstick the program's start-up time, memory and idle CPU are compared with:
// a bare Qt window of the main window's size with a tray icon and the same two timers
// (300 ms and 1000 ms), neither of which does anything. Built by tools/measure.sh.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(900, 740);
    QPixmap dot(32, 32);
    dot.fill(Qt::darkBlue);
    QSystemTrayIcon tray{QIcon(dot)};
    tray.show();
    QTimer tick, blink;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    QObject::connect(&blink, &QTimer::timeout, [] {});
    tick.start(300);
    blink.start(1000);
    window.show();
    return app.exec();
}
