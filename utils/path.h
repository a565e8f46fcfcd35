// Taking file paths apart and putting them together. Backslash and slash are both separators and
// are treated alike; no other character (a drive's colon included) means anything here.
#pragma once

#include <string>

namespace Utils {

// Splits a path into its folder (with its final separator), name and extension (with its dot).
// One final separator of the path is ignored first. The path may be one of the outputs.
void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name,
               std::wstring& extension);

// Folder and file name with one separator between them; every separator of the result becomes
// the folder's first separator, else `delimiter` (exactly one character), else backslash.
// Throws Utils::CUtilsError (E_FAIL) for a delimiter that is not exactly one character.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& fileName,
                      const wchar_t* delimiter = nullptr);

// Name and extension joined by exactly one dot (dots at their joining ends collapse); no dot when
// the extension is empty.
std::wstring JoinFileName(const std::wstring& name, const std::wstring& extension);

// True when the path names any existing file-system object, folders included.
bool FileExists(const std::wstring& path);

} // namespace Utils
