// One command poster per session: a second one would post every command twice to every chart.
#pragma once

#include "utils/handle.h"

#include <optional>

// A poster claims its session by holding a named object in the session's own namespace
// ("Local\", so that a poster of another Remote Desktop login serves that login). The system
// removes the object once its last holder has ended, however it ended, so a poster started after
// that claims the session at once. Elevated posters claim a name of their own and hold the
// common one as well: one started "as administrator" while one with fewer rights runs still
// serves (the terminals it must reach may be elevated too), and any started later with fewer or
// the same rights stays out. Where the common name is another user's (a standard user elevated
// with an administrator's password), the elevated poster cannot hold it, and a poster with fewer
// rights started after the common name's holder has ended serves beside it.
class CSessionGuard {
public:
    // Claims the session for the guard's lifetime, unless another poster holds it.
    CSessionGuard();
    CSessionGuard(const CSessionGuard&) = delete;
    CSessionGuard& operator=(const CSessionGuard&) = delete;
    ~CSessionGuard() = default;

    // A command poster with the same or more rights already serves this session. A check that
    // the system refuses for any other reason counts as none: the guard never keeps a lone poster
    // from serving.
    bool AnotherServes() const { return m_own.HeldByAnother(); }

private:
    // One name, held from construction for as long as the claim lives.
    class CClaim {
    public:
        explicit CClaim(const wchar_t* name);
        bool HeldByAnother() const { return m_heldByAnother; }

    private:
        Utils::CThreadHandle m_mutex;
        bool m_heldByAnother;
    };

    explicit CSessionGuard(bool elevated);

    CClaim m_own;                        // the name for this poster's rights
    std::optional<CClaim> m_commonClaim; // an elevated poster's hold on the common name
};
