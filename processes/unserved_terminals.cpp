#include "processes/unserved_terminals.h"

#include "os/system.h"
#include "processes/terminals.h"
#include "utils/handle.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace {

// The rights with which the table reads a process.
constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kPathLength = 1024;
constexpr DWORD kEntryBytes = sizeof(PROCESSENTRY32W);

// The path of the process's image; empty where it cannot be had.
std::wstring ImagePathOf(HANDLE process) {
    std::vector<wchar_t> path(kPathLength, L'\0');
    DWORD length = kPathLength; // in: the room; out: the characters written, terminator aside
    if (os::QueryFullProcessImageNameW(process, 0, path.data(), &length) == FALSE) {
        return {};
    }
    return {path.data(), std::min(length, kPathLength)};
}

// The process's session where it is another than `ownSession`; none otherwise, or unread.
std::optional<DWORD> OtherSessionOf(DWORD processId, DWORD ownSession) {
    DWORD session = 0;
    if (os::ProcessIdToSessionId(processId, &session) == FALSE || session == ownSession) {
        return std::nullopt;
    }
    return session;
}

// The ids whose executable is named `terminalFileName`, in a snapshot of the system's, which
// names every process whoever runs it; none where the snapshot cannot be taken.
std::vector<DWORD> TerminalsByName(const std::wstring& terminalFileName) {
    const HANDLE taken = os::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    const Utils::CThreadHandle snapshot(taken == INVALID_HANDLE_VALUE ? nullptr : taken);
    std::vector<DWORD> ids;
    if (!snapshot.IsValid()) {
        return ids;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = kEntryBytes;
    for (BOOL more = os::Process32FirstW(snapshot.Get(), &entry); more != FALSE;
         more = os::Process32NextW(snapshot.Get(), &entry)) {
        const wchar_t* const name = std::begin(entry.szExeFile);
        const wchar_t* const end = std::end(entry.szExeFile);
        if (IsTerminalFileName({name, std::find(name, end, L'\0')}, terminalFileName)) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
}

// A process that the table could not read, asked with the limited query: a terminal, with the
// bounds that keep this poster from it; or, where even that query is refused, one that may be
// another user's terminal, which its name decides; or none.
std::optional<UnservedTerminal> AskBeyondBounds(DWORD id, const std::wstring& terminalFileName,
                                                const std::wstring& companionFileName,
                                                const PosterStanding& poster) {
    UnservedTerminal terminal;
    terminal.processId = id;
    // Held until the last question, so that the id cannot pass to another process meanwhile.
    const Utils::CThreadHandle process(
        os::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process.IsValid()) {
        terminal.otherUser = os::GetLastError() == ERROR_ACCESS_DENIED; // refused, not gone
        return terminal.otherUser ? std::optional(terminal) : std::nullopt;
    }
    terminal.imagePath = ImagePathOf(process.Get());
    if (terminal.imagePath.empty() ||
        !IsTerminalImage(terminal.imagePath, terminalFileName, companionFileName)) {
        return std::nullopt;
    }
    // An elevated poster that the full open refuses lacks no rights it could be started with.
    terminal.needsElevation =
        !poster.elevated &&
        !Utils::CThreadHandle(os::OpenProcess(kReadAccess, FALSE, id)).IsValid();
    BOOL wow64 = TRUE;
    terminal.needs64Bit =
        poster.underWow64 && os::IsWow64Process(process.Get(), &wow64) != FALSE && wow64 == FALSE;
    if (!terminal.needsElevation && !terminal.needs64Bit) {
        return std::nullopt;
    }
    return terminal;
}

} // namespace

bool HasCause(const UnservedTerminal& terminal, UnservedCause cause) {
    // No default: a cause without its case stops the build.
    switch (cause) {
    case UnservedCause::OtherSession:
        return terminal.otherSession;
    case UnservedCause::OtherUser:
        return terminal.otherUser;
    case UnservedCause::NeedsElevation:
        return terminal.needsElevation;
    case UnservedCause::Needs64Bit:
        return terminal.needs64Bit;
    }
    return false;
}

std::vector<UnservedTerminal>
FindUnservedTerminals(const std::wstring& terminalFileName, const std::wstring& companionFileName,
                      const CProcesses& processes, const std::vector<DWORD>& targets,
                      const std::vector<DWORD>& shown, const PosterStanding& poster) {
    std::vector<UnservedTerminal> found;
    const std::vector<std::wstring>& imagePaths = processes.GetImagePaths();
    const std::vector<DWORD>& ids = processes.GetIds();

    for (DWORD index = 0; index < processes.GetCount(); ++index) {
        const DWORD id = ids.at(index);
        if (!imagePaths.at(index).empty()) {
            // A target, but its windows lie on another session's desktop.
            if (!poster.session.has_value() ||
                std::find(targets.begin(), targets.end(), id) == targets.end()) {
                continue;
            }
            if (const std::optional<DWORD> session = OtherSessionOf(id, *poster.session)) {
                UnservedTerminal terminal;
                terminal.processId = id;
                terminal.imagePath = imagePaths.at(index);
                terminal.otherSession = true;
                terminal.noDesktop = *session == kServicesSession;
                found.push_back(terminal);
            }
        } else if (std::binary_search(shown.begin(), shown.end(), id)) {
            if (std::optional<UnservedTerminal> terminal =
                    AskBeyondBounds(id, terminalFileName, companionFileName, poster)) {
                found.push_back(std::move(*terminal));
            }
        }
    }

    // Another user's process is a terminal by its executable's name alone: its folder cannot be
    // read. The snapshot that names it is taken only where such a process was met.
    const auto refused = [](const UnservedTerminal& terminal) { return terminal.otherUser; };
    if (std::any_of(found.begin(), found.end(), refused)) {
        const std::vector<DWORD> named = TerminalsByName(terminalFileName);
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const UnservedTerminal& terminal) {
                                       return refused(terminal) &&
                                              std::find(named.begin(), named.end(),
                                                        terminal.processId) == named.end();
                                   }),
                    found.end());
    }
    return found;
}
