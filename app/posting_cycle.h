// One pass of the command poster's endless loop: snapshot, selection, discovery, posts, pause.
#pragma once

#include "app/progress_indicator.h"
#include "app/unserved_notices.h"

#include <ostream>

// The narrow stream carries the converted messages and the dots; the wide one only the line end
// written when serving stops. Both share the process's standard output in the program. The
// indicator and the notices are what outlives a cycle.
void RunPostingCycle(ProgressIndicator& indicator, CUnservedNotices& unserved, std::ostream& narrow,
                     std::wostream& wide);
