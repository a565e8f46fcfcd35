// The last error of the session's claim is read before anything the program frees can change it.
#include "app/session_guard.h"
#include "support/program_allocations.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

namespace {

sim::SimulatedSystem* g_system = nullptr;

void ClearLastError() {
    g_system->SetLastError(ERROR_SUCCESS);
}

// Nothing documents that a free leaves the last error alone: here every free clears it, and a
// second poster of the same reach must still see the first.
TEST(SessionGuardAllocationTest, EveryFreeClearingTheLastErrorLetsNoSecondPosterIn) {
    sim::SimulatedSystem simulated;
    program_allocations::ForwardingSystem system(
        simulated, program_allocations::ForwardingSystem::Sleeps::kForward);
    const os::ScopedSystem installed(system);
    const CSessionGuard first;
    g_system = &simulated;
    program_allocations::SetFreeHook(ClearLastError);
    const CSessionGuard second;
    program_allocations::SetFreeHook(nullptr);
    EXPECT_TRUE(second.AnotherServes());
}

} // namespace
