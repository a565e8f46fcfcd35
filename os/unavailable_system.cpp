// The default system where there is no Windows: every call fails the way the real one fails when
// it cannot work, with the last error ERROR_CALL_NOT_IMPLEMENTED.
#include "os/system.h"

#include <cstdint>

namespace os {
namespace {

class UnavailableSystem final : public System {
public:
    BOOL EnumProcesses(DWORD*, DWORD, DWORD*) override { return Fail(FALSE); }
    HANDLE OpenProcess(DWORD, BOOL, DWORD) override { return Fail<HANDLE>(nullptr); }
    BOOL QueryFullProcessImageNameW(HANDLE, DWORD, LPWSTR, DWORD*) override { return Fail(FALSE); }
    BOOL EnumProcessModules(HANDLE, HMODULE*, DWORD, DWORD*) override { return Fail(FALSE); }
    DWORD GetModuleBaseNameW(HANDLE, HMODULE, LPWSTR, DWORD) override { return Fail<DWORD>(0); }
    DWORD GetModuleFileNameExW(HANDLE, HMODULE, LPWSTR, DWORD) override { return Fail<DWORD>(0); }
    BOOL CloseHandle(HANDLE) override { return Fail(FALSE); }
    BOOL ProcessIdToSessionId(DWORD, DWORD*) override { return Fail(FALSE); }
    HANDLE CreateToolhelp32Snapshot(DWORD, DWORD) override { return Fail(InvalidHandle()); }
    BOOL Process32FirstW(HANDLE, LPPROCESSENTRY32W) override { return Fail(FALSE); }
    BOOL Process32NextW(HANDLE, LPPROCESSENTRY32W) override { return Fail(FALSE); }
    BOOL EnumWindows(WNDENUMPROC, LPARAM) override { return Fail(FALSE); }
    BOOL EnumChildWindows(HWND, WNDENUMPROC, LPARAM) override { return Fail(FALSE); }
    DWORD GetWindowThreadProcessId(HWND, DWORD*) override { return Fail<DWORD>(0); }
    LONG GetWindowLongW(HWND, int) override { return Fail<LONG>(0); }
    BOOL PostMessageA(HWND, UINT, WPARAM, LPARAM) override { return Fail(FALSE); }
    BOOL IsHungAppWindow(HWND) override { return Fail(FALSE); }
    // StrCmpIW has no failure result; like the real one on bad input it reports "different".
    int StrCmpIW(LPCWSTR, LPCWSTR) override { return Fail(1); }
    DWORD GetFileAttributesW(LPCWSTR) override { return Fail(INVALID_FILE_ATTRIBUTES); }
    int WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, LPBOOL) override {
        return Fail(0);
    }
    DWORD GetLastError() override { return m_lastError; }
    DWORD FormatMessageW(DWORD, LPCVOID, DWORD, DWORD, LPWSTR, DWORD, va_list*) override {
        return Fail<DWORD>(0);
    }
    // Nothing was ever allocated here, so nothing is freed; the real call returns its argument on
    // failure.
    HLOCAL LocalFree(HLOCAL memory) override {
        m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return memory;
    }
    void OutputDebugStringW(LPCWSTR) override {}
    void Sleep(DWORD) override {}
    HANDLE GetStdHandle(DWORD) override { return Fail(InvalidHandle()); }
    HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                       HANDLE) override {
        return Fail(InvalidHandle());
    }
    BOOL GetConsoleMode(HANDLE, DWORD*) override { return Fail(FALSE); }
    BOOL SetConsoleMode(HANDLE, DWORD) override { return Fail(FALSE); }
    BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE, BOOL) override { return Fail(FALSE); }
    DWORD GetConsoleTitleW(LPWSTR, DWORD) override { return Fail<DWORD>(0); }
    BOOL SetConsoleTitleW(LPCWSTR) override { return Fail(FALSE); }
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) override {
        return Fail<HANDLE>(nullptr);
    }
    HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR) override { return Fail<HANDLE>(nullptr); }
    // The real one cannot fail: it names the calling process by a constant pseudo-handle.
    HANDLE GetCurrentProcess() override { return InvalidHandle(); }
    BOOL IsWow64Process(HANDLE, PBOOL) override { return Fail(FALSE); }
    BOOL OpenProcessToken(HANDLE, DWORD, HANDLE*) override { return Fail(FALSE); }
    BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, DWORD*) override {
        return Fail(FALSE);
    }
    BOOL ConvertSidToStringSidW(PSID, LPWSTR*) override { return Fail(FALSE); }

private:
    // INVALID_HANDLE_VALUE, which is also the value of the current process's pseudo-handle.
    static HANDLE InvalidHandle() { return reinterpret_cast<HANDLE>(std::intptr_t{-1}); }

    template <typename T>
    T Fail(T result) {
        m_lastError = ERROR_CALL_NOT_IMPLEMENTED;
        return result;
    }

    DWORD m_lastError = ERROR_SUCCESS;
};

} // namespace

System& DefaultSystem() {
    static UnavailableSystem system;
    return system;
}

} // namespace os
