// Tells the program's allocations from those of the system it runs against, for a binary that
// links program_allocations.cpp (it replaces the global operator new and delete). Allocations
// are counted apart, and the program's can be made to fail as when memory runs out, while the
// model's bookkeeping never fails and never blurs the program's figure. One thread only.
#pragma once

#include "os/system.h"

#include <cstddef>

namespace program_allocations {

struct Counts {
    long program = 0;
    long model = 0;
};

// Zeroes both counts.
void Reset();
Counts Get();

// From now on (the program's count starts again) the k-th program allocation, counting from 1,
// and every later one fail with std::bad_alloc. 0 disarms.
void FailFrom(long k);
// Every program allocation of at least `bytes` fails until disarmed.
void FailSizesFrom(std::size_t bytes);
void Disarm();

// While set, runs after every free of the program's (never of the model's): the hook can make a
// free change what the system keeps, such as the last error. Null removes it.
void SetFreeHook(void (*hook)());

// Disarms at the end of a scope, whatever happens in it.
class Armed {
public:
    Armed() = default;
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
    ~Armed() { Disarm(); }
};

// While an InModel object lives, allocations are the model's: counted apart, never failed.
class InModel {
public:
    InModel();
    InModel(const InModel&) = delete;
    InModel& operator=(const InModel&) = delete;
    ~InModel();
};

// While an InProgram object lives, allocations are the program's again: for the program's
// callbacks that the model calls.
class InProgram {
public:
    InProgram();
    InProgram(const InProgram&) = delete;
    InProgram& operator=(const InProgram&) = delete;
    ~InProgram();

private:
    int m_modelDepth;
};

// Passes every call on to another system (the simulated one, or the real one under Wine), inside
// InModel; the program's enumeration callbacks run inside InProgram. Every call is counted.
// Sleep is passed on only on request: a benchmark against the real system must not pause.
class ForwardingSystem final : public os::System {
public:
    enum class Sleeps { kForward, kSkip };

    ForwardingSystem(os::System& target, Sleeps sleeps) : m_target(target), m_sleeps(sleeps) {}

    BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) override;
    HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) override;
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name,
                                    DWORD* size) override {
        return Forward(&System::QueryFullProcessImageNameW, process, flags, name, size);
    }
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                            DWORD* neededBytes) override;
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName, DWORD size) override;
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                               DWORD size) override;
    BOOL CloseHandle(HANDLE object) override;
    BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) override {
        return Forward(&System::ProcessIdToSessionId, processId, sessionId);
    }
    HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) override {
        return Forward(&System::CreateToolhelp32Snapshot, flags, processId);
    }
    BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) override {
        return Forward(&System::Process32FirstW, snapshot, entry);
    }
    BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) override {
        return Forward(&System::Process32NextW, snapshot, entry);
    }
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override;
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) override;
    DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) override;
    LONG GetWindowLongW(HWND window, int index) override;
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL IsHungAppWindow(HWND window) override { return Forward(&System::IsHungAppWindow, window); }
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
    HANDLE GetStdHandle(DWORD standardHandle) override {
        return Forward(&System::GetStdHandle, standardHandle);
    }
    HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                       DWORD disposition, DWORD flags, HANDLE from) override {
        return Forward(&System::CreateFileW, name, access, share, attributes, disposition, flags,
                       from);
    }
    BOOL GetConsoleMode(HANDLE console, DWORD* mode) override {
        return Forward(&System::GetConsoleMode, console, mode);
    }
    BOOL SetConsoleMode(HANDLE console, DWORD mode) override {
        return Forward(&System::SetConsoleMode, console, mode);
    }
    BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) override {
        return Forward(&System::SetConsoleCtrlHandler, handler, add);
    }
    DWORD GetConsoleTitleW(LPWSTR title, DWORD size) override {
        return Forward(&System::GetConsoleTitleW, title, size);
    }
    BOOL SetConsoleTitleW(LPCWSTR title) override {
        return Forward(&System::SetConsoleTitleW, title);
    }
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL owner, LPCWSTR name) override {
        return Forward(&System::CreateMutexW, attributes, owner, name);
    }
    HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) override {
        return Forward(&System::OpenMutexW, access, inherit, name);
    }
    HANDLE GetCurrentProcess() override { return Forward(&System::GetCurrentProcess); }
    BOOL IsWow64Process(HANDLE process, PBOOL wow64) override {
        return Forward(&System::IsWow64Process, process, wow64);
    }
    BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override {
        return Forward(&System::OpenProcessToken, process, access, token);
    }
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID information,
                             DWORD length, DWORD* returned) override {
        return Forward(&System::GetTokenInformation, token, kind, information, length, returned);
    }
    BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) override {
        return Forward(&System::ConvertSidToStringSidW, sid, text);
    }

    long Calls() const { return m_calls; }
    void ResetCalls() { m_calls = 0; }

private:
    // Counts the call; the caller keeps the returned scope for the call's length.
    InModel Enter() {
        ++m_calls;
        return {};
    }
    template <typename Result, typename... Parameters, typename... Arguments>
    Result Forward(Result (System::*call)(Parameters...), Arguments... arguments) {
        const InModel model = Enter();
        return (m_target.*call)(arguments...);
    }

    os::System& m_target;
    Sleeps m_sleeps;
    long m_calls = 0;
};

} // namespace program_allocations
