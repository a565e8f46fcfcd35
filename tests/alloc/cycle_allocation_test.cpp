// Allocation failures anywhere in a serving cycle: each leaves the cycle as std::bad_alloc, and
// every process handle opened in the cycle is closed on the way out.
#include "app/posting_cycle.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/program_allocations.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

#include <iostream>
#include <new>

namespace {

TEST(CycleAllocationTest, EveryAllocationFailureLeavesTheCycleAsBadAlloc) {
    long failures = 0;
    for (long k = 1;; ++k) {
        sim::SimulatedSystem simulated;
        // Only the program's own allocations count and fail, not the model's.
        program_allocations::ForwardingSystem system(
            simulated, program_allocations::ForwardingSystem::Sleeps::kForward);
        const os::ScopedSystem installed(system);
        simulated.AddOrdinaryProcesses(8);
        sim::AddTerminal(simulated, 100, L"D:\\First", 0x1000, 3);
        sim::AddTerminal(simulated, 200, L"E:\\Second", 0x5000, 2);
        // Named from a snapshot, and its path under its line.
        simulated.AddProcess(60, L"C:\\Shared\\terminal.exe").user = sim::kOtherAccount;
        simulated.AddWindow(0x600, 0, 60);
        simulated.AddProcess(64, L"C:\\Admin\\terminal.exe").elevated = true;
        simulated.AddFile(L"C:\\Admin\\MetaEditor.exe");
        simulated.AddWindow(0x640, 0, 64);
        ProgressIndicator indicator;
        CUnservedNotices unserved;
        ConsoleCapture console;

        bool finished = false;
        {
            const program_allocations::Armed armed;
            program_allocations::FailFrom(k);
            try {
                RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
                finished = true;
            } catch (const std::bad_alloc&) {
                ++failures;
            }
        }
        EXPECT_EQ(simulated.OpenHandleCount(), 0u) << "allocation " << k;
        if (finished) {
            // Past the cycle's last allocation: it ran whole, and every earlier k failed it.
            EXPECT_EQ(failures, k - 1);
            EXPECT_EQ(simulated.Posted().size(), (3u + 2u) * 2);
            break;
        }
        ASSERT_LT(k, 100000) << "the cycle never finished";
    }
    EXPECT_GT(failures, 50); // the snapshot alone allocates per process
    std::cout << "a serving cycle makes " << failures << " allocations; each was failed once\n";
}

} // namespace
