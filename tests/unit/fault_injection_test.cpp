// Every system call that the cycles make, failed at each of its occurrences in turn: the cycles
// go on as they must (a failed query is no error, a failed post loses that post), no handle
// leaks, and only a failed text conversion ever leaves a cycle, as Utils::CUtilsError.
#include "app/posting_cycle.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/simulated_system.h"
#include "utils/utils_error.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <optional>

namespace {

constexpr DWORD kScriptedError = ERROR_ACCESS_DENIED;
constexpr HRESULT kScriptedErrorCode = static_cast<HRESULT>(0x80070005);
const std::string kNotFound = sim::ToCp866(L"Не нашел метатрейдеров\r\n");

struct CycleResult {
    std::string output;
    std::vector<DWORD> sleeps;
    std::optional<HRESULT> error; // the code of a Utils::CUtilsError that left the cycle
};

struct ScenarioRun {
    std::vector<CycleResult> cycles;
    std::vector<sim::PostedMessage> posted;
    std::vector<DWORD> sleeps;
    std::map<std::string, int> calls;
};

// A 32-bit poster under WOW64, in three cycles: one terminal found, in another session, and two
// named that it cannot serve, one 64-bit and as administrator, one another account's; two
// terminals more served; all gone and the texts failing to convert, so that the error path's
// calls occur too.
ScenarioRun RunScenario(const std::string& failedCall = "", int occurrence = 0) {
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);
    system.self.wow64 = TRUE;
    system.AddOrdinaryProcesses(12);
    system.AddProcess(60, L"C:\\Locked\\locked.exe").user = sim::kOtherAccount;
    system.AddProcess(64, L"C:\\Admin\\terminal.exe").elevated = true;
    system.AddFile(L"C:\\Admin\\MetaEditor.exe");
    system.AddWindow(0x10, 0, 1000);
    system.AddWindow(0x60, 0, 60); // refused, so the look takes a snapshot for its name
    system.AddWindow(0x6400, 0, 64);
    sim::Process& away = system.AddProcess(70, L"C:\\Away\\terminal.exe");
    away.wow64 = true;
    away.session = 2;
    system.AddFile(L"C:\\Away\\MetaEditor.exe");
    if (!failedCall.empty()) {
        system.FailCall(failedCall, occurrence, kScriptedError);
    }

    ProgressIndicator indicator;
    CUnservedNotices unserved;
    ConsoleCapture console;
    ScenarioRun run;
    const auto cycle = [&] {
        CycleResult result;
        const std::size_t sleptBefore = system.Sleeps().size();
        try {
            RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
        } catch (const Utils::CUtilsError& error) {
            result.error = error.GetCode();
        }
        result.output = console.Take();
        result.sleeps.assign(system.Sleeps().begin() + static_cast<std::ptrdiff_t>(sleptBefore),
                             system.Sleeps().end());
        run.cycles.push_back(result);
    };

    cycle();
    sim::AddTerminal(system, 100, L"D:\\First", 0x1000, 3).wow64 = true;
    system.AddWindow(0x1100, 0, 100); // a second top-level window
    sim::AddTerminal(system, 200, L"E:\\Second", 0x5000, 2).wow64 = true;
    system.AddWindow(0x5100, 0, 200);
    cycle();
    system.RemoveProcess(100);
    system.RemoveProcess(200);
    system.RemoveProcess(70);
    system.FailAlways("WideCharToMultiByte", ERROR_INVALID_PARAMETER);
    cycle();

    run.posted = system.Posted();
    run.sleeps = system.Sleeps();
    for (const char* call : {"EnumProcesses",
                             "OpenProcess",
                             "QueryFullProcessImageNameW",
                             "IsWow64Process",
                             "ProcessIdToSessionId",
                             "CreateToolhelp32Snapshot",
                             "Process32FirstW",
                             "Process32NextW",
                             "EnumProcessModules",
                             "GetModuleBaseNameW",
                             "GetModuleFileNameExW",
                             "CloseHandle",
                             "EnumWindows",
                             "EnumChildWindows",
                             "GetWindowThreadProcessId",
                             "GetWindowLongW",
                             "PostMessageA",
                             "StrCmpIW",
                             "GetFileAttributesW",
                             "WideCharToMultiByte",
                             "GetLastError",
                             "FormatMessageW",
                             "LocalFree",
                             "OutputDebugStringW",
                             "Sleep"}) {
        run.calls[call] = system.CallCount(call);
    }
    EXPECT_EQ(system.OpenHandleCount(), 0u);
    return run; // the system's destructor fails the test on a leaked or twice-closed handle
}

bool IsSubsequence(const std::vector<sim::PostedMessage>& part,
                   const std::vector<sim::PostedMessage>& whole) {
    std::size_t next = 0;
    for (const sim::PostedMessage& message : whole) {
        if (next < part.size() && part[next] == message) {
            ++next;
        }
    }
    return next == part.size();
}

class FaultInjectionTest : public ::testing::Test {
protected:
    // The scenario without failures, run once for all the tests.
    static const ScenarioRun& Baseline() {
        static const ScenarioRun baseline = RunScenario();
        return baseline;
    }
};

TEST_F(FaultInjectionTest, BaselineMakesEveryCallOfTheProgram) {
    for (const auto& [call, count] : Baseline().calls) {
        EXPECT_GT(count, 0) << call << " never occurs, so its failure is never tried";
    }
    ASSERT_EQ(Baseline().cycles.size(), 3u);
    EXPECT_EQ(Baseline().cycles[0].output,
              sim::ToCp866(L"Метатрейдер в другом сеансе Windows: запустите программу в его "
                           L"сеансе\r\n  C:\\Away\\terminal.exe\r\nНет доступа к метатрейдеру: "
                           L"запустите программу от имени администратора\r\n  "
                           L"C:\\Admin\\terminal.exe\r\nМетатрейдер 64-разрядный: запустите "
                           L"64-разрядную версию программы\r\n  C:\\Admin\\terminal.exe\r\nВ "
                           L"обработке ."));
    EXPECT_EQ(Baseline().cycles[1].output, ".");
    EXPECT_EQ(Baseline().cycles[2].error, static_cast<HRESULT>(0x80070057));
    EXPECT_EQ(Baseline().posted.size(), (3u + 2u) * 2);
    EXPECT_EQ(Baseline().sleeps, (std::vector<DWORD>{100, 100}));
}

TEST_F(FaultInjectionTest, EveryOccurrenceOfEveryCallFailsInTurn) {
    int tried = 0;
    for (const auto& [call, count] : Baseline().calls) {
        for (int occurrence = 1; occurrence <= count; ++occurrence) {
            SCOPED_TRACE(call + " failing at occurrence " + std::to_string(occurrence));
            const ScenarioRun run = RunScenario(call, occurrence);
            ++tried;
            ASSERT_EQ(run.cycles.size(), 3u);

            // Only conversions fail the cycle, and only when the measurement fails (the first of
            // a conversion's two calls: odd occurrences while the texts convert).
            const bool measurementFailed = call == "WideCharToMultiByte" && occurrence % 2 == 1;
            for (std::size_t i = 0; i < 2; ++i) {
                if (measurementFailed && run.cycles[i].error) {
                    EXPECT_EQ(*run.cycles[i].error, kScriptedErrorCode);
                } else {
                    EXPECT_FALSE(run.cycles[i].error) << "cycle " << i + 1;
                }
            }
            // The third cycle's measurement fails anyway; a scripted failure of it sets its own
            // last error. The error report's own calls must not change the error: a report that
            // no debugger takes is lost quietly.
            const bool thirdMeasurementScripted =
                call == "WideCharToMultiByte" && occurrence == Baseline().calls.at(call);
            EXPECT_EQ(run.cycles[2].error, thirdMeasurementScripted
                                               ? kScriptedErrorCode
                                               : static_cast<HRESULT>(0x80070057));

            // Failures only ever take things away, and never reorder what is posted.
            EXPECT_TRUE(IsSubsequence(run.posted, Baseline().posted));
            // One pause per finished cycle: 1000 ms after a not-found one, 100 ms after serving.
            for (std::size_t i = 0; i < 2; ++i) {
                const CycleResult& cycle = run.cycles[i];
                if (cycle.error) {
                    EXPECT_TRUE(cycle.sleeps.empty()) << "cycle " << i + 1;
                    continue;
                }
                // A dot ends a serving cycle's output here; a path holds dots too.
                const bool served = !cycle.output.empty() && cycle.output.back() == '.';
                EXPECT_EQ(cycle.sleeps, std::vector<DWORD>{served ? 100u : 1000u})
                    << "cycle " << i + 1;
            }
        }
    }
    EXPECT_GT(tried, 100);
    std::cout << tried << " failures tried, one per occurrence of each call\n";
}

// A failed post loses that one message and nothing else.
TEST_F(FaultInjectionTest, FailedPostLosesExactlyThatMessage) {
    for (int occurrence = 1; occurrence <= Baseline().calls.at("PostMessageA"); ++occurrence) {
        std::vector<sim::PostedMessage> expected = Baseline().posted;
        expected.erase(expected.begin() + (occurrence - 1));
        EXPECT_EQ(RunScenario("PostMessageA", occurrence).posted, expected)
            << "occurrence " << occurrence;
    }
}

// A window whose style cannot be read is no chart: its two messages are not posted.
TEST_F(FaultInjectionTest, FailedStyleQueryDropsThatWindowOnly) {
    int dropped = 0;
    for (int occurrence = 1; occurrence <= Baseline().calls.at("GetWindowLongW"); ++occurrence) {
        const auto posted = RunScenario("GetWindowLongW", occurrence).posted;
        ASSERT_TRUE(posted.size() == Baseline().posted.size() ||
                    posted.size() == Baseline().posted.size() - 2);
        dropped += posted.size() < Baseline().posted.size() ? 1 : 0;
    }
    EXPECT_EQ(dropped, 5); // once per chart window
}

// A snapshot that fails makes a serving cycle a not-found one.
TEST_F(FaultInjectionTest, FailedSnapshotMeansNoTerminal) {
    const ScenarioRun run = RunScenario("EnumProcesses", 2);
    EXPECT_EQ(run.cycles[1].output, "\r\n" + kNotFound);
    EXPECT_TRUE(run.posted.empty());
    EXPECT_EQ(run.sleeps, (std::vector<DWORD>{100, 1000}));
}

} // namespace
