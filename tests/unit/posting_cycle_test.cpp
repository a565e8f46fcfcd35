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
        RunPostingCycle(indicator, console.Narrow(), console.Wide());
        return console.Take();
    }

    static std::vector<PostedMessage> Commands(std::uintptr_t window) {
        return {PostedMessage{Hwnd(window), WM_COMMAND, 33324, 0},
                PostedMessage{Hwnd(window), WM_COMMAND, 2, 1}};
    }

    ProgressIndicator indicator;
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
    // Each terminal's windows are enumerated on their own.
    EXPECT_EQ(system.CallCount("EnumWindows"), 2);
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
    EXPECT_EQ(system.CallCount("EnumWindows"), 0); // the step comes before any window
    EXPECT_EQ(Cycle(), kProcessing + ".");
}

TEST_F(PostingCycleTest, EveryProcessHandleIsClosedWithinItsCycle) {
    AddTerminal(kTerminalA, L"D:\\Trade", 0x1000, 1);
    for (int cycle = 0; cycle < 5; ++cycle) {
        Cycle();
        EXPECT_EQ(system.OpenHandleCount(), 0u);
    }
    EXPECT_EQ(system.HandlesOpened(), 5 * 21);
}

} // namespace
