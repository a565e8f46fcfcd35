#include "app/unserved_notices.h"

#include "app/chart_windows.h"
#include "app/console_texts.h"
#include "app/session_guard.h"
#include "app/terminal_files.h"
#include "os/system.h"

#include <algorithm>

namespace {

// A serving cycle takes about 100 ms: every tenth looks, about once a second.
constexpr int kServingCyclesPerLook = 10;

} // namespace

CUnservedNotices::CUnservedNotices() {
    // Rights that cannot be read count as the fewer: the advice to elevate is then the likely one.
    m_poster.elevated = ReadOwnIdentity().reach.elevated;
    BOOL wow64 = FALSE;
    m_poster.underWow64 =
        os::IsWow64Process(os::GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

std::vector<const wchar_t*> CUnservedNotices::Lines(const CProcesses& processes, bool serving) {
    if (serving && m_servingCyclesToLook > 0) {
        --m_servingCyclesToLook;
        return {};
    }
    m_servingCyclesToLook = kServingCyclesPerLook - 1;
    std::vector<UnservedTerminal> found = FindUnservedTerminals(
        kTerminalFileName, kCompanionFileName, processes, FindWindowOwners(), m_poster);

    std::vector<const wchar_t*> lines;
    for (const UnservedTerminal& terminal : found) {
        // What a serving cycle has said already, while the terminal was found before.
        UnservedTerminal said;
        if (serving) {
            const auto before =
                std::find_if(m_found.begin(), m_found.end(), [&](const UnservedTerminal& t) {
                    return t.processId == terminal.processId;
                });
            said = before != m_found.end() ? *before : said;
        }
        if (terminal.needsElevation && !said.needsElevation) {
            lines.push_back(console::kNeedsElevation);
        }
        if (terminal.needs64Bit && !said.needs64Bit) {
            lines.push_back(console::kNeeds64Bit);
        }
    }
    m_found = std::move(found);
    return lines;
}
