#include "os/system.h"
#include "support/simulated_system.h"

#include <gtest/gtest.h>

namespace {

TEST(ScopedSystemTest, InstallsForItsScopeAndRestoresThePrevious) {
    sim::SimulatedSystem outer;
    sim::SimulatedSystem inner;
    {
        const os::ScopedSystem installOuter(outer);
        os::Sleep(1);
        {
            const os::ScopedSystem installInner(inner);
            os::Sleep(2);
        }
        os::Sleep(3);
    }
    EXPECT_EQ(outer.Sleeps(), (std::vector<DWORD>{1, 3}));
    EXPECT_EQ(inner.Sleeps(), (std::vector<DWORD>{2}));
}

#ifndef _WIN32
// Without Windows and without a simulated system, every call fails as a real one that cannot
// work: failure value and ERROR_CALL_NOT_IMPLEMENTED.
TEST(UnavailableSystemTest, EveryCallFailsAsNotImplemented) {
    DWORD ids[4] = {};
    DWORD returned = 0;
    EXPECT_FALSE(os::EnumProcesses(ids, sizeof(ids), &returned));
    EXPECT_EQ(os::GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(os::OpenProcess(0x410, FALSE, 4), nullptr);
    EXPECT_FALSE(os::EnumWindows(nullptr, 0));
    EXPECT_EQ(os::GetWindowLongW(nullptr, GWL_EXSTYLE), 0); // no window is a chart
    EXPECT_FALSE(os::PostMessageA(nullptr, WM_COMMAND, 0, 0));
    EXPECT_EQ(os::GetFileAttributesW(L"C:\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(os::WideCharToMultiByte(CP_OEMCP, 0, L"x", -1, nullptr, 0, nullptr, nullptr), 0);
    wchar_t* text = nullptr;
    EXPECT_EQ(
        os::FormatMessageW(0x1100, nullptr, 5, 0x400, reinterpret_cast<LPWSTR>(&text), 0, nullptr),
        0u);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(os::GetLastError(), ERROR_CALL_NOT_IMPLEMENTED);
}
#endif

} // namespace
