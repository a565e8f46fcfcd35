// The one door through which the program reaches the operating system.
//
// `os::System` lists every system call the program makes, with its Win32 name and signature. The
// program calls the free functions below (`os::EnumProcesses(...)`), which forward to the system
// installed at the moment: the real Win32 API by default on Windows, a system on which every call
// fails with ERROR_CALL_NOT_IMPLEMENTED elsewhere, or whatever a test installs with
// `os::ScopedSystem` for the length of a scope.
#pragma once

#include "os/win32.h"

namespace os {

class System {
public:
    System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;
    virtual ~System() = default;

    // Processes and modules.
    virtual BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) = 0;
    virtual HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) = 0;
    virtual BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name,
                                            DWORD* size) = 0;
    virtual BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                                    DWORD* neededBytes) = 0;
    virtual DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName,
                                     DWORD size) = 0;
    virtual DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                                       DWORD size) = 0;
    virtual BOOL CloseHandle(HANDLE object) = 0;
    virtual BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) = 0;
    virtual HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) = 0;
    virtual BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) = 0;
    virtual BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) = 0;

    // Windows.
    virtual BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) = 0;
    virtual BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) = 0;
    virtual DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) = 0;
    virtual LONG GetWindowLongW(HWND window, int index) = 0;
    virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL IsHungAppWindow(HWND window) = 0;

    // Files and strings.
    virtual int StrCmpIW(LPCWSTR first, LPCWSTR second) = 0;
    virtual DWORD GetFileAttributesW(LPCWSTR fileName) = 0;
    virtual int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                                    LPSTR narrowText, int narrowSize, LPCSTR defaultChar,
                                    LPBOOL usedDefaultChar) = 0;

    // Errors, debugger output and time.
    virtual DWORD GetLastError() = 0;
    virtual DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                 LPWSTR buffer, DWORD size, va_list* arguments) = 0;
    virtual HLOCAL LocalFree(HLOCAL memory) = 0;
    virtual void OutputDebugStringW(LPCWSTR text) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;

    // The program's own console and standing: its console's modes and title, a handler for the
    // console's end, the objects by which command posters of one session find each other, and
    // the account, rights, session and word size it runs with.
    virtual HANDLE GetStdHandle(DWORD standardHandle) = 0;
    virtual HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                               LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                               DWORD flagsAndAttributes, HANDLE templateFile) = 0;
    virtual BOOL GetConsoleMode(HANDLE console, DWORD* mode) = 0;
    virtual BOOL SetConsoleMode(HANDLE console, DWORD mode) = 0;
    virtual BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) = 0;
    virtual DWORD GetConsoleTitleW(LPWSTR title, DWORD size) = 0;
    virtual BOOL SetConsoleTitleW(LPCWSTR title) = 0;
    virtual HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner,
                                LPCWSTR name) = 0;
    virtual HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual BOOL IsWow64Process(HANDLE process, PBOOL wow64) = 0;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                                     LPVOID information, DWORD length, DWORD* returnedLength) = 0;
    virtual BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) = 0;
};

// The system that calls reach now.
System& Current();

// Installs a system for the lifetime of the guard; the one installed before comes back after it.
class ScopedSystem {
public:
    explicit ScopedSystem(System& system);
    ScopedSystem(const ScopedSystem&) = delete;
    ScopedSystem& operator=(const ScopedSystem&) = delete;
    ~ScopedSystem();

private:
    System* m_previous;
};

inline BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) {
    return Current().EnumProcesses(processIds, bufferBytes, returnedBytes);
}
inline HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) {
    return Current().OpenProcess(desiredAccess, inheritHandle, processId);
}
inline BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name, DWORD* size) {
    return Current().QueryFullProcessImageNameW(process, flags, name, size);
}
inline BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                               DWORD* neededBytes) {
    return Current().EnumProcessModules(process, modules, bufferBytes, neededBytes);
}
inline DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName, DWORD size) {
    return Current().GetModuleBaseNameW(process, module, baseName, size);
}
inline DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName, DWORD size) {
    return Current().GetModuleFileNameExW(process, module, fileName, size);
}
inline BOOL CloseHandle(HANDLE object) {
    return Current().CloseHandle(object);
}
inline BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) {
    return Current().ProcessIdToSessionId(processId, sessionId);
}
inline HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
    return Current().CreateToolhelp32Snapshot(flags, processId);
}
inline BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return Current().Process32FirstW(snapshot, entry);
}
inline BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return Current().Process32NextW(snapshot, entry);
}
inline BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
    return Current().EnumWindows(callback, parameter);
}
inline BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) {
    return Current().EnumChildWindows(parent, callback, parameter);
}
inline DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
    return Current().GetWindowThreadProcessId(window, processId);
}
inline LONG GetWindowLongW(HWND window, int index) {
    return Current().GetWindowLongW(window, index);
}
inline BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Current().PostMessageA(window, message, wParam, lParam);
}
inline BOOL IsHungAppWindow(HWND window) {
    return Current().IsHungAppWindow(window);
}
inline int StrCmpIW(LPCWSTR first, LPCWSTR second) {
    return Current().StrCmpIW(first, second);
}
inline DWORD GetFileAttributesW(LPCWSTR fileName) {
    return Current().GetFileAttributesW(fileName);
}
inline int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                               LPSTR narrowText, int narrowSize, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar) {
    return Current().WideCharToMultiByte(codePage, flags, wideText, wideLength, narrowText,
                                         narrowSize, defaultChar, usedDefaultChar);
}
inline DWORD GetLastError() {
    return Current().GetLastError();
}
inline DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                            LPWSTR buffer, DWORD size, va_list* arguments) {
    return Current().FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
}
inline HLOCAL LocalFree(HLOCAL memory) {
    return Current().LocalFree(memory);
}
inline void OutputDebugStringW(LPCWSTR text) {
    Current().OutputDebugStringW(text);
}
inline void Sleep(DWORD milliseconds) {
    Current().Sleep(milliseconds);
}
inline HANDLE GetStdHandle(DWORD standardHandle) {
    return Current().GetStdHandle(standardHandle);
}
inline HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile) {
    return Current().CreateFileW(fileName, desiredAccess, shareMode, attributes,
                                 creationDisposition, flagsAndAttributes, templateFile);
}
inline BOOL GetConsoleMode(HANDLE console, DWORD* mode) {
    return Current().GetConsoleMode(console, mode);
}
inline BOOL SetConsoleMode(HANDLE console, DWORD mode) {
    return Current().SetConsoleMode(console, mode);
}
inline BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    return Current().SetConsoleCtrlHandler(handler, add);
}
inline DWORD GetConsoleTitleW(LPWSTR title, DWORD size) {
    return Current().GetConsoleTitleW(title, size);
}
inline BOOL SetConsoleTitleW(LPCWSTR title) {
    return Current().SetConsoleTitleW(title);
}
inline HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name) {
    return Current().CreateMutexW(attributes, initialOwner, name);
}
inline HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name) {
    return Current().OpenMutexW(desiredAccess, inheritHandle, name);
}
inline HANDLE GetCurrentProcess() {
    return Current().GetCurrentProcess();
}
inline BOOL IsWow64Process(HANDLE process, PBOOL wow64) {
    return Current().IsWow64Process(process, wow64);
}
inline BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
    return Current().OpenProcessToken(process, desiredAccess, token);
}
inline BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                                LPVOID information, DWORD length, DWORD* returnedLength) {
    return Current().GetTokenInformation(token, informationClass, information, length,
                                         returnedLength);
}
inline BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) {
    return Current().ConvertSidToStringSidW(sid, text);
}

} // namespace os
