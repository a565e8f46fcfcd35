// A system that passes every call on to another one: the simulated system for the allocation
// counts, the real one under Wine for the timings.
#pragma once

#include "os/system.h"

// Allocations made inside the target count as the model's, those of the program's enumeration
// callbacks as the program's (allocation_counter.h). Every call is counted. Sleep is passed on
// only on request: a benchmark against the real system must not pause.
class ForwardingSystem final : public os::System {
public:
    enum class Sleeps { kForward, kSkip };

    ForwardingSystem(os::System& target, Sleeps sleeps) : m_target(target), m_sleeps(sleeps) {}

    BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) override;
    HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) override;
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                            DWORD* neededBytes) override;
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName, DWORD size) override;
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                               DWORD size) override;
    BOOL CloseHandle(HANDLE object) override;
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override;
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) override;
    DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) override;
    LONG GetWindowLongW(HWND window, int index) override;
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    int StrCmpIW(LPCWSTR first, LPCWSTR second) override;
    DWORD GetFileAttributesW(LPCWSTR fileName) override;
    int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                            LPSTR narrowText, int narrowSize, LPCSTR defaultChar,
                            LPBOOL usedDefaultChar) override;
    DWORD GetLastError() override;
    DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                         LPWSTR buffer, DWORD size, va_list* arguments) override;
    HLOCAL LocalFree(HLOCAL memory) override;
    void OutputDebugStringW(LPCWSTR text) override;
    void Sleep(DWORD milliseconds) override;

    long Calls() const { return m_calls; }
    void ResetCalls() { m_calls = 0; }

private:
    os::System& m_target;
    Sleeps m_sleeps;
    long m_calls = 0;
};
