#include "os/system.h"

namespace os {

// Defined by the build's platform file: the real API on Windows, the unavailable system elsewhere.
System& DefaultSystem();

namespace {
// Tests install systems from the program's one thread; the console's control handler, which runs
// on a thread of the system's, only reads this.
System* g_installed = nullptr;
} // namespace

System& Current() {
    return g_installed != nullptr ? *g_installed : DefaultSystem();
}

ScopedSystem::ScopedSystem(System& system) : m_previous(g_installed) {
    g_installed = &system;
}

ScopedSystem::~ScopedSystem() {
    g_installed = m_previous;
}

} // namespace os
