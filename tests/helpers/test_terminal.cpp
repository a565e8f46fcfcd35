// A stand-in for a terminal, for the end-to-end tests and the demo: an MDI frame whose chart
// windows (MDI children) and other windows record every WM_COMMAND they receive in a text file.
//
//   test_terminal.exe <record-file> <lifetime-ms> [<charts> [<inner-per-chart>]]
//
// The record file gets one line per event, written through at once, since the tests may end the
// process at any moment:
//   window <handle> <role>    once per window, role frame|client|chart|inner|plain
//   ready                     after the window lines
//   command <handle> <wParam> <lParam> <milliseconds since start>
//   resumed, drained          after a stop: when it reads again, and once it has read what waited
//   end                       when the lifetime is over, just before the exit (code 0)
// Handles are written as "0x" and lowercase hex digits. A bad command line ends it with code 2.
// Posted to the frame, WM_APP with wParam n stops it from reading messages for n ms, as a long
// computation would.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitBadCommandLine = 2;
constexpr int kExitNoRecordFile = 3;

constexpr unsigned long kMaxLifetimeMs = 0x7fffffff; // USER_TIMER_MAXIMUM
constexpr unsigned long kMaxCharts = 256;
constexpr unsigned long kMaxInnerPerChart = 64;
constexpr unsigned long kDefaultCharts = 3;
constexpr unsigned long kDefaultInnerPerChart = 2;

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kStopMessage = WM_APP;
constexpr UINT kDrainedMessage = WM_APP + 1; // posted to itself, behind what waited
constexpr UINT kFirstChildId = 50000;        // ids the MDI client gives its children
constexpr int kStripHeight = 24;
// IDI_APPLICATION and IDC_ARROW, as wide resource names whatever UNICODE says.
const LPCWSTR kApplicationIcon = MAKEINTRESOURCEW(32512);
const LPCWSTR kArrowCursor = MAKEINTRESOURCEW(32512);

constexpr wchar_t kFrameClass[] = L"TestTerminalFrame";
constexpr wchar_t kChartClass[] = L"TestTerminalChart";
constexpr wchar_t kInnerClass[] = L"TestTerminalInner";
constexpr wchar_t kPlainClass[] = L"TestTerminalPlain";

struct Options {
    std::wstring record_path;
    unsigned long lifetime_ms = 0;
    unsigned long charts = kDefaultCharts;
    unsigned long inner_per_chart = kDefaultInnerPerChart;
};

// Digits only, no sign or spaces, at most `max`.
bool ParseNumber(const wchar_t* text, unsigned long max, unsigned long& out) {
    if (*text == L'\0') {
        return false;
    }
    unsigned long long value = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p < L'0' || *p > L'9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long long>(*p - L'0');
        if (value > max) {
            return false;
        }
    }
    out = static_cast<unsigned long>(value);
    return true;
}

bool ParseCommandLine(int argc, wchar_t** argv, Options& options) {
    if (argc < 3 || argc > 5 || argv[1][0] == L'\0') {
        return false;
    }
    options.record_path = argv[1];
    if (!ParseNumber(argv[2], kMaxLifetimeMs, options.lifetime_ms) || options.lifetime_ms == 0) {
        return false;
    }
    if (argc > 3 && !ParseNumber(argv[3], kMaxCharts, options.charts)) {
        return false;
    }
    if (argc > 4 && !ParseNumber(argv[4], kMaxInnerPerChart, options.inner_per_chart)) {
        return false;
    }
    return true;
}

std::string HandleText(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

// The record file. Every line goes straight to the system with WriteFile (no buffer to lose when
// the process is terminated); readers may open the file while it is being written.
class RecordFile {
public:
    explicit RecordFile(const std::wstring& path)
        : handle_(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~RecordFile() {
        if (IsOpen()) {
            ::CloseHandle(handle_);
        }
    }
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    void WriteLine(std::string line) {
        line += '\n';
        DWORD written = 0;
        ::WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ::FlushFileBuffers(handle_);
    }

private:
    HANDLE handle_;
};

// What the window procedures share. One instance, owned by wmain.
struct Terminal {
    RecordFile& record;
    std::chrono::steady_clock::time_point start;
    HWND frame = nullptr;
    HWND client = nullptr;
    HWND plain = nullptr;
    WNDPROC client_original = nullptr;

    void RecordCommand(HWND window, WPARAM wparam, LPARAM lparam) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        char text[160];
        std::snprintf(text, sizeof text, "command %s %llu %lld %lld", HandleText(window).c_str(),
                      static_cast<unsigned long long>(wparam), static_cast<long long>(lparam),
                      static_cast<long long>(elapsed.count()));
        record.WriteLine(text);
    }
};

Terminal* g_terminal = nullptr;

// Lays the strip along the top of the frame and the MDI client below it.
void LayOutFrame(int width, int height) {
    if (g_terminal->plain != nullptr) {
        ::MoveWindow(g_terminal->plain, 0, 0, width, kStripHeight, TRUE);
    }
    if (g_terminal->client != nullptr) {
        const int client_height = height > kStripHeight ? height - kStripHeight : 0;
        ::MoveWindow(g_terminal->client, 0, kStripHeight, width, client_height, TRUE);
    }
}

// Lays the inner windows of a chart out as horizontal bands.
void LayOutChart(HWND chart, int width, int height) {
    std::vector<HWND> inner;
    for (HWND child = ::GetWindow(chart, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        inner.push_back(child);
    }
    if (inner.empty()) {
        return;
    }
    const int band = height / static_cast<int>(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const int top = band * static_cast<int>(i);
        const int bottom = i + 1 == inner.size() ? height : top + band;
        ::MoveWindow(inner[i], 1, top + 1, width - 2, bottom - top - 2, TRUE);
    }
}

// A recorded WM_COMMAND goes no further: the default procedures would act on it.
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        g_terminal->RecordCommand(window, wparam, lparam);
        return 0;
    case WM_SIZE:
        // Handled here instead of by DefFrameProcW, which would cover the strip with the client.
        LayOutFrame(LOWORD(lparam), HIWORD(lparam));
        return 0;
    case kStopMessage:
        ::Sleep(static_cast<DWORD>(wparam));
        g_terminal->record.WriteLine("resumed");
        ::PostMessageW(window, kDrainedMessage, 0, 0);
        return 0;
    case kDrainedMessage:
        g_terminal->record.WriteLine("drained");
        return 0;
    case WM_TIMER:
        if (wparam == kLifetimeTimer) {
            ::KillTimer(window, kLifetimeTimer);
            ::DestroyWindow(window);
            return 0;
        }
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        break;
    case WM_NCDESTROY:
        g_terminal->frame = nullptr;
        break;
    default:
        break;
    }
    return ::DefFrameProcW(window, g_terminal->client, message, wparam, lparam);
}

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const WNDPROC original = g_terminal->client_original;
    if (message == WM_COMMAND) {
        g_terminal->RecordCommand(window, wparam, lparam);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        // The subclass ends with the window.
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        g_terminal->client = nullptr;
    }
    return ::CallWindowProcW(original, window, message, wparam, lparam);
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        g_terminal->RecordCommand(window, wparam, lparam);
        return 0;
    }
    if (message == WM_SIZE) {
        LayOutChart(window, LOWORD(lparam), HIWORD(lparam));
        // DefMDIChildProcW needs WM_SIZE too: it keeps the MDI state (maximizing) up to date.
    }
    return ::DefMDIChildProcW(window, message, wparam, lparam);
}

// Inner windows and the strip: plain child windows.
LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) {
        g_terminal->RecordCommand(window, wparam, lparam);
        return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

// A registered window class, unregistered again at the end.
class WindowClass {
public:
    WindowClass(const wchar_t* name, WNDPROC procedure, int background_color) : name_(name) {
        WNDCLASSEXW description{};
        description.cbSize = sizeof description;
        description.lpfnWndProc = procedure;
        description.hInstance = ::GetModuleHandleW(nullptr);
        description.hIcon = ::LoadIconW(nullptr, kApplicationIcon);
        description.hCursor = ::LoadCursorW(nullptr, kArrowCursor);
        description.hbrBackground = ::GetSysColorBrush(background_color);
        description.lpszClassName = name;
        registered_ = ::RegisterClassExW(&description) != 0;
    }
    ~WindowClass() {
        if (registered_) {
            ::UnregisterClassW(name_, ::GetModuleHandleW(nullptr));
        }
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    bool IsRegistered() const { return registered_; }

private:
    const wchar_t* name_;
    bool registered_ = false;
};

// Destroys the frame, and with it every other window, unless it is gone already.
class FrameOwner {
public:
    ~FrameOwner() {
        if (g_terminal != nullptr && g_terminal->frame != nullptr) {
            ::DestroyWindow(g_terminal->frame);
        }
    }
};

struct WindowLine {
    HWND window;
    const char* role;
};

// Creates every window and lists them in creation order; false when one cannot be created.
bool CreateWindows(const Options& options, std::vector<WindowLine>& lines) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    Terminal& terminal = *g_terminal;

    terminal.frame = ::CreateWindowExW(
        0, kFrameClass, L"Test terminal", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, 900, 650, nullptr, nullptr, instance, nullptr);
    if (terminal.frame == nullptr) {
        return false;
    }
    lines.push_back({terminal.frame, "frame"});

    CLIENTCREATESTRUCT client_create{};
    client_create.hWindowMenu = nullptr;
    client_create.idFirstChild = kFirstChildId;
    terminal.client =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                          WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
                          0, 0, terminal.frame, nullptr, instance, &client_create);
    if (terminal.client == nullptr) {
        return false;
    }
    terminal.client_original = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        terminal.client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClientProc)));
    if (terminal.client_original == nullptr) {
        return false;
    }
    lines.push_back({terminal.client, "client"});

    for (unsigned long chart_index = 0; chart_index < options.charts; ++chart_index) {
        const std::wstring title = L"Chart " + std::to_wstring(chart_index + 1);
        const HWND chart = ::CreateMDIWindowW(
            kChartClass, title.c_str(), WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
            400, 300, terminal.client, instance, 0);
        if (chart == nullptr) {
            return false;
        }
        lines.push_back({chart, "chart"});
        for (unsigned long inner_index = 0; inner_index < options.inner_per_chart; ++inner_index) {
            const HWND inner = ::CreateWindowExW(
                0, kInnerClass, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0, chart,
                reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(inner_index + 1)), instance,
                nullptr);
            if (inner == nullptr) {
                return false;
            }
            lines.push_back({inner, "inner"});
        }
        RECT area{};
        ::GetClientRect(chart, &area);
        LayOutChart(chart, area.right, area.bottom);
    }

    terminal.plain = ::CreateWindowExW(0, kPlainClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                       terminal.frame, nullptr, instance, nullptr);
    if (terminal.plain == nullptr) {
        return false;
    }
    lines.push_back({terminal.plain, "plain"});

    RECT area{};
    ::GetClientRect(terminal.frame, &area);
    LayOutFrame(area.right, area.bottom);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const auto start = std::chrono::steady_clock::now();

    Options options;
    if (!ParseCommandLine(argc, argv, options)) {
        return kExitBadCommandLine;
    }

    RecordFile record(options.record_path);
    if (!record.IsOpen()) {
        return kExitNoRecordFile;
    }
    Terminal terminal{record, start};
    // The window procedures reach the terminal through g_terminal until every window is gone.
    struct Installed {
        explicit Installed(Terminal& installed) { g_terminal = &installed; }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
        ~Installed() { g_terminal = nullptr; }
    } const installed(terminal);

    const WindowClass frame_class(kFrameClass, &FrameProc, COLOR_APPWORKSPACE);
    const WindowClass chart_class(kChartClass, &ChartProc, COLOR_WINDOW);
    const WindowClass inner_class(kInnerClass, &ChildProc, COLOR_WINDOW);
    const WindowClass plain_class(kPlainClass, &ChildProc, COLOR_BTNFACE);
    if (!frame_class.IsRegistered() || !chart_class.IsRegistered() || !inner_class.IsRegistered() ||
        !plain_class.IsRegistered()) {
        return kExitFailure;
    }

    const FrameOwner frame_owner;
    std::vector<WindowLine> lines;
    if (!CreateWindows(options, lines)) {
        return kExitFailure;
    }
    ::ShowWindow(terminal.frame, SW_SHOW);
    ::UpdateWindow(terminal.frame);

    for (const WindowLine& line : lines) {
        record.WriteLine("window " + HandleText(line.window) + " " + line.role);
    }
    record.WriteLine("ready");

    if (::SetTimer(terminal.frame, kLifetimeTimer, options.lifetime_ms, nullptr) == 0) {
        return kExitFailure;
    }

    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            return kExitFailure;
        }
        if (got == 0) {
            break;
        }
        if (terminal.client == nullptr || !::TranslateMDISysAccel(terminal.client, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    record.WriteLine("end");
    return kExitOk;
}
