// Process entry: no arguments of our own are read; the main window is the only
// window created at start, and the program ends when its message loop does.
#include "app/Application.h"

int main(int argc, char** argv) {
    return RunHoravane(argc, argv);
}
