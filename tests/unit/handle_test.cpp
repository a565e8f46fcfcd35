#include "support/simulated_test.h"
#include "utils/handle.h"

#include <stdexcept>

namespace {

class ThreadHandleTest : public SimulatedTest {
protected:
    void SetUp() override { system.AddProcess(20, L"C:\\a.exe"); }
    HANDLE Open() { return system.OpenProcess(0x410, FALSE, 20); }
};

TEST_F(ThreadHandleTest, EmptyOwnerNeverCloses) {
    {
        Utils::CThreadHandle owner(nullptr);
        EXPECT_FALSE(owner.IsValid());
        owner.Close();
    }
    EXPECT_EQ(system.CallCount("CloseHandle"), 0);
}

TEST_F(ThreadHandleTest, ClosesOnceHoweverOftenAsked) {
    {
        Utils::CThreadHandle owner(Open());
        owner.Close();
        EXPECT_EQ(owner.Get(), nullptr);
        owner.Close();
    }
    EXPECT_EQ(system.CallCount("CloseHandle"), 1);
    EXPECT_EQ(system.OpenHandleCount(), 0u);
}

TEST_F(ThreadHandleTest, ClosesWhenTheScopeEnds) {
    { const Utils::CThreadHandle owner(Open()); }
    EXPECT_EQ(system.CallCount("CloseHandle"), 1);
}

TEST_F(ThreadHandleTest, ClosesDuringUnwinding) {
    EXPECT_THROW(
        {
            const Utils::CThreadHandle owner(Open());
            throw std::runtime_error("leaving");
        },
        std::runtime_error);
    EXPECT_EQ(system.OpenHandleCount(), 0u);
}

TEST_F(ThreadHandleTest, FailedCloseStillEmptiesTheOwner) {
    system.FailCall("CloseHandle", 1);
    {
        Utils::CThreadHandle owner(Open());
        owner.Close();
        EXPECT_FALSE(owner.IsValid());
    }
    EXPECT_EQ(system.CallCount("CloseHandle"), 1);
}

} // namespace
