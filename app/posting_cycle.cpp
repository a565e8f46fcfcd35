#include "app/posting_cycle.h"

#include "app/chart_windows.h"
#include "app/terminal_files.h"
#include "console/console_texts.h"
#include "os/system.h"
#include "processes/processes.h"
#include "processes/terminals.h"
#include "utils/text.h"

#include <utility>
#include <vector>

namespace {

// The two commands every chart window gets, back to back, in every serving cycle.
constexpr WPARAM kFirstCommand = 33324;
constexpr LPARAM kFirstCommandParameter = 0;
constexpr WPARAM kSecondCommand = 2;
constexpr LPARAM kSecondCommandParameter = 1;

constexpr DWORD kServingPauseMs = 100;
constexpr DWORD kIdlePauseMs = 1000;

// Whether the chart got either command.
bool PostCommands(HWND chart) {
    // A chart whose thread has stopped reading its messages gets nothing until it reads again:
    // its queue would otherwise fill with commands that it must work off first, and at the
    // system's limit its own posted messages would be refused.
    if (os::IsHungAppWindow(chart) != FALSE) {
        return false;
    }
    // Posted, never sent: a busy or hung terminal cannot stall the loop. A lost post is lost.
    const BOOL first = os::PostMessageA(chart, WM_COMMAND, kFirstCommand, kFirstCommandParameter);
    const BOOL second =
        os::PostMessageA(chart, WM_COMMAND, kSecondCommand, kSecondCommandParameter);
    return first != FALSE || second != FALSE;
}

void WriteLines(const std::vector<std::wstring>& lines, std::ostream& narrow) {
    for (const std::wstring& line : lines) {
        narrow << Utils::WideToNarrow(line, console::kCodePage);
    }
}

} // namespace

CycleReport RunPostingCycle(ProgressIndicator& indicator, CUnservedNotices& unserved,
                            std::ostream& narrow, std::wostream& wide) {
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();

    std::vector<DWORD> targets;
    FindTerminals(kTerminalFileName, kCompanionFileName, processes, targets);

    const std::vector<std::wstring> notices = unserved.Lines(processes, targets);
    CycleReport report;
    report.terminals = targets.size() - unserved.InOtherSession(targets);
    report.unavailable = unserved.Unavailable();
    if (targets.empty()) {
        indicator.Stop(wide);
        // "None found" would be false while a terminal runs that this poster cannot serve.
        if (notices.empty()) {
            narrow << Utils::WideToNarrow(console::kNotFound, console::kCodePage);
        }
        WriteLines(notices, narrow);
        os::Sleep(kIdlePauseMs);
        report.pauseMs = kIdlePauseMs;
        return report;
    }

    // A new notice goes on a line of its own, and the dots start afresh below it.
    if (!notices.empty()) {
        indicator.Stop(wide);
        WriteLines(notices, narrow);
    }
    indicator.Step(narrow);
    for (const DWORD target : targets) {
        for (const HWND chart : FindChartWindows(target)) {
            if (PostCommands(chart)) {
                ++report.charts;
            }
        }
    }
    os::Sleep(kServingPauseMs);
    report.pauseMs = kServingPauseMs;
    report.targets = std::move(targets);
    return report;
}
