// The posting cycle and chart window discovery against simulated desktops of growing size. The
// simulated system's Sleep does not sleep, so a cycle's time is its work alone: the program's and
// the model's, which answers every call from ordered maps.
//
// Counters, per cycle (or per discovery): calls - system calls the model counted; snapshots -
// EnumProcesses calls among them; allocations -
// the program's own allocations; model_allocations - the model's; allocation_spread - the largest
// minus the smallest of the program's counts over several steady-state cycles (0: every cycle
// allocates the same).
#include "null_streams.h"
#include "simulated_desktop.h"

#include "app/chart_windows.h"
#include "app/posting_cycle.h"
#include "app/unserved_notices.h"
#include "console/progress_indicator.h"
#include "processes/processes.h"
#include "support/program_allocations.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using program_allocations::ForwardingSystem;

constexpr int kCountedRuns = 3;

struct RunCounts {
    long calls = 0;
    long snapshots = 0; // EnumProcesses calls
    long programAllocations = 0;
    long modelAllocations = 0;
    long spread = 0;
    std::size_t posted = 0;
};

// Runs the work a few times through a forwarding system that tells the program's allocations from
// the model's; the figures are those of the last run.
RunCounts CountRuns(sim::SimulatedSystem& system, const std::function<void()>& work) {
    ForwardingSystem forwarding(system, ForwardingSystem::Sleeps::kForward);
    const os::ScopedSystem installed(forwarding);
    RunCounts counts;
    long fewest = 0;
    long most = 0;
    for (int run = 0; run < kCountedRuns; ++run) {
        system.ClearRecords();
        program_allocations::Reset();
        work();
        const program_allocations::Counts allocations = program_allocations::Get();
        counts.calls = system.TotalCalls();
        counts.snapshots = system.CallCount("EnumProcesses");
        counts.programAllocations = allocations.program;
        counts.modelAllocations = allocations.model;
        counts.posted = system.Posted().size();
        fewest = run == 0 ? allocations.program : std::min(fewest, allocations.program);
        most = run == 0 ? allocations.program : std::max(most, allocations.program);
    }
    counts.spread = most - fewest;
    system.ClearRecords();
    return counts;
}

void SetCounters(benchmark::State& state, const RunCounts& counts) {
    state.counters["calls"] = static_cast<double>(counts.calls);
    state.counters["snapshots"] = static_cast<double>(counts.snapshots);
    state.counters["allocations"] = static_cast<double>(counts.programAllocations);
    state.counters["model_allocations"] = static_cast<double>(counts.modelAllocations);
    state.counters["allocation_spread"] = static_cast<double>(counts.spread);
}

DesktopShape ShapeOf(const benchmark::State& state) {
    DesktopShape shape;
    shape.processes = static_cast<DWORD>(state.range(0));
    shape.terminals = static_cast<DWORD>(state.range(1));
    shape.charts = static_cast<DWORD>(state.range(2));
    shape.depth = static_cast<DWORD>(state.range(3));
    return shape;
}

void BM_PostingCycle(benchmark::State& state) {
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);
    const DesktopShape shape = ShapeOf(state);
    const Desktop desktop = BuildDesktop(system, shape);

    ProgressIndicator indicator;
    CUnservedNotices unserved;
    NullStreams console;
    const auto cycle = [&] {
        RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
    };
    cycle(); // the first serving cycle also writes the processing text: not a steady-state one

    const RunCounts counts = CountRuns(system, cycle);
    if (counts.posted != 2u * shape.terminals * shape.charts) {
        state.SkipWithError("the cycle did not post to every chart");
        return;
    }

    for (auto _ : state) {
        cycle();
        // Keeps the model's records from growing without end; small beside a cycle.
        system.ClearRecords();
    }

    SetCounters(state, counts);
    state.counters["windows"] = static_cast<double>(desktop.windows);
}

void BM_FindChartWindows(benchmark::State& state) {
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);
    DesktopShape shape;
    shape.processes = 100;
    shape.terminals = 1;
    shape.charts = static_cast<DWORD>(state.range(0));
    shape.depth = static_cast<DWORD>(state.range(1));
    const Desktop desktop = BuildDesktop(system, shape);
    const DWORD terminal = desktop.terminalIds.front();

    std::size_t found = 0;
    const auto discover = [&] { found = FindChartWindows(terminal).size(); };
    const RunCounts counts = CountRuns(system, discover);
    if (found != shape.charts) {
        state.SkipWithError("discovery did not find every chart");
        return;
    }

    for (auto _ : state) {
        discover();
        benchmark::DoNotOptimize(found);
        system.ClearRecords();
    }

    SetCounters(state, counts);
    const auto windows = static_cast<double>(desktop.windowsPerTerminal);
    state.counters["terminal_windows"] = windows;
    // Seconds per window of the terminal: constant if the cost is linear in the windows.
    state.counters["time_per_window"] = benchmark::Counter(
        windows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The look for terminals that the poster cannot serve, alone, as every cycle that serves nothing
// and every tenth serving cycle makes it, against the cycle's process table. Every fourth process
// that is no terminal runs as administrator, unreadable by this poster, and owns a window: each
// is opened again with the limited query and asked for its image (more than a desktop has).
void BM_UnservedLook(benchmark::State& state) {
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);
    DesktopShape shape;
    shape.processes = static_cast<DWORD>(state.range(0));
    shape.terminals = 1;
    shape.charts = 100;
    shape.depth = 4;
    shape.elevatedEvery = 4;
    const Desktop desktop = BuildDesktop(system, shape);
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();
    CUnservedNotices notices;

    std::size_t lines = 0;
    const auto look = [&] { lines = notices.Lines(processes, {}).size(); };
    const RunCounts counts = CountRuns(system, look);
    if (lines != 0 || counts.calls == 0) {
        state.SkipWithError("the look found a terminal where none runs");
        return;
    }

    for (auto _ : state) {
        look();
        benchmark::DoNotOptimize(lines);
        system.ClearRecords();
    }

    SetCounters(state, counts);
    state.counters["windows"] = static_cast<double>(desktop.topLevelWindows);
}

// Each dimension grows from a middle-sized desktop: 500 processes, 1 terminal, 100 charts with one
// inner window each (depth 4).
void CycleSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"processes", "terminals", "charts", "depth"});
    for (const int processes : {100, 250, 500, 1000, 2000, 4000}) {
        benchmark->Args({processes, 1, 100, 4});
    }
    for (const int terminals : {2, 5, 10, 20, 50}) {
        benchmark->Args({500, terminals, 100, 4});
    }
    for (const int charts : {10, 20, 50, 200}) {
        benchmark->Args({500, 1, charts, 4});
    }
    for (const int depth : {3, 5, 10, 20, 30}) {
        benchmark->Args({500, 1, 100, depth});
    }
    // The corners: the smallest desktop and the largest of every dimension at once.
    benchmark->Args({100, 1, 10, 3});
    benchmark->Args({4000, 50, 200, 30});
}

// Depth with 100 charts (the windows grow with the depth), then depth with the windows held at
// 2,522 (2 + 2,520 below the client, in fewer and deeper chart trees).
void DiscoverySizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"charts", "depth"});
    for (const int depth : {3, 5, 10, 20, 30}) {
        benchmark->Args({100, depth});
    }
    for (const int depth : {3, 5, 10, 20, 30}) {
        benchmark->Args({2520 / (depth - 2), depth});
    }
}

} // namespace

BENCHMARK(BM_PostingCycle)->Apply(CycleSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindChartWindows)->Apply(DiscoverySizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnservedLook)
    ->ArgName("processes")
    ->Arg(100)
    ->Arg(500)
    ->Arg(2000)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
