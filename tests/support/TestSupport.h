#pragma once
// Small helpers shared by the tests.

#include <QString>
#include <QTemporaryDir>

// Path of a file in the source tree (tests run from the build tree).
QString SourcePath(const QString& relative);
