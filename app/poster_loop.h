// The command poster's endless loop, one pass at a time.
#pragma once

#include "app/progress_indicator.h"
#include "app/session_guard.h"
#include "app/unserved_notices.h"

#include <ostream>

class CPosterLoop {
public:
    // The streams as for RunPostingCycle; the guard must outlive the loop.
    CPosterLoop(const CSessionGuard& session, std::ostream& narrow, std::wostream& wide);

    // A posting cycle; or, while a poster that reaches further runs in the session, a wait of
    // about a second with no snapshot and no post, announced on a line of its own once per wait.
    // After a wait the indicator starts afresh, as after a cycle that found no terminal.
    void RunPass();

private:
    const CSessionGuard& m_session;
    std::ostream& m_narrow;
    std::wostream& m_wide;
    ProgressIndicator m_indicator;
    CUnservedNotices m_unserved;
    bool m_waiting = false;
};
