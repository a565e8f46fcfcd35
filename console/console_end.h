// What the program changes in its console, its input mode and its title, comes back however the
// program ends: when it returns; when the console ends it (Ctrl+C, Ctrl+Break, closing the
// window), through a control handler that runs on a thread of the system's; and when an error
// ends it, through std::terminate (MSVC's runtime keeps that handler per thread: the program's
// errors arise on its one thread). Each change is made here, under the lock that those ends take,
// so that none is given back half made, and none is made after the console was given back.
#pragma once

#include "os/win32.h"

#include <string>

namespace console {

// Whether the process's standard output is a console: only then does the program change it.
bool OutputIsConsole();

// Installs both ends' handlers for its life, where standard output is a console. The console's
// own handler then ends the program as it always did. Made before any change; one at a time.
class CEndHandlers {
public:
    CEndHandlers();
    CEndHandlers(const CEndHandlers&) = delete;
    CEndHandlers& operator=(const CEndHandlers&) = delete;
    ~CEndHandlers();

private:
    bool m_controlHandlerAdded = false;
    bool m_terminateHandlerSet = false;
};

// Sets the mode of `input`, the console's input buffer, which must stay open until the mode is
// given back; `original` comes back at the end. False, and nothing changed, where the console's
// end has begun or the system refuses.
bool ChangeInputMode(HANDLE input, DWORD original, DWORD mode);
void GiveInputModeBack();

// `original` is the title that comes back at the end; noted once, before the first change.
void KeepTitle(std::wstring original);
// False, and nothing changed, where the console's end has begun or the system refuses.
bool ChangeTitle(const std::wstring& title);
void GiveTitleBack();

} // namespace console
