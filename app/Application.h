#pragma once

#include <QString>

// The application title: product name, a blank, the version.
inline const QString kProductName = QStringLiteral("Horavane");
inline const QString kApplicationTitle = QStringLiteral("Horavane 2.0");

class QCoreApplication;

// Loads Qt's Russian translations for the standard dialogs and buttons; false when they
// are not installed.
bool InstallQtTranslations(QCoreApplication& app);

// Runs the whole program: application object, title, main window, message loop.
int RunHoravane(int argc, char** argv);
