#include "app/input_mode.h"

#include "os/system.h"

namespace console {
namespace {

constexpr DWORD kHoldingFlags =
    ENABLE_QUICK_EDIT_MODE | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT;

// Written before the handler that reads them is added, and after it is removed.
HANDLE g_input = nullptr;
DWORD g_modeAtStart = 0;

// Runs on a thread of the system's when the console ends the program.
BOOL WINAPI GiveModeBack(DWORD /*event*/) {
    os::SetConsoleMode(g_input, g_modeAtStart);
    return FALSE; // not handled: the system's own handler ends the program, as before
}

// What stalls is the output, so it decides, whatever standard input is (a file, NUL, a pipe).
HANDLE OpenInputOfOutputConsole() {
    DWORD outputMode = 0;
    if (os::GetConsoleMode(os::GetStdHandle(STD_OUTPUT_HANDLE), &outputMode) == FALSE) {
        return nullptr;
    }
    const HANDLE input =
        os::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
    return input == INVALID_HANDLE_VALUE ? nullptr : input;
}

} // namespace

CInputModeGuard::CInputModeGuard() : m_input(OpenInputOfOutputConsole()) {
    DWORD mode = 0;
    if (!m_input.IsValid() || os::GetConsoleMode(m_input.Get(), &mode) == FALSE ||
        (mode & kHoldingFlags) == 0) {
        m_input.Close();
        return;
    }
    g_input = m_input.Get();
    g_modeAtStart = mode;
    // The handler goes in first, so that no end after the change can miss it. Without it the mode
    // changes all the same: a flowing output matters more than the mode after the program.
    m_handlerAdded = os::SetConsoleCtrlHandler(GiveModeBack, TRUE) != FALSE;
    // QuickEdit's flag counts only in a mode that carries the extended flags too.
    const DWORD quickEditOff = (mode & ENABLE_QUICK_EDIT_MODE) != 0 ? ENABLE_EXTENDED_FLAGS : 0;
    m_changed = os::SetConsoleMode(m_input.Get(), (mode & ~kHoldingFlags) | quickEditOff) != FALSE;
}

CInputModeGuard::~CInputModeGuard() {
    if (m_changed) {
        os::SetConsoleMode(m_input.Get(), g_modeAtStart);
    }
    if (m_handlerAdded) {
        os::SetConsoleCtrlHandler(GiveModeBack, FALSE);
    }
    g_input = nullptr;
}

} // namespace console
