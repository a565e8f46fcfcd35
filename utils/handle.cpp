#include "utils/handle.h"

#include "os/system.h"

namespace Utils {

void CThreadHandle::Close() {
    if (IsValid()) {
        os::CloseHandle(m_handle);
        m_handle = Invalid();
    }
}

void LocalFreeDeleter::operator()(wchar_t* text) const {
    os::LocalFree(text);
}

} // namespace Utils
