#include "simulated_desktop.h"

#include <string>

namespace {

constexpr DWORD kFirstOrdinaryId = 1000;
constexpr DWORD kFirstTerminalId = 1000000;

// Hands out distinct handle values in a scattered order: multiplying by an odd number permutes
// the residues modulo 2^24.
class HandleSource {
public:
    std::uintptr_t Next() {
        const std::uintptr_t scrambled = (m_next++ * 0x9E3779B1u) & 0xFFFFFFu;
        return 0x10000 + 4 * scrambled;
    }

private:
    std::uintptr_t m_next = 0;
};

void AddOrdinaryProcess(sim::SimulatedSystem& system, HandleSource& handles, DWORD index,
                        const DesktopShape& shape, Desktop& desktop) {
    const DWORD id = kFirstOrdinaryId + 4 * index;
    system.AddProcess(id, L"C:\\Program Files\\App" + std::to_wstring(id) + L"\\app.exe").elevated =
        shape.elevatedEvery != 0 && index % shape.elevatedEvery == 0;
    const std::uintptr_t window = handles.Next();
    system.AddWindow(window, 0, id);
    system.AddWindow(handles.Next(), window, id);
    desktop.windows += 2;
    desktop.topLevelWindows += 1;
}

void AddTerminal(sim::SimulatedSystem& system, HandleSource& handles, DWORD id, DWORD index,
                 const DesktopShape& shape, Desktop& desktop) {
    const std::wstring folder = L"C:\\Terminals\\Terminal " + std::to_wstring(index);
    system.AddProcess(id, folder + L"\\terminal.exe");
    system.AddFile(folder + L"\\MetaEditor.exe");

    const std::uintptr_t frame = handles.Next();
    system.AddWindow(frame, 0, id);
    const std::uintptr_t client = handles.Next();
    system.AddWindow(client, frame, id);
    std::size_t windows = 2;
    for (DWORD chart = 0; chart < shape.charts; ++chart) {
        std::uintptr_t parent = handles.Next();
        system.AddWindow(parent, client, id, WS_EX_MDICHILD);
        ++windows;
        for (DWORD level = 4; level <= shape.depth; ++level) {
            const std::uintptr_t inner = handles.Next();
            system.AddWindow(inner, parent, id);
            parent = inner;
            ++windows;
        }
    }
    desktop.terminalIds.push_back(id);
    desktop.windows += windows;
    desktop.topLevelWindows += 1;
    desktop.windowsPerTerminal = windows;
}

} // namespace

Desktop BuildDesktop(sim::SimulatedSystem& system, const DesktopShape& shape) {
    Desktop desktop;
    HandleSource handles;
    const DWORD ordinary = shape.processes - shape.terminals;
    DWORD nextOrdinary = 0;
    for (DWORD terminal = 0; terminal < shape.terminals; ++terminal) {
        // Terminal k stands after (k + 1) / (terminals + 1) of the ordinary processes.
        const DWORD before =
            static_cast<DWORD>(std::uint64_t{ordinary} * (terminal + 1) / (shape.terminals + 1));
        for (; nextOrdinary < before; ++nextOrdinary) {
            AddOrdinaryProcess(system, handles, nextOrdinary, shape, desktop);
        }
        AddTerminal(system, handles, kFirstTerminalId + 4 * terminal, terminal, shape, desktop);
    }
    for (; nextOrdinary < ordinary; ++nextOrdinary) {
        AddOrdinaryProcess(system, handles, nextOrdinary, shape, desktop);
    }
    return desktop;
}
