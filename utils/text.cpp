#include "utils/text.h"

#include "os/system.h"
#include "utils/utils_error.h"

namespace Utils {
namespace {

// The HRESULT of a system error code: facility Win32, or the code itself where it is 0 or
// already negative as a signed number.
HRESULT HresultFromSystemError(DWORD error) {
    const auto code = static_cast<HRESULT>(error);
    return code <= 0 ? code : static_cast<HRESULT>((error & 0xFFFF) | 0x80070000);
}

} // namespace

std::string WideToNarrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) {
        return {};
    }

    // -1: the system reads up to and including the first null character.
    const int needed =
        os::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        // Read before the user text is built: building a string may change the last error.
        const HRESULT code = HresultFromSystemError(os::GetLastError());
        throw CUtilsError(code, L"WideCharToMultiByte failed");
    }

    // Room for the terminator that the system writes, which is then dropped: a string's own
    // terminator is not the program's to write.
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    if (os::WideCharToMultiByte(codePage, 0, text.c_str(), -1, narrow.data(), needed, nullptr,
                                nullptr) == 0) {
        return {};
    }
    narrow.pop_back();
    return narrow;
}

} // namespace Utils
