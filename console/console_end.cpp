#include "console/console_end.h"

#include "os/system.h"

#include <cstdlib>
#include <exception>
#include <mutex>
#include <utility>

namespace console {
namespace {

// Held by every change and every giving back; nothing done under it throws. Recursive, and the
// ends wait for it half a second at most: an error cannot end the program while its own thread
// holds it, nor can the console's end wait long for a change that the console does not answer.
// (A timed mutex would bring the runtime's clock, and its imports, into the program.)
std::recursive_mutex g_lock;
using Hold = std::lock_guard<std::recursive_mutex>;
constexpr int kEndAttempts = 50;
constexpr DWORD kEndAttemptMs = 10;
bool g_ended = false;     // the console was given back for the program's end: nothing changes now
HANDLE g_input = nullptr; // while a changed input mode is to come back
DWORD g_inputModeAtStart = 0;
bool g_titleKept = false;
std::wstring g_titleAtStart;
std::terminate_handler g_previousTerminate = nullptr;

void GiveInputModeBackLocked() {
    if (g_input != nullptr) {
        os::SetConsoleMode(g_input, g_inputModeAtStart);
        g_input = nullptr;
    }
}

void GiveTitleBackLocked() {
    if (g_titleKept) {
        os::SetConsoleTitleW(g_titleAtStart.c_str());
        g_titleKept = false;
    }
}

bool TakeLockForTheEnd() {
    for (int attempt = 0; attempt < kEndAttempts; ++attempt) {
        if (g_lock.try_lock()) {
            return true;
        }
        os::Sleep(kEndAttemptMs);
    }
    return false;
}

void End() {
    if (!TakeLockForTheEnd()) {
        return; // the program ends all the same
    }
    const Hold hold(g_lock, std::adopt_lock);
    GiveInputModeBackLocked();
    GiveTitleBackLocked();
    g_ended = true;
}

BOOL WINAPI OnConsoleEnd(DWORD /*event*/) {
    End();
    return FALSE; // not handled: the system's own handler ends the program, as before
}

void OnTerminate() {
    End();
    // The runtime's own handler says what ended the program, and aborts.
    if (g_previousTerminate != nullptr) {
        g_previousTerminate();
    }
    std::abort();
}

} // namespace

bool OutputIsConsole() {
    DWORD mode = 0;
    return os::GetConsoleMode(os::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

CEndHandlers::CEndHandlers() {
    {
        const Hold hold(g_lock);
        g_ended = false;
    }
    if (!OutputIsConsole()) {
        return;
    }
    m_controlHandlerAdded = os::SetConsoleCtrlHandler(OnConsoleEnd, TRUE) != FALSE;
    g_previousTerminate = std::set_terminate(OnTerminate);
    m_terminateHandlerSet = true;
}

CEndHandlers::~CEndHandlers() {
    if (m_terminateHandlerSet) {
        std::set_terminate(g_previousTerminate);
        g_previousTerminate = nullptr;
    }
    if (m_controlHandlerAdded) {
        os::SetConsoleCtrlHandler(OnConsoleEnd, FALSE);
    }
    const Hold hold(g_lock);
    g_ended = false;
}

bool ChangeInputMode(HANDLE input, DWORD original, DWORD mode) {
    const Hold hold(g_lock);
    if (g_ended || os::SetConsoleMode(input, mode) == FALSE) {
        return false;
    }
    g_input = input;
    g_inputModeAtStart = original;
    return true;
}

void GiveInputModeBack() {
    const Hold hold(g_lock);
    GiveInputModeBackLocked();
}

void KeepTitle(std::wstring original) {
    const Hold hold(g_lock);
    if (!g_ended) {
        g_titleAtStart = std::move(original);
        g_titleKept = true;
    }
}

bool ChangeTitle(const std::wstring& title) {
    const Hold hold(g_lock);
    return !g_ended && os::SetConsoleTitleW(title.c_str()) != FALSE;
}

void GiveTitleBack() {
    const Hold hold(g_lock);
    GiveTitleBackLocked();
}

} // namespace console
