#include "console/input_mode.h"

#include "console/console_end.h"
#include "os/system.h"

namespace console {
namespace {

constexpr DWORD kHoldingFlags =
    ENABLE_QUICK_EDIT_MODE | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT;

// What stalls is the output, so it decides, whatever standard input is (a file, NUL, a pipe).
HANDLE OpenInputOfOutputConsole() {
    if (!OutputIsConsole()) {
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
    // QuickEdit's flag counts only in a mode that carries the extended flags too.
    const DWORD quickEditOff = (mode & ENABLE_QUICK_EDIT_MODE) != 0 ? ENABLE_EXTENDED_FLAGS : 0;
    m_changed = ChangeInputMode(m_input.Get(), mode, (mode & ~kHoldingFlags) | quickEditOff);
}

CInputModeGuard::~CInputModeGuard() {
    if (m_changed) {
        GiveInputModeBack(); // before the handle closes
    }
}

} // namespace console
