#pragma once
// The program's one error type. Failures the user must see travel as this exception
// to the application's handler, which shows Message() in a message box.

#include <QString>
#include <stdexcept>

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const { return message_; }

private:
    QString message_;
};
