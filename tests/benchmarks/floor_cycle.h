// The floor under the posting cycle's cost: one cycle's system calls that no implementation can
// leave out, made straight to the system, into fixed arrays, with no container or string of the
// program's. Windows only.
#pragma once

#include <windows.h>

#include <cstddef>

class FloorCycle {
public:
    // Ids, windows and texts beyond these are left out; the benchmark's desktop stays well below.
    static constexpr std::size_t kMaxProcesses = 4096;
    static constexpr std::size_t kMaxTargets = 64;
    static constexpr std::size_t kMaxWindows = 16384;
    static constexpr DWORD kMaxText = 1024;

    struct Result {
        std::size_t processes = 0;
        std::size_t targets = 0;
        DWORD firstTarget = 0;
        std::size_t charts = 0; // found (and posted to by Run), over all targets
        std::size_t calls = 0;  // system calls made
    };

    // One cycle. Per process: OpenProcess, EnumProcessModules with one slot, GetModuleBaseNameW,
    // GetModuleFileNameExW, CloseHandle; StrCmpIW where the file name has the terminal's length,
    // and GetFileAttributesW of the companion for a terminal. Per target: Discover, then two
    // PostMessageA per chart, in the order found.
    Result Run();

    // The process part of Run alone: the snapshot and the choice of targets.
    Result Snapshot();

    // One EnumWindows, the owner of each top-level window, EnumChildWindows of the process's own
    // ones, one GetWindowLongW per window; the charts are kept in a fixed array.
    Result Discover(DWORD processId);

private:
    struct WindowArray {
        HWND windows[kMaxWindows];
        std::size_t count;
    };
    static BOOL CALLBACK Collect(HWND window, LPARAM array);

    void SnapshotInto(Result& result);
    void DiscoverInto(DWORD processId, Result& result);

    DWORD m_ids[kMaxProcesses];
    DWORD m_returnedBytes = 0; // a member: GCC 12 takes a local here for a dangling pointer
    DWORD m_targets[kMaxTargets];
    wchar_t m_baseName[kMaxText];
    wchar_t m_path[kMaxText];
    wchar_t m_companion[kMaxText];
    WindowArray m_topLevel;
    WindowArray m_own;
    WindowArray m_charts;
};
