#pragma once

#include "platform/EMessageError.h"

// Raised by the embedded file store: damaged stored data, a duplicate item name,
// a file that cannot be read or written, a source too large for the format.
// The message is the text the user sees.
class EmxStorageError : public EMessageError
{
public:
    using EMessageError::EMessageError;
};
