#pragma once

#include "platform/EMessageError.h"

// Raised by the settings store. Its message is the text the user sees, such as
// "Invalid data type for 'LangID'" or "Failed to set data for 'WinMax'".
class ERegistryError : public EMessageError
{
public:
    using EMessageError::EMessageError;
};
