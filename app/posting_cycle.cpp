#include "app/posting_cycle.h"

#include "app/chart_windows.h"
#include "app/console_texts.h"
#include "os/system.h"
#include "processes/processes.h"
#include "processes/terminals.h"
#include "utils/text.h"

#include <vector>

namespace {

constexpr const wchar_t* kTerminalFileName = L"terminal.exe";
constexpr const wchar_t* kCompanionFileName = L"MetaEditor.exe";

// The two commands every chart window gets, back to back, in every serving cycle.
constexpr WPARAM kFirstCommand = 33324;
constexpr LPARAM kFirstCommandParameter = 0;
constexpr WPARAM kSecondCommand = 2;
constexpr LPARAM kSecondCommandParameter = 1;

constexpr DWORD kServingPauseMs = 100;
constexpr DWORD kIdlePauseMs = 1000;

void PostCommands(HWND chart) {
    // A chart whose thread has stopped reading its messages gets nothing until it reads again:
    // its queue would otherwise fill with commands that it must work off first, and at the
    // system's limit its own posted messages would be refused.
    if (os::IsHungAppWindow(chart) != FALSE) {
        return;
    }
    // Posted, never sent: a busy or hung terminal cannot stall the loop. A lost post is lost.
    os::PostMessageA(chart, WM_COMMAND, kFirstCommand, kFirstCommandParameter);
    os::PostMessageA(chart, WM_COMMAND, kSecondCommand, kSecondCommandParameter);
}

} // namespace

void RunPostingCycle(ProgressIndicator& indicator, std::ostream& narrow, std::wostream& wide) {
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();

    std::vector<DWORD> targets;
    FindTerminals(kTerminalFileName, kCompanionFileName, processes, targets);

    if (targets.empty()) {
        indicator.Stop(wide);
        narrow << Utils::WideToNarrow(console::kNotFound, console::kCodePage);
        os::Sleep(kIdlePauseMs);
        return;
    }

    indicator.Step(narrow);
    for (const DWORD target : targets) {
        for (const HWND chart : FindChartWindows(target)) {
            PostCommands(chart);
        }
    }
    os::Sleep(kServingPauseMs);
}
