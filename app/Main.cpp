#include "app/Main.h"

#include "app/Application.h"
#include "platform/Clock.h"

TForm1::TForm1(IClock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    setWindowTitle(kApplicationTitle);
    setFixedSize(900, 740);
}
