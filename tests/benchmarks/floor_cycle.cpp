#include "floor_cycle.h"

#include <psapi.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

constexpr wchar_t kTerminalFileName[] = L"terminal.exe";
constexpr std::size_t kTerminalFileNameLength = sizeof(kTerminalFileName) / sizeof(wchar_t) - 1;
constexpr wchar_t kCompanionFileName[] = L"MetaEditor.exe";

} // namespace

BOOL CALLBACK FloorCycle::Collect(HWND window, LPARAM array) {
    auto& into = *reinterpret_cast<WindowArray*>(array);
    if (into.count < kMaxWindows) {
        into.windows[into.count++] = window;
    }
    return TRUE;
}

FloorCycle::Result FloorCycle::Run() {
    Result result;
    SnapshotInto(result);
    for (std::size_t target = 0; target < result.targets; ++target) {
        DiscoverInto(m_targets[target], result);
        for (std::size_t index = 0; index < m_charts.count; ++index) {
            result.calls += 2;
            ::PostMessageA(m_charts.windows[index], WM_COMMAND, 33324, 0);
            ::PostMessageA(m_charts.windows[index], WM_COMMAND, 2, 1);
        }
    }
    return result;
}

FloorCycle::Result FloorCycle::Snapshot() {
    Result result;
    SnapshotInto(result);
    return result;
}

void FloorCycle::SnapshotInto(Result& result) {
    ++result.calls;
    if (!::EnumProcesses(m_ids, sizeof(m_ids), &m_returnedBytes)) {
        return;
    }
    result.processes = m_returnedBytes / sizeof(DWORD);

    for (std::size_t index = 0; index < result.processes; ++index) {
        ++result.calls;
        const HANDLE process =
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, m_ids[index]);
        if (process == nullptr) {
            continue;
        }
        HMODULE module = nullptr;
        DWORD needed = 0;
        DWORD pathLength = 0;
        ++result.calls;
        if (::EnumProcessModules(process, &module, sizeof(module), &needed)) {
            ++result.calls;
            if (::GetModuleBaseNameW(process, module, m_baseName, kMaxText) != 0) {
                ++result.calls;
                pathLength = ::GetModuleFileNameExW(process, nullptr, m_path, kMaxText);
            }
        }
        ++result.calls;
        ::CloseHandle(process);
        if (pathLength == 0 || pathLength >= kMaxText) {
            continue;
        }

        std::size_t nameStart = pathLength;
        while (nameStart > 0 && m_path[nameStart - 1] != L'\\') {
            --nameStart;
        }
        if (pathLength - nameStart != kTerminalFileNameLength) {
            continue;
        }
        ++result.calls;
        if (::StrCmpIW(m_path + nameStart, kTerminalFileName) != 0) {
            continue;
        }
        std::wmemcpy(m_companion, m_path, nameStart);
        std::wmemcpy(m_companion + nameStart, kCompanionFileName,
                     sizeof(kCompanionFileName) / sizeof(wchar_t));
        ++result.calls;
        if (::GetFileAttributesW(m_companion) != INVALID_FILE_ATTRIBUTES &&
            result.targets < kMaxTargets) {
            m_targets[result.targets++] = m_ids[index];
        }
    }

    if (result.targets > 0) {
        result.firstTarget = m_targets[0];
    }
}

FloorCycle::Result FloorCycle::Discover(DWORD processId) {
    Result result;
    DiscoverInto(processId, result);
    return result;
}

void FloorCycle::DiscoverInto(DWORD processId, Result& result) {
    m_topLevel.count = 0;
    ++result.calls;
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&m_topLevel));

    m_own.count = 0;
    for (std::size_t index = 0; index < m_topLevel.count; ++index) {
        DWORD owner = 0;
        ++result.calls;
        ::GetWindowThreadProcessId(m_topLevel.windows[index], &owner);
        if (owner == processId) {
            m_own.windows[m_own.count++] = m_topLevel.windows[index];
        }
    }
    const std::size_t ownTopLevel = m_own.count;
    for (std::size_t index = 0; index < ownTopLevel; ++index) {
        ++result.calls;
        ::EnumChildWindows(m_own.windows[index], Collect, reinterpret_cast<LPARAM>(&m_own));
    }

    m_charts.count = 0;
    for (std::size_t index = 0; index < m_own.count; ++index) {
        const HWND window = m_own.windows[index];
        ++result.calls;
        if ((::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
            m_charts.windows[m_charts.count++] = window;
        }
    }
    result.charts += m_charts.count;
}
