#include "app/start.h"

#include "app/poster_loop.h"
#include "app/session_guard.h"
#include "console/console_end.h"
#include "console/console_texts.h"
#include "console/console_title.h"
#include "console/input_mode.h"
#include "os/win32.h"
#include "utils/text.h"

namespace {

// The exit of a command poster that leaves its terminals to one already serving them.
constexpr int kExitAnotherServes = 1;
// The exit of one that runs where no user's window is.
constexpr int kExitNoDesktop = static_cast<int>(ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION);

} // namespace

int RunCommandPoster(std::ostream& narrow, std::wostream& wide) {
    const CSessionGuard session;
    if (session.AnotherServes()) {
        narrow << Utils::WideToNarrow(console::kAlreadyRunning, console::kCodePage);
        return kExitAnotherServes;
    }
    // Before the console changes, so that no end after a change misses it.
    const console::CEndHandlers ends;
    const console::CInputModeGuard inputMode;
    console::CTitle title;

    CPosterLoop loop(session, title, narrow, wide);
    while (loop.RunPass()) {
    }
    return kExitNoDesktop;
}
