#include "app/quick_edit.h"

#include "os/system.h"

namespace console {
namespace {

constexpr DWORD kQuickEdit = ENABLE_QUICK_EDIT_MODE;
// QuickEdit's flag counts only in a mode that carries this one too.
constexpr DWORD kExtendedFlags = ENABLE_EXTENDED_FLAGS;

// Written once, before the handler that reads them is installed.
HANDLE g_input = nullptr;
DWORD g_modeAtStart = 0;

// Runs on a thread of the system's when the console ends the program.
BOOL WINAPI GiveModeBack(DWORD /*event*/) {
    os::SetConsoleMode(g_input, g_modeAtStart);
    return FALSE; // not handled: the system's own handler ends the program, as before
}

} // namespace

void TurnOffQuickEdit() {
    const HANDLE input = os::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (os::GetConsoleMode(input, &mode) == FALSE || (mode & kQuickEdit) == 0) {
        return; // no console to read (redirected, a pipe, none at all), or nothing to turn off
    }
    g_input = input;
    g_modeAtStart = mode;
    // The handler goes in first, so that no end after the change can miss it. Without it the mode
    // changes all the same: QuickEdit off matters more than the mode after the program.
    os::SetConsoleCtrlHandler(GiveModeBack, TRUE);
    os::SetConsoleMode(input, (mode | kExtendedFlags) & ~kQuickEdit);
}

} // namespace console
