// Many cycles against a simulated desktop with terminals that end and come back: no handle left
// open or closed twice, no leak (LeakSanitizer checks at exit), and the heap in use the same
// after the last cycle as after the thousandth.
//
// COMMAND_POSTER_SOAK_CYCLES sets the number of cycles (at least 1000; 2000 by default).
#include "app/posting_cycle.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <streambuf>

#if defined(__SANITIZE_ADDRESS__)
// From the AddressSanitizer runtime (its header is not installed with every compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

long CyclesToRun() {
    const char* text = std::getenv("COMMAND_POSTER_SOAK_CYCLES");
    const long cycles = text != nullptr ? std::strtol(text, nullptr, 10) : 2000;
    return cycles < 1000 ? 1000 : cycles;
}

// Standard output that drops everything: the soak is about resources, not texts.
template <typename Char>
class Discard : public std::basic_streambuf<Char> {
protected:
    typename std::basic_streambuf<Char>::int_type
    overflow(typename std::basic_streambuf<Char>::int_type c) override {
        return std::basic_streambuf<Char>::traits_type::not_eof(c);
    }
};

constexpr int kTerminals = 3;
constexpr int kChartsPerTerminal = 40;
// Terminal t is away for 7 cycles of every 250 (at different moments for each terminal), so the
// poster sees terminals end and come back, and every terminal away at once now and then.
constexpr long kPeriod = 250;

bool Present(int terminal, long cycle) {
    const long phase = (cycle + 3L * terminal) % kPeriod;
    return phase >= 7;
}

TEST(SoakTest, ResourcesStayFlatOverManyCycles) {
    const long cycles = CyclesToRun();
    sim::SimulatedSystem system;
    const os::ScopedSystem installed(system);

    system.AddOrdinaryProcesses(300 - kTerminals);
    for (int t = 0; t < kTerminals; ++t) {
        const std::wstring folder = L"D:\\Terminal" + std::to_wstring(t);
        system.AddFile(folder + L"\\MetaEditor.exe");
        const std::uintptr_t main = 0x10000 * static_cast<std::uintptr_t>(t + 1);
        const auto id = static_cast<DWORD>(50000 + 4 * t);
        system.AddWindow(main, 0, id);
        system.AddWindow(main + 1, main, id); // MDI client
        for (int c = 0; c < kChartsPerTerminal; ++c) {
            const std::uintptr_t chart = main + 0x10 * static_cast<std::uintptr_t>(c + 1);
            system.AddWindow(chart, main + 1, id, WS_EX_MDICHILD);
            system.AddWindow(chart + 1, chart, id);
            system.AddWindow(chart + 2, chart + 1, id);
        }
    }

    Discard<char> narrowSink;
    Discard<wchar_t> wideSink;
    std::ostream narrow(&narrowSink);
    std::wostream wide(&wideSink);
    ProgressIndicator indicator;
    CUnservedNotices unserved;

    std::size_t heapAfterThousand = 0;
    long posts = 0;
    for (long cycle = 1; cycle <= cycles; ++cycle) {
        for (int t = 0; t < kTerminals; ++t) {
            const auto id = static_cast<DWORD>(50000 + 4 * t);
            system.RemoveProcess(id);
            if (Present(t, cycle)) {
                system.AddProcess(id, L"D:\\Terminal" + std::to_wstring(t) + L"\\terminal.exe");
            }
        }
        RunPostingCycle(indicator, unserved, narrow, wide);
        ASSERT_EQ(system.OpenHandleCount(), 0u) << "cycle " << cycle;
        posts += static_cast<long>(system.Posted().size());
        system.ClearRecords(); // the model's recorders must not grow either
        if (cycle == 1000) {
            heapAfterThousand = HeapInUse();
        }
    }
    const std::size_t heapAtEnd = HeapInUse();

    std::cout << "cycles: " << cycles << ", messages posted: " << posts
              << ", process handles opened and closed: " << system.HandlesOpened()
              << "\nheap in use after 1000 cycles: " << heapAfterThousand << " bytes; after "
              << cycles << " cycles: " << heapAtEnd << " bytes\n";
    EXPECT_EQ(heapAtEnd, heapAfterThousand);
    EXPECT_EQ(system.HandlesOpened(), system.HandlesClosed());
    EXPECT_TRUE(system.Faults().empty());
}

} // namespace
