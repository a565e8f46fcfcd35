// What the program settles before its first cycle and between cycles: which of the posters of one
// account and session serve, its console, and when it ends.
#include "app/poster_loop.h"
#include "app/session_guard.h"
#include "app/start.h"
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

// Waiting takes no snapshot and posts nothing, and says so each time; once the other has ended,
// serving starts afresh. A start beside a poster that covers it leaves at once, with exit code 1.
TEST_F(StartTest, APosterWaitsWhileOneThatReachesFurtherRuns) {
    sim::AddTerminal(system, 100, L"D:\\Trade", 0x1000, 1).wow64 = true; // 32-bit: both serve it
    Become(system.self, 0);
    system.self.standardOutput = system.self.consoleOutput;
    const CSessionGuard session;
    ConsoleCapture console;
    console::CTitle title;
    CPosterLoop loop(session, title, console.Narrow(), console.Wide());
    const auto waitWhileAWiderOneRuns = [&] {
        Become(system.self, 1);
        const CSessionGuard wider;
        system.ClearRecords();
        loop.RunPass();
        loop.RunPass();
        EXPECT_EQ(system.CallCount("EnumProcesses") + system.Posted().size(), 0u);
        EXPECT_EQ(system.Sleeps(), (std::vector<DWORD>{1000, 1000}));
        EXPECT_EQ(system.self.consoleTitle,
                  L"Ожидание: работает другая копия программы — command_poster");
        ConsoleCapture another;
        EXPECT_EQ(RunCommandPoster(another.Narrow(), another.Wide()), 1);
        EXPECT_EQ(another.Take(), sim::ToCp866(L"Программа уже запущена\r\n"));
    };
    loop.RunPass();
    waitWhileAWiderOneRuns();
    loop.RunPass();
    EXPECT_EQ(system.self.consoleTitle, L"Метатрейдеров: 1, графиков: 1 — command_poster");
    EXPECT_EQ(system.Posted().size(), 2u);
    waitWhileAWiderOneRuns();
    const std::string processing = sim::ToCp866(L"В обработке ") + ".";
    const std::string waiting =
        "\r\n" + sim::ToCp866(L"Ожидание: работает другая копия программы\r\n");
    EXPECT_EQ(console.Take(), processing + waiting + processing + waiting);
}

// The console's title says what the passes served, written once per text. The title from before
// comes back when the console ends the program, after which nothing writes it again, and when
// the program returns; one that cannot be read is left alone, and so is the title where standard
// output is no console.
TEST_F(StartTest, TheTitleSaysWhatIsServed) {
    struct Row {
        const char* name;
        int charts;           // of a terminal at 0x1000; -1: no terminal
        int awaySession;      // of a terminal beside; -1: none
        const wchar_t* title; // null: the title from before cannot be read
        bool console = true;  // standard output is the console
    };
    for (const Row& row : {
             Row{"charts served, one not responding", 3, -1,
                 L"Метатрейдеров: 1, графиков: 2 — command_poster"},
             Row{"a terminal with no chart", 0, -1,
                 L"Метатрейдеров: 1, графиков: 0 — command_poster"},
             Row{"no terminal", -1, -1, L"Метатрейдеров: 0 — command_poster"},
             Row{"beside one in another session", 1, 2,
                 L"Метатрейдеров: 1 (недоступно: 1), графиков: 1 — command_poster"},
             Row{"beside one in session 0", 1, 0,
                 L"Метатрейдеров: 1 (недоступно: 1), графиков: 1 — command_poster"},
             Row{"a title that cannot be read", 1, -1, nullptr},
             Row{"standard output is no console", 1, -1, nullptr, false},
         }) {
        SCOPED_TRACE(row.name);
        sim::SimulatedSystem desktop;
        const os::ScopedSystem installed(desktop);
        desktop.self.standardOutput = row.console ? desktop.self.consoleOutput : nullptr;
        if (row.charts >= 0) {
            sim::AddTerminal(desktop, 100, L"D:\\Trade", 0x1000, row.charts);
        }
        if (row.charts == 3) {
            desktop.StopResponding(0x1020);
        }
        if (row.awaySession >= 0) {
            desktop.AddProcess(300, L"F:\\Away\\terminal.exe").session =
                static_cast<DWORD>(row.awaySession);
            desktop.AddFile(L"F:\\Away\\MetaEditor.exe");
        }
        if (row.title == nullptr && row.console) {
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
            if (row.console) {
                desktop.self.ctrlHandler(CTRL_C_EVENT);
            }
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

// Where the poster runs in session 0, it ends once, for a minute of pauses, its cycles posted to
// no chart and no target owned a window on its desktop, saying why, with exit code 1459. One that
// reaches a terminal started beside it (by the same task) runs on, also while that posts nothing;
// a terminal that comes and goes again starts the minute afresh.
TEST_F(StartTest, APosterWithoutADesktopEndsAfterAMinuteOfReachingNoTerminal) {
    struct RanTwoMinutes {};
    enum Terminal { kNone, kInSessionOne, kServed, kNotResponding, kWithoutChart, kFor30s };
    const struct {
        const char* name;
        Terminal terminal;
        DWORD endsAfterMs; // 0: it runs on
    } rows[] = {{"no terminal", kNone, 60000},
                {"a terminal in session 1 only", kInSessionOne, 60000},
                {"a terminal beside it", kServed, 0},
                {"one that does not respond", kNotResponding, 0},
                {"one with no chart open", kWithoutChart, 0},
                // 30 s without, 30 s with it, then a minute without.
                {"one there from 30 s to 60 s", kFor30s, 120000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::SimulatedSystem desktop;
        const os::ScopedSystem installed(desktop);
        desktop.self.session = 0;
        const auto start = [&] {
            desktop.AddProcess(100, L"D:\\Trade\\terminal.exe").session =
                row.terminal == kInSessionOne ? 1 : 0;
            desktop.AddFile(L"D:\\Trade\\MetaEditor.exe");
            desktop.AddWindow(0x1000, 0, 100); // on its session's desktop
            if (row.terminal != kWithoutChart) {
                desktop.AddWindow(0x1010, 0x1000, 100, sim::kChartStyle);
            }
            if (row.terminal == kNotResponding) {
                desktop.StopResponding(0x1010);
            }
        };
        if (row.terminal == kFor30s) {
            desktop.OnCall("Sleep", 30, start); // in the 30th pause of a second
            desktop.OnCall("Sleep", 30 + 300, [&] { desktop.RemoveProcess(100); });
        } else if (row.terminal != kNone) {
            start();
        }
        // Serving cycles pause 100 ms: 1,200 of them make two minutes.
        desktop.OnCall("Sleep", 2 * 600 + 1, [] { throw RanTwoMinutes{}; });
        ConsoleCapture console;
        if (row.endsAfterMs == 0) {
            EXPECT_THROW(RunCommandPoster(console.Narrow(), console.Wide()), RanTwoMinutes);
            continue;
        }
        EXPECT_EQ(RunCommandPoster(console.Narrow(), console.Wide()), 1459);
        const DWORD paused =
            std::accumulate(desktop.Sleeps().begin(), desktop.Sleeps().end(), DWORD{0});
        EXPECT_EQ(paused, row.endsAfterMs) << "it ends at the pass that makes the minute";
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
