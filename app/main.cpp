// The command poster: posts two commands to every chart window of every running terminal, about
// ten times a second, for as long as it runs.
#include "app/console_texts.h"
#include "app/posting_cycle.h"
#include "app/quick_edit.h"
#include "app/session_guard.h"
#include "utils/text.h"

#include <cstdio>
#include <iostream>

namespace {

// The exit of a command poster that leaves its session to the one already serving it.
constexpr int kAnotherServes = 1;

} // namespace

int wmain(int /*argc*/, wchar_t* /*argv*/[], wchar_t* /*envp*/[]) {
    // A console is unbuffered already; a pipe or a file would otherwise hold the status back for
    // minutes and lose it when the program is terminated, its usual way to end.
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    const CSessionGuard session;
    if (session.AnotherServes()) {
        std::cout << Utils::WideToNarrow(console::kAlreadyRunning, console::kCodePage);
        return kAnotherServes;
    }
    console::TurnOffQuickEdit();

    ProgressIndicator indicator;
    for (;;) {
        RunPostingCycle(indicator, std::cout, std::wcout);
    }
}
