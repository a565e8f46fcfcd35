// The command poster from its start to its end.
#pragma once

#include <ostream>

// Runs the program with its status on these streams (standard output's, in the program: the
// narrow one for the texts, the wide one for the line end, as for RunPostingCycle) and returns
// its exit code: 1 where a poster that covers this one serves already, 1459
// (ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION, which Task Scheduler shows as the task's last run
// result) where it runs without a desktop and cannot serve. Otherwise it runs until it is ended
// from outside or by an error. The codes are listed in docs/console-messages.md.
int RunCommandPoster(std::ostream& narrow, std::wostream& wide);
