// Simulated desktops of a given size for the benchmarks.
#pragma once

#include "support/simulated_system.h"

#include <cstddef>
#include <vector>

struct DesktopShape {
    DWORD processes = 0; // terminals included
    DWORD terminals = 0;
    DWORD charts = 0; // per terminal
    // Levels of each terminal's window tree: frame, MDI client, charts, then a chain of inner
    // windows, each below the one before, down to this level (3: charts without inner windows).
    DWORD depth = 3;
    // Every n-th process that is no terminal runs as administrator (0: none), so that a poster
    // that does not cannot read it, and asks for its image once a second, since it owns a window.
    DWORD elevatedEvery = 0;
};

struct Desktop {
    std::vector<DWORD> terminalIds;
    std::size_t windows = 0;            // on the whole desktop
    std::size_t topLevelWindows = 0;    // on the whole desktop
    std::size_t windowsPerTerminal = 0; // its top-level window and all below it
};

// Every process that is no terminal owns one top-level window with one child window; terminals
// are spread evenly through the process table, each in a folder of its own with the companion
// file beside it. Handle values are scattered, as real ones are, so that the chart set is not
// filled in ascending order.
Desktop BuildDesktop(sim::SimulatedSystem& system, const DesktopShape& shape);
