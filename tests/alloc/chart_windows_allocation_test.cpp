// Allocation failures inside the enumeration callback leave discovery as std::bad_alloc, raised
// by the caller after the enumeration, never through the system's frames.
#include "app/chart_windows.h"
#include "support/program_allocations.h"
#include "support/simulated_test.h"

#include <new>

namespace {

constexpr DWORD kTerminal = 100;
// Growing a list of handles past 4096 entries asks for 8192 of them at once.
constexpr std::size_t kGrowthPast4096 = 8192 * sizeof(HWND);

class ChartWindowsAllocationTest : public SimulatedTest {};

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
