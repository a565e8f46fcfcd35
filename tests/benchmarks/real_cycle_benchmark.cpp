// The posting cycle, as a pass of the program's loop (its look for posters that reach further
// included), against the real system (under Wine here) beside the floor of the system calls a
// cycle must make (floor_cycle.h), on a desktop of idle helper processes and one test
// terminal with 100 chart windows; and chart window discovery alone beside its floor.
//
// Each iteration runs ours and the floor once, in alternating order, timed apart; the
// iteration's time is ours. A pause after each pair lets the terminal work off the commands, as
// the cycle's own 100 ms pause does in the program; the cycle's Sleep is not passed on.
//
// Counters: floor - the floor's time per pass; ratio - our time over the floor's, summed over
// the iterations; calls and floor_calls - system calls per pass; allocations - the program's per
// steady-state pass; processes and charts - what the floor saw.
//
// The terminal records every command in a file, written through at once. On a disk that costs
// milliseconds per command, so the terminal would still be busy with one pass's commands during
// the next; set COMMAND_POSTER_BENCH_RECORDS to a folder in memory (Z:\dev\shm under Wine) to
// keep it out of the figures.
#include "floor_cycle.h"
#include "null_streams.h"

#include "app/chart_windows.h"
#include "app/poster_loop.h"
#include "app/unserved_notices.h"
#include "processes/processes.h"
#include "processes/terminals.h"
#include "support/program_allocations.h"
#include "wine/wine_support.h"

#include <benchmark/benchmark.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using program_allocations::ForwardingSystem;

constexpr int kCharts = 100;
constexpr DWORD kChildLifetimeMs = 3600 * 1000; // longer than any run; ended at exit anyway
constexpr DWORD kStartTimeoutMs = 120 * 1000;
constexpr DWORD kPollMs = 50;
constexpr int kStartAttempts = 20;
constexpr DWORD kSettleMs = 20;
constexpr int kCycleIterations = 10;
constexpr int kDiscoveryIterations = 100;
constexpr int kRepetitions = 3;

using Clock = std::chrono::steady_clock;

template <class Work>
double SecondsOf(Work&& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::wstring RecordFolderFromEnvironment() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length =
        ::GetEnvironmentVariableW(L"COMMAND_POSTER_BENCH_RECORDS", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    std::wstring path(folder, length);
    if (path.back() != L'\\') {
        path.push_back(L'\\');
    }
    return path;
}

// The processes of the desktop: the test terminal, copied as terminal.exe beside an empty
// companion file in a folder of its own, and the idle helpers. All live until the program ends.
class RealDesktop {
public:
    static RealDesktop& Get() {
        static RealDesktop desktop;
        return desktop;
    }

    RealDesktop(const RealDesktop&) = delete;
    RealDesktop& operator=(const RealDesktop&) = delete;

    ~RealDesktop() {
        m_helpers.clear();
        m_terminal.reset();
        if (!m_recordOutside.empty()) {
            ::DeleteFileW(m_recordOutside.c_str());
        }
    }

    const std::string& Problem() const { return m_problem; }

    // Starts or ends helpers until `count` run, then waits until every process can be read and
    // the terminal's charts can be found. Empty, or what went wrong.
    std::string SetHelpers(std::size_t count) {
        while (m_helpers.size() > count) {
            m_helpers.pop_back();
        }
        while (m_helpers.size() < count) {
            const std::string problem = StartHelper();
            if (!problem.empty()) {
                return problem;
            }
        }
        if (!WaitUntilReadable()) {
            return "the helper processes did not become readable";
        }
        return WaitUntilServed();
    }

private:
    RealDesktop() {
        std::wstring record;
        try {
            m_folder = std::make_unique<real::TempFolder>();
            const std::wstring terminal =
                m_folder->CopyIn(real::ExecutableFolder() + L"test_terminal.exe", L"terminal.exe");
            m_folder->WriteFile(L"MetaEditor.exe");
            const std::wstring outside = RecordFolderFromEnvironment();
            if (outside.empty()) {
                record = m_folder->Path() + L"record.txt";
            } else {
                record = outside + L"command_poster_bench_" +
                         std::to_wstring(::GetCurrentProcessId()) + L".txt";
                m_recordOutside = record;
            }
            m_terminal = std::make_unique<real::ChildProcess>(
                terminal, L"\"" + record + L"\" " + std::to_wstring(kChildLifetimeMs) + L" " +
                              std::to_wstring(kCharts));
        } catch (const std::exception& error) {
            m_problem = error.what();
            return;
        }
        for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
            if (real::ReadFileBytes(record).find("ready\n") != std::string::npos) {
                return;
            }
            if (m_terminal->WaitForExit(kPollMs)) {
                break;
            }
        }
        m_problem = "the test terminal did not show its windows (is there an X server?)";
    }

    // A start can fail now and then under Wine while many processes start; it is tried again.
    std::string StartHelper() {
        DWORD error = 0;
        for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
            try {
                m_helpers.push_back(std::make_unique<real::ChildProcess>(
                    real::ExecutableFolder() + L"idle_helper.exe",
                    std::to_wstring(kChildLifetimeMs)));
                return std::string();
            } catch (const std::runtime_error&) {
                error = ::GetLastError();
                ::Sleep(kPollMs);
            }
        }
        return "helper " + std::to_string(m_helpers.size() + 1) +
               " could not be started, last error " + std::to_string(error);
    }

    // The terminal's windows are made before it says ready, but its process may not be readable
    // yet: wait until a floor pass finds it with all its charts.
    static std::string WaitUntilServed() {
        const auto floor = std::make_unique<FloorCycle>();
        FloorCycle::Result seen;
        for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
            seen = floor->Run();
            if (seen.targets == 1 && seen.charts == static_cast<std::size_t>(kCharts)) {
                ::Sleep(kSettleMs);
                return std::string();
            }
            ::Sleep(kPollMs);
        }
        return "the floor found " + std::to_string(seen.targets) + " terminals with " +
               std::to_string(seen.charts) + " charts";
    }

    // Processes that are still starting cannot be read yet; the figures want every one readable.
    bool WaitUntilReadable() const {
        for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
            bool all = true;
            for (const auto& helper : m_helpers) {
                HMODULE module = nullptr;
                DWORD needed = 0;
                if (!::EnumProcessModules(helper->Handle(), &module, sizeof(module), &needed)) {
                    all = false;
                    break;
                }
            }
            if (all) {
                return true;
            }
            ::Sleep(kPollMs);
        }
        return false;
    }

    // Destroyed in reverse: the helpers and the terminal end before their folder goes.
    std::unique_ptr<real::TempFolder> m_folder;
    std::wstring m_recordOutside;
    std::unique_ptr<real::ChildProcess> m_terminal;
    std::vector<std::unique_ptr<real::ChildProcess>> m_helpers;
    std::string m_problem;
};

bool Prepare(benchmark::State& state) {
    RealDesktop& desktop = RealDesktop::Get();
    if (!desktop.Problem().empty()) {
        state.SkipWithError(desktop.Problem().c_str());
        return false;
    }
    const std::string problem = desktop.SetHelpers(static_cast<std::size_t>(state.range(0)));
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return false;
    }
    return true;
}

// Runs both, alternating which goes first; ours is the iteration's time.
template <class Ours, class Floor>
void Compare(benchmark::State& state, Ours&& ours, Floor&& floor) {
    double oursSeconds = 0;
    double floorSeconds = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        double oursTime = 0;
        double floorTime = 0;
        if (oursFirst) {
            oursTime = SecondsOf(ours);
            floorTime = SecondsOf(floor);
        } else {
            floorTime = SecondsOf(floor);
            oursTime = SecondsOf(ours);
        }
        oursFirst = !oursFirst;
        state.SetIterationTime(oursTime);
        oursSeconds += oursTime;
        floorSeconds += floorTime;
        ::Sleep(kSettleMs);
    }
    state.counters["floor"] = benchmark::Counter(floorSeconds, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = oursSeconds / floorSeconds;
}

void SetCounters(benchmark::State& state, long calls, long allocations,
                 const FloorCycle::Result& seen) {
    state.counters["calls"] = static_cast<double>(calls);
    state.counters["floor_calls"] = static_cast<double>(seen.calls);
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["processes"] = static_cast<double>(seen.processes);
    state.counters["charts"] = static_cast<double>(seen.charts);
}

void BM_RealCycleVersusFloor(benchmark::State& state) {
    if (!Prepare(state)) {
        return;
    }
    ForwardingSystem forwarding(os::Current(), ForwardingSystem::Sleeps::kSkip);
    const os::ScopedSystem installed(forwarding);
    // The smallest reach: it looks for most. No session: it never ends for want of a desktop.
    const CSessionGuard session(PosterIdentity{L"", Reach{}, std::nullopt});
    NullStreams console;
    console::CTitle title; // as the program has it: written once per text
    CPosterLoop loop(session, title, console.Narrow(), console.Wide());
    const auto cycle = [&] { loop.RunPass(); };
    const auto floor = std::make_unique<FloorCycle>();
    FloorCycle::Result seen;
    const auto floorCycle = [&] { seen = floor->Run(); };

    cycle(); // the first serving cycle also writes the processing text: not a steady-state one
    forwarding.ResetCalls();
    program_allocations::Reset();
    cycle();
    const long calls = forwarding.Calls();
    const long allocations = program_allocations::Get().program;
    floorCycle();
    if (seen.targets != 1 || seen.charts != static_cast<std::size_t>(kCharts)) {
        state.SkipWithError("the floor did not find the test terminal's charts");
        return;
    }
    ::Sleep(kSettleMs);

    Compare(state, cycle, floorCycle);
    SetCounters(state, calls, allocations, seen);
}

void BM_RealDiscoveryVersusFloor(benchmark::State& state) {
    if (!Prepare(state)) {
        return;
    }
    const auto floor = std::make_unique<FloorCycle>();
    const FloorCycle::Result desktop = floor->Run(); // also posts once: harmless
    const DWORD terminal = desktop.firstTarget;
    ::Sleep(kSettleMs);

    ForwardingSystem forwarding(os::Current(), ForwardingSystem::Sleeps::kSkip);
    const os::ScopedSystem installed(forwarding);
    std::size_t found = 0;
    const auto discover = [&] { found = FindChartWindows(terminal).size(); };
    FloorCycle::Result seen;
    const auto floorDiscover = [&] { seen = floor->Discover(terminal); };

    discover(); // not counted: a first call may set up what later ones reuse
    forwarding.ResetCalls();
    program_allocations::Reset();
    discover();
    const long calls = forwarding.Calls();
    const long allocations = program_allocations::Get().program;
    floorDiscover();
    if (found != static_cast<std::size_t>(kCharts) || seen.charts != found) {
        const std::string problem = "discovery found " + std::to_string(found) +
                                    " charts, its floor " + std::to_string(seen.charts);
        state.SkipWithError(problem.c_str());
        return;
    }

    Compare(state, discover, floorDiscover);
    seen.processes = desktop.processes;
    SetCounters(state, calls, allocations, seen);
}

void BM_RealSnapshotVersusFloor(benchmark::State& state) {
    if (!Prepare(state)) {
        return;
    }
    ForwardingSystem forwarding(os::Current(), ForwardingSystem::Sleeps::kSkip);
    const os::ScopedSystem installed(forwarding);
    std::size_t targets = 0;
    // The cycle's first two steps, as it makes them.
    const auto snapshot = [&] {
        CProcesses processes;
        processes.Enumerate();
        processes.ReadNames();
        std::vector<DWORD> found;
        FindTerminals(L"terminal.exe", L"MetaEditor.exe", processes, found);
        targets = found.size();
    };
    const auto floor = std::make_unique<FloorCycle>();
    FloorCycle::Result seen;
    const auto floorSnapshot = [&] { seen = floor->Snapshot(); };

    snapshot();
    forwarding.ResetCalls();
    program_allocations::Reset();
    snapshot();
    const long calls = forwarding.Calls();
    const long allocations = program_allocations::Get().program;
    floorSnapshot();
    if (targets != 1 || seen.targets != 1) {
        state.SkipWithError("the snapshot did not find the test terminal");
        return;
    }

    Compare(state, snapshot, floorSnapshot);
    SetCounters(state, calls, allocations, seen);
}

// The look for terminals that the poster cannot serve, alone, against the cycle's process table:
// what every tenth serving pass adds. Counters: calls per look, and the processes the table could
// not read, which the look asks again where they own a window.
void BM_RealUnservedLook(benchmark::State& state) {
    if (!Prepare(state)) {
        return;
    }
    ForwardingSystem forwarding(os::Current(), ForwardingSystem::Sleeps::kSkip);
    const os::ScopedSystem installed(forwarding);
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();
    CUnservedNotices notices;
    const auto look = [&] { benchmark::DoNotOptimize(notices.Lines(processes, {})); };
    look();
    forwarding.ResetCalls();
    look();
    state.counters["calls"] = static_cast<double>(forwarding.Calls());
    const auto& paths = processes.GetImagePaths();
    state.counters["unread"] = static_cast<double>(
        std::count(paths.begin(), paths.begin() + processes.GetCount(), std::wstring()));
    state.counters["processes"] = static_cast<double>(processes.GetCount());
    for (auto _ : state) {
        state.SetIterationTime(SecondsOf(look));
    }
}

// One EnumProcesses call with room for every id: what each further request of the snapshot costs.
void BM_RealEnumProcesses(benchmark::State& state) {
    if (!Prepare(state)) {
        return;
    }
    std::vector<DWORD> ids(FloorCycle::kMaxProcesses);
    DWORD bytes = 0;
    for (auto _ : state) {
        const double seconds = SecondsOf([&] {
            ::EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes);
        });
        state.SetIterationTime(seconds);
    }
    state.counters["processes"] = static_cast<double>(bytes / sizeof(DWORD));
}

} // namespace

// Discovery first: it needs no helpers, and the helpers only grow after it.
BENCHMARK(BM_RealDiscoveryVersusFloor)
    ->ArgName("helpers")
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(kDiscoveryIterations)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealCycleVersusFloor)
    ->ArgName("helpers")
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(300)
    ->UseManualTime()
    ->Iterations(kCycleIterations)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMillisecond);

// The snapshot alone, on the largest desktop, where it is most of the cycle.
BENCHMARK(BM_RealSnapshotVersusFloor)
    ->ArgName("helpers")
    ->Arg(300)
    ->UseManualTime()
    ->Iterations(kCycleIterations)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RealUnservedLook)
    ->ArgName("helpers")
    ->Arg(25)
    ->Arg(300)
    ->UseManualTime()
    ->Iterations(kCycleIterations)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RealEnumProcesses)
    ->ArgName("helpers")
    ->Arg(300)
    ->UseManualTime()
    ->Iterations(kCycleIterations)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
