#include "app/poster_loop.h"

#include "app/console_texts.h"
#include "app/posting_cycle.h"
#include "os/system.h"
#include "utils/text.h"

namespace {

constexpr DWORD kWaitingPauseMs = 1000;

} // namespace

CPosterLoop::CPosterLoop(const CSessionGuard& session, std::ostream& narrow, std::wostream& wide)
    : m_session(session), m_narrow(narrow), m_wide(wide) {}

void CPosterLoop::RunPass() {
    if (!m_session.LargerReachServes()) {
        m_waiting = false;
        RunPostingCycle(m_indicator, m_unserved, m_narrow, m_wide);
        return;
    }
    if (!m_waiting) {
        m_waiting = true;
        m_indicator.Stop(m_wide);
        m_narrow << Utils::WideToNarrow(console::kWaiting, console::kCodePage);
    }
    os::Sleep(kWaitingPauseMs);
}
