#include "app/poster_loop.h"

#include "app/posting_cycle.h"
#include "console/console_texts.h"
#include "os/system.h"
#include "utils/text.h"

namespace {

constexpr DWORD kWaitingPauseMs = 1000;
// How long a poster without a desktop posts nothing before it ends.
constexpr DWORD kNoDesktopMs = 60 * 1000;
// Where no user's window is: services, and tasks run whether the user is logged on or not.
constexpr DWORD kServicesSession = 0;

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
        m_unservingMs = 0; // the one that reaches further may serve
        os::Sleep(kWaitingPauseMs);
        return true;
    }
    m_waiting = false;
    const CycleReport cycle = RunPostingCycle(m_indicator, m_unserved, m_narrow, m_wide);
    m_title.Show(console::ServingTitle(cycle.terminals, cycle.unavailable, cycle.charts));

    if (m_session.Identity().session != kServicesSession) {
        return true;
    }
    m_unservingMs = cycle.charts > 0 ? 0 : m_unservingMs + cycle.pauseMs;
    if (m_unservingMs < kNoDesktopMs) {
        return true;
    }
    m_indicator.Stop(m_wide);
    m_narrow << Utils::WideToNarrow(console::kNoDesktop, console::kCodePage);
    return false;
}
