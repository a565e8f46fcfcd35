#include "app/chart_windows.h"
#include "support/desktop.h"
#include "support/simulated_test.h"

#include <gmock/gmock.h>

#include <random>

using sim::Hwnd;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr DWORD kTerminal = 100;
constexpr DWORD kOther = 200; // above the terminal's id
constexpr LONG kChart = sim::kChartStyle;
constexpr LONG kFrame = sim::kFrameStyle;

std::vector<std::uintptr_t> Values(const HandleSet& set) {
    std::vector<std::uintptr_t> values;
    for (const HWND window : set) {
        values.push_back(sim::HandleValue(window));
    }
    return values;
}

std::vector<std::uintptr_t> Values(const HandleList& list) {
    std::vector<std::uintptr_t> values;
    for (const HWND window : list) {
        values.push_back(sim::HandleValue(window));
    }
    return values;
}

// The repeated-enumeration algorithm: every entry of the list enumerated, the appended ones too.
// Exponential in depth; kept here as the reference that the chart set must match.
HandleSet ReferenceChartWindows(DWORD processId, HandleList* processWindows = nullptr) {
    HandleList topLevel;
    os::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
    HandleList list;
    KeepWindowsOfProcess(topLevel, processId, list);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const HWND parent = list.at(i);
        os::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&list));
    }
    HandleSet charts;
    CollectChartWindows(list, charts);
    if (processWindows != nullptr) {
        *processWindows = list;
    }
    return charts;
}

class ChartWindowsTest : public SimulatedTest {
protected:
    // A terminal's usual tree: main window, MDI client, charts with inner windows, plus a
    // toolbar that is no chart. Chart handles are not in ascending order of creation.
    void AddUsualTerminal() {
        system.AddWindow(0x10, 0, kOther, kFrame);
        system.AddWindow(0x500, 0, kTerminal, kFrame); // main window
        system.AddWindow(0x510, 0x500, kTerminal, sim::kClientStyle);
        system.AddWindow(0x900, 0x510, kTerminal, kChart);
        system.AddWindow(0x901, 0x900, kTerminal); // inner windows of a chart
        system.AddWindow(0x902, 0x900, kTerminal);
        system.AddWindow(0x700, 0x510, kTerminal, kChart);
        system.AddWindow(0x701, 0x700, kTerminal);
        system.AddWindow(0x800, 0x510, kTerminal, WS_EX_MDICHILD); // the chart bit alone
        system.AddWindow(0x520, 0x500, kTerminal,
                         static_cast<LONG>(~WS_EX_MDICHILD)); // toolbar: every bit but it
        system.AddWindow(0x600, 0, kTerminal, kFrame); // a second top-level window, no charts
        // Other processes' windows: one of an id just below the terminal's, an MDI child.
        system.AddWindow(0x20, 0, kTerminal - 4, kChart);
    }
};

TEST_F(ChartWindowsTest, UsualTreeGivesTheChartsAscendingEachOnce) {
    AddUsualTerminal();
    EXPECT_THAT(Values(FindChartWindows(kTerminal)), ElementsAre(0x700, 0x800, 0x900));
    // One child enumeration per top-level window of the terminal.
    EXPECT_THAT(system.ChildEnumerationParents(), ElementsAre(Hwnd(0x500), Hwnd(0x600)));
}

TEST_F(ChartWindowsTest, ProcessWindowListHoldsEachWindowOnce) {
    AddUsualTerminal();
    HandleList topLevel;
    os::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
    HandleList list;
    KeepWindowsOfProcess(topLevel, kTerminal, list);
    EXPECT_THAT(Values(list), ElementsAre(0x500, 0x600));
    AppendChildWindows(list);
    // A chart two levels below the main window stands once (repeated enumeration has it twice).
    EXPECT_THAT(Values(list),
                ElementsAre(0x500, 0x600, 0x510, 0x900, 0x901, 0x902, 0x700, 0x701, 0x800, 0x520));
}

TEST_F(ChartWindowsTest, ProcessWithoutTopLevelWindowsGivesNothing) {
    AddUsualTerminal();
    EXPECT_THAT(FindChartWindows(kTerminal + 1), IsEmpty());
    EXPECT_EQ(system.CallCount("EnumChildWindows"), 0);
    EXPECT_EQ(system.CallCount("GetWindowLongW"), 0);
}

TEST_F(ChartWindowsTest, OwnershipIsTestedOnTopLevelWindowsOnly) {
    system.AddWindow(0x500, 0, kTerminal);
    system.AddWindow(0x510, 0x500, kOther, kChart); // another process's, below the terminal
    system.AddWindow(0x600, 0, kOther);
    system.AddWindow(0x610, 0x600, kTerminal, kChart); // the terminal's, below another's
    EXPECT_THAT(Values(FindChartWindows(kTerminal)), ElementsAre(0x510));
}

TEST_F(ChartWindowsTest, OutputsAreEmptiedFirst) {
    AddUsualTerminal();
    const HandleList topLevel{Hwnd(0x500), Hwnd(0x10)};
    HandleList kept{Hwnd(0x1), Hwnd(0x2)};
    KeepWindowsOfProcess(topLevel, kTerminal, kept);
    EXPECT_THAT(Values(kept), ElementsAre(0x500));

    HandleSet charts{Hwnd(0x1)};
    CollectChartWindows(HandleList{Hwnd(0x800), Hwnd(0x510)}, charts);
    EXPECT_THAT(Values(charts), ElementsAre(0x800));
}

TEST_F(ChartWindowsTest, MoreTopLevelWindowsThanReservedAreAllSeen) {
    constexpr std::uintptr_t kWindows = 5000;
    for (std::uintptr_t i = 0; i < kWindows; ++i) {
        system.AddWindow(0x10000 + i, 0, kTerminal, kChart);
    }
    const HandleSet charts = FindChartWindows(kTerminal);
    EXPECT_EQ(charts.size(), kWindows);
    EXPECT_EQ(sim::HandleValue(*charts.rbegin()), 0x10000 + kWindows - 1);
    EXPECT_EQ(system.EnumerationsCutShort(), 0);
}

TEST_F(ChartWindowsTest, HandlesAreOrderedAsUnsignedValues) {
    const std::uintptr_t high = ~std::uintptr_t{0} - 0xF; // negative as a signed number
    system.AddWindow(0x500, 0, kTerminal);
    system.AddWindow(high, 0x500, kTerminal, kChart);
    system.AddWindow(0x900, 0x500, kTerminal, kChart);
    EXPECT_THAT(Values(FindChartWindows(kTerminal)), ElementsAre(0x900, high));
}

TEST_F(ChartWindowsTest, WindowsThatVanishDuringDiscoveryAreDropped) {
    AddUsualTerminal();
    // Another process's window before the terminal's and the terminal's second top-level window go
    // before their owners are asked, a chart before the child enumeration reaches it, another
    // chart before its style is read.
    system.OnCall("GetWindowThreadProcessId", 1, [&] {
        system.DestroyWindow(0x10);
        system.DestroyWindow(0x600);
    });
    system.OnCall("EnumChildWindows", 1, [&] { system.DestroyWindow(0x900); });
    system.OnCall("GetWindowLongW", 1, [&] { system.DestroyWindow(0x800); });
    EXPECT_THAT(Values(FindChartWindows(kTerminal)), ElementsAre(0x700));
    // A vanished window has no owner: it is not kept, so its children are never asked for.
    EXPECT_THAT(system.ChildEnumerationParents(), ElementsAre(Hwnd(0x500)));
}

TEST_F(ChartWindowsTest, FailedEnumerationsAreNoErrors) {
    AddUsualTerminal();
    system.FailCall("EnumWindows", 1);
    EXPECT_THAT(FindChartWindows(kTerminal), IsEmpty());
    system.FailAlways("EnumChildWindows");
    EXPECT_THAT(FindChartWindows(kTerminal), IsEmpty()); // the main window is no chart
}

TEST_F(ChartWindowsTest, DeepTreeIsDiscoveredWithOneChildEnumerationPerTopLevelWindow) {
    // 30 levels below the main window, every third level a chart.
    system.AddWindow(0x1000, 0, kTerminal);
    std::vector<std::uintptr_t> expected;
    for (std::uintptr_t level = 1; level <= 30; ++level) {
        const bool chart = level % 3 == 0;
        system.AddWindow(0x1000 + level, 0x1000 + level - 1, kTerminal, chart ? kChart : 0);
        if (chart) {
            expected.push_back(0x1000 + level);
        }
    }
    system.AddWindow(0x3000, 0, kTerminal);
    system.AddWindow(0x3001, 0x3000, kTerminal, kChart);
    expected.push_back(0x3001);

    EXPECT_THAT(Values(FindChartWindows(kTerminal)), ::testing::ElementsAreArray(expected));
    EXPECT_EQ(system.CallCount("EnumChildWindows"), 2);
    EXPECT_EQ(system.CallCount("GetWindowLongW"), 33); // each window of the list once
}

// 100 charts with 10 inner windows each, the deepest window 30 levels below the main window:
// one child enumeration and one list entry per window.
TEST_F(ChartWindowsTest, LargeDeepTerminalStaysLinear) {
    std::uintptr_t next = 0x1000;
    const std::uintptr_t main = next++;
    system.AddWindow(main, 0, kTerminal);
    std::uintptr_t parent = main;
    for (int level = 0; level < 18; ++level) { // panels around the MDI client
        system.AddWindow(next, parent, kTerminal);
        parent = next++;
    }
    const std::uintptr_t client = next++;
    system.AddWindow(client, parent, kTerminal);
    for (int chart = 0; chart < 100; ++chart) {
        const std::uintptr_t chartWindow = next++;
        system.AddWindow(chartWindow, client, kTerminal, kChart);
        std::uintptr_t inner = chartWindow;
        for (int level = 0; level < 10; ++level) { // levels 21 to 30
            system.AddWindow(next, inner, kTerminal);
            inner = next++;
        }
    }

    EXPECT_EQ(FindChartWindows(kTerminal).size(), 100u);
    EXPECT_EQ(system.CallCount("EnumChildWindows"), 1);
    EXPECT_EQ(system.CallCount("GetWindowLongW"), 1 + 18 + 1 + 100 + 100 * 10); // list entries
}

// Random trees, compared with the repeated-enumeration algorithm: the same chart set, and a list
// that holds each window once where repeated enumeration repeats deep windows.
TEST_F(ChartWindowsTest, ChartSetMatchesRepeatedEnumerationOnRandomTrees) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        sim::SimulatedSystem desktop;
        const os::ScopedSystem installed(desktop);
        std::vector<std::uintptr_t> windows;
        for (std::uintptr_t handle = 0x100; handle < 0x100 + 40; ++handle) {
            const bool topLevel = windows.empty() || random() % 5 == 0;
            const std::uintptr_t parent = topLevel ? 0 : windows[random() % windows.size()];
            const DWORD owner = random() % 4 == 0 ? kOther : kTerminal;
            const LONG styles[] = {kChart, kFrame, sim::kClientStyle, 0};
            desktop.AddWindow(handle, parent, owner, styles[random() % 4]);
            windows.push_back(handle);
        }
        HandleList reference;
        const HandleSet expected = ReferenceChartWindows(kTerminal, &reference);
        EXPECT_EQ(Values(FindChartWindows(kTerminal)), Values(expected)) << "round " << round;

        HandleList topLevel;
        os::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&topLevel));
        HandleList list;
        KeepWindowsOfProcess(topLevel, kTerminal, list);
        AppendChildWindows(list);
        const std::set<HWND> unique(list.begin(), list.end());
        EXPECT_EQ(unique.size(), list.size()) << "round " << round;
        EXPECT_EQ(unique, std::set<HWND>(reference.begin(), reference.end()));
    }
}

TEST_F(ChartWindowsTest, CollectWindowAppendsAndLetsTheEnumerationGoOn) {
    HandleList list{Hwnd(0x1)};
    EXPECT_EQ(CollectWindow(Hwnd(0x2), reinterpret_cast<LPARAM>(&list)), TRUE);
    EXPECT_THAT(Values(list), ElementsAre(0x1, 0x2));
}

} // namespace
