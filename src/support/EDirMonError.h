#pragma once

#include <QString>

#include <stdexcept>

// Raised when the directory monitor cannot start watching; the message is the
// system's text for the error ("No such file or directory", "Permission denied").
class EDirMonError : public std::runtime_error
{
public:
    explicit EDirMonError(const QString &message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {}

    QString Message() const { return FMessage; }

private:
    QString FMessage;
};
