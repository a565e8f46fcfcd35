// The program's one exception type. Every construction reports the error to the debugger output,
// so each failure leaves one trace there even though nothing catches it.
#pragma once

#include "os/win32.h"

#include <string>

namespace Utils {

// Deliberately not derived from std::exception: handlers for standard exceptions must not take it.
class CUtilsError {
public:
    CUtilsError(const std::wstring& userText, HRESULT code);
    CUtilsError(HRESULT code, const std::wstring& userText);

    // Copies are silent: an error travelling through handlers is reported once, where it was made.
    CUtilsError(const CUtilsError&) = default;
    CUtilsError& operator=(const CUtilsError&) = default;
    ~CUtilsError() = default;

    HRESULT GetCode() const { return m_code; }
    std::wstring GetUserText() const;
    // The system's message for the code, unchanged (a final line break stays), or empty.
    std::wstring GetSystemText() const;
    // E_FAIL: the user text and "."; otherwise both labels, the system text and the user text.
    std::wstring GetFullText() const;
    void ReportToDebugger() const;

private:
    HRESULT m_code;
    std::wstring m_userText;
};

// Decimal text of a signed 32-bit value, for error messages.
std::wstring IntToWString(std::int32_t value);

} // namespace Utils
