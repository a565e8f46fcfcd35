#include "app/poster_loop.h"

#include "app/chart_windows.h"
#include "app/posting_cycle.h"
#include "console/console_texts.h"
#include "os/system.h"
#include "processes/unserved_terminals.h"
#include "utils/text.h"

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kWaitingPauseMs = 1000;
// How long a poster without a desktop reaches no terminal before it ends.
constexpr DWORD kNoDesktopMs = 60 * 1000;

// Whether the cycle reached a terminal: it posted to a chart, or a target owns a top-level window
// on this desktop, as one does that does not respond, or has no chart open. Windows are looked
// for only where no post went out.
bool ReachedATerminal(const CycleReport& cycle) {
    if (cycle.charts > 0) {
        return true;
    }
    if (cycle.targets.empty()) {
        return false;
    }
    const std::vector<DWORD> owners = FindWindowOwners();
    return std::any_of(cycle.targets.begin(), cycle.targets.end(), [&](DWORD target) {
        return std::binary_search(owners.begin(), owners.end(), target);
    });
}

} // namespace

CPosterLoop::CPosterLoop(const CSessionGuard& session, console::CTitle& title, std::ostream& narrow,
                         std::wostream& wide)
    : m_session(session), m_title(title), m_narrow(narrow), m_wide(wide) {}

bool CPosterLoop::RunPass() {
    if (m_session.LargerReachServes()) {
        if (!m_waiting) {
            m_waiting = true;
            m_indicator.Stop(m_wide);
            m_narrow << Utils::WideToNarrow(console::kWaiting, console::kCodePage);
        }
        m_title.Show(console::WaitingTitle());
        m_unreachedMs = 0; // the one that reaches further may serve
        os::Sleep(kWaitingPauseMs);
        return true;
    }
    m_waiting = false;
    const CycleReport cycle = RunPostingCycle(m_indicator, m_unserved, m_narrow, m_wide);
    m_title.Show(console::ServingTitle(cycle.terminals, cycle.unavailable, cycle.charts));

    if (m_session.Identity().session != kServicesSession) {
        return true;
    }
    m_unreachedMs = ReachedATerminal(cycle) ? 0 : m_unreachedMs + cycle.pauseMs;
    if (m_unreachedMs < kNoDesktopMs) {
        return true;
    }
    m_indicator.Stop(m_wide);
    m_narrow << Utils::WideToNarrow(console::kNoDesktop, console::kCodePage);
    return false;
}
