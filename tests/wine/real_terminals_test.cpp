// Terminal selection against real processes and real folders.
#include "processes/terminals.h"
#include "wine/wine_support.h"

#include <gmock/gmock.h>

namespace {

std::vector<DWORD> FindRealTerminals() {
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();
    std::vector<DWORD> targets;
    FindTerminals(L"terminal.exe", L"MetaEditor.exe", processes, targets);
    return targets;
}

TEST(RealTerminalsTest, FindsTerminalsWithTheCompanionAndNoOthers) {
    const std::wstring helper = real::ExecutableFolder() + L"idle_helper.exe";
    const real::TempFolder root;

    // A: the companion file beside the terminal. B: no companion. C: a folder named like it.
    root.MakeFolder(L"A");
    const std::wstring terminalA = root.CopyIn(helper, L"A\\terminal.exe");
    root.WriteFile(L"A\\MetaEditor.exe", "not a program");
    root.MakeFolder(L"B");
    const std::wstring terminalB = root.CopyIn(helper, L"B\\terminal.exe");
    root.MakeFolder(L"C\\MetaEditor.exe");
    const std::wstring terminalC = root.CopyIn(helper, L"C\\terminal.exe");

    real::ChildProcess a(terminalA, L"20000");
    real::ChildProcess b(terminalB, L"20000");
    real::ChildProcess c(terminalC, L"20000");

    // A started process shows its image path once its main module is mapped: allow a moment.
    std::vector<DWORD> targets;
    for (int attempt = 0; attempt < 50; ++attempt) {
        targets = FindRealTerminals();
        if (targets.size() >= 2) {
            break;
        }
        ::Sleep(100);
    }
    EXPECT_THAT(targets, ::testing::UnorderedElementsAre(a.Id(), c.Id()));
}

} // namespace
