// The real Win32 API, forwarded call for call.
#include "os/system.h"

// The process status calls by their own names (psapi.dll), not as macros for kernel32's
// K32 variants, so that they keep the names that os::System lists.
#define PSAPI_VERSION 1
#include <psapi.h>
#include <sddl.h>
#include <shlwapi.h>

namespace os {
namespace {

class Win32System final : public System {
public:
    BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) override {
        return ::EnumProcesses(processIds, bufferBytes, returnedBytes);
    }
    HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) override {
        return ::OpenProcess(desiredAccess, inheritHandle, processId);
    }
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name,
                                    DWORD* size) override {
        return ::QueryFullProcessImageNameW(process, flags, name, size);
    }
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                            DWORD* neededBytes) override {
        return ::EnumProcessModules(process, modules, bufferBytes, neededBytes);
    }
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName, DWORD size) override {
        return ::GetModuleBaseNameW(process, module, baseName, size);
    }
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                               DWORD size) override {
        return ::GetModuleFileNameExW(process, module, fileName, size);
    }
    BOOL CloseHandle(HANDLE object) override { return ::CloseHandle(object); }
    BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) override {
        return ::ProcessIdToSessionId(processId, sessionId);
    }
    HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) override {
        return ::CreateToolhelp32Snapshot(flags, processId);
    }
    BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) override {
        return ::Process32FirstW(snapshot, entry);
    }
    BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) override {
        return ::Process32NextW(snapshot, entry);
    }
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override {
        return ::EnumWindows(callback, parameter);
    }
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) override {
        return ::EnumChildWindows(parent, callback, parameter);
    }
    DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) override {
        return ::GetWindowThreadProcessId(window, processId);
    }
    LONG GetWindowLongW(HWND window, int index) override { return ::GetWindowLongW(window, index); }
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return ::PostMessageA(window, message, wParam, lParam);
    }
    BOOL IsHungAppWindow(HWND window) override { return ::IsHungAppWindow(window); }
    int StrCmpIW(LPCWSTR first, LPCWSTR second) override { return ::StrCmpIW(first, second); }
    DWORD GetFileAttributesW(LPCWSTR fileName) override { return ::GetFileAttributesW(fileName); }
    int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                            LPSTR narrowText, int narrowSize, LPCSTR defaultChar,
                            LPBOOL usedDefaultChar) override {
        return ::WideCharToMultiByte(codePage, flags, wideText, wideLength, narrowText, narrowSize,
                                     defaultChar, usedDefaultChar);
    }
    DWORD GetLastError() override { return ::GetLastError(); }
    DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                         LPWSTR buffer, DWORD size, va_list* arguments) override {
        return ::FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
    }
    HLOCAL LocalFree(HLOCAL memory) override { return ::LocalFree(memory); }
    void OutputDebugStringW(LPCWSTR text) override { ::OutputDebugStringW(text); }
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
    HANDLE GetStdHandle(DWORD standardHandle) override { return ::GetStdHandle(standardHandle); }
    HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                       LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                       DWORD flagsAndAttributes, HANDLE templateFile) override {
        return ::CreateFileW(fileName, desiredAccess, shareMode, attributes, creationDisposition,
                             flagsAndAttributes, templateFile);
    }
    BOOL GetConsoleMode(HANDLE console, DWORD* mode) override {
        return ::GetConsoleMode(console, mode);
    }
    BOOL SetConsoleMode(HANDLE console, DWORD mode) override {
        return ::SetConsoleMode(console, mode);
    }
    BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) override {
        return ::SetConsoleCtrlHandler(handler, add);
    }
    DWORD GetConsoleTitleW(LPWSTR title, DWORD size) override {
        return ::GetConsoleTitleW(title, size);
    }
    BOOL SetConsoleTitleW(LPCWSTR title) override { return ::SetConsoleTitleW(title); }
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner,
                        LPCWSTR name) override {
        return ::CreateMutexW(attributes, initialOwner, name);
    }
    HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name) override {
        return ::OpenMutexW(desiredAccess, inheritHandle, name);
    }
    HANDLE GetCurrentProcess() override { return ::GetCurrentProcess(); }
    BOOL IsWow64Process(HANDLE process, PBOOL wow64) override {
        return ::IsWow64Process(process, wow64);
    }
    BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) override {
        return ::OpenProcessToken(process, desiredAccess, token);
    }
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                             LPVOID information, DWORD length, DWORD* returnedLength) override {
        return ::GetTokenInformation(token, informationClass, information, length, returnedLength);
    }
    BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) override {
        return ::ConvertSidToStringSidW(sid, text);
    }
};

} // namespace

System& DefaultSystem() {
    static Win32System system;
    return system;
}

} // namespace os
