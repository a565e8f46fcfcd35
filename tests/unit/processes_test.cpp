#include "processes/processes.h"
#include "support/processes_inspector.h"
#include "support/simulated_test.h"
#include "utils/utils_error.h"

#include <gmock/gmock.h>

#include <new>

using ::testing::ElementsAreArray;

namespace {

class ProcessesTest : public SimulatedTest {};

struct EnumerateCase {
    DWORD processes;
    std::vector<DWORD> bufferSizes; // bytes offered by each EnumProcesses call
};

void PrintTo(const EnumerateCase& c, std::ostream* out) {
    *out << c.processes << " processes";
}

class EnumerateBoundaryTest : public SimulatedTest,
                              public ::testing::WithParamInterface<EnumerateCase> {};

TEST_P(EnumerateBoundaryTest, AsksAgainWhileTheOfferedBufferComesBackFull) {
    const EnumerateCase& c = GetParam();
    system.AddOrdinaryProcesses(c.processes);

    CProcesses processes;
    processes.Enumerate();

    EXPECT_THAT(system.EnumProcessesBufferSizes(), ElementsAreArray(c.bufferSizes));
    const DWORD listSize = c.bufferSizes.back();
    ASSERT_EQ(processes.GetCount(), c.processes);
    ASSERT_EQ(processes.GetIds().size(), listSize);
    ASSERT_EQ(processes.GetImagePaths().size(), listSize);
    ASSERT_EQ(CProcessesInspector::BaseNames(processes).size(), listSize);
    for (DWORD i = 0; i < listSize; ++i) {
        const DWORD expected = i < c.processes ? 1000 + 4 * i : 0;
        ASSERT_EQ(processes.GetIds()[i], expected) << "entry " << i;
        ASSERT_TRUE(processes.GetImagePaths()[i].empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, EnumerateBoundaryTest,
    ::testing::Values(EnumerateCase{0, {1024}}, EnumerateCase{100, {1024}},
                      EnumerateCase{254, {1024}}, EnumerateCase{255, {1024, 2048}},
                      EnumerateCase{256, {1024, 2048}}, EnumerateCase{510, {1024, 2048}},
                      EnumerateCase{511, {1024, 2048, 3072}}),
    [](const auto& test) { return std::to_string(test.param.processes) + "Processes"; });

TEST_F(ProcessesTest, FailedFirstEnumerationLeavesAnEmptyTableOfFullSize) {
    system.AddOrdinaryProcesses(10);
    system.FailCall("EnumProcesses", 1);

    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();

    EXPECT_EQ(processes.GetCount(), 0u);
    EXPECT_EQ(processes.GetIds().size(), 1024u);
    EXPECT_EQ(processes.GetImagePaths().size(), 1024u);
    EXPECT_EQ(CProcessesInspector::BaseNames(processes).size(), 1024u);
    EXPECT_EQ(system.CallCount("OpenProcess"), 0);
    EXPECT_EQ(system.CallCount("GetLastError"), 0);
    try {
        processes.GetProcessId(0);
        FAIL() << "no error for index 0 of an empty table";
    } catch (const Utils::CUtilsError& error) {
        EXPECT_EQ(error.GetCode(), E_FAIL);
        EXPECT_EQ(error.GetUserText(), L"CProcesses::GetProcessId(): Wrong index 0");
    }
}

TEST_F(ProcessesTest, FailedRepeatedEnumerationKeepsTheLargerSize) {
    system.AddOrdinaryProcesses(300);
    system.FailCall("EnumProcesses", 4); // the second Enumerate's second request

    CProcesses processes;
    processes.Enumerate();
    ASSERT_EQ(processes.GetCount(), 300u);
    processes.Enumerate(); // the table filled before counts nothing now

    EXPECT_EQ(processes.GetCount(), 0u);
    EXPECT_EQ(processes.GetIds().size(), 2048u);
    EXPECT_EQ(processes.GetImagePaths().size(), 2048u);
    EXPECT_EQ(CProcessesInspector::BaseNames(processes).size(), 2048u);
    EXPECT_EQ(processes.GetIds()[0], 0u);
}

TEST_F(ProcessesTest, EveryEnumerationStartsAgainFromTheSmallestRequest) {
    system.AddOrdinaryProcesses(300);
    CProcesses processes;
    processes.Enumerate();
    for (DWORD i = 10; i < 300; ++i) {
        system.RemoveProcess(1000 + 4 * i);
    }
    processes.Enumerate();
    EXPECT_THAT(system.EnumProcessesBufferSizes(), ElementsAreArray({1024u, 2048u, 1024u}));
    EXPECT_EQ(processes.GetCount(), 10u);
    EXPECT_EQ(processes.GetIds().size(), 1024u);
    EXPECT_EQ(processes.GetImagePaths().size(), 1024u);
}

TEST_F(ProcessesTest, NewTableIsEmptyAndReadsNothing) {
    system.AddOrdinaryProcesses(3);
    CProcesses processes;
    processes.ReadNames();
    EXPECT_EQ(processes.GetCount(), 0u);
    EXPECT_TRUE(processes.GetIds().empty());
    EXPECT_EQ(system.TotalCalls(), 0);
}

TEST_F(ProcessesTest, ReadNamesFillsWhatEachProcessLetsBeRead) {
    system.AddProcess(0, L""); // the idle pseudo-process
    system.AddProcess(4, L"C:\\Windows\\System32\\locked.exe").user = sim::kOtherAccount;
    system.AddProcess(8, L"C:\\Apps\\starting.exe").modulesLoaded = false;
    system.AddProcess(12, L"C:\\Apps\\nameless.exe").baseNameFails = true;
    system.AddProcess(16, L"C:\\Apps\\pathless.exe").pathFails = true;
    system.AddProcess(20, L"D:\\Trade\\terminal.exe");

    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();

    ASSERT_EQ(processes.GetCount(), 6u);
    const auto& names = CProcessesInspector::BaseNames(processes);
    const auto& paths = processes.GetImagePaths();
    const std::vector<std::wstring> expectedNames{
        L"", L"", L"", L"", L"pathless.exe", L"terminal.exe"};
    const std::vector<std::wstring> expectedPaths{L"", L"", L"",
                                                  L"", L"", L"D:\\Trade\\terminal.exe"};
    EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.begin() + 6), expectedNames);
    EXPECT_EQ(std::vector<std::wstring>(paths.begin(), paths.begin() + 6), expectedPaths);

    // Every process asked once, with query and read rights only and no inheritance; room for
    // one module; the image path of the main executable; what opened was closed.
    ASSERT_EQ(system.OpenProcessCalls().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(system.OpenProcessCalls()[i].desiredAccess, 0x410u);
        EXPECT_EQ(system.OpenProcessCalls()[i].inheritHandle, FALSE);
        EXPECT_EQ(system.OpenProcessCalls()[i].processId, processes.GetIds()[i]);
    }
    EXPECT_THAT(system.ModuleBufferSizes(), ::testing::Each(sizeof(HMODULE)));
    EXPECT_THAT(system.ModuleFileNameModules(), ::testing::Each(nullptr));
    EXPECT_EQ(system.HandlesOpened(), 4);
    EXPECT_EQ(system.HandlesClosed(), 4);
    // No name is read where the modules could not be listed, no path where the name failed.
    EXPECT_EQ(system.CallCount("GetModuleBaseNameW"), 3);
    EXPECT_EQ(system.CallCount("GetModuleFileNameExW"), 2);
}

TEST_F(ProcessesTest, AnotherEnumerationDiscardsEarlierNames) {
    system.AddProcess(20, L"D:\\Trade\\terminal.exe");
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();
    ASSERT_EQ(processes.GetImagePaths()[0], L"D:\\Trade\\terminal.exe");

    processes.Enumerate();
    EXPECT_EQ(processes.GetCount(), 1u);
    EXPECT_TRUE(processes.GetImagePaths()[0].empty());
    EXPECT_TRUE(CProcessesInspector::BaseNames(processes)[0].empty());
}

TEST_F(ProcessesTest, HandleIsClosedWhenAnErrorLeavesThePass) {
    system.AddProcess(20, L"D:\\Trade\\terminal.exe");
    system.AddProcess(24, L"D:\\Other\\terminal.exe");
    system.OnCall("GetModuleFileNameExW", 2, [] { throw std::bad_alloc(); });

    CProcesses processes;
    processes.Enumerate();
    EXPECT_THROW(processes.ReadNames(), std::bad_alloc);

    EXPECT_EQ(system.HandlesOpened(), 2);
    EXPECT_EQ(system.OpenHandleCount(), 0u);
    EXPECT_EQ(processes.GetImagePaths()[0], L"D:\\Trade\\terminal.exe");
}

TEST_F(ProcessesTest, NamesThatFillTheBufferAreCutAtItsEnd) {
    // A base name that fills the buffer comes without a terminator; a path is cut one shorter,
    // with one. Lengths on each side of the 1024-character buffer and at it.
    const auto name = [](std::size_t length) { return std::wstring(length - 4, L'x') + L".exe"; };
    const std::wstring paths[] = {L"C:\\" + name(1504), L"C:\\" + name(1024), L"C:\\" + name(1021),
                                  L"C:\\" + name(1020)};
    for (DWORD i = 0; i < 4; ++i) {
        system.AddProcess(20 + 4 * i, paths[i]);
    }
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();
    const auto& names = CProcessesInspector::BaseNames(processes);
    const std::wstring expectedNames[] = {name(1504).substr(0, 1024), name(1024), name(1021),
                                          name(1020)};
    const std::wstring expectedPaths[] = {paths[0].substr(0, 1023), paths[1].substr(0, 1023),
                                          paths[2].substr(0, 1023), paths[3]};
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(names[i], expectedNames[i]) << "process " << i;
        EXPECT_EQ(processes.GetImagePaths()[i], expectedPaths[i]) << "process " << i;
    }
}

TEST_F(ProcessesTest, ReadingPastTheListsIsBoundTested) {
    system.AddOrdinaryProcesses(2);
    CProcesses processes;
    processes.Enumerate();
    CProcessesInspector::SetCount(processes, 1025); // one more than the lists hold
    EXPECT_THROW(processes.ReadNames(), std::out_of_range);
    EXPECT_EQ(processes.GetImagePaths()[1], L"C:\\Windows\\System32\\svc1004.exe");
}

TEST_F(ProcessesTest, GetProcessIdChecksTheIndexAgainstTheCount) {
    system.AddOrdinaryProcesses(3);
    CProcesses processes;
    processes.Enumerate();

    EXPECT_EQ(processes.GetProcessId(2), 1008u);
    EXPECT_TRUE(system.DebugOutput().empty());

    // The index in signed decimal: more than one digit, and past INT_MAX a negative number.
    EXPECT_THROW(processes.GetProcessId(3), Utils::CUtilsError);
    EXPECT_THROW(processes.GetProcessId(1234567), Utils::CUtilsError);
    EXPECT_THROW(processes.GetProcessId(0xFFFFFFF4), Utils::CUtilsError);
    EXPECT_EQ(system.DebugOutput(),
              (std::vector<std::wstring>{L"CProcesses::GetProcessId(): Wrong index 3.",
                                         L"CProcesses::GetProcessId(): Wrong index 1234567.",
                                         L"CProcesses::GetProcessId(): Wrong index -12."}));
    EXPECT_EQ(system.CallCount("FormatMessageW"), 0);
}

} // namespace
