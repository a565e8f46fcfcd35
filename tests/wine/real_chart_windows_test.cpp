// Chart window discovery against real windows: an MDI frame made by the test itself.
#include "app/chart_windows.h"

#include <gmock/gmock.h>

#include <windows.h>

#include <memory>
#include <vector>

namespace {

constexpr const wchar_t* kFrameClass = L"CommandPosterTestFrame";
constexpr const wchar_t* kChartClass = L"CommandPosterTestChart";

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefFrameProcW(window, ::GetWindow(window, GW_CHILD), message, wParam, lParam);
}

LRESULT CALLBACK ChartProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefMDIChildProcW(window, message, wParam, lParam);
}

struct WindowDestroyer {
    void operator()(HWND window) const { ::DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<HWND__, WindowDestroyer>;

class RealChartWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW frameClass{};
        frameClass.lpfnWndProc = FrameProcedure;
        frameClass.hInstance = instance;
        frameClass.lpszClassName = kFrameClass;
        ::RegisterClassW(&frameClass);
        WNDCLASSW chartClass{};
        chartClass.lpfnWndProc = ChartProcedure;
        chartClass.hInstance = instance;
        chartClass.lpszClassName = kChartClass;
        ::RegisterClassW(&chartClass);
    }

    void TearDown() override {
        m_frame.reset(); // destroys every window below it
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        ::UnregisterClassW(kFrameClass, instance);
        ::UnregisterClassW(kChartClass, instance);
    }

    // An MDI frame as a terminal has it: an MDI client with `count` charts, each holding two inner
    // windows, and beside the client a toolbar-like strip that is no MDI child. Returns the charts.
    std::vector<HWND> MakeFrameWithCharts(int count) {
        m_frame.reset(::CreateWindowExW(0, kFrameClass, L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                                        600, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                        nullptr));
        const HWND frame = m_frame.get();
        EXPECT_NE(frame, nullptr) << "no window could be made: is an X server (Xvfb) running?";
        CLIENTCREATESTRUCT client{};
        client.idFirstChild = 1000;
        const HWND mdiClient =
            ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                              0, 800, 560, frame, nullptr, nullptr, &client);
        EXPECT_NE(mdiClient, nullptr);
        EXPECT_NE(::CreateWindowExW(0, L"STATIC", L"plain", WS_CHILD | WS_VISIBLE, 0, 560, 800, 40,
                                    frame, nullptr, nullptr, nullptr),
                  nullptr);

        std::vector<HWND> charts;
        for (int i = 0; i < count && mdiClient != nullptr; ++i) {
            const HWND chart =
                ::CreateMDIWindowW(kChartClass, L"chart", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                   300, 200, mdiClient, ::GetModuleHandleW(nullptr), 0);
            EXPECT_NE(chart, nullptr);
            EXPECT_NE(::GetWindowLongW(chart, GWL_EXSTYLE) & WS_EX_MDICHILD, 0);
            for (int j = 0; j < 2; ++j) {
                EXPECT_NE(::CreateWindowExW(0, L"STATIC", L"inner", WS_CHILD | WS_VISIBLE, 0, 0, 50,
                                            50, chart, nullptr, nullptr, nullptr),
                          nullptr);
            }
            charts.push_back(chart);
        }
        return charts;
    }

    UniqueWindow m_frame;
};

TEST_F(RealChartWindowsTest, FindsExactlyTheMdiChildrenOfThisProcess) {
    const std::vector<HWND> charts = MakeFrameWithCharts(4);
    ASSERT_FALSE(HasFailure());

    const HandleSet found = FindChartWindows(::GetCurrentProcessId());

    const HandleSet expected(charts.begin(), charts.end());
    EXPECT_EQ(std::vector<HWND>(found.begin(), found.end()),
              std::vector<HWND>(expected.begin(), expected.end()));
}

TEST_F(RealChartWindowsTest, AnotherProcessIdFindsNoneOfThem) {
    ASSERT_EQ(MakeFrameWithCharts(2).size(), 2u);
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(FindChartWindows(::GetCurrentProcessId()).size(), 2u);
    // Process ids are multiples of 4: 2 is nobody's.
    EXPECT_TRUE(FindChartWindows(2).empty());
}

} // namespace
