// The simulated system must itself catch the faults that tests rely on it to catch.
#include "support/simulated_system.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

TEST(SimulatedSystemTest, FailsTheTestForALeakedHandle) {
    EXPECT_NONFATAL_FAILURE(
        {
            sim::SimulatedSystem system;
            system.AddProcess(20, L"C:\\a.exe");
            system.OpenProcess(0x410, FALSE, 20);
        },
        "leaked handle");
}

TEST(SimulatedSystemTest, FailsTheTestForADoubleClose) {
    EXPECT_NONFATAL_FAILURE(
        {
            sim::SimulatedSystem system;
            system.AddProcess(20, L"C:\\a.exe");
            const HANDLE handle = system.OpenProcess(0x410, FALSE, 20);
            system.CloseHandle(handle);
            system.CloseHandle(handle);
        },
        "not open");
}

TEST(SimulatedSystemTest, FailsTheTestForAnUnreleasedMessageBuffer) {
    EXPECT_NONFATAL_FAILURE(
        {
            sim::SimulatedSystem system;
            wchar_t* text = nullptr;
            system.FormatMessageW(0x1100, nullptr, ERROR_SUCCESS, 0x400,
                                  reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        },
        "leaked buffer");
}

TEST(SimulatedSystemTest, FailsOnlyTheScriptedOccurrence) {
    sim::SimulatedSystem system;
    system.FailCall("GetFileAttributesW", 2, ERROR_ACCESS_DENIED);
    system.AddFile(L"C:\\Trade\\MetaEditor.exe");
    EXPECT_NE(system.GetFileAttributesW(L"c:/trade/METAEDITOR.EXE"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(system.GetFileAttributesW(L"C:\\Trade\\MetaEditor.exe"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(system.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_NE(system.GetFileAttributesW(L"C:\\Trade\\MetaEditor.exe"), INVALID_FILE_ATTRIBUTES);
}

} // namespace
