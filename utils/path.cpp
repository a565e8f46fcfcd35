#include "utils/path.h"

#include "os/system.h"
#include "utils/trim.h"
#include "utils/utils_error.h"

#include <algorithm>

namespace Utils {
namespace {

constexpr const wchar_t* kSeparators = L"\\/";
constexpr const wchar_t* kExtensionMark = L".";
constexpr wchar_t kDefaultDelimiter = L'\\';

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name,
               std::wstring& extension) {
    std::wstring work = path; // before the outputs are cleared: the path may be one of them
    if (!work.empty() && IsSeparator(work.back())) {
        work.pop_back();
    }
    folder.clear();
    name.clear();
    extension.clear();

    // The extension starts at the last dot of the last component.
    const std::size_t mark = work.find_last_of(L"\\/.");
    if (mark != std::wstring::npos && work[mark] == L'.') {
        extension = work.substr(mark);
        work.erase(mark);
    }

    const std::size_t separator = work.find_last_of(kSeparators);
    if (separator == std::wstring::npos) {
        name = work;
    } else {
        folder = work.substr(0, separator + 1);
        name = work.substr(separator + 1);
    }
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& fileName,
                      const wchar_t* delimiter) {
    if (delimiter != nullptr && (delimiter[0] == L'\0' || delimiter[1] != L'\0')) {
        throw CUtilsError(E_FAIL, L"Wrong delimiter passed to the function.");
    }

    const std::size_t first = folder.find_first_of(kSeparators);
    const wchar_t separator = first != std::wstring::npos ? folder[first]
                              : delimiter != nullptr      ? delimiter[0]
                                                          : kDefaultDelimiter;

    std::wstring head = folder;
    TrimRight(head, kSeparators);
    std::wstring tail = fileName;
    TrimLeft(tail, kSeparators);

    std::wstring result = head;
    if (!head.empty()) {
        result += separator;
    }
    result += tail;
    std::replace_if(result.begin(), result.end(), IsSeparator, separator);
    return result;
}

std::wstring JoinFileName(const std::wstring& name, const std::wstring& extension) {
    std::wstring head = name;
    TrimRight(head, kExtensionMark);
    std::wstring tail = extension;
    TrimLeft(tail, kExtensionMark);

    std::wstring result = head;
    if (!extension.empty()) {
        result += L'.';
    }
    result += tail;
    return result;
}

bool FileExists(const std::wstring& path) {
    return os::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace Utils
