// The real command poster against test terminals of our own, under the real system: what each
// window receives and what the status line shows.
#include "wine/wine_support.h"

#include <gmock/gmock.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

namespace {

// What one test terminal wrote about itself: its windows by role and the commands they got.
struct Record {
    struct Command {
        unsigned long long wParam;
        long long lParam;
        unsigned long long milliseconds;
    };
    std::map<std::string, std::string> roles; // handle text -> role
    std::map<std::string, std::vector<Command>> commands;
    bool ready = false;
    HWND frame = nullptr;
    std::size_t waited = 0; // commands read between "resumed" and "drained"
    std::size_t after = 0;  // commands read after "drained"
    bool drained = false;
};

Record ReadRecord(const std::wstring& path) {
    Record record;
    std::istringstream lines(real::ReadFileBytes(path));
    std::string line;
    std::size_t* counted = nullptr;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind;
        std::string handle;
        words >> kind >> handle;
        if (kind == "window") {
            words >> record.roles[handle];
            if (record.roles[handle] == "frame") {
                record.frame = reinterpret_cast<HWND>(std::stoull(handle, nullptr, 16));
            }
        } else if (kind == "ready") {
            record.ready = true;
        } else if (kind == "resumed" || kind == "drained") {
            record.drained = kind == "drained";
            counted = record.drained ? &record.after : &record.waited;
        } else if (kind == "command") {
            counted != nullptr ? ++*counted : 0;
            Record::Command command{};
            words >> command.wParam >> command.lParam >> command.milliseconds;
            record.commands[handle].push_back(command);
        }
    }
    return record;
}

bool EveryChartGotTenPairs(const Record& record) {
    return record.commands.size() == 3 &&
           std::all_of(record.commands.begin(), record.commands.end(),
                       [](const auto& chart) { return chart.second.size() > 20; });
}

// Polls for up to `seconds`, for a machine under load.
bool Eventually(const std::function<bool()>& holds, int seconds = 10) {
    for (int attempt = 0; attempt < 10 * seconds; ++attempt) {
        if (holds()) {
            return true;
        }
        ::Sleep(100);
    }
    return false;
}

bool WaitUntilReady(const std::wstring& path) {
    return Eventually([&] { return ReadRecord(path).ready; }, 30);
}

DWORD ConsoleMode(HANDLE console) {
    DWORD mode = 0;
    ::GetConsoleMode(console, &mode);
    return mode;
}

bool TokenIsElevated() {
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    const bool read =
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) &&
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &returned);
    if (token != nullptr) {
        ::CloseHandle(token);
    }
    return read && elevation.TokenIsElevated != 0;
}

std::wstring ConsoleTitle() {
    std::vector<wchar_t> title(1024, L'\0');
    ::GetConsoleTitleW(title.data(), 1024);
    return title.data();
}

std::string Encode(const std::wstring& text, UINT codePage) {
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          size, nullptr, nullptr);
    return narrow;
}

// The bytes of a text in the system's OEM code page, which the poster writes in: code page 866
// here, where ctest runs Wine under a Russian locale; whichever the system has on Windows.
std::string Oem(const std::wstring& text) {
    return Encode(text, CP_OEMCP);
}
std::string Narrow(const std::wstring& text) {
    return Encode(text, CP_UTF8);
}

// Keeps the test alive through the Ctrl+C that it sends to the console it shares with a poster.
BOOL WINAPI Survive(DWORD /*event*/) {
    return TRUE;
}

// The programs under test: the poster and the test terminal built beside this test, unless the
// environment names others as host paths: COMMAND_POSTER_EXE a poster (a release's, say) and
// COMMAND_POSTER_PEER_TERMINAL the test terminal of the other word size.
struct Program {
    std::wstring path;
    int bits = 0;
};

Program Locate(const std::wstring& path) {
    Program program{path, real::ExecutableBits(path)};
    EXPECT_NE(program.bits, 0) << "not a Windows executable: " << Narrow(path);
    return program;
}

Program Poster() {
    const std::wstring named = real::EnvironmentVariable(L"COMMAND_POSTER_EXE");
    return Locate(named.empty() ? real::ExecutableFolder() + L"command_poster.exe"
                                : real::FromHostPath(named));
}

constexpr int kOwnBits = static_cast<int>(sizeof(void*) * 8);

Program TestTerminal(int bits) {
    if (bits == kOwnBits) {
        return Locate(real::ExecutableFolder() + L"test_terminal.exe");
    }
    const std::wstring peer = real::EnvironmentVariable(L"COMMAND_POSTER_PEER_TERMINAL");
    EXPECT_FALSE(peer.empty()) << "COMMAND_POSTER_PEER_TERMINAL names no " << bits
                               << "-bit test terminal";
    Program terminal = Locate(real::FromHostPath(peer));
    EXPECT_EQ(terminal.bits, bits)
        << Narrow(terminal.path) << ": build the other Windows preset first";
    return terminal;
}

std::string Pairing(const Program& poster, const Program& terminal) {
    return std::to_string(poster.bits) + "-bit poster, " + std::to_string(terminal.bits) +
           "-bit terminal";
}

// Every chart got the pair (33324, 0), (2, 1) back to back, at most ten times a second and far
// more often than the one-second pause of a cycle that serves nobody would allow (the bounds leave
// room for a loaded machine, whose cycles take longer); no other window got anything.
void ExpectServed(const Record& record, const std::string& terminal) {
    SCOPED_TRACE(terminal);
    int charts = 0;
    for (const auto& [handle, role] : record.roles) {
        const auto found = record.commands.find(handle);
        if (role != "chart") {
            EXPECT_EQ(found, record.commands.end()) << role << " " << handle << " got commands";
            continue;
        }
        ++charts;
        ASSERT_NE(found, record.commands.end()) << "chart " << handle << " got nothing";
        std::vector<Record::Command> got = found->second;
        // The test ends the terminals while they are served: one may die between the two
        // commands of a pair, leaving the first of them alone at the end.
        if (got.size() % 2 == 1 && got.back().wParam == 33324u && got.back().lParam == 0) {
            got.pop_back();
        }
        ASSERT_EQ(got.size() % 2, 0u) << "chart " << handle;
        for (std::size_t i = 0; i < got.size(); i += 2) {
            ASSERT_EQ(got[i].wParam, 33324u) << "chart " << handle << " command " << i;
            ASSERT_EQ(got[i].lParam, 0);
            ASSERT_EQ(got[i + 1].wParam, 2u) << "chart " << handle << " command " << i + 1;
            ASSERT_EQ(got[i + 1].lParam, 1);
        }
        for (std::size_t i = 2; i < got.size(); i += 2) { // never a cycle without it
            EXPECT_LT(got[i].milliseconds - got[i - 2].milliseconds, 1000u) << "chart " << handle;
        }
        const std::size_t pairs = got.size() / 2;
        EXPECT_GE(pairs, 10u) << "chart " << handle;
        const double seconds =
            static_cast<double>(got.back().milliseconds - got.front().milliseconds) / 1000.0;
        ASSERT_GT(seconds, 0.0);
        const double rate = static_cast<double>(pairs - 1) / seconds;
        std::cout << terminal << " chart " << handle << ": " << pairs << " pairs, " << rate
                  << " a second\n";
        EXPECT_GE(rate, 3.0) << "chart " << handle;
        EXPECT_LE(rate, 11.0) << "chart " << handle;
    }
    EXPECT_EQ(charts, 3);
}

// The parameter is the test terminal's word size. A 32-bit poster cannot list the modules of a
// 64-bit process, so it serves no terminal there and names each as 64-bit instead; every other
// pairing is served.
class EndToEndTest : public testing::TestWithParam<int> {};

TEST_P(EndToEndTest, ServesEveryChartOfEveryTerminalItCanReadAndReportsOnTheConsole) {
    const Program poster = Poster();
    const Program terminal = TestTerminal(GetParam());
    ASSERT_FALSE(HasFailure());
    const bool served = !(poster.bits == 32 && terminal.bits == 64);
    const std::string pairing = Pairing(poster, terminal);
    std::cout << pairing << ": " << (served ? "served" : "not served, as it cannot be") << "\n"
              << "poster " << Narrow(poster.path) << "\n";
    const real::TempFolder root;

    // A: a terminal with its companion. B: no companion. C: upper-case name, with companion.
    root.MakeFolder(L"A");
    root.MakeFolder(L"B");
    root.MakeFolder(L"C");
    const std::wstring terminalA = root.CopyIn(terminal.path, L"A\\terminal.exe");
    const std::wstring terminalB = root.CopyIn(terminal.path, L"B\\terminal.exe");
    const std::wstring terminalC = root.CopyIn(terminal.path, L"C\\TERMINAL.EXE");
    root.WriteFile(L"A\\MetaEditor.exe");
    root.WriteFile(L"C\\MetaEditor.exe");

    const std::wstring recordA = root.Path() + L"A\\record.txt";
    const std::wstring recordB = root.Path() + L"B\\record.txt";
    const std::wstring recordC = root.Path() + L"C\\record.txt";
    real::ChildProcess a(terminalA, L"\"" + recordA + L"\" 120000 3 2");
    real::ChildProcess b(terminalB, L"\"" + recordB + L"\" 120000 3 2");
    real::ChildProcess c(terminalC, L"\"" + recordC + L"\" 120000 3 2");
    ASSERT_TRUE(WaitUntilReady(recordA) && WaitUntilReady(recordB) && WaitUntilReady(recordC))
        << "the test terminals did not start";

    const std::wstring statusPath = root.Path() + L"status.txt";
    // ctest runs Wine under a Russian locale, so that the status is proven in Cyrillic there.
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        ASSERT_EQ(::GetOEMCP(), 866u) << "Wine under LC_ALL=ru_RU.UTF-8 has OEM code page 866";
    }
    const std::string notFound = Oem(L"Не нашел метатрейдеров") + "\r\r\n";
    // Under each, the terminal's path; an elevated poster (every one, under Wine) is told to run
    // the 64-bit one elevated too.
    const std::wstring needs64Bit =
        std::wstring(L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы") +
        (TokenIsElevated() ? L" от имени администратора" : L"");
    const std::string named64BitA = Oem(needs64Bit) + "\r\r\n" + Oem(L"  " + terminalA) + "\r\r\n";
    const std::string named64BitC = Oem(needs64Bit) + "\r\r\n" + Oem(L"  " + terminalC) + "\r\r\n";
    const std::wstring secondPath = root.Path() + L"second.txt";
    std::size_t largestWrite = 0;
    {
        // Its input redirected from a file: it leaves the console alone and posts as before.
        const real::OutputFile status(statusPath);
        real::ChildProcess posting(poster.path, L"", status.Handle());
        // Once it writes, it holds the session: a second poster says so and leaves at once, and
        // the first keeps its pace.
        ASSERT_TRUE(Eventually([&] { return !real::ReadFileBytes(statusPath).empty(); }));
        ::Sleep(1000);
        const real::OutputFile secondStatus(secondPath);
        const real::ChildProcess second(poster.path, L"", secondStatus.Handle());
        EXPECT_TRUE(second.WaitForExit(5000));
        EXPECT_EQ(second.ExitCode(), 1u);
        // Polled far more often than a cycle writes, so the largest growth is one cycle's.
        std::size_t written = real::ReadFileBytes(statusPath).size();
        for (int poll = 0; poll < 20; ++poll) {
            ::Sleep(100);
            const std::size_t now = real::ReadFileBytes(statusPath).size();
            largestWrite = std::max(largestWrite, now - written);
            written = now;
        }
        a.Terminate();
        b.Terminate();
        c.Terminate();
        Eventually(
            [&] { return real::ReadFileBytes(statusPath).find(notFound) != std::string::npos; });
        posting.Terminate();
    }
    EXPECT_EQ(real::ReadFileBytes(secondPath), Oem(L"Программа уже запущена") + "\r\r\n");

    // Killed, the first leaves the session at once: a poster started now serves. On the test's
    // own new console it turns QuickEdit, line input, echo and mouse input off, its title says
    // what it serves, and it gives both back on Ctrl+C.
    const std::wstring recordD = root.Path() + L"A\\record-d.txt";
    real::ChildProcess d(terminalA, L"\"" + recordD + L"\" 120000 3 2");
    ASSERT_TRUE(WaitUntilReady(recordD));
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    const HANDLE console = ::GetStdHandle(STD_INPUT_HANDLE);
    const DWORD mode = ConsoleMode(console);
    constexpr DWORD kHolding =
        ENABLE_QUICK_EDIT_MODE | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT;
    EXPECT_EQ(mode & kHolding, kHolding);
    ::SetConsoleTitleW(L"end to end");
    {
        const real::ChildProcess third(poster.path, L"");
        const DWORD off = (mode | ENABLE_EXTENDED_FLAGS) & ~kHolding;
        EXPECT_TRUE(Eventually([&] { return ConsoleMode(console) == off; }));
        Eventually([&] { return !served || EveryChartGotTenPairs(ReadRecord(recordD)); });
        const std::wstring serving = served ? L"Метатрейдеров: 1, графиков: 3 — command_poster"
                                            : L"Метатрейдеров: 0 (недоступно: 1), графиков: 0 — "
                                              L"command_poster";
        EXPECT_TRUE(Eventually([&] { return ConsoleTitle() == serving; }))
            << Narrow(ConsoleTitle());
        ::SetConsoleCtrlHandler(Survive, TRUE);
        ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
        EXPECT_TRUE(third.WaitForExit(5000)) << "Ctrl+C ends the poster";
    }
    EXPECT_EQ(ConsoleMode(console), mode);
    EXPECT_EQ(Narrow(ConsoleTitle()), "end to end");
    d.Terminate();

    EXPECT_TRUE(ReadRecord(recordB).commands.empty()) << "B has no companion file";
    const std::string status = real::ReadFileBytes(statusPath);
    if (!served) {
        EXPECT_TRUE(ReadRecord(recordA).commands.empty()) << pairing;
        EXPECT_TRUE(ReadRecord(recordC).commands.empty()) << pairing;
        EXPECT_TRUE(ReadRecord(recordD).commands.empty()) << pairing;
        // Lines a second for each of A and C while they ran, none for B; then none found.
        const std::size_t second = named64BitA.size() + named64BitC.size();
        EXPECT_EQ(largestWrite, second) << status;
        std::size_t at = 0;
        for (std::size_t was = 1; was != at;) {
            was = at;
            for (const std::string& named : {named64BitA, named64BitC}) {
                at += status.compare(at, named.size(), named) == 0 ? named.size() : 0;
            }
        }
        EXPECT_GE(at, 2 * second) << "for at least two seconds: " << status;
        ASSERT_GE(status.size() - at, notFound.size()) << status;
        for (; at < status.size(); at += notFound.size()) {
            ASSERT_EQ(status.substr(at, notFound.size()), notFound) << status;
        }
        return;
    }
    ExpectServed(ReadRecord(recordA), pairing + ", A");
    ExpectServed(ReadRecord(recordC), pairing + ", C");
    ExpectServed(ReadRecord(recordD), pairing + ", D");

    // "В обработке ", dots written and erased, then the line end and the not-found message; in
    // text mode each "\r\n" arrives as "\r\r\n".
    const std::string processing = Oem(L"В обработке ");
    ASSERT_EQ(status.compare(0, processing.size(), processing), 0) << status;
    const std::size_t lineEnd = status.find("\r\r\n");
    ASSERT_NE(lineEnd, std::string::npos) << status;
    const std::string indicator = status.substr(processing.size(), lineEnd - processing.size());
    EXPECT_GE(indicator.size(), 10u) << "a dot per serving cycle";
    EXPECT_EQ(indicator.find_first_not_of(".\b "), std::string::npos) << indicator;
    EXPECT_EQ(indicator.find(". \b"), std::string::npos) << "erasures are \\b \\b";
    const std::string rest = status.substr(lineEnd + 3);
    ASSERT_GE(rest.size(), notFound.size()) << status;
    EXPECT_EQ(rest.substr(0, notFound.size()), notFound);
    EXPECT_EQ(rest.size() % notFound.size(), 0u);
}

// Two terminals stop reading their messages at one moment, for 7 s and for 20 s. The poster leaves
// a terminal that does not respond alone, so each finds about what 5 s of posting left waiting,
// whatever the length of its stop, and is served at its pace again right after.
TEST(EndToEndStopTest, ATerminalThatStopsReadingIsNotBuriedInCommands) {
    const real::TempFolder root;
    const auto path = [&](const std::wstring& stop) { return root.Path() + stop + L"\\r.txt"; };
    std::vector<std::unique_ptr<real::ChildProcess>> terminals;
    for (const std::wstring stop : {L"7000", L"20000"}) {
        root.MakeFolder(stop);
        root.WriteFile(stop + L"\\MetaEditor.exe");
        terminals.push_back(std::make_unique<real::ChildProcess>(
            root.CopyIn(TestTerminal(kOwnBits).path, stop + L"\\terminal.exe"),
            L"\"" + path(stop) + L"\" 60000"));
        ASSERT_TRUE(WaitUntilReady(path(stop)));
    }
    const real::OutputFile status(root.Path() + L"status.txt");
    const real::ChildProcess poster(Poster().path, L"", status.Handle());
    ASSERT_TRUE(Eventually([&] { return EveryChartGotTenPairs(ReadRecord(path(L"20000"))); }));
    for (const std::wstring stop : {L"7000", L"20000"}) {
        ::PostMessageW(ReadRecord(path(stop)).frame, WM_APP, std::stoul(stop), 0);
    }
    ASSERT_TRUE(Eventually([&] { return ReadRecord(path(L"20000")).drained; }, 30));
    ::Sleep(2000);
    const Record shortStop = ReadRecord(path(L"7000"));
    const Record longStop = ReadRecord(path(L"20000"));
    std::cout << "waited after 7 s: " << shortStop.waited
              << " commands, after 20 s: " << longStop.waited
              << "; read in the 2 s after: " << longStop.after << "\n";
    EXPECT_GT(shortStop.waited, 0u) << "posted to while it did not read";
    const std::size_t cycle = 6; // a cycle posts a pair to each of the three charts
    EXPECT_LE(longStop.waited, shortStop.waited + cycle) << "about a cycle per chart more";
    EXPECT_GE(longStop.after, 6 * cycle) << "six pairs a chart in two seconds";
}

INSTANTIATE_TEST_SUITE_P(WordSizes, EndToEndTest, testing::Values(32, 64),
                         [](const testing::TestParamInfo<int>& test) {
                             return "Terminal" + std::to_string(test.param);
                         });

} // namespace
