// Allocation failures anywhere in a serving cycle: each leaves the cycle as std::bad_alloc, and
// every process handle opened in the cycle is closed on the way out.
#include "app/posting_cycle.h"
#include "support/console_capture.h"
#include "support/desktop.h"
#include "support/failing_allocator.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

#include <iostream>
#include <new>

namespace {

// Forwards to the simulated system with allocation failures paused, so that only the program's
// own allocations count and fail; the program's enumeration callbacks run unpaused.
class ProgramAllocationsOnly final : public os::System {
public:
    explicit ProgramAllocationsOnly(os::System& system) : m_system(system) {}

    BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) override {
        const failing_allocator::Paused paused;
        return m_system.EnumProcesses(ids, bytes, returned);
    }
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD id) override {
        const failing_allocator::Paused paused;
        return m_system.OpenProcess(access, inherit, id);
    }
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* needed) override {
        const failing_allocator::Paused paused;
        return m_system.EnumProcessModules(process, modules, bytes, needed);
    }
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR name, DWORD size) override {
        const failing_allocator::Paused paused;
        return m_system.GetModuleBaseNameW(process, module, name, size);
    }
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR name, DWORD size) override {
        const failing_allocator::Paused paused;
        return m_system.GetModuleFileNameExW(process, module, name, size);
    }
    BOOL CloseHandle(HANDLE object) override {
        const failing_allocator::Paused paused;
        return m_system.CloseHandle(object);
    }
    BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter) override {
        const failing_allocator::Paused paused;
        const Callback saved = Enter(callback, parameter);
        const BOOL result = m_system.EnumWindows(Trampoline, reinterpret_cast<LPARAM>(this));
        m_callback = saved;
        return result;
    }
    BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) override {
        const failing_allocator::Paused paused;
        const Callback saved = Enter(callback, parameter);
        const BOOL result =
            m_system.EnumChildWindows(parent, Trampoline, reinterpret_cast<LPARAM>(this));
        m_callback = saved;
        return result;
    }
    DWORD GetWindowThreadProcessId(HWND window, DWORD* id) override {
        const failing_allocator::Paused paused;
        return m_system.GetWindowThreadProcessId(window, id);
    }
    LONG GetWindowLongW(HWND window, int index) override {
        const failing_allocator::Paused paused;
        return m_system.GetWindowLongW(window, index);
    }
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        const failing_allocator::Paused paused;
        return m_system.PostMessageA(window, message, wParam, lParam);
    }
    int StrCmpIW(LPCWSTR first, LPCWSTR second) override {
        const failing_allocator::Paused paused;
        return m_system.StrCmpIW(first, second);
    }
    DWORD GetFileAttributesW(LPCWSTR name) override {
        const failing_allocator::Paused paused;
        return m_system.GetFileAttributesW(name);
    }
    int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR narrow,
                            int narrowSize, LPCSTR defaultChar, LPBOOL usedDefault) override {
        const failing_allocator::Paused paused;
        return m_system.WideCharToMultiByte(codePage, flags, wide, wideLength, narrow, narrowSize,
                                            defaultChar, usedDefault);
    }
    DWORD GetLastError() override {
        const failing_allocator::Paused paused;
        return m_system.GetLastError();
    }
    DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD id, DWORD language, LPWSTR buffer,
                         DWORD size, va_list* arguments) override {
        const failing_allocator::Paused paused;
        return m_system.FormatMessageW(flags, source, id, language, buffer, size, arguments);
    }
    HLOCAL LocalFree(HLOCAL memory) override {
        const failing_allocator::Paused paused;
        return m_system.LocalFree(memory);
    }
    void OutputDebugStringW(LPCWSTR text) override {
        const failing_allocator::Paused paused;
        m_system.OutputDebugStringW(text);
    }
    void Sleep(DWORD milliseconds) override {
        const failing_allocator::Paused paused;
        m_system.Sleep(milliseconds);
    }

private:
    struct Callback {
        WNDENUMPROC procedure = nullptr;
        LPARAM parameter = 0;
    };

    Callback Enter(WNDENUMPROC procedure, LPARAM parameter) {
        const Callback saved = m_callback;
        m_callback = Callback{procedure, parameter};
        return saved;
    }

    static BOOL CALLBACK Trampoline(HWND window, LPARAM self) {
        const auto* system = reinterpret_cast<ProgramAllocationsOnly*>(self);
        const failing_allocator::Resumed resumed;
        return system->m_callback.procedure(window, system->m_callback.parameter);
    }

    os::System& m_system;
    Callback m_callback;
};

TEST(CycleAllocationTest, EveryAllocationFailureLeavesTheCycleAsBadAlloc) {
    long failures = 0;
    for (long k = 1;; ++k) {
        sim::SimulatedSystem simulated;
        ProgramAllocationsOnly system(simulated);
        const os::ScopedSystem installed(system);
        simulated.AddOrdinaryProcesses(8);
        sim::AddTerminal(simulated, 100, L"D:\\First", 0x1000, 3);
        sim::AddTerminal(simulated, 200, L"E:\\Second", 0x5000, 2);
        ProgressIndicator indicator;
        ConsoleCapture console;

        bool finished = false;
        {
            const failing_allocator::Armed armed;
            failing_allocator::FailFrom(k);
            try {
                RunPostingCycle(indicator, console.Narrow(), console.Wide());
                finished = true;
            } catch (const std::bad_alloc&) {
                ++failures;
            }
        }
        EXPECT_EQ(simulated.OpenHandleCount(), 0u) << "allocation " << k;
        if (finished) {
            // Past the cycle's last allocation: it ran whole, and every earlier k failed it.
            EXPECT_EQ(failures, k - 1);
            EXPECT_EQ(simulated.Posted().size(), (3u + 2u) * 2);
            break;
        }
        ASSERT_LT(k, 100000) << "the cycle never finished";
    }
    EXPECT_GT(failures, 50); // the snapshot alone allocates per process
    std::cout << "a serving cycle makes " << failures << " allocations; each was failed once\n";
}

} // namespace
