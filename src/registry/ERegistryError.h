#pragma once

#include <QString>

#include <stdexcept>

// Raised by the settings store. Its message is the text the user sees, such as
// "Invalid data type for 'LangID'" or "Failed to set data for 'WinMax'".
class ERegistryError : public std::runtime_error
{
public:
    explicit ERegistryError(const QString &message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {}

    QString Message() const { return FMessage; }

private:
    QString FMessage;
};
