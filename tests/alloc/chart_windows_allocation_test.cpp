// Allocation failures inside the enumeration callback leave discovery as std::bad_alloc, raised
// by the caller after the enumeration, never through the system's frames.
#include "app/chart_windows.h"
#include "support/program_allocations.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

#include <new>

namespace {

constexpr DWORD kTerminal = 100;
// Growing a list of handles past 4096 entries asks for room for more than 4096, however much more
// the standard library takes.
constexpr std::size_t kGrowthPast4096 = 4097 * sizeof(HWND);

class ChartWindowsAllocationTest : public ::testing::Test {
protected:
    sim::SimulatedSystem system;

private:
    // Only the program's allocations fail: the model's copy of 5000 windows is larger than the
    // threshold too.
    program_allocations::ForwardingSystem m_forwarding{
        system, program_allocations::ForwardingSystem::Sleeps::kForward};
    os::ScopedSystem m_installed{m_forwarding};
};

TEST_F(ChartWindowsAllocationTest, FailureWhileCollectingTopLevelWindows) {
    for (std::uintptr_t i = 0; i < 5000; ++i) {
        system.AddWindow(0x10000 + i, 0, kTerminal, WS_EX_MDICHILD);
    }
    {
        const program_allocations::Armed armed;
        program_allocations::FailSizesFrom(kGrowthPast4096);
        EXPECT_THROW(FindChartWindows(kTerminal), std::bad_alloc);
    }
    EXPECT_EQ(system.EnumerationsCutShort(), 1);
    EXPECT_EQ(system.CallCount("GetWindowThreadProcessId"), 0);

    // Nothing is left pending: the next discovery runs clean.
    EXPECT_EQ(FindChartWindows(kTerminal).size(), 5000u);
}

TEST_F(ChartWindowsAllocationTest, FailureWhileCollectingChildWindows) {
    system.AddWindow(0x500, 0, kTerminal);
    system.AddWindow(0x600, 0, kTerminal);
    for (std::uintptr_t i = 0; i < 5000; ++i) {
        system.AddWindow(0x10000 + i, 0x500, kTerminal, WS_EX_MDICHILD);
    }
    {
        const program_allocations::Armed armed;
        program_allocations::FailSizesFrom(kGrowthPast4096);
        EXPECT_THROW(FindChartWindows(kTerminal), std::bad_alloc);
    }
    EXPECT_EQ(system.EnumerationsCutShort(), 1);
    // The error leaves right after the enumeration that kept it.
    EXPECT_EQ(system.CallCount("EnumChildWindows"), 1);
    EXPECT_EQ(system.CallCount("GetWindowLongW"), 0);
}

} // namespace
