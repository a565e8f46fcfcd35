// What the program settles before its first cycle: its claim on the session and its console.
#include "app/quick_edit.h"
#include "app/session_guard.h"
#include "support/simulated_test.h"

namespace {

using StartTest = SimulatedTest;

// A poster started while another serves the session. The model has no security, so a poster with
// fewer rights than the first also meets a refusal, as Windows answers it. Each row's posters end
// before the next row's start: their names must go with them.
TEST_F(StartTest, ASecondPosterServesOnlyWithMoreRightsThanTheFirst) {
    struct Row {
        DWORD firstElevated;
        DWORD secondElevated;
        const char* failedCall; // the second poster's first call of it
        DWORD error;
        bool secondServes;
    };
    for (const Row& row :
         {Row{0, 0, nullptr, 0, false}, Row{1, 1, nullptr, 0, false}, Row{0, 1, nullptr, 0, true},
          Row{1, 0, nullptr, 0, false}, Row{1, 0, "CreateMutexW", ERROR_ACCESS_DENIED, false},
          Row{0, 0, "CreateMutexW", ERROR_INVALID_HANDLE, true},
          Row{0, 1, "OpenProcessToken", ERROR_ACCESS_DENIED, false},
          Row{0, 1, "GetTokenInformation", ERROR_ACCESS_DENIED, false}}) {
        SCOPED_TRACE(testing::Message() << row.firstElevated << row.secondElevated << row.error);
        system.self.elevated = row.firstElevated;
        const CSessionGuard first;
        system.self.elevated = row.secondElevated;
        if (row.failedCall != nullptr) {
            system.FailCall(row.failedCall, system.CallCount(row.failedCall) + 1, row.error);
        }
        const CSessionGuard second;
        EXPECT_FALSE(first.AnotherServes());
        EXPECT_EQ(second.AnotherServes(), !row.secondServes);
    }
    for (const DWORD elevated : {0U, 1U}) { // a poster of another login serves that login
        system.self.elevated = elevated;
        system.self.session = 1;
        const CSessionGuard first;
        system.self.session = 2;
        EXPECT_FALSE(CSessionGuard().AnotherServes());
    }
}

// QuickEdit goes off while the program runs, every other flag kept, and the mode it had comes
// back when the console ends the program; where nothing is to change, nothing is written.
TEST_F(StartTest, QuickEditIsOffWhileTheProgramRuns) {
    struct Row {
        HANDLE input;
        DWORD mode;
        DWORD running;
    };
    const HANDLE console = system.self.consoleInput;
    auto* const file = reinterpret_cast<HANDLE>(std::uintptr_t{0x60}); // not the console's
    for (const Row& row :
         {Row{console, 0x1F7, 0x1B7}, Row{console, 0x47, 0x87}, Row{console, 0x87, 0x87},
          Row{console, 0x7, 0x7}, Row{file, 0x1F7, 0x1F7}, Row{nullptr, 0x1F7, 0x1F7}}) {
        SCOPED_TRACE(testing::Message() << row.input << " " << row.mode);
        system.self = sim::Self{row.input, console, row.mode};
        system.ClearRecords();
        console::TurnOffQuickEdit();
        EXPECT_EQ(system.self.consoleMode, row.running);
        EXPECT_EQ(system.CallCount("SetConsoleMode"), row.running != row.mode ? 1 : 0);
        ASSERT_EQ(system.self.ctrlHandler != nullptr, row.running != row.mode);
        if (system.self.ctrlHandler != nullptr) {
            EXPECT_FALSE(system.self.ctrlHandler(CTRL_C_EVENT)); // the system's handler ends it
            EXPECT_EQ(system.self.consoleMode, row.mode);
        }
    }
    // Without a handler to give the mode back, QuickEdit still goes off, and nothing waits.
    system.self = sim::Self{console, console, 0x1F7};
    system.FailAlways("SetConsoleCtrlHandler");
    console::TurnOffQuickEdit();
    EXPECT_EQ(system.self.consoleMode, 0x1B7U);
    EXPECT_TRUE(system.Sleeps().empty());
}

} // namespace
