#include "utils/utils_error.h"

#include "os/system.h"
#include "utils/handle.h"

namespace Utils {
namespace {

constexpr DWORD kSystemTextFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;

} // namespace

CUtilsError::CUtilsError(const std::wstring& userText, HRESULT code)
    : CUtilsError(code, userText) {}

// NOLINTNEXTLINE(modernize-pass-by-value): callers pass texts they keep; one copy either way
CUtilsError::CUtilsError(HRESULT code, const std::wstring& userText)
    : m_code(code), m_userText(userText) {
    ReportToDebugger();
}

std::wstring CUtilsError::GetUserText() const {
    return m_userText;
}

std::wstring CUtilsError::GetSystemText() const {
    wchar_t* allocated = nullptr;
    // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the address of the text.
    os::FormatMessageW(kSystemTextFlags, nullptr, static_cast<DWORD>(m_code),
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
    const LocalText owner(allocated);
    return owner ? std::wstring(owner.get()) : std::wstring();
}

std::wstring CUtilsError::GetFullText() const {
    if (m_code == E_FAIL) {
        return m_userText + L".";
    }
    return L"Hresult: " + GetSystemText() + L"\r\nUser text: " + m_userText + L".";
}

void CUtilsError::ReportToDebugger() const {
    os::OutputDebugStringW(GetFullText().c_str());
}

std::wstring IntToWString(std::int32_t value) {
    return std::to_wstring(value);
}

} // namespace Utils
