// One command poster serves each account's terminals in a session: of the posters of one account
// in one session, the one that reaches furthest serves (see app/reach.h).
#pragma once

#include "app/reach.h"
#include "utils/handle.h"

#include <optional>
#include <string>
#include <vector>

// What decides how a poster meets the others: its account (its user SID's text, or empty where
// that cannot be read) and its reach; and the Windows session it runs in, where that can be read.
struct PosterIdentity {
    std::wstring account;
    Reach reach;
    std::optional<DWORD> session;
};

// This process's identity. Rights or a word size that cannot be read count as the smaller: a
// poster is never let in beside one that covers it for not knowing its own.
PosterIdentity ReadOwnIdentity();

// A poster makes itself known by holding a named mutex for its reach in the session's own
// namespace ("Local\"), with its account in the name, so that posters of other logins and other
// accounts never meet. The system removes a name with its last handle, however its poster ended.
// A poster looks for the others by opening their names, never by creating one, so that it never
// turns away a poster that starts at that moment.
class CSessionGuard {
public:
    // Makes the poster known and finds whether one that covers it runs already.
    explicit CSessionGuard(const PosterIdentity& identity = ReadOwnIdentity());
    CSessionGuard(const CSessionGuard&) = delete;
    CSessionGuard& operator=(const CSessionGuard&) = delete;
    ~CSessionGuard() = default;

    // Found at start: a poster whose reach covers this one's runs, so this one must leave.
    bool AnotherServes() const { return m_anotherServes; }
    // Asked anew at each call: a poster that reaches strictly further runs, so this one waits.
    bool LargerReachServes() const;
    const PosterIdentity& Identity() const { return m_identity; }

private:
    // A mutex just created, with the last error its creation left.
    struct Created {
        HANDLE mutex;
        DWORD error;
    };
    static Created Create(const std::wstring& name);
    CSessionGuard(const PosterIdentity& identity, Created own);

    PosterIdentity m_identity;
    Utils::CThreadHandle m_own;
    bool m_anotherServes;
    std::vector<std::wstring> m_larger; // the names of the strictly larger reaches
};
