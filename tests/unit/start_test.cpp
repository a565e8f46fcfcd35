// What the program settles before its first cycle and between cycles: which of the posters of one
// account and session serve, and its console.
#include "app/input_mode.h"
#include "app/poster_loop.h"
#include "app/session_guard.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/simulated_test.h"

namespace {

using StartTest = SimulatedTest;

// Makes the model's process a poster of the reach with the given number, 0 standard narrow,
// 1 standard wide, 2 elevated narrow, 3 elevated wide, and returns the reach it reads.
Reach Become(sim::Self& self, int reach) {
    self.elevated = reach / 2;
    self.wow64 = reach % 2 == 0;
    return ReadOwnIdentity().reach;
}

// A poster runs (the row), another starts (the column): x the starter exits, w the running one
// waits while the starter runs, b both serve (the order of Meeting).
TEST_F(StartTest, OfTwoPostersTheOneThatReachesFurtherServes) {
    const std::string meetings[] = {"xwww", "xxbw", "xbxw", "xxxx"};
    for (int running = 0; running < 4; ++running) {
        for (int starting = 0; starting < 4; ++starting) {
            SCOPED_TRACE(testing::Message() << running << " meets " << starting);
            const char meeting = meetings[running][starting];
            const Reach runningReach = Become(system.self, running);
            const CSessionGuard first;
            EXPECT_EQ(Meet(runningReach, Become(system.self, starting)),
                      static_cast<Meeting>(std::string("xwb").find(meeting)));
            const CSessionGuard second;
            EXPECT_FALSE(first.AnotherServes());
            EXPECT_EQ(second.AnotherServes(), meeting == 'x');
            EXPECT_EQ(first.LargerReachServes(), meeting == 'w');
            EXPECT_TRUE(meeting == 'x' || !second.LargerReachServes()) << "nobody would serve";
        }
    }
    EXPECT_EQ(system.CallCount("CreateMutexW"), 2 * 16) << "looking must create no name";
}

// A lone standard 32-bit poster whose calls on the names are refused or fail, as the model (whose
// mutexes have no security, as Wine's have none) does only when told: a refusal, the answer of a
// holder's security, is another poster there; any other failure of either call is none, so that
// a lone poster always serves.
TEST_F(StartTest, ARefusedNameIsAnotherPosterAndAFailedOneIsNone) {
    struct Row {
        const char* call;
        DWORD error;
        bool starterLeaves;
        bool runnerWaits;
    };
    for (const Row& row : {Row{"CreateMutexW", ERROR_ACCESS_DENIED, true, false},
                           Row{"CreateMutexW", ERROR_INVALID_HANDLE, false, false},
                           Row{"OpenMutexW", ERROR_ACCESS_DENIED, true, true},
                           Row{"OpenMutexW", ERROR_INVALID_HANDLE, false, false},
                           Row{"OpenMutexW", ERROR_NOT_ENOUGH_MEMORY, false, false}}) {
        SCOPED_TRACE(testing::Message() << row.call << " failing with " << row.error);
        sim::SimulatedSystem lone;
        const os::ScopedSystem installed(lone);
        Become(lone.self, 0);
        lone.FailAlways(row.call, row.error);
        const CSessionGuard guard;
        EXPECT_EQ(guard.AnotherServes(), row.starterLeaves);
        EXPECT_EQ(guard.LargerReachServes(), row.runnerWaits);
    }
}

// Waiting takes no snapshot and posts nothing; once the other has ended, serving starts afresh.
TEST_F(StartTest, APosterWaitsWhileOneThatReachesFurtherRuns) {
    sim::AddTerminal(system, 100, L"D:\\Trade", 0x1000, 1).wow64 = true; // 32-bit: both serve it
    Become(system.self, 0);
    const CSessionGuard session;
    ConsoleCapture console;
    CPosterLoop loop(session, console.Narrow(), console.Wide());
    loop.RunPass();
    {
        Become(system.self, 1);
        const CSessionGuard wider;
        system.ClearRecords();
        loop.RunPass();
        loop.RunPass();
        EXPECT_EQ(system.CallCount("EnumProcesses") + system.Posted().size(), 0u);
        EXPECT_EQ(system.Sleeps(), (std::vector<DWORD>{1000, 1000}));
    }
    loop.RunPass();
    EXPECT_EQ(system.Posted().size(), 2u);
    const std::string processing = sim::ToCp866(L"В обработке ") + ".";
    EXPECT_EQ(console.Take(), processing + "\r\n" +
                                  sim::ToCp866(L"Ожидание: работает другая копия программы\r\n") +
                                  processing);
}

// QuickEdit, line input, echo and mouse input go off while the program runs, every other flag
// kept, wherever standard output is a console; the mode it had comes back when the console ends
// the program. Where nothing is to change, nothing is written.
TEST_F(StartTest, InputThatHoldsTheOutputIsOffWhileTheProgramRuns) {
    struct Row {
        HANDLE output;
        DWORD mode;
        DWORD running;
    };
    const HANDLE console = system.self.consoleOutput;
    auto* const file = reinterpret_cast<HANDLE>(std::uintptr_t{0x60}); // not the console's
    for (const Row& row :
         {Row{console, 0x1F7, 0x1A1}, Row{console, 0x47, 0x81}, Row{console, 0x87, 0x81},
          Row{console, 0x210, 0x200}, Row{console, 0x1A9, 0x1A9}, Row{file, 0x1F7, 0x1F7},
          Row{nullptr, 0x1F7, 0x1F7}}) {
        SCOPED_TRACE(testing::Message() << row.output << " " << row.mode);
        system.self = sim::Self{row.output, console, row.mode};
        system.ClearRecords();
        {
            const console::CInputModeGuard guard;
            EXPECT_EQ(system.self.consoleMode, row.running);
            EXPECT_EQ(system.CallCount("SetConsoleMode"), row.running != row.mode ? 1 : 0);
            ASSERT_EQ(system.self.ctrlHandler != nullptr, row.running != row.mode);
            if (system.self.ctrlHandler != nullptr) {
                EXPECT_FALSE(system.self.ctrlHandler(CTRL_C_EVENT)); // the system's handler ends it
                EXPECT_EQ(system.self.consoleMode, row.mode);
            }
        }
    }
    // Without a handler to give the mode back, the mode still changes, and nothing waits.
    system.self = sim::Self{console, console, 0x1F7};
    system.FailAlways("SetConsoleCtrlHandler");
    const console::CInputModeGuard guard;
    EXPECT_EQ(system.self.consoleMode, 0x1A1U);
    EXPECT_TRUE(system.Sleeps().empty());
}

} // namespace
