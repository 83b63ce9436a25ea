// The yardstick the program's start-up time, memory and idle CPU are compared with:
// a bare Qt window of the main window's size with a tray icon and two timers that do
// nothing: 300 ms (the interval the program's tick once polled at) and 1000 ms. Built by
// tools/measure.sh.
//
// With --blink the 1000 ms timer blinks a time caption black and grey, as the main
// window's reference clock does, so the cost that blink carries by itself can be told
// apart from the rest of the program's.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const bool blink = QCoreApplication::arguments().contains(QStringLiteral("--blink"));
    QWidget window;
    window.setWindowTitle(blink ? QStringLiteral("Bare window blinking") : QStringLiteral("Bare window"));
    window.setFixedSize(900, 740);
    QPixmap dot(32, 32);
    dot.fill(Qt::darkBlue);
    QSystemTrayIcon tray{QIcon(dot)};
    tray.show();

    // Made only when asked for, so the bare window stays bare.
    QToolButton* caption = nullptr;
    if (blink) {
        caption = new QToolButton(&window);
        caption->setText(QStringLiteral("12:34"));
        caption->setAutoRaise(true);
        caption->setGeometry(715, 27, 170, 29);
    }

    QTimer tick, second;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    QObject::connect(&second, &QTimer::timeout, [caption] {
        if (!caption) return;
        QPalette palette = caption->palette();
        const bool black = palette.color(QPalette::ButtonText) == Qt::black;
        palette.setColor(QPalette::ButtonText, black ? QColor(0x80, 0x80, 0x80) : QColor(Qt::black));
        caption->setPalette(palette);
    });
    tick.start(300);
    second.start(1000);
    window.show();
    return app.exec();
}
