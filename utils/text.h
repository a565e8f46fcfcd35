// Conversion of wide text to a Windows code page, on its way to the console.
#pragma once

#include "os/win32.h"

#include <string>

namespace Utils {

// Converts the text up to its first null character. An empty text gives an empty result without
// asking the system. Throws Utils::CUtilsError when the system cannot measure the conversion;
// a conversion that fails after a good measurement gives an empty result.
std::string WideToNarrow(const std::wstring& text, UINT codePage);

} // namespace Utils
