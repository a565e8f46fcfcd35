// The process table against the real system.
#include "processes/processes.h"
#include "support/processes_inspector.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace {

std::wstring OwnImagePath() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

TEST(RealProcessesTest, SnapshotHoldsThisProcessWithItsNameAndPath) {
    CProcesses processes;
    processes.Enumerate();
    processes.ReadNames();

    const auto& ids = processes.GetIds();
    const auto end = ids.begin() + processes.GetCount();
    const auto self = std::find(ids.begin(), end, ::GetCurrentProcessId());
    ASSERT_NE(self, end) << "the running test is missing from the snapshot";
    const std::size_t index = static_cast<std::size_t>(self - ids.begin());

    const std::wstring path = OwnImagePath();
    EXPECT_EQ(processes.GetImagePaths()[index], path);
    EXPECT_EQ(CProcessesInspector::BaseNames(processes)[index],
              path.substr(path.find_last_of(L'\\') + 1));
    EXPECT_GT(processes.GetCount(), 1u);
}

} // namespace
