#include "app/session_guard.h"

#include "os/system.h"

#include <algorithm>

namespace {

constexpr const wchar_t* kNamePrefix = L"Local\\CommandPoster.1a19dc67-cf5c-4f85-9224-84797c980828";

constexpr Reach kReaches[] = {{false, false}, {false, true}, {true, false}, {true, true}};

constexpr DWORD kElevationBytes = sizeof(TOKEN_ELEVATION);
constexpr DWORD kSessionBytes = sizeof(DWORD);

bool IsElevated(HANDLE token) {
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    return os::GetTokenInformation(token, TokenElevation, &elevation, kElevationBytes, &returned) !=
               FALSE &&
           elevation.TokenIsElevated != 0;
}

std::optional<DWORD> SessionOf(HANDLE token) {
    DWORD session = 0;
    DWORD returned = 0;
    if (os::GetTokenInformation(token, TokenSessionId, &session, kSessionBytes, &returned) ==
        FALSE) {
        return std::nullopt;
    }
    return session;
}

// The text of the token's user SID ("S-1-5-21-..."); empty where it cannot be read.
std::wstring AccountOf(HANDLE token) {
    // Room for any SID, aligned for the TOKEN_USER that points into it.
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD returned = 0;
    wchar_t* text = nullptr;
    if (os::GetTokenInformation(token, TokenUser, user, sizeof(user), &returned) == FALSE ||
        os::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text) == FALSE) {
        return {};
    }
    const Utils::LocalText owner(text);
    return owner.get();
}

std::wstring NameOf(const PosterIdentity& identity, Reach reach) {
    const std::wstring account = identity.account.empty() ? L"" : L"." + identity.account;
    return kNamePrefix + account + (reach.elevated ? L".Elevated" : L".Standard") +
           (reach.wide ? L".Wide" : L".Narrow");
}

// A name exists where it opens, or where its holder's security refuses it to this poster. Any
// other failure tells of no holder: a lone poster always serves.
bool NameExists(const std::wstring& name) {
    const Utils::CThreadHandle found(os::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    return found.IsValid() || os::GetLastError() == ERROR_ACCESS_DENIED;
}

// As for NameExists; and a handle with ERROR_ALREADY_EXISTS is one to the other poster's mutex.
bool ExistedBefore(HANDLE mutex, DWORD error) {
    return mutex != nullptr ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

} // namespace

PosterIdentity ReadOwnIdentity() {
    PosterIdentity identity;
    // Under WOW64 a 32-bit process cannot read a 64-bit process's modules; a 64-bit process, and
    // a 32-bit one on 32-bit Windows, runs outside it.
    BOOL wow64 = TRUE;
    identity.reach.wide = os::IsWow64Process(os::GetCurrentProcess(), &wow64) != FALSE && !wow64;
    HANDLE token = nullptr;
    if (os::OpenProcessToken(os::GetCurrentProcess(), TOKEN_QUERY, &token) != FALSE) {
        const Utils::CThreadHandle owner(token);
        identity.reach.elevated = IsElevated(token);
        identity.account = AccountOf(token);
        identity.session = SessionOf(token);
    }
    return identity;
}

CSessionGuard::CSessionGuard(const PosterIdentity& identity)
    : CSessionGuard(identity, Create(NameOf(identity, identity.reach))) {}

// The last error is read at once: the name's string is freed later, and nothing promises that a
// free leaves the last error alone.
CSessionGuard::Created CSessionGuard::Create(const std::wstring& name) {
    const HANDLE mutex = os::CreateMutexW(nullptr, FALSE, name.c_str());
    return {mutex, os::GetLastError()};
}

CSessionGuard::CSessionGuard(const PosterIdentity& identity, Created own)
    : m_identity(identity), m_own(own.mutex), m_anotherServes(ExistedBefore(own.mutex, own.error)) {
    for (const Reach other : kReaches) {
        if (Meet(identity.reach, other) == Meeting::RunnerWaits) {
            m_larger.push_back(NameOf(identity, other));
        }
    }
    // One that reaches further covers this one as well.
    m_anotherServes = m_anotherServes || LargerReachServes();
}

bool CSessionGuard::LargerReachServes() const {
    return std::any_of(m_larger.begin(), m_larger.end(), NameExists);
}
