// What the program settles before its first cycle and between cycles: which of the posters of one
// account and session serve, its console, and when it ends.
#include "app/poster_loop.h"
#include "app/session_guard.h"
#include "console/console_end.h"
#include "console/input_mode.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/simulated_test.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <numeric>

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
    system.self.standardOutput = system.self.consoleOutput;
    const CSessionGuard session;
    ConsoleCapture console;
    console::CTitle title;
    CPosterLoop loop(session, title, console.Narrow(), console.Wide());
    loop.RunPass();
    {
        Become(system.self, 1);
        const CSessionGuard wider;
        system.ClearRecords();
        loop.RunPass();
        loop.RunPass();
        EXPECT_EQ(system.CallCount("EnumProcesses") + system.Posted().size(), 0u);
        EXPECT_EQ(system.Sleeps(), (std::vector<DWORD>{1000, 1000}));
        EXPECT_EQ(system.self.consoleTitle,
                  L"Ожидание: работает другая копия программы — command_poster");
    }
    loop.RunPass();
    EXPECT_EQ(system.self.consoleTitle, L"Метатрейдеров: 1, графиков: 1 — command_poster");
    EXPECT_EQ(system.Posted().size(), 2u);
    const std::string processing = sim::ToCp866(L"В обработке ") + ".";
    EXPECT_EQ(console.Take(), processing + "\r\n" +
                                  sim::ToCp866(L"Ожидание: работает другая копия программы\r\n") +
                                  processing);
}

// The console's title says what the passes served, written once per text. The title from before
// comes back when the console ends the program, after which nothing writes it again, and when
// the program returns; one that cannot be read is left alone.
TEST_F(StartTest, TheTitleSaysWhatIsServed) {
    struct Row {
        const char* name;
        int charts;           // of a terminal at 0x1000; -1: no terminal
        bool awayBeside;      // a terminal in another session
        const wchar_t* title; // null: the title from before cannot be read
    };
    for (const Row& row : {
             Row{"charts served, one not responding", 3, false,
                 L"Метатрейдеров: 1, графиков: 2 — command_poster"},
             Row{"a terminal with no chart", 0, false,
                 L"Метатрейдеров: 1, графиков: 0 — command_poster"},
             Row{"no terminal", -1, false, L"Метатрейдеров: 0 — command_poster"},
             Row{"beside one in another session", 1, true,
                 L"Метатрейдеров: 1 (недоступно: 1), графиков: 1 — command_poster"},
             Row{"a title that cannot be read", 1, false, nullptr},
         }) {
        SCOPED_TRACE(row.name);
        sim::SimulatedSystem desktop;
        const os::ScopedSystem installed(desktop);
        desktop.self.standardOutput = desktop.self.consoleOutput;
        if (row.charts >= 0) {
            sim::AddTerminal(desktop, 100, L"D:\\Trade", 0x1000, row.charts);
        }
        if (row.charts == 3) {
            desktop.StopResponding(0x1020);
        }
        if (row.awayBeside) {
            desktop.AddProcess(300, L"F:\\Away\\terminal.exe").session = 2;
            desktop.AddFile(L"F:\\Away\\MetaEditor.exe");
        }
        if (row.title == nullptr) {
            desktop.FailAlways("GetConsoleTitleW", ERROR_NOT_ENOUGH_MEMORY);
        }
        const std::wstring before = desktop.self.consoleTitle;
        {
            const console::CEndHandlers ends;
            const CSessionGuard session;
            console::CTitle title;
            ConsoleCapture console;
            CPosterLoop loop(session, title, console.Narrow(), console.Wide());
            loop.RunPass();
            loop.RunPass();
            EXPECT_EQ(desktop.self.consoleTitle, row.title != nullptr ? row.title : before);
            EXPECT_EQ(desktop.CallCount("SetConsoleTitleW"), row.title != nullptr ? 1 : 0)
                << "once per text";
            desktop.self.ctrlHandler(CTRL_C_EVENT);
            EXPECT_EQ(desktop.self.consoleTitle, before);
            desktop.RemoveProcess(100);
            loop.RunPass();
            EXPECT_EQ(desktop.self.consoleTitle, before) << "written after the console's end";
        }
        EXPECT_EQ(desktop.self.consoleTitle, before);
    }
}

#if GTEST_HAS_DEATH_TEST
sim::SimulatedSystem* g_dying = nullptr;

// An error that ends the program gives the title back before the runtime's own handler runs.
TEST(StartDeathTest, AnErrorThatEndsTheProgramGivesTheTitleBack) {
    EXPECT_EXIT(
        {
            sim::SimulatedSystem desktop;
            const os::ScopedSystem installed(desktop);
            desktop.self.standardOutput = desktop.self.consoleOutput;
            desktop.self.consoleTitle = L"before";
            g_dying = &desktop;
            std::set_terminate([] {
                std::fputs(g_dying->self.consoleTitle == L"before" ? "given back" : "kept", stderr);
                std::_Exit(7);
            });
            const console::CEndHandlers ends;
            console::CTitle title;
            title.Show(L"serving");
            std::terminate();
        },
        testing::ExitedWithCode(7), "given back");
}
#endif

// Where the poster runs in session 0, it ends once its cycles have posted to no chart for a
// minute of pauses, saying why; one whose terminals run in session 0 too keeps serving.
TEST_F(StartTest, APosterWithoutADesktopEndsAfterAMinuteOfServingNothing) {
    for (const DWORD terminalSession : {1, 0}) {
        SCOPED_TRACE(terminalSession);
        sim::SimulatedSystem desktop;
        const os::ScopedSystem installed(desktop);
        desktop.self.session = 0;
        desktop.AddProcess(100, L"D:\\Trade\\terminal.exe").session = terminalSession;
        desktop.AddFile(L"D:\\Trade\\MetaEditor.exe");
        desktop.AddWindow(0x1000, 0, 100); // on its session's desktop
        desktop.AddWindow(0x1010, 0x1000, 100, sim::kChartStyle);
        const CSessionGuard session;
        console::CTitle title;
        ConsoleCapture console;
        CPosterLoop loop(session, title, console.Narrow(), console.Wide());
        int passes = 0;
        while (passes < 2 * 600 && loop.RunPass()) {
            ++passes;
        }
        const DWORD paused =
            std::accumulate(desktop.Sleeps().begin(), desktop.Sleeps().end(), DWORD{0});
        if (terminalSession == 0) {
            EXPECT_EQ(passes, 2 * 600) << "serving, it runs on";
            continue;
        }
        EXPECT_EQ(paused, 60u * 1000) << "it ends at the pass that makes the minute";
        const std::string end = "\r\n" + sim::ToCp866(L"Программа запущена без рабочего стола: "
                                                      L"запускайте ее при входе пользователя\r\n");
        const std::string written = console.Take();
        EXPECT_EQ(written.substr(written.size() - std::min(written.size(), end.size())), end);
    }
}

// QuickEdit, line input, echo and mouse input go off while the program runs, every other flag
// kept, wherever standard output is a console; the mode it had comes back when the console ends
// the program, whose handler is there wherever standard output is a console. Where nothing is
// to change, nothing is written.
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
            const console::CEndHandlers ends;
            const console::CInputModeGuard guard;
            EXPECT_EQ(system.self.consoleMode, row.running);
            EXPECT_EQ(system.CallCount("SetConsoleMode"), row.running != row.mode ? 1 : 0);
            ASSERT_EQ(system.self.ctrlHandler != nullptr, row.output == console);
            if (system.self.ctrlHandler != nullptr) {
                EXPECT_FALSE(system.self.ctrlHandler(CTRL_C_EVENT)); // the system's handler ends it
                EXPECT_EQ(system.self.consoleMode, row.mode);
            }
        }
    }
    // Without a handler to give the mode back, the mode still changes, and nothing waits.
    system.self = sim::Self{console, console, 0x1F7};
    system.FailAlways("SetConsoleCtrlHandler");
    const console::CEndHandlers ends;
    const console::CInputModeGuard guard;
    EXPECT_EQ(system.self.consoleMode, 0x1A1U);
    EXPECT_TRUE(system.Sleeps().empty());
}

} // namespace
