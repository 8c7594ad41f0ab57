#pragma once

#include <QString>

#include <stdexcept>

// The base of the program's own exceptions: the message is the text the user sees, kept
// as a QString so that no character is lost on the way (what() holds it in UTF-8).
class EMessageError : public std::runtime_error
{
public:
    explicit EMessageError(const QString &message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {}

    QString Message() const { return FMessage; }

private:
    QString FMessage;
};
