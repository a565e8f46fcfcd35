#include "app/unserved_notices.h"

#include "app/chart_windows.h"
#include "app/session_guard.h"
#include "app/terminal_files.h"
#include "console/console_texts.h"
#include "os/system.h"

#include <algorithm>

namespace {

// A serving cycle takes about 100 ms: every tenth looks, about once a second.
constexpr int kServingCyclesPerLook = 10;

const wchar_t* LineOf(UnservedCause cause, const UnservedTerminal& terminal,
                      const PosterStanding& poster) {
    // No default: a cause without its text stops the build.
    switch (cause) {
    case UnservedCause::OtherSession:
        // Nobody signs in to session 0: the terminal must be started where the user does.
        return terminal.noDesktop ? console::kTerminalNoDesktop : console::kOtherSession;
    case UnservedCause::OtherUser:
        return console::kOtherUser;
    case UnservedCause::NeedsElevation:
        return console::kNeedsElevation;
    case UnservedCause::Needs64Bit:
        // An elevated 32-bit poster must be followed by an elevated 64-bit one, which it then
        // leaves to serve: a standard one would serve beside it.
        return poster.elevated ? console::kNeeds64BitElevated : console::kNeeds64Bit;
    }
    return L"";
}

} // namespace

CUnservedNotices::CUnservedNotices() {
    // Rights that cannot be read count as the fewer: the advice to elevate is then the likely one.
    const PosterIdentity own = ReadOwnIdentity();
    m_poster.elevated = own.reach.elevated;
    m_poster.session = own.session;
    BOOL wow64 = FALSE;
    m_poster.underWow64 =
        os::IsWow64Process(os::GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

std::vector<std::wstring> CUnservedNotices::Lines(const CProcesses& processes,
                                                  const std::vector<DWORD>& targets) {
    const bool serving = !targets.empty();
    if (serving && m_servingCyclesToLook > 0) {
        --m_servingCyclesToLook;
        return {};
    }
    m_servingCyclesToLook = kServingCyclesPerLook - 1;
    std::vector<UnservedTerminal> found = FindUnservedTerminals(
        kTerminalFileName, kCompanionFileName, processes, targets, FindWindowOwners(), m_poster);

    std::vector<std::wstring> lines;
    for (const UnservedCause cause : kUnservedCauses) {
        for (const UnservedTerminal& terminal : found) {
            // What a serving cycle has said already, while the terminal was found before.
            const auto before =
                std::find_if(m_found.begin(), m_found.end(), [&](const UnservedTerminal& t) {
                    return t.processId == terminal.processId;
                });
            const bool said = serving && before != m_found.end() && HasCause(*before, cause);
            if (!HasCause(terminal, cause) || said) {
                continue;
            }
            lines.emplace_back(LineOf(cause, terminal, m_poster));
            if (!terminal.imagePath.empty()) {
                lines.push_back(console::kPathIndent + terminal.imagePath + console::kLineEnd);
            }
        }
    }
    m_found = std::move(found);
    return lines;
}

std::size_t CUnservedNotices::InOtherSession(const std::vector<DWORD>& targets) const {
    return static_cast<std::size_t>(
        std::count_if(m_found.begin(), m_found.end(), [&](const UnservedTerminal& terminal) {
            return terminal.otherSession &&
                   std::find(targets.begin(), targets.end(), terminal.processId) != targets.end();
        }));
}
