#include "app/chart_windows.h"

#include "os/system.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// Room for the usual desktop, so that collecting the top-level windows does not grow the list.
constexpr std::size_t kTopLevelReserve = 4096;

// An exception that CollectWindow caught inside an enumeration, waiting for the caller.
thread_local std::exception_ptr t_pendingException;

LPARAM AsParameter(HandleList& list) {
    return reinterpret_cast<LPARAM>(&list);
}

// Called after every enumeration: what CollectWindow kept decides, never the call's result.
void RethrowPendingException() {
    if (t_pendingException) {
        std::rethrow_exception(std::exchange(t_pendingException, nullptr));
    }
}

// Every top-level window of the desktop, in the system's order.
HandleList CollectTopLevelWindows() {
    HandleList windows;
    windows.reserve(kTopLevelReserve);
    os::EnumWindows(CollectWindow, AsParameter(windows));
    RethrowPendingException();
    return windows;
}

} // namespace

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    try {
        reinterpret_cast<HandleList*>(list)->push_back(window);
        return TRUE;
    } catch (...) {
        t_pendingException = std::current_exception();
        return FALSE;
    }
}

void KeepWindowsOfProcess(const HandleList& windows, DWORD processId, HandleList& kept) {
    kept.clear();
    for (std::size_t index = 0; index < windows.size(); ++index) {
        const HWND window = windows.at(index);
        DWORD owner = 0; // stays 0, no process's id, for a window that has vanished
        os::GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            kept.push_back(window);
        }
    }
}

void AppendChildWindows(HandleList& windows) {
    // EnumChildWindows reaches every depth, so only the entries held now are enumerated: visiting
    // the appended ones too would repeat a window d levels down 2^(d-1) times.
    const std::size_t parents = windows.size();
    for (std::size_t index = 0; index < parents; ++index) {
        const HWND parent = windows.at(index); // by index: the list moves as it grows
        os::EnumChildWindows(parent, CollectWindow, AsParameter(windows));
        RethrowPendingException();
    }
}

void CollectChartWindows(const HandleList& windows, HandleSet& charts) {
    charts.clear();
    for (std::size_t index = 0; index < windows.size(); ++index) {
        const HWND window = windows.at(index);
        if ((os::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
            charts.insert(window);
        }
    }
}

HandleSet FindChartWindows(DWORD processId) {
    HandleList processWindows;
    KeepWindowsOfProcess(CollectTopLevelWindows(), processId, processWindows);
    AppendChildWindows(processWindows);

    HandleSet charts;
    CollectChartWindows(processWindows, charts);
    return charts;
}

std::vector<DWORD> FindWindowOwners() {
    std::vector<DWORD> owners;
    for (const HWND window : CollectTopLevelWindows()) {
        DWORD owner = 0; // stays 0 for a window that has vanished
        os::GetWindowThreadProcessId(window, &owner);
        if (owner != 0) {
            owners.push_back(owner);
        }
    }
    std::sort(owners.begin(), owners.end());
    owners.erase(std::unique(owners.begin(), owners.end()), owners.end());
    return owners;
}
