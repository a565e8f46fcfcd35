// The command poster's loop, one pass at a time.
#pragma once

#include "app/session_guard.h"
#include "app/unserved_notices.h"
#include "console/console_title.h"
#include "console/progress_indicator.h"

#include <ostream>

class CPosterLoop {
public:
    // The streams as for RunPostingCycle; the guard and the title must outlive the loop.
    CPosterLoop(const CSessionGuard& session, console::CTitle& title, std::ostream& narrow,
                std::wostream& wide);

    // A posting cycle; or, while a poster that reaches further runs in the session, a wait of
    // about a second with no snapshot and no post, announced on a line of its own once per wait.
    // After a wait the indicator starts afresh, as after a cycle that found no terminal. The
    // title says what the pass served, or that it waits.
    //
    // False where the program is to end: it runs without a desktop (in session 0, where no
    // user's window is) and for a minute of pauses its cycles posted to no chart and no target
    // owned a top-level window on this desktop; it says so first. One that serves terminals
    // started beside it (by the same task: in session 0 each logon has a desktop of its own) runs
    // on, while they do not respond too.
    bool RunPass();

private:
    const CSessionGuard& m_session;
    console::CTitle& m_title;
    std::ostream& m_narrow;
    std::wostream& m_wide;
    ProgressIndicator m_indicator;
    CUnservedNotices m_unserved;
    bool m_waiting = false;
    DWORD m_unreachedMs = 0; // in session 0, the pauses since a cycle last reached a terminal
};
