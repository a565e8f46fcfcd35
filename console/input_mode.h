// While the status is written, nothing typed or clicked in the console's window may hold its
// output up: every write would wait, and with it the posting itself, since the status is written
// before the posts of every cycle. The console's own input features do that: QuickEdit (on by
// default in the console windows of Windows 10 and 11) turns a click into a selection, and with
// line input on, Pause or Ctrl+S suspends the output until another key comes.
#pragma once

#include "utils/handle.h"

namespace console {

// Where standard output is a console, turns off, in that console's input mode, QuickEdit, line
// input, echo (which needs line input) and mouse input (with QuickEdit off, Windows Terminal
// would report the mouse to the program instead of selecting), and keeps every other flag, Ctrl+C
// among them. The mode comes back when the guard ends, and however else the program ends (see
// console/console_end.h). Where standard output is no console, or none of the four flags is set, it
// changes nothing. It never fails: the posting matters more than the console's mode. One guard
// at a time.
class CInputModeGuard {
public:
    CInputModeGuard();
    CInputModeGuard(const CInputModeGuard&) = delete;
    CInputModeGuard& operator=(const CInputModeGuard&) = delete;
    ~CInputModeGuard();

private:
    Utils::CThreadHandle m_input; // the console's input buffer, for as long as the mode is changed
    bool m_changed = false;
};

} // namespace console
