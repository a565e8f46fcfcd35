// The command poster: posts two commands to every chart window of every running terminal, about
// ten times a second, for as long as it runs.
#include "app/poster_loop.h"
#include "app/session_guard.h"
#include "console/console_end.h"
#include "console/console_texts.h"
#include "console/console_title.h"
#include "console/input_mode.h"
#include "utils/text.h"

#include <cstdio>
#include <iostream>

namespace {

// The exit of a command poster that leaves its terminals to one already serving them.
constexpr int kAnotherServes = 1;
// The exit of one that runs where no user's window is: Task Scheduler shows it as the task's
// last run result, ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION.
constexpr int kNoDesktop = static_cast<int>(ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION);

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
    // Before the console changes, so that no end after a change misses it.
    const console::CEndHandlers ends;
    const console::CInputModeGuard inputMode;
    console::CTitle title;

    CPosterLoop loop(session, title, std::cout, std::wcout);
    while (loop.RunPass()) {
    }
    return kNoDesktop;
}
