#include "app/session_guard.h"

#include "os/system.h"

namespace {

// Held by every command poster of a session.
constexpr const wchar_t* kCommonName = L"Local\\CommandPoster.1a19dc67-cf5c-4f85-9224-84797c980828";
// Held by the posters that run elevated.
constexpr const wchar_t* kElevatedName =
    L"Local\\CommandPoster.Elevated.1a19dc67-cf5c-4f85-9224-84797c980828";

constexpr DWORD kElevationBytes = sizeof(TOKEN_ELEVATION);

// Rights that cannot be read count as the fewer: a poster is never let in twice for not knowing.
bool RunsElevated() {
    HANDLE token = nullptr;
    if (os::OpenProcessToken(os::GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        return false;
    }
    const Utils::CThreadHandle owner(token);
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    return os::GetTokenInformation(token, TokenElevation, &elevation, kElevationBytes, &returned) !=
               FALSE &&
           elevation.TokenIsElevated != 0;
}

// Read right after the call: a handle with ERROR_ALREADY_EXISTS is one to the other poster's
// object; ERROR_ACCESS_DENIED and no handle, an object whose holder has more rights than this
// poster (its security keeps this one out). Any other failure tells of no holder.
bool ClaimedBefore(HANDLE mutex) {
    const DWORD error = os::GetLastError();
    return mutex != nullptr ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

} // namespace

CSessionGuard::CClaim::CClaim(const wchar_t* name)
    : m_mutex(os::CreateMutexW(nullptr, FALSE, name)),
      m_heldByAnother(ClaimedBefore(m_mutex.Get())) {}

CSessionGuard::CSessionGuard() : CSessionGuard(RunsElevated()) {}

CSessionGuard::CSessionGuard(bool elevated) : m_own(elevated ? kElevatedName : kCommonName) {
    if (elevated && !AnotherServes()) {
        m_commonClaim.emplace(kCommonName); // held already where a poster with fewer rights runs
    }
}
