// What the console says of the terminals that get nothing from this poster, a line per cause,
// each naming what to do (see processes/unserved_terminals.h), with the terminal's path under it.
#pragma once

#include "processes/processes.h"
#include "processes/unserved_terminals.h"

#include <string>
#include <vector>

class CUnservedNotices {
public:
    // Reads whether this poster runs elevated and under WOW64, and its session.
    CUnservedNotices();

    // The lines that a cycle with this process table and these targets writes. The look runs at
    // most once a second, counted in cycles: in every cycle that has no target, which gets the
    // lines of every terminal found (they take the place of the not-found message), and in every
    // tenth cycle with targets, which gets the lines of the terminals and causes that the look
    // before did not find. A terminal the look no longer finds is forgotten. The lines go by
    // cause (another session, another user, rights, word size), each cause's in table order.
    std::vector<std::wstring> Lines(const CProcesses& processes, const std::vector<DWORD>& targets);

    // The terminals that the last look found.
    std::size_t Unavailable() const { return m_found.size(); }
    // How many of `targets` the last look found in another session.
    std::size_t InOtherSession(const std::vector<DWORD>& targets) const;

private:
    PosterStanding m_poster;
    int m_servingCyclesToLook = 0;         // the first serving cycle looks
    std::vector<UnservedTerminal> m_found; // by the last look
};
