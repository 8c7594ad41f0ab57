#pragma once

#include "platform/EMessageError.h"

// Raised when the directory monitor cannot start watching; the message is the
// system's text for the error ("No such file or directory", "Permission denied").
class EDirMonError : public EMessageError
{
public:
    using EMessageError::EMessageError;
};
