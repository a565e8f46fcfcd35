#include "processes/unserved_terminals.h"

#include "os/system.h"
#include "processes/terminals.h"
#include "utils/handle.h"

#include <algorithm>

namespace {

// The rights with which the table reads a process.
constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kPathLength = 1024;

// The path of the process's image; empty where it cannot be had.
std::wstring ImagePathOf(HANDLE process) {
    std::vector<wchar_t> path(kPathLength, L'\0');
    DWORD length = kPathLength; // in: the room; out: the characters written, terminator aside
    if (os::QueryFullProcessImageNameW(process, 0, path.data(), &length) == FALSE) {
        return {};
    }
    return {path.data(), std::min(length, kPathLength)};
}

} // namespace

std::vector<UnservedTerminal> FindUnservedTerminals(const std::wstring& terminalFileName,
                                                    const std::wstring& companionFileName,
                                                    const CProcesses& processes,
                                                    const std::vector<DWORD>& shown,
                                                    PosterStanding poster) {
    std::vector<UnservedTerminal> found;
    const std::vector<std::wstring>& imagePaths = processes.GetImagePaths();
    const std::vector<DWORD>& ids = processes.GetIds();

    for (DWORD index = 0; index < processes.GetCount(); ++index) {
        const DWORD id = ids.at(index);
        if (!imagePaths.at(index).empty() || !std::binary_search(shown.begin(), shown.end(), id)) {
            continue;
        }
        // Held until the last question, so that the id cannot pass to another process meanwhile.
        const Utils::CThreadHandle process(
            os::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (!process.IsValid()) {
            continue;
        }
        const std::wstring imagePath = ImagePathOf(process.Get());
        if (imagePath.empty() || !IsTerminalImage(imagePath, terminalFileName, companionFileName)) {
            continue;
        }
        UnservedTerminal terminal;
        terminal.processId = id;
        // An elevated poster that the full open refuses lacks no rights it could be started with.
        terminal.needsElevation =
            !poster.elevated &&
            !Utils::CThreadHandle(os::OpenProcess(kReadAccess, FALSE, id)).IsValid();
        BOOL wow64 = TRUE;
        terminal.needs64Bit = poster.underWow64 &&
                              os::IsWow64Process(process.Get(), &wow64) != FALSE && wow64 == FALSE;
        if (terminal.needsElevation || terminal.needs64Bit) {
            found.push_back(terminal);
        }
    }
    return found;
}
