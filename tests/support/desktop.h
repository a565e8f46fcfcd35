// Building blocks for simulated desktops that several tests share.
#pragma once

#include "support/simulated_system.h"

#include <string>

namespace sim {

// Extended styles as real windows carry them: a chart window (an MDI child) has WS_EX_MDICHILD
// among other bits (0x140 under Wine), a frame or an MDI client other bits but never that one.
inline constexpr LONG kWindowEdge = 0x100; // WS_EX_WINDOWEDGE
inline constexpr LONG kChartStyle = WS_EX_MDICHILD | kWindowEdge;
inline constexpr LONG kFrameStyle = 0x10000 | kWindowEdge; // and WS_EX_CONTROLPARENT
inline constexpr LONG kClientStyle = 0x200;                // WS_EX_CLIENTEDGE

// A terminal as the poster finds it: "<folder>\terminal.exe" with "MetaEditor.exe" beside it, a
// main window at `firstWindow` holding an MDI client at firstWindow + 1, and `charts` chart
// windows under the client (firstWindow + 0x10 * i, each with an inner window at +1). Charts are
// created in descending handle order, so that tests see them served ascending.
inline Process& AddTerminal(SimulatedSystem& system, DWORD id, const std::wstring& folder,
                            std::uintptr_t firstWindow, int charts) {
    Process& terminal = system.AddProcess(id, folder + L"\\terminal.exe");
    system.AddFile(folder + L"\\MetaEditor.exe");
    system.AddWindow(firstWindow, 0, id, kFrameStyle);
    system.AddWindow(firstWindow + 1, firstWindow, id, kClientStyle);
    for (int i = charts; i >= 1; --i) {
        const std::uintptr_t chart = firstWindow + 0x10 * static_cast<std::uintptr_t>(i);
        system.AddWindow(chart, firstWindow + 1, id, kChartStyle);
        system.AddWindow(chart + 1, chart, id);
    }
    return terminal;
}

} // namespace sim
