// Removing a run of given characters from either end of a text.
#pragma once

#include <string>

namespace Utils {

// The set used when none is given: space, tab, carriage return, line feed.
inline constexpr const wchar_t* kDefaultTrimSet = L" \t\r\n";

// Each removes the members of `set` (a NUL-terminated list of characters; null for the default
// set) from one end of `text` and tells whether it removed any.
bool TrimLeft(std::wstring& text, const wchar_t* set = nullptr);
bool TrimRight(std::wstring& text, const wchar_t* set = nullptr);

} // namespace Utils
