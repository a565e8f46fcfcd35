// What the console says of the terminals that this poster sees but cannot serve, a line per
// cause, each naming what to do (see processes/unserved_terminals.h).
#pragma once

#include "processes/processes.h"
#include "processes/unserved_terminals.h"

#include <vector>

class CUnservedNotices {
public:
    // Reads whether this poster runs elevated and under WOW64.
    CUnservedNotices();

    // The lines that a cycle with this process table writes. The look runs at most once a
    // second, counted in cycles: in every cycle that serves no terminal, which gets the lines of
    // every terminal found (they take the place of the not-found message), and in every tenth
    // serving cycle, which gets the lines of the terminals and causes that the look before did
    // not find. A terminal the look no longer finds is forgotten.
    std::vector<const wchar_t*> Lines(const CProcesses& processes, bool serving);

private:
    PosterStanding m_poster;
    int m_servingCyclesToLook = 0;         // the first serving cycle looks
    std::vector<UnservedTerminal> m_found; // by the last look
};
