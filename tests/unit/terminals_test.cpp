#include "processes/terminals.h"
#include "support/processes_inspector.h"
#include "support/simulated_test.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FindTerminalsTest : public SimulatedTest {
protected:
    static std::vector<DWORD> Find(const std::wstring& terminal = L"terminal.exe",
                                   const std::wstring& companion = L"MetaEditor.exe") {
        CProcesses processes;
        processes.Enumerate();
        processes.ReadNames();
        std::vector<DWORD> targets{999}; // whatever the list held before is dropped
        FindTerminals(terminal, companion, processes, targets);
        return targets;
    }
};

TEST_F(FindTerminalsTest, SelectsTerminalsWithTheCompanionBesideThem) {
    system.AddOrdinaryProcesses(5);
    system.AddProcess(100, L"D:\\Trade\\terminal.exe");
    system.AddProcess(104, L"D:\\Lonely\\terminal.exe"); // no companion
    system.AddProcess(108, L"E:\\Other\\TERMINAL.EXE");
    system.AddProcess(112, L"E:\\Mixed\\Terminal.Exe");
    system.AddFile(L"D:\\Trade\\MetaEditor.exe");
    system.AddFile(L"E:\\Other\\metaeditor.exe");
    system.AddFile(L"E:\\Mixed\\MetaEditor.exe");

    EXPECT_THAT(Find(), ElementsAre(100, 108, 112));
}

TEST_F(FindTerminalsTest, NamesOfAnotherLengthAreNotEvenCompared) {
    system.AddProcess(100, L"D:\\T\\terminal.exe.bak");
    system.AddProcess(104, L"D:\\T\\terminal.ex");
    system.AddProcess(108, L"D:\\T\\terminal");
    system.AddFile(L"D:\\T\\MetaEditor.exe");

    EXPECT_THAT(Find(), IsEmpty());
    EXPECT_EQ(system.CallCount("StrCmpIW"), 0);
    EXPECT_EQ(system.CallCount("GetFileAttributesW"), 0);
}

TEST_F(FindTerminalsTest, NamesOfTheSameLengthAreComparedButNotTaken) {
    system.AddProcess(100, L"D:\\T\\terminal.dll"); // sorts before the terminal's name
    system.AddProcess(104, L"D:\\T\\TERMINAL.EXF"); // and after it
    system.AddFile(L"D:\\T\\MetaEditor.exe");
    EXPECT_THAT(Find(), IsEmpty());
    EXPECT_EQ(system.CallCount("StrCmpIW"), 2);
    EXPECT_EQ(system.CallCount("GetFileAttributesW"), 0);
}

TEST_F(FindTerminalsTest, DoubleDotCountsAsTheTerminal) {
    system.AddProcess(100, L"D:\\T\\terminal..exe");
    system.AddFile(L"D:\\T\\MetaEditor.exe");
    EXPECT_THAT(Find(), ElementsAre(100));
}

TEST_F(FindTerminalsTest, FolderNamedLikeTheCompanionCounts) {
    system.AddProcess(100, L"D:\\T\\terminal.exe");
    system.AddFolder(L"D:\\T\\MetaEditor.exe");
    EXPECT_THAT(Find(), ElementsAre(100));
}

TEST_F(FindTerminalsTest, TwoTerminalsOfOneFolderInTableOrder) {
    system.AddProcess(200, L"D:\\T\\terminal.exe");
    system.AddProcess(100, L"D:\\T\\terminal.exe");
    system.AddFile(L"D:\\T\\MetaEditor.exe");
    EXPECT_THAT(Find(), ElementsAre(200, 100));
}

TEST_F(FindTerminalsTest, ForwardSlashesBuildAForwardSlashCompanionPath) {
    system.AddProcess(100, L"D:/Trade\\Sub/terminal.exe"); // the folder's first separator rules
    system.AddFile(L"D:\\Trade\\Sub\\MetaEditor.exe");
    EXPECT_THAT(Find(), ElementsAre(100));
    EXPECT_THAT(system.FileQueries(), ElementsAre(L"D:/Trade/Sub/MetaEditor.exe"));
}

TEST_F(FindTerminalsTest, BareNameTestsTheCompanionByItsBareName) {
    system.AddProcess(100, L"terminal.exe");
    system.AddFile(L"MetaEditor.exe"); // in the current folder
    EXPECT_THAT(Find(), ElementsAre(100));
    EXPECT_THAT(system.FileQueries(), ElementsAre(L"MetaEditor.exe"));
}

TEST_F(FindTerminalsTest, UnreadablePathsAreSkippedWithoutAnyTest) {
    system.AddProcess(100, L"D:\\T\\terminal.exe").pathFails = true;
    system.AddProcess(104, L"D:\\T\\terminal.exe").user = sim::kOtherAccount;
    system.AddProcess(108, L"t"); // the shortest path that can be read
    system.AddFile(L"MetaEditor.exe");
    // An empty path would match an empty terminal name, with the companion in the current folder.
    EXPECT_THAT(Find(L""), IsEmpty());
    EXPECT_EQ(system.CallCount("StrCmpIW"), 0);
    EXPECT_EQ(system.CallCount("GetFileAttributesW"), 0);
    EXPECT_THAT(Find(L"T"), ElementsAre(108));
}

TEST_F(FindTerminalsTest, EmptyTableEmptiesTheList) {
    system.FailCall("EnumProcesses", 1);
    system.AddProcess(100, L"D:\\T\\terminal.exe");
    system.AddFile(L"D:\\T\\MetaEditor.exe");
    EXPECT_THAT(Find(), IsEmpty());
}

TEST_F(FindTerminalsTest, NamesAreArgumentsNotFixedValues) {
    system.AddProcess(100, L"D:\\T\\terminal.exe");
    system.AddProcess(104, L"D:\\U\\other.exe");
    system.AddFile(L"D:\\T\\MetaEditor.exe");
    system.AddFile(L"D:\\U\\companion.txt");
    EXPECT_THAT(Find(L"OTHER.exe", L"companion.txt"), ElementsAre(104));
}

} // namespace

namespace {

// Every read of the table is bound-tested: a table whose count promises more than its lists
// hold ends the selection with std::out_of_range, keeping the ids found before.
class FindTerminalsBoundsTest : public SimulatedTest {
protected:
    void SetUp() override {
        system.AddProcess(100, L"D:\\T\\terminal.exe");
        system.AddProcess(104, L"D:\\U\\terminal.exe");
        system.AddFile(L"D:\\T\\MetaEditor.exe");
        system.AddFile(L"D:\\U\\MetaEditor.exe");
        processes.Enumerate();
        processes.ReadNames();
    }
    CProcesses processes;
};

TEST_F(FindTerminalsBoundsTest, ShortImagePathList) {
    CProcessesInspector::ImagePaths(processes).resize(1);
    CProcessesInspector::SetCount(processes, 2);
    std::vector<DWORD> targets;
    EXPECT_THROW(FindTerminals(L"terminal.exe", L"MetaEditor.exe", processes, targets),
                 std::out_of_range);
    EXPECT_THAT(targets, ElementsAre(100));
}

TEST_F(FindTerminalsBoundsTest, ShortIdList) {
    CProcessesInspector::Ids(processes).resize(1);
    std::vector<DWORD> targets;
    EXPECT_THROW(FindTerminals(L"terminal.exe", L"MetaEditor.exe", processes, targets),
                 std::out_of_range);
    EXPECT_THAT(targets, ElementsAre(100));
}

} // namespace
