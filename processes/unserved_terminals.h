// The terminals that the cycle's read of the process table could not select: they run beyond
// this poster's rights or word size, and the console names what to do.
#pragma once

#include "os/win32.h"
#include "processes/processes.h"

#include <string>
#include <vector>

struct UnservedTerminal {
    DWORD processId = 0;
    bool needsElevation = false; // it runs as administrator, and this poster does not
    bool needs64Bit = false;     // it runs 64-bit, and this poster under WOW64
};

// What this poster runs with, which decides what may keep it from a terminal.
struct PosterStanding {
    bool elevated = false;
    bool underWow64 = false;
};

// Of the entries of `processes` whose image path could not be read and whose id is in `shown`
// (ascending: the processes that own a top-level window on this desktop), those whose image,
// asked with the limited query that Windows grants beyond those bounds, passes
// IsTerminalImage, in table order, each with what keeps this poster from it. One where neither
// bound is what keeps it (it was starting, or runs as the system, beside an elevated poster) is
// left out; so is one that even the limited query is refused (another account's).
std::vector<UnservedTerminal> FindUnservedTerminals(const std::wstring& terminalFileName,
                                                    const std::wstring& companionFileName,
                                                    const CProcesses& processes,
                                                    const std::vector<DWORD>& shown,
                                                    PosterStanding poster);
