// One pass of the command poster's endless loop: snapshot, selection, discovery, posts, pause.
#pragma once

#include "app/unserved_notices.h"
#include "console/progress_indicator.h"
#include "os/win32.h"

#include <cstddef>
#include <ostream>
#include <vector>

// What a cycle did, for the console's title and for the poster that runs without a desktop.
struct CycleReport {
    std::vector<DWORD> targets;  // the terminals found, served or not
    std::size_t terminals = 0;   // the targets, less those in another session
    std::size_t unavailable = 0; // the terminals that the last look for those not served found
    std::size_t charts = 0;      // the chart windows posted to
    DWORD pauseMs = 0;           // the pause the cycle ended with
};

// The narrow stream carries the converted messages and the dots; the wide one only the line end
// written when serving stops. Both share the process's standard output in the program. The
// indicator and the notices are what outlives a cycle.
CycleReport RunPostingCycle(ProgressIndicator& indicator, CUnservedNotices& unserved,
                            std::ostream& narrow, std::wostream& wide);
