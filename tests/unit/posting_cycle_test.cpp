#include "app/posting_cycle.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/simulated_test.h"
#include "utils/utils_error.h"

#include <gmock/gmock.h>

using sim::Hwnd;
using sim::PostedMessage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string kNotFound = sim::ToCp866(L"Не нашел метатрейдеров\r\n");
const std::string kProcessing = sim::ToCp866(L"В обработке ");

constexpr DWORD kTerminalA = 100;
constexpr DWORD kTerminalB = 200;

class PostingCycleTest : public SimulatedTest {
protected:
    void SetUp() override { system.AddOrdinaryProcesses(20); }

    void AddTerminal(DWORD id, const std::wstring& folder, std::uintptr_t firstWindow, int charts) {
        sim::AddTerminal(system, id, folder, firstWindow, charts);
    }

    // Runs one cycle and returns what it wrote.
    std::string Cycle() {
        RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
        return console.Take();
    }

    static std::vector<PostedMessage> Commands(std::uintptr_t window) {
        return {PostedMessage{Hwnd(window), WM_COMMAND, 33324, 0},
                PostedMessage{Hwnd(window), WM_COMMAND, 2, 1}};
    }

    ProgressIndicator indicator;
    CUnservedNotices unserved;
    ConsoleCapture console;
};

TEST_F(PostingCycleTest, IdleCyclesReportNoTerminalOncePerSecond) {
    EXPECT_EQ(Cycle(), kNotFound); // no line end before the first message
    EXPECT_EQ(Cycle(), kNotFound);
    EXPECT_THAT(system.Sleeps(), ElementsAre(1000, 1000));
    // Converted anew in every cycle: a measurement and a conversion each.
    EXPECT_EQ(system.CallCount("WideCharToMultiByte"), 4);
    EXPECT_EQ(console.WideWrites(), "");
    EXPECT_THAT(system.Posted(), IsEmpty());
    EXPECT_FALSE(indicator.IsBusy());
}

TEST_F(PostingCycleTest, ServingShowsTheIndicatorPeriodOfTwentyOneCycles) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 2);

    // Two whole periods and the start of a third: ten dots, ten erasures, one cycle of rest.
    constexpr int kCycles = 2 * 21 + 2;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        const int step = (cycle - 1) % 21;
        const std::string expected = step < 10 ? "." : step < 20 ? "\b \b" : "";
        EXPECT_EQ(Cycle(), cycle == 1 ? kProcessing + expected : expected) << "cycle " << cycle;
    }
    EXPECT_EQ(system.Sleeps(), std::vector<DWORD>(kCycles, 100));
    EXPECT_EQ(system.Posted().size(), kCycles * 2u * 2);
}

TEST_F(PostingCycleTest, TerminalEndingAndComingBack) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    for (int cycle = 0; cycle < 14; ++cycle) { // into the erasing phase
        Cycle();
    }
    ASSERT_EQ(indicator.Dots(), 10);
    ASSERT_EQ(indicator.Erasures(), 4);

    system.RemoveProcess(kTerminalA);
    EXPECT_EQ(Cycle(), "\r\n" + kNotFound);
    EXPECT_EQ(console.WideWrites(), "\r\n"); // the line end alone goes to the wide stream
    EXPECT_EQ(Cycle(), kNotFound);

    system.AddProcess(kTerminalA, L"D:\\Trade\\terminal.exe"); // its windows are still there
    EXPECT_EQ(Cycle(), kProcessing + ".");
    EXPECT_EQ(indicator.Dots(), 1);
    EXPECT_EQ(indicator.Erasures(), 0);

    const std::vector<DWORD> pauses = system.Sleeps();
    EXPECT_EQ(std::vector<DWORD>(pauses.end() - 3, pauses.end()),
              (std::vector<DWORD>{1000, 1000, 100}));
}

TEST_F(PostingCycleTest, CountsKeepTheirValuesThroughANotFoundCycle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    for (int cycle = 0; cycle < 12; ++cycle) {
        Cycle();
    }
    system.RemoveProcess(kTerminalA);
    Cycle();
    EXPECT_FALSE(indicator.IsBusy());
    EXPECT_EQ(indicator.Dots(), 10);
    EXPECT_EQ(indicator.Erasures(), 2);
}

TEST_F(PostingCycleTest, LineEndsBeforeTheNotFoundMessageIsConverted) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    Cycle();
    system.RemoveProcess(kTerminalA);
    system.FailAlways("WideCharToMultiByte", ERROR_INVALID_PARAMETER);
    EXPECT_THROW(Cycle(), Utils::CUtilsError);
    EXPECT_EQ(console.Take(), "\r\n");
    EXPECT_FALSE(indicator.IsBusy());
}

TEST_F(PostingCycleTest, PostsToEveryChartOfEveryTerminalInOrder) {
    AddTerminal(kTerminalB, L"E:\\Second", 0x5000, 2); // first in the table
    AddTerminal(kTerminalA, L"D:\\First", 0x1000, 3);
    EXPECT_EQ(Cycle(), kProcessing + "."); // one indicator step however many terminals

    std::vector<PostedMessage> expected;
    for (const std::uintptr_t chart : {0x5010, 0x5020, 0x1010, 0x1020, 0x1030}) {
        const auto commands = Commands(chart);
        expected.insert(expected.end(), commands.begin(), commands.end());
    }
    EXPECT_EQ(system.Posted(), expected);
    EXPECT_THAT(system.Sleeps(), ElementsAre(100)); // one pause for all terminals
    // Each terminal's windows are enumerated on their own, after the look for those not served.
    EXPECT_EQ(system.CallCount("EnumWindows"), 1 + 2);
}

TEST_F(PostingCycleTest, TerminalWithoutChartsStillMakesAServingCycle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 0);
    EXPECT_EQ(Cycle(), kProcessing + ".");
    EXPECT_THAT(system.Posted(), IsEmpty());
    EXPECT_THAT(system.Sleeps(), ElementsAre(100));
}

TEST_F(PostingCycleTest, LostPostsDoNotStopTheCycle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 2);
    system.FailCall("PostMessageA", 1, ERROR_NOT_ENOUGH_MEMORY); // a full message queue
    system.OnCall("PostMessageA", 2, [&] { system.DestroyWindow(0x1010); });
    Cycle();
    EXPECT_EQ(system.Posted(), Commands(0x1020));
}

TEST_F(PostingCycleTest, FailedConversionLeavesTheCycle) {
    system.FailAlways("WideCharToMultiByte", ERROR_INVALID_PARAMETER);
    try {
        Cycle();
        FAIL() << "no error";
    } catch (const Utils::CUtilsError& error) {
        EXPECT_EQ(error.GetCode(), static_cast<HRESULT>(0x80070057));
    }
    EXPECT_EQ(console.Bytes(), "");
    EXPECT_THAT(system.Sleeps(), IsEmpty());
}

TEST_F(PostingCycleTest, FailedConversionOfTheFirstServingStepLeavesTheIndicatorIdle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    system.FailCall("WideCharToMultiByte", 1, ERROR_INVALID_PARAMETER);
    EXPECT_THROW(Cycle(), Utils::CUtilsError);
    EXPECT_FALSE(indicator.IsBusy());
    EXPECT_THAT(system.Posted(), IsEmpty());
    EXPECT_EQ(system.CallCount("EnumChildWindows"), 0); // the step comes before any chart
    EXPECT_EQ(Cycle(), kProcessing + ".");
}

TEST_F(PostingCycleTest, EveryProcessHandleIsClosedWithinItsCycle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    const int opened = system.HandlesOpened(); // the token, read once before the cycles
    for (int cycle = 0; cycle < 5; ++cycle) {
        Cycle();
        EXPECT_EQ(system.OpenHandleCount(), 0u);
    }
    EXPECT_EQ(system.HandlesOpened() - opened, 5 * 21);
}

const std::string kOtherSession =
    sim::ToCp866(L"Метатрейдер в другом сеансе Windows: запустите программу в его сеансе\r\n");
const std::string kTerminalNoDesktop =
    sim::ToCp866(L"Метатрейдер запущен без рабочего стола: запускайте его при входе в систему\r\n");
const std::string kOtherUser = sim::ToCp866(L"Метатрейдер запущен от имени другого пользователя: "
                                            L"запустите программу так же, как метатрейдер\r\n");
const std::string kNeedsElevation =
    sim::ToCp866(L"Нет доступа к метатрейдеру: запустите программу от имени администратора\r\n");
const std::string kNeeds64Bit =
    sim::ToCp866(L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы\r\n");
const std::string kNeeds64BitElevated =
    sim::ToCp866(L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы от имени "
                 L"администратора\r\n");
// The path under a line, converted as the lines are: what the code page lacks is a question mark.
const std::string kPath = sim::ToCp866(L"  F:\\Другой\\Ω\\terminal.exe\r\n");

// A terminal beside a poster, read as Windows' security and word sizes let the poster read it.
struct Beside {
    enum Poster { kStandard, kUnderWow64, kElevated, kElevatedUnderWow64 };
    enum Place { kHere, kOtherLogin, kSessionZero, kOtherAccount, kSystem };
    const char* name;
    Poster poster;
    bool elevated;
    bool is32Bit;
    Place place;
    bool companion;
    bool window; // a top-level window, on its login's desktop
    std::string lines{};
    bool served = false;
    bool capitals = false; // its executable's name in capitals
};

// What the first two cycles write: the row's terminal alone, or beside one that is served.
std::string FirstTwoCycles(const Beside& row, bool withServed) {
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);
    const bool underWow64 =
        row.poster == Beside::kUnderWow64 || row.poster == Beside::kElevatedUnderWow64;
    system.self.wow64 = underWow64 ? TRUE : FALSE;
    system.self.elevated =
        row.poster == Beside::kElevated || row.poster == Beside::kElevatedUnderWow64 ? 1 : 0;
    system.AddOrdinaryProcesses(4);
    if (withServed) {
        sim::AddTerminal(system, kTerminalA, L"D:\\Trade", 0x1000, 1).wow64 = underWow64;
    }
    sim::Process& terminal = system.AddProcess(300, row.capitals ? L"F:\\Другой\\Ω\\TERMINAL.EXE"
                                                                 : L"F:\\Другой\\Ω\\terminal.exe");
    terminal.elevated = row.elevated;
    terminal.wow64 = row.is32Bit;
    terminal.user = row.place == Beside::kOtherAccount ? sim::kOtherAccount
                    : row.place == Beside::kSystem     ? sim::kSystemAccount
                                                       : sim::kOwnAccount;
    terminal.session = row.place == Beside::kOtherLogin    ? 2
                       : row.place == Beside::kSessionZero ? 0
                                                           : 1;
    if (row.companion) {
        system.AddFile(L"F:\\Другой\\Ω\\MetaEditor.exe");
    }
    if (row.window) {
        system.AddWindow(0x3000, 0, 300, sim::kFrameStyle);
    }
    ProgressIndicator indicator;
    CUnservedNotices unserved;
    ConsoleCapture console;
    RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
    RunPostingCycle(indicator, unserved, console.Narrow(), console.Wide());
    return console.Take();
}

TEST(UnservedTerminalTest, ATerminalThePosterCannotServeIsNamedWithWhatToDo) {
    using B = Beside;
    const std::string both = kNeedsElevation + kPath + kNeeds64Bit + kPath;
    for (const Beside& row : {
             B{"as administrator", B::kStandard, true, false, B::kHere, true, true,
               kNeedsElevation + kPath},
             B{"64-bit beside a 32-bit poster", B::kUnderWow64, false, false, B::kHere, true, true,
               kNeeds64Bit + kPath},
             B{"64-bit beside an elevated 32-bit poster", B::kElevatedUnderWow64, false, false,
               B::kHere, true, true, kNeeds64BitElevated + kPath},
             B{"both", B::kUnderWow64, true, false, B::kHere, true, true, both},
             B{"in another session", B::kStandard, false, false, B::kOtherLogin, true, true,
               kOtherSession + kPath, true},
             B{"in session 0", B::kStandard, false, false, B::kSessionZero, true, true,
               kTerminalNoDesktop + kPath, true},
             B{"64-bit, in another login", B::kUnderWow64, false, false, B::kOtherLogin, true,
               true},
             B{"as administrator, no window", B::kStandard, true, false, B::kHere, true, false},
             B{"as administrator, no companion", B::kStandard, true, false, B::kHere, false, true},
             B{"another account's, as administrator", B::kStandard, true, false, B::kOtherAccount,
               true, true, kOtherUser},
             B{"another account's, no companion", B::kStandard, false, false, B::kOtherAccount,
               false, true, kOtherUser},
             B{"another account's, in capitals", B::kStandard, false, false, B::kOtherAccount, true,
               true, kOtherUser, false, true},
             B{"another account's, no window", B::kStandard, false, false, B::kOtherAccount, true,
               false},
             B{"the system's, beside an elevated poster", B::kElevated, false, false, B::kSystem,
               true, true},
             B{"one it serves", B::kUnderWow64, false, true, B::kHere, true, true, "", true},
         }) {
        SCOPED_TRACE(row.name);
        const std::string alone = row.served          ? row.lines + kProcessing + ".."
                                  : row.lines.empty() ? kNotFound + kNotFound
                                                      : row.lines + row.lines;
        EXPECT_EQ(FirstTwoCycles(row, false), alone) << "once a second, as the not-found line";
        EXPECT_EQ(FirstTwoCycles(row, true), row.lines + kProcessing + "..") << "named once";
    }
}

// While serving, every tenth cycle looks, and names only a terminal or a cause that the look
// before did not find: on a line of its own, the dots starting afresh below it. A terminal that
// the look no longer finds is forgotten, so that its id, used again, is named again.
TEST_F(PostingCycleTest, ServingCyclesNameOnlyWhatIsNewOnceASecond) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    const auto addElevated = [&](DWORD id) {
        system.AddProcess(id, L"F:\\Admin\\terminal.exe").elevated = true;
        system.AddWindow(0x3000 + id, 0, id);
    };
    system.AddFile(L"F:\\Admin\\MetaEditor.exe");
    addElevated(300);
    std::string written = Cycle();
    for (int cycle = 2; cycle <= 10; ++cycle) {
        if (cycle == 5) {
            addElevated(304); // found by the eleventh cycle's look
        }
        written += Cycle();
    }
    const std::string named = kNeedsElevation + "  F:\\Admin\\terminal.exe\r\n";
    EXPECT_EQ(written, named + kProcessing + "..........");
    EXPECT_EQ(Cycle(), "\r\n" + named + kProcessing + ".");

    system.RemoveProcess(300);
    for (int cycle = 12; cycle <= 30; ++cycle) { // the 21st looks and forgets it
        if (cycle == 25) {
            system.AddProcess(300, L"F:\\Admin\\terminal.exe").elevated = true;
        }
        Cycle();
    }
    EXPECT_EQ(Cycle(), "\r\n" + named + kProcessing + ".");
}

} // namespace
