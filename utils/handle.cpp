#include "utils/handle.h"

#include "os/system.h"

namespace Utils {

void CThreadHandle::Close() {
    if (IsValid()) {
        os::CloseHandle(m_handle);
        m_handle = Invalid();
    }
}

} // namespace Utils
