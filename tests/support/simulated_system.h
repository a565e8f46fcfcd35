// A model desktop for tests: processes, a window tree, files, code pages and system messages,
// with recorders of what the program asked of it and scripted failures of any call.
//
// Install it with os::ScopedSystem for the scope of a test. When it is destroyed it fails the
// running test if a handle is still open, a handle was closed twice (or never opened), or a
// buffer that FormatMessageW allocated was not given back with LocalFree.
#pragma once

#include "os/system.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace sim {

inline HWND Hwnd(std::uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}
inline std::uintptr_t HandleValue(HWND window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

// The account of the model's own process (Self::user), another one's, and the system's own.
inline constexpr DWORD kOwnAccount = 1001;
inline constexpr DWORD kOtherAccount = 1002;
inline constexpr DWORD kSystemAccount = 18; // S-1-5-18

// A process as Windows' security sees it, which decides what an open of it grants (see
// OpenProcess): the account and the login (session) it runs in, whether it runs elevated, and
// whether it is a 32-bit process on 64-bit Windows (under WOW64), which a process under WOW64
// needs to read its modules.
struct Process {
    DWORD id = 0;
    std::wstring imagePath; // the base name is its last component
    DWORD user = kOwnAccount;
    DWORD session = 1;
    bool elevated = false;
    bool wow64 = false;
    bool modulesLoaded = true; // false: just started, its module list is not in place yet
    bool baseNameFails = false;
    bool pathFails = false;
};

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const PostedMessage& other) const {
        return window == other.window && message == other.message && wParam == other.wParam &&
               lParam == other.lParam;
    }
};

struct OpenProcessCall {
    DWORD desiredAccess;
    BOOL inheritHandle;
    DWORD processId;
};

struct FormatMessageCall {
    DWORD flags;
    bool hasSource;
    DWORD messageId;
    DWORD languageId;
    DWORD size;
    bool hasArguments;
};

// The program's own process: its standard output (its console's screen buffer, another handle,
// or none), its console (none where consoleOutput is null) and that console's input mode, the
// last console control handler it added, its token (elevated or not, and its user, the last part
// of the SID S-1-5-21-1-2-3-<user>), whether it runs under WOW64, its session (its login), which
// names of objects belong to unless they begin with "Global\\" and whose desktop it sees, and
// its console's title.
struct Self {
    HANDLE standardOutput = nullptr;
    HANDLE consoleOutput = reinterpret_cast<HANDLE>(std::uintptr_t{0x54});
    DWORD consoleMode = 0x1F7; // a new console's: QuickEdit, line input, echo and mouse input on
    PHANDLER_ROUTINE ctrlHandler = nullptr;
    DWORD elevated = 0;
    BOOL wow64 = FALSE;
    DWORD user = kOwnAccount;
    DWORD session = 1;
    std::wstring consoleTitle = L"C:\\Windows\\system32\\cmd.exe";
};

// Limits of the model: names compare by folding ASCII and Cyrillic letters only, not by locale;
// and in the native build wchar_t is 32 bits, so texts that differ as UTF-16 belong in the
// Windows builds' tests. A console's mode is kept as set, as Wine keeps it; Windows' console host
// stops reporting QuickEdit (and the other flags that ENABLE_EXTENDED_FLAGS governs) once a mode
// without any of them is set. Mutexes are named ones only, and have no security: a refusal is
// scripted with FailCall. It keeps one console control handler, and removing one never fails.
// CreateFileW opens "CONIN$" only; OpenProcessToken knows the own process only. A process's
// security is that of a token's default (see GrantedAccess): no protected processes, no
// privileges such as debugging, no posts refused across integrity levels. Under Wine, which has
// one account and elevates every token, every open succeeds. A window stops responding only when
// a test says so, not by its thread's messages. A session has one desktop: in session 0 Windows
// gives each logon (each run of a task, each service's account) a window station of its own,
// whose windows only its own processes list; the model lists session 0's windows to all its
// processes, as to those of one task run.
// Under Wine, tests/wine/conformance_test.cpp makes every call on the model and on the real system
// alike; the differences kept on purpose are named there.
class SimulatedSystem : public os::System {
public:
    SimulatedSystem();
    ~SimulatedSystem() override;

    // --- The model -------------------------------------------------------------------------
    // The model finds processes by the id they were added with: change an id only by removing the
    // process and adding it again.
    Process& AddProcess(DWORD id, const std::wstring& imagePath);
    // Adds `count` processes with ids first, first + 4, ... that are no terminals.
    void AddOrdinaryProcesses(DWORD count, DWORD first = 1000);
    void RemoveProcess(DWORD id);

    // A window; parent 0 makes it top-level. Windows enumerate in the order they were added.
    void AddWindow(std::uintptr_t handle, std::uintptr_t parent, DWORD processId,
                   LONG extendedStyle = 0);
    // The window and everything below it stop existing.
    void DestroyWindow(std::uintptr_t handle);
    // The window's thread has read no message for about 5 s: IsHungAppWindow says so.
    void StopResponding(std::uintptr_t handle) { m_windows.at(handle).responding = false; }

    void AddFile(const std::wstring& path);
    void AddFolder(const std::wstring& path);
    void RemoveFile(const std::wstring& path);

    void SetSystemMessage(DWORD messageId, const std::wstring& text);

    Self self;

    // --- Scripted behaviour ----------------------------------------------------------------
    // The occurrence-th call (counting from 1) of the named call fails with the given last error.
    void FailCall(const std::string& call, int occurrence, DWORD lastError = ERROR_ACCESS_DENIED);
    // Every call of the named call fails.
    void FailAlways(const std::string& call, DWORD lastError = ERROR_ACCESS_DENIED);
    // Runs the action when the occurrence-th call of the named call begins.
    void OnCall(const std::string& call, int occurrence, std::function<void()> action);
    // The last error that GetLastError reports until the next call changes it.
    void SetLastError(DWORD error) { m_lastError = error; }

    // --- Recorders -------------------------------------------------------------------------
    int CallCount(const std::string& call) const;
    int TotalCalls() const;
    const std::vector<DWORD>& EnumProcessesBufferSizes() const { return m_enumBufferSizes; }
    const std::vector<OpenProcessCall>& OpenProcessCalls() const { return m_openCalls; }
    const std::vector<DWORD>& ModuleBufferSizes() const { return m_moduleBufferSizes; }
    const std::vector<HMODULE>& ModuleFileNameModules() const { return m_fileNameModules; }
    const std::vector<FormatMessageCall>& FormatMessageCalls() const { return m_formatCalls; }
    int HandlesOpened() const { return m_handlesOpened; }
    int HandlesClosed() const { return m_handlesClosed; }
    std::size_t OpenHandleCount() const { return m_openHandles.size(); }
    const std::vector<std::wstring>& DebugOutput() const { return m_debugOutput; }
    const std::vector<PostedMessage>& Posted() const { return m_posted; }
    const std::vector<DWORD>& Sleeps() const { return m_sleeps; }
    const std::vector<HWND>& ChildEnumerationParents() const { return m_childEnumParents; }
    const std::vector<std::wstring>& FileQueries() const { return m_fileQueries; }
    // Enumerations that ended because the callback answered FALSE.
    int EnumerationsCutShort() const { return m_enumerationsCutShort; }
    void ClearRecords();

    // What the destructor would report now, one text per fault.
    std::vector<std::string> Faults() const;

    // --- os::System --------------------------------------------------------------------------
    BOOL EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) override;
    HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) override;
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name, DWORD* size) override;
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                            DWORD* neededBytes) override;
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName, DWORD size) override;
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                               DWORD size) override;
    BOOL CloseHandle(HANDLE object) override;
    BOOL ProcessIdToSessionId(DWORD processId, DWORD* sessionId) override;
    HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId) override;
    BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) override;
    BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) override;
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override;
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) override;
    DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) override;
    LONG GetWindowLongW(HWND window, int index) override;
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL IsHungAppWindow(HWND window) override;
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
    HANDLE GetStdHandle(DWORD standardHandle) override;
    HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                       LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                       DWORD flagsAndAttributes, HANDLE templateFile) override;
    BOOL GetConsoleMode(HANDLE console, DWORD* mode) override;
    BOOL SetConsoleMode(HANDLE console, DWORD mode) override;
    BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) override;
    DWORD GetConsoleTitleW(LPWSTR title, DWORD size) override;
    BOOL SetConsoleTitleW(LPCWSTR title) override;
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name) override;
    HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name) override;
    HANDLE GetCurrentProcess() override { return INVALID_HANDLE_VALUE; } // its pseudo-handle
    BOOL IsWow64Process(HANDLE process, PBOOL wow64) override;
    BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                             LPVOID information, DWORD length, DWORD* returnedLength) override;
    BOOL ConvertSidToStringSidW(PSID sid, LPWSTR* text) override;

    // The OEM code page that CP_OEMCP stands for (866, as on a Russian system); the model knows
    // it by that name only.
    static constexpr UINT kOemCodePage = 866;

private:
    struct Window {
        std::uintptr_t parent = 0;
        DWORD processId = 0;
        LONG extendedStyle = 0;
        DWORD session = 0; // the login on whose desktop it lies
        bool responding = true;
        std::vector<std::uintptr_t> children;
    };
    enum class Kind { Process, Token, Mutex, ConsoleInput, Snapshot };
    struct OpenHandle {
        DWORD processId;
        std::wstring mutexName; // a named mutex lives while a handle to it is open
        Kind kind = Kind::Process;
        DWORD access = 0; // what an open of a process granted
        // A snapshot's processes, as they ran when it was taken, and the next one to hand out.
        std::vector<std::pair<DWORD, std::wstring>> processes{};
        std::size_t next = 0;
    };

    // Counts the call, runs its hooks and tells whether it is to fail (the last error is set).
    bool Enter(const char* call);
    HANDLE NewHandle(OpenHandle open);
    // Whether the handle is open and of that kind (for a process: this process's pseudo-handle, the
    // one the calls that take it are given); sets ERROR_INVALID_HANDLE where it is not.
    bool IsOpen(HANDLE handle, Kind kind);
    std::wstring MutexKey(LPCWSTR name) const;
    const Process* FindProcess(DWORD id) const;
    // What this process's security grants the model's own process, as its token made it.
    DWORD GrantedAccess(const Process& process) const;
    // The process that a handle opened with at least `access` names; sets the last error and
    // gives null where there is none, or where the handle lacks that access.
    const Process* ProcessOfHandle(HANDLE handle, DWORD access);
    // A 32-bit process under WOW64 cannot read the modules of a 64-bit one.
    bool OutOfWordSize(const Process& process) const {
        return self.wow64 != FALSE && !process.wow64;
    }
    void ForgetWindow(std::uintptr_t handle);
    void CollectDescendants(std::uintptr_t handle, std::vector<std::uintptr_t>& out) const;
    std::size_t CountDescendants(std::uintptr_t handle) const;
    // Fills the entry with the snapshot's next process; FALSE past the last.
    BOOL NextOfSnapshot(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first);
    // Hands the windows that still exist to an enumeration callback until it answers FALSE.
    BOOL Deliver(const std::vector<std::uintptr_t>& windows, WNDENUMPROC callback,
                 LPARAM parameter);
    static std::wstring FileKey(const std::wstring& path);
    // A folder's key ends with a backslash; empty is the current folder.
    bool FolderExists(const std::wstring& folderKey) const;

    std::deque<Process> m_processes;
    // The first process added with each id, so that a large desktop is not quadratic in the
    // model; rebuilt when processes are removed.
    std::unordered_map<DWORD, const Process*> m_processIndex;
    // Hashed: every window call looks a handle up, and large desktops have many windows. The order
    // of enumeration comes from m_topLevel and the children lists, never from this table.
    std::unordered_map<std::uintptr_t, Window> m_windows;
    std::vector<std::uintptr_t> m_topLevel;
    std::map<std::wstring, DWORD> m_files; // FileKey -> attributes
    std::map<DWORD, std::wstring> m_messages;

    // Looked up by the call's name as it comes, without building a string per call.
    std::map<std::string, int, std::less<>> m_callCounts;
    std::map<std::pair<std::string, int>, DWORD> m_failures;
    std::map<std::string, DWORD, std::less<>> m_permanentFailures;
    std::multimap<std::pair<std::string, int>, std::function<void()>> m_hooks;
    DWORD m_lastError = ERROR_SUCCESS;

    std::uintptr_t m_nextHandle = 0x1000;
    std::map<HANDLE, OpenHandle> m_openHandles;
    std::map<std::wstring, int> m_mutexHandles; // open handles by name
    int m_handlesOpened = 0;
    int m_handlesClosed = 0;
    std::vector<std::string> m_badCloses;
    std::set<const void*> m_localAllocations;
    std::vector<std::string> m_badFrees;

    std::vector<DWORD> m_enumBufferSizes;
    std::vector<OpenProcessCall> m_openCalls;
    std::vector<DWORD> m_moduleBufferSizes;
    std::vector<HMODULE> m_fileNameModules;
    std::vector<FormatMessageCall> m_formatCalls;
    std::vector<std::wstring> m_debugOutput;
    std::vector<PostedMessage> m_posted;
    std::vector<DWORD> m_sleeps;
    std::vector<HWND> m_childEnumParents;
    std::vector<std::wstring> m_fileQueries;
    int m_enumerationsCutShort = 0;
};

// The OEM code page 866 encoding of a text, for comparing console bytes.
std::string ToCp866(const std::wstring& text);

} // namespace sim
