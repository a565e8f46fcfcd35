// The real command poster against test terminals of our own, under the real system: what each
// window receives and what the status line shows.
#include "wine/wine_support.h"

#include <gmock/gmock.h>

#include <windows.h>

#include <iostream>
#include <map>
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
};

Record ReadRecord(const std::wstring& path) {
    Record record;
    std::istringstream lines(real::ReadFileBytes(path));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind;
        std::string handle;
        words >> kind >> handle;
        if (kind == "window") {
            words >> record.roles[handle];
        } else if (kind == "ready") {
            record.ready = true;
        } else if (kind == "command") {
            Record::Command command{};
            words >> command.wParam >> command.lParam >> command.milliseconds;
            record.commands[handle].push_back(command);
        }
    }
    return record;
}

bool WaitUntilReady(const std::wstring& path) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (ReadRecord(path).ready) {
            return true;
        }
        ::Sleep(100);
    }
    return false;
}

std::string Cp866(const std::wstring& text) {
    std::string narrow(static_cast<std::size_t>(text.size()) * 2, '\0');
    const int length =
        ::WideCharToMultiByte(866, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                              static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(length));
    return narrow;
}

// Every chart got the pair (33324, 0), (2, 1) back to back, often enough and about ten times a
// second; no other window of the terminal got anything.
void ExpectServed(const Record& record, const char* terminal) {
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
        const std::vector<Record::Command>& got = found->second;
        ASSERT_EQ(got.size() % 2, 0u) << "chart " << handle;
        for (std::size_t i = 0; i < got.size(); i += 2) {
            ASSERT_EQ(got[i].wParam, 33324u) << "chart " << handle << " command " << i;
            ASSERT_EQ(got[i].lParam, 0);
            ASSERT_EQ(got[i + 1].wParam, 2u) << "chart " << handle << " command " << i + 1;
            ASSERT_EQ(got[i + 1].lParam, 1);
        }
        const std::size_t pairs = got.size() / 2;
        EXPECT_GE(pairs, 20u) << "chart " << handle;
        const double seconds =
            static_cast<double>(got.back().milliseconds - got.front().milliseconds) / 1000.0;
        ASSERT_GT(seconds, 0.0);
        const double rate = static_cast<double>(pairs - 1) / seconds;
        std::cout << terminal << " chart " << handle << ": " << pairs << " pairs, " << rate
                  << " a second\n";
        EXPECT_GE(rate, 6.0) << "chart " << handle;
        EXPECT_LE(rate, 12.0) << "chart " << handle;
    }
    EXPECT_EQ(charts, 3);
}

TEST(EndToEndTest, ServesEveryChartOfEveryTerminalAndReportsOnTheConsole) {
    const std::wstring bin = real::ExecutableFolder();
    const real::TempFolder root;

    // A: a terminal with its companion. B: no companion. C: upper-case name, with companion.
    root.MakeFolder(L"A");
    root.MakeFolder(L"B");
    root.MakeFolder(L"C");
    const std::wstring terminalA = root.CopyIn(bin + L"test_terminal.exe", L"A\\terminal.exe");
    const std::wstring terminalB = root.CopyIn(bin + L"test_terminal.exe", L"B\\terminal.exe");
    const std::wstring terminalC = root.CopyIn(bin + L"test_terminal.exe", L"C\\TERMINAL.EXE");
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

    // The poster inherits this process's locale; ctest runs it under a Russian one.
    ASSERT_EQ(::GetOEMCP(), 866u)
        << "run under LC_ALL=ru_RU.UTF-8: Wine's OEM code page is 866 then";
    const std::wstring statusPath = root.Path() + L"status.txt";
    const std::string notFound = Cp866(L"Не нашел метатрейдеров") + "\r\r\n";
    {
        const real::OutputFile status(statusPath);
        real::ChildProcess poster(bin + L"command_poster.exe", L"", status.Handle());
        ::Sleep(3500);
        a.Terminate();
        b.Terminate();
        c.Terminate();
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (real::ReadFileBytes(statusPath).find(notFound) != std::string::npos) {
                break;
            }
            ::Sleep(100);
        }
        poster.Terminate();
    }

    ExpectServed(ReadRecord(recordA), "A");
    ExpectServed(ReadRecord(recordC), "C");
    EXPECT_TRUE(ReadRecord(recordB).commands.empty()) << "B has no companion file";

    // "В обработке ", dots written and erased, then the line end and the not-found message; in
    // text mode each "\r\n" arrives as "\r\r\n".
    const std::string status = real::ReadFileBytes(statusPath);
    const std::string processing = Cp866(L"В обработке ");
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

} // namespace
