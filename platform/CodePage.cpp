#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray ToAnsi(const QString& text) {
    QStringEncoder encoder("windows-1251", QStringConverter::Flag::Default);
    return encoder.encode(text);
}

QString FromAnsi(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251", QStringConverter::Flag::Default);
    return decoder.decode(bytes);
}

bool FitsAnsi(const QString& text) {
    QStringEncoder encoder("windows-1251", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && FromAnsi(bytes) == text;
}
