#pragma once

#include <QString>

#include <stdexcept>

// Raised by the embedded file store: damaged stored data, a duplicate item name,
// a file that cannot be read or written, a source too large for the format.
// The message is the text the user sees.
class EmxStorageError : public std::runtime_error
{
public:
    explicit EmxStorageError(const QString &message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {}

    QString Message() const { return FMessage; }

private:
    QString FMessage;
};
