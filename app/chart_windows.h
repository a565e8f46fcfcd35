// Chart window discovery: the WS_EX_MDICHILD windows among a process's top-level windows and all
// windows below them.
#pragma once

#include "os/win32.h"

#include <cstdint>
#include <set>
#include <vector>

// Window handles in the order appended; repeats allowed.
using HandleList = std::vector<HWND>;

// Orders handles by their value taken as an unsigned number.
struct HandleValueLess {
    bool operator()(HWND left, HWND right) const {
        return reinterpret_cast<std::uintptr_t>(left) < reinterpret_cast<std::uintptr_t>(right);
    }
};
// Window handles in ascending order of value, each at most once.
using HandleSet = std::set<HWND, HandleValueLess>;

// The enumeration callback: appends the window to the HandleList whose address is `list`.
// Returns TRUE, so that every enumeration runs to its end, except when appending throws: then the
// exception is kept for the enumeration's caller (no exception may unwind through the system's
// frames) and FALSE ends the enumeration.
BOOL CALLBACK CollectWindow(HWND window, LPARAM list);

// Fills `kept` with the windows of `windows` that `processId` owns, in their order.
void KeepWindowsOfProcess(const HandleList& windows, DWORD processId, HandleList& kept);

// Appends all descendants of the windows that `windows` holds, at every depth, once per entry.
void AppendChildWindows(HandleList& windows);

// Fills `charts` with the windows of `windows` that carry WS_EX_MDICHILD.
void CollectChartWindows(const HandleList& windows, HandleSet& charts);

// The whole discovery for one process: its chart windows, ascending, each once.
HandleSet FindChartWindows(DWORD processId);

// The ids of the processes that own a top-level window on this desktop, ascending, each once.
std::vector<DWORD> FindWindowOwners();
