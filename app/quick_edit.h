// QuickEdit, on by default in the console windows of Windows 10 and 11, turns a click in the window
// into a selection, and while a selection lasts every write to the console waits. The status is
// written before the posts of every cycle, so one stray click would stop the posting itself.
#pragma once

namespace console {

// Where the standard input is a console with QuickEdit on, turns QuickEdit off (and every other
// flag as it was) and gives the console the mode it had back when Ctrl+C, Ctrl+Break or closing
// the window ends the program, which then ends as it always did. Leaves the console alone
// elsewhere, also where the standard input is no console, and never fails: the posting matters
// more than the console's mode.
void TurnOffQuickEdit();

} // namespace console
