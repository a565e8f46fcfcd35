// The model desktop answers as the real system does. Each row makes one call of os::System, in a
// situation the program meets, once on the real system and once on the model holding a mirror of
// the same situation (the real handles, ids and paths), and compares everything the program could
// read: the result, the out-parameters, the buffers and the last error. A row where the model
// differs on purpose names the difference and why, and checks that it is still there.
#include "support/simulated_system.h"
#include "wine/wine_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

// Written into out-parameters, buffers and the last error before a call: what a call leaves
// alone shows as it.
constexpr DWORD kUntouched = 0xCDCDCDCD;
constexpr wchar_t kUntouchedChar = L'#';
constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kLimitedAccess = PROCESS_QUERY_LIMITED_INFORMATION;
constexpr DWORD kSystemTextFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
// What a row about the process of the other word size answers where that process does not run.
constexpr const wchar_t* kNoPeer = L"no peer";
constexpr const wchar_t* kFrameClass = L"CommandPosterConformanceFrame";
constexpr const wchar_t* kChartClass = L"CommandPosterConformanceChart";

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefFrameProcW(window, ::GetWindow(window, GW_CHILD), message, wParam, lParam);
}

LRESULT CALLBACK ChartProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefMDIChildProcW(window, message, wParam, lParam);
}

std::wstring OwnImagePath() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// Processes and files that every row shares; the rows only read them, but for the one process
// that a row ends.
struct Shared {
    Shared() {
        const std::wstring helper = real::ExecutableFolder() + L"idle_helper.exe";
        running = std::make_unique<real::ChildProcess>(helper, L"600000");
        doomed = std::make_unique<real::ChildProcess>(helper, L"600000");
        {
            const real::ChildProcess short_lived(helper, L"0");
            short_lived.WaitForExit(10000);
            ended = short_lived.Id();
        } // its last handle closes here: the process is gone
        // The helper of the other word size, built beside the peer test terminal.
        const std::wstring peerTerminal =
            real::EnvironmentVariable(L"COMMAND_POSTER_PEER_TERMINAL");
        if (!peerTerminal.empty()) {
            const std::wstring peerFolder = real::FromHostPath(peerTerminal);
            peerPath =
                peerFolder.substr(0, peerFolder.find_last_of(L'\\') + 1) + L"idle_helper.exe";
            EXPECT_EQ(real::ExecutableBits(peerPath), sizeof(void*) == 8 ? 32 : 64)
                << "no helper of the other word size beside the peer terminal";
            try {
                peer = std::make_unique<real::ChildProcess>(peerPath, L"600000");
            } catch (const std::runtime_error&) {
                // Some machines start no 32-bit program at all; the rows then compare nothing.
                std::printf("the process of the other word size is left out: it does not start\n");
            }
        }
        helperPath = helper;
        // A started process can be read once its main module is mapped.
        // A 32-bit caller never reads a 64-bit process: there is nothing to wait for.
        real::ChildProcess* const readablePeer = sizeof(void*) == 8 ? peer.get() : nullptr;
        for (const real::ChildProcess* child : {running.get(), doomed.get(), readablePeer}) {
            for (int attempt = 0; child != nullptr && attempt < 100 && !Readable(child->Id());
                 ++attempt) {
                ::Sleep(50);
            }
        }
        // Where 32-bit programs cannot run, a start may seem to succeed while the process ends
        // soon after or is never readable: then there is no peer either.
        if (peer != nullptr &&
            (peer->WaitForExit(500) || (readablePeer != nullptr && !Readable(peer->Id())))) {
            std::printf("the process of the other word size is left out: it does not run\n");
            peer.reset();
        }
        file = folder.WriteFile(L"file.txt", "x");
        subfolder = folder.MakeFolder(L"sub");
        subfolder.pop_back();
        // A console of the test's own: under Wine, the one it starts on has no input to read.
        ::FreeConsole();
        EXPECT_TRUE(::AllocConsole());
        console = ::GetStdHandle(STD_INPUT_HANDLE);
        output = ::GetStdHandle(STD_OUTPUT_HANDLE);
        fileHandle =
            ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    ~Shared() { ::CloseHandle(fileHandle); }

    static bool Readable(DWORD id) {
        const HANDLE process = ::OpenProcess(kQueryAccess, FALSE, id);
        wchar_t name[MAX_PATH] = {};
        const bool readable = process != nullptr && os::Current().GetModuleFileNameExW(
                                                        process, nullptr, name, MAX_PATH) != 0;
        if (process != nullptr) {
            ::CloseHandle(process);
        }
        return readable;
    }

    std::wstring helperPath;
    std::unique_ptr<real::ChildProcess> running;
    std::unique_ptr<real::ChildProcess> doomed; // ended by its row while a handle is open
    DWORD ended = 0;
    std::wstring peerPath;
    std::unique_ptr<real::ChildProcess> peer;
    real::TempFolder folder;
    std::wstring file;
    std::wstring subfolder;
    HANDLE console = nullptr;
    HANDLE output = nullptr; // the console's screen buffer
    HANDLE fileHandle = nullptr;
};

// One row's situation: real windows of this process, and the model holding a mirror of them and
// of the shared processes and files.
class Situation {
public:
    Situation(const Shared& shared, bool shown) {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        // An MDI frame as a terminal has it: client, a chart with an inner window, a strip.
        // Showing a window takes the system seconds here: only the rows that need it show one.
        frame = Make(0, kFrameClass, WS_OVERLAPPEDWINDOW | (shown ? WS_VISIBLE : 0), nullptr);
        CLIENTCREATESTRUCT clientInfo{};
        clientInfo.idFirstChild = 1000;
        client = Made(::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 400,
                                        300, frame, nullptr, instance, &clientInfo));
        chart = Made(::CreateMDIWindowW(kChartClass, L"chart", WS_VISIBLE, 0, 0, 200, 100, client,
                                        instance, 0));
        inner = Make(0, L"STATIC", WS_CHILD | WS_VISIBLE, chart);
        strip = Make(0, L"STATIC", WS_CHILD | WS_VISIBLE, frame);
        lonely = Make(0, kFrameClass, WS_OVERLAPPEDWINDOW, nullptr);
        hidden = Make(0, kFrameClass, WS_OVERLAPPEDWINDOW, nullptr);
        hiddenChild = Make(0, L"STATIC", WS_CHILD, hidden);
        gone = Make(0, kFrameClass, WS_OVERLAPPEDWINDOW, nullptr);
        ::DestroyWindow(gone);
        // The model gets the real handles, owner and extended styles (with the bits that the
        // system adds on its own, such as edges). Top-level windows go in their Z order, the
        // order of enumeration: a new one goes on top. Children keep the order they were made in.
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
            if (::GetParent(*made) == nullptr && *made != gone) {
                Mirror(*made);
            }
        }
        for (const HWND window : m_made) {
            if (::GetParent(window) != nullptr && window != gone) {
                Mirror(window);
            }
        }

        // The processes of this word size run under WOW64 where this one does; the peer is the
        // 32-bit one beside a 64-bit test.
        ::IsWow64Process(::GetCurrentProcess(), &model.self.wow64);
        const bool underWow64 = model.self.wow64 != FALSE;
        model.AddProcess(::GetCurrentProcessId(), OwnImagePath()).wow64 = underWow64;
        model.AddProcess(shared.running->Id(), shared.helperPath).wow64 = underWow64;
        model.AddProcess(shared.doomed->Id(), shared.helperPath).wow64 = underWow64;
        if (shared.peer != nullptr) {
            model.AddProcess(shared.peer->Id(), shared.peerPath).wow64 = sizeof(void*) == 8;
        }
        const std::wstring folder = shared.folder.Path();
        model.AddFolder(folder.substr(0, folder.size() - 1));
        model.AddFile(shared.file);
        model.AddFolder(shared.subfolder);
        model.self.consoleOutput = shared.output;
        ::GetConsoleMode(shared.console, &model.self.consoleMode);
        std::vector<wchar_t> title(1024, L'\0');
        ::GetConsoleTitleW(title.data(), 1024);
        model.self.consoleTitle = title.data();
    }

    ~Situation() {
        for (const HWND window : {frame, lonely, hidden}) {
            ::DestroyWindow(window);
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    Situation(const Situation&) = delete;
    Situation& operator=(const Situation&) = delete;

    bool Knows(HWND window) const { return m_known.count(window) != 0; }

    sim::SimulatedSystem model;
    HWND frame = nullptr;
    HWND client = nullptr;
    HWND chart = nullptr;
    HWND inner = nullptr;
    HWND strip = nullptr;
    HWND lonely = nullptr; // top-level, no children
    HWND hidden = nullptr; // top-level, never shown, one child
    HWND hiddenChild = nullptr;
    HWND gone = nullptr; // destroyed before any row runs

private:
    HWND Make(DWORD exStyle, const wchar_t* windowClass, DWORD style, HWND parent) {
        return Made(::CreateWindowExW(exStyle, windowClass, L"w", style, 0, 0, 100, 100, parent,
                                      nullptr, ::GetModuleHandleW(nullptr), nullptr));
    }

    HWND Made(HWND window) {
        EXPECT_NE(window, nullptr) << "no window could be made: is an X server (Xvfb) running?";
        m_made.push_back(window);
        m_known.insert(window);
        return window;
    }

    void Mirror(HWND window) {
        const HWND parent = ::GetParent(window);
        model.AddWindow(sim::HandleValue(window), sim::HandleValue(parent), ::GetCurrentProcessId(),
                        ::GetWindowLongW(window, GWL_EXSTYLE));
    }

    std::vector<HWND> m_made;
    std::set<HWND> m_known;
};

// One system with the situation around it: the model's or the real one.
struct Side {
    os::System& system;
    std::function<void(DWORD)> setLastError;
    std::function<void(HWND)> destroyWindow;
    std::function<void()> endDoomed;
    void Clear() const { setLastError(kUntouched); }
};

// What a call left for the program to read, starting with the last error (read first, before
// anything else can change it).
class Report {
public:
    explicit Report(const Side& side) { m_text << L"error " << side.system.GetLastError(); }
    template <typename T>
    Report& operator<<(const T& value) {
        m_text << L"; " << value;
        return *this;
    }
    operator std::wstring() const { return m_text.str(); }

private:
    std::wostringstream m_text;
};

std::wstring Hex(std::uintptr_t value) {
    std::wostringstream text;
    text << std::hex << L"0x" << value;
    return text.str();
}

std::wstring Text(const std::vector<wchar_t>& buffer) {
    return {buffer.begin(), buffer.end()};
}

std::wstring Bytes(const std::vector<char>& buffer) {
    std::wstring text;
    for (const char c : buffer) {
        text += c == '\0' ? L'0' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return text;
}

// An enumeration callback that keeps the windows of the situation (the desktop has others that
// the model does not mirror), can destroy a window when it meets another and can stop.
struct Enumeration {
    const Situation* situation;
    const Side* side;
    std::vector<HWND> seen;
    HWND destroyWhenSeen = nullptr;
    HWND destroyed = nullptr;
    HWND stopAt = nullptr;

    std::wstring Seen() const {
        std::wstring text;
        for (const HWND window : seen) {
            text += Hex(sim::HandleValue(window)) + L" ";
        }
        return text;
    }
};

BOOL CALLBACK Record(HWND window, LPARAM parameter) {
    auto& enumeration = *reinterpret_cast<Enumeration*>(parameter);
    if (!enumeration.situation->Knows(window)) {
        return TRUE;
    }
    enumeration.seen.push_back(window);
    if (window == enumeration.destroyWhenSeen) {
        enumeration.side->destroyWindow(enumeration.destroyed);
    }
    return window == enumeration.stopAt ? FALSE : TRUE;
}

struct Row {
    const char* name;
    std::function<std::wstring(const Situation&, const Shared&, const Side&)> call;
    // Why the model differs here on purpose; the row then checks that it still does.
    const char* deliberate = nullptr;
    bool shown = false; // the frame is shown; the row's other windows are always hidden
};

std::wstring EnumerateTopLevel(const Situation& s, const Side& side, HWND destroyWhenSeen,
                               HWND destroyed, HWND stopAt) {
    Enumeration enumeration{&s, &side, {}, destroyWhenSeen, destroyed, stopAt};
    side.Clear();
    const BOOL result = side.system.EnumWindows(Record, reinterpret_cast<LPARAM>(&enumeration));
    return Report(side) << result << enumeration.Seen();
}

std::wstring EnumerateChildren(const Situation& s, const Side& side, HWND parent,
                               HWND destroyWhenSeen = nullptr, HWND destroyed = nullptr) {
    Enumeration enumeration{&s, &side, {}, destroyWhenSeen, destroyed, nullptr};
    side.Clear();
    const BOOL result =
        side.system.EnumChildWindows(parent, Record, reinterpret_cast<LPARAM>(&enumeration));
    return Report(side) << result << enumeration.Seen();
}

std::wstring OwnerOf(const Side& side, HWND window) {
    DWORD owner = kUntouched;
    side.Clear();
    const DWORD thread = side.system.GetWindowThreadProcessId(window, &owner);
    // The thread id is the system's own; the model makes one up. The program reads neither.
    return Report(side) << (thread != 0) << owner;
}

std::wstring StyleOf(const Side& side, HWND window) {
    side.Clear();
    const LONG style = side.system.GetWindowLongW(window, GWL_EXSTYLE);
    return Report(side) << Hex(static_cast<std::uint32_t>(style));
}

// As the program posts: IsHungAppWindow first, then the post. The window's thread, this one, has
// just read its messages.
std::wstring Post(const Side& side, HWND window) {
    for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        ::DispatchMessageW(&message); // painted, so that WM_PAINT stops coming
    }
    side.Clear();
    const BOOL hung = side.system.IsHungAppWindow(window);
    const std::wstring asked = Report(side) << hung;
    side.Clear();
    const BOOL result = side.system.PostMessageA(window, WM_COMMAND, 33324, 0);
    return asked + L" / " + std::wstring(Report(side) << result);
}

std::wstring Open(const Side& side, DWORD id) {
    side.Clear();
    const HANDLE process = side.system.OpenProcess(kQueryAccess, FALSE, id);
    std::wstring report = Report(side) << (process != nullptr);
    if (process != nullptr) {
        side.system.CloseHandle(process);
    }
    return report;
}

// Opens the process, lists its first module and runs `read` with both; closes the handle.
std::wstring WithMainModule(const Side& side, DWORD id,
                            const std::function<std::wstring(HANDLE, HMODULE)>& read) {
    const HANDLE process = side.system.OpenProcess(kQueryAccess, FALSE, id);
    if (process == nullptr) {
        return L"cannot open";
    }
    HMODULE module = nullptr;
    DWORD needed = 0;
    side.system.EnumProcessModules(process, &module, sizeof(module), &needed);
    std::wstring report = read(process, module);
    side.system.CloseHandle(process);
    return report;
}

std::wstring ListModules(const Side& side, DWORD id) {
    return WithMainModule(side, id, [&](HANDLE process, HMODULE) {
        HMODULE module = nullptr;
        DWORD needed = kUntouched;
        side.Clear();
        const BOOL result =
            side.system.EnumProcessModules(process, &module, sizeof(module), &needed);
        // How many modules a process has is its own; the program reads the first slot only.
        return std::wstring(Report(side) << result << (module != nullptr)
                                         << (needed != kUntouched && needed >= sizeof(module)));
    });
}

// A name query into a buffer of `size` characters with two more behind it, all marked.
std::wstring Name(const Side& side, DWORD id, bool path, int sizeFromLength) {
    return WithMainModule(side, id, [&](HANDLE process, HMODULE module) {
        std::vector<wchar_t> full(1024, L'\0');
        const DWORD length =
            path ? side.system.GetModuleFileNameExW(process, nullptr, full.data(), 1024)
                 : side.system.GetModuleBaseNameW(process, module, full.data(), 1024);
        if (length == 0) {
            return std::wstring(L"unreadable");
        }
        const auto size = static_cast<DWORD>(std::int64_t{length} + sizeFromLength);
        // Marked, with one more character behind that the program could not read.
        std::vector<wchar_t> buffer(size + 1, kUntouchedChar);
        side.Clear();
        const DWORD result =
            path ? side.system.GetModuleFileNameExW(process, nullptr, buffer.data(), size)
                 : side.system.GetModuleBaseNameW(process, module, buffer.data(), size);
        buffer.pop_back();
        return std::wstring(Report(side) << result << Text(buffer));
    });
}

// Asked as the look for terminals that cannot be served asks: with the limited query only (the
// open itself compared as its report, "cannot open" or the answers).
std::wstring WithLimitedHandle(const Side& side, DWORD id,
                               const std::function<std::wstring(HANDLE)>& read) {
    const HANDLE process = side.system.OpenProcess(kLimitedAccess, FALSE, id);
    if (process == nullptr) {
        return L"cannot open";
    }
    std::wstring report = read(process);
    side.system.CloseHandle(process);
    return report;
}

// The image path into a buffer of `size` characters with one more behind it, all marked.
std::wstring ImageName(const Side& side, DWORD id, int sizeFromLength) {
    return WithLimitedHandle(side, id, [&](HANDLE process) {
        std::vector<wchar_t> full(1024, L'\0');
        DWORD length = 1024;
        if (!side.system.QueryFullProcessImageNameW(process, 0, full.data(), &length)) {
            return std::wstring(L"unreadable");
        }
        auto size = static_cast<DWORD>(std::int64_t{length} + sizeFromLength);
        std::vector<wchar_t> buffer(size + 1, kUntouchedChar);
        side.Clear();
        const BOOL result =
            side.system.QueryFullProcessImageNameW(process, 0, buffer.data(), &size);
        buffer.pop_back();
        return std::wstring(Report(side) << result << size << Text(buffer));
    });
}

std::wstring WordSize(const Side& side, DWORD id) {
    return WithLimitedHandle(side, id, [&](HANDLE process) {
        BOOL wow64 = 2;
        side.Clear();
        const BOOL result = side.system.IsWow64Process(process, &wow64);
        return std::wstring(Report(side) << result << wow64);
    });
}

std::wstring Compare(const Side& side, const wchar_t* first, const wchar_t* second) {
    const int result = side.system.StrCmpIW(first, second);
    // Only the sign is the call's promise.
    return std::to_wstring((result > 0) - (result < 0));
}

std::wstring Attributes(const Side& side, const std::wstring& path) {
    side.Clear();
    const DWORD attributes = side.system.GetFileAttributesW(path.c_str());
    return Report(side) << Hex(attributes);
}

std::wstring Narrow(const Side& side, UINT codePage, const wchar_t* text, int size) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 2, '#');
    side.Clear();
    const int result = side.system.WideCharToMultiByte(
        codePage, 0, text, -1, size == 0 ? nullptr : buffer.data(), size, nullptr, nullptr);
    return Report(side) << result << Bytes(buffer);
}

// The texts are the system's own (Wine's differ from Windows's, which the model holds): what is
// compared is their shape, the count returned and the buffer given back.
std::wstring SystemText(const Side& side, DWORD code) {
    wchar_t* text = nullptr;
    side.Clear();
    const DWORD length =
        side.system.FormatMessageW(kSystemTextFlags, nullptr, code, kNeutralLanguage,
                                   reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    Report report(side);
    report << (length != 0);
    if (text != nullptr) {
        const std::wstring found = text;
        report << (found.size() == length) << (found.size() > 2)
               << (found.compare(found.size() - 2, 2, L"\r\n") == 0);
    }
    return std::wstring(report << (side.system.LocalFree(text) == nullptr));
}

std::wstring Enumerate(const Side& side, DWORD bytes, const std::vector<DWORD>& mirrored) {
    std::vector<DWORD> ids(1024, 0);
    DWORD returned = kUntouched;
    side.Clear();
    const BOOL result = side.system.EnumProcesses(ids.data(), bytes, &returned);
    Report report(side);
    report << result << returned % sizeof(DWORD) << (returned <= bytes);
    // Of the desktop's processes, those that the model mirrors, in id order.
    std::vector<DWORD> found;
    for (DWORD i = 0; i < returned / sizeof(DWORD) && returned != kUntouched; ++i) {
        if (std::find(mirrored.begin(), mirrored.end(), ids[i]) != mirrored.end()) {
            found.push_back(ids[i]);
        }
    }
    std::sort(found.begin(), found.end());
    for (const DWORD id : found) {
        report << id;
    }
    return report;
}

// Sets the mode where one is given, then reads it.
std::wstring ConsoleMode(const Side& side, HANDLE handle, std::optional<DWORD> set) {
    DWORD mode = kUntouched;
    side.Clear();
    const BOOL setResult = set ? side.system.SetConsoleMode(handle, *set) : TRUE;
    const BOOL getResult = side.system.GetConsoleMode(handle, &mode);
    return Report(side) << setResult << getResult << Hex(mode);
}

// The console's input buffer opened as the program opens it, then its mode set and read.
std::wstring ConsoleInputMode(const Side& side, DWORD set) {
    side.Clear();
    const HANDLE input = side.system.CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr);
    const std::wstring report = Report(side) << (input != INVALID_HANDLE_VALUE);
    const std::wstring mode = ConsoleMode(side, input, set);
    side.system.CloseHandle(input);
    return report + L" / " + mode;
}

// A new name, the same name again, the name opened, gone once every handle to it is closed, and
// new again.
std::wstring Mutexes(const Side& side) {
    const auto call = [&side](std::wstring& report, bool open) {
        side.Clear();
        const wchar_t* const name = L"Local\\ConformanceMutex";
        const HANDLE mutex = open ? side.system.OpenMutexW(SYNCHRONIZE, FALSE, name)
                                  : side.system.CreateMutexW(nullptr, FALSE, name);
        report += std::wstring(Report(side) << (mutex != nullptr)) + L" / ";
        return mutex;
    };
    std::wstring report;
    for (const HANDLE mutex : {call(report, false), call(report, false), call(report, true)}) {
        side.system.CloseHandle(mutex);
    }
    call(report, true);
    side.system.CloseHandle(call(report, false));
    return report;
}

// Whether the token is elevated, whose it is and whether the process runs under WOW64 are the
// system's answers; how they are given is compared.
std::wstring Identity(const Side& side) {
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{kUntouched};
    DWORD returned = kUntouched;
    side.Clear();
    const HANDLE process = side.system.GetCurrentProcess();
    const BOOL opened = side.system.OpenProcessToken(process, TOKEN_QUERY, &token);
    const BOOL result = side.system.GetTokenInformation(token, TokenElevation, &elevation,
                                                        sizeof(elevation), &returned);
    std::wstring report = Report(side)
                          << Hex(reinterpret_cast<std::uintptr_t>(process)) << opened << result
                          << returned << (elevation.TokenIsElevated != kUntouched);
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    wchar_t* text = nullptr;
    side.Clear();
    const BOOL userResult =
        side.system.GetTokenInformation(token, TokenUser, user, sizeof(user), &returned);
    const BOOL converted =
        side.system.ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text);
    report +=
        L" / " + std::wstring(Report(side)
                              << userResult << returned << converted
                              << (text != nullptr && std::wstring(text).rfind(L"S-1-5-21-", 0) == 0)
                              << (side.system.LocalFree(text) == nullptr));
    side.system.CloseHandle(token);
    BOOL wow64 = 2;
    side.Clear();
    const BOOL wowResult = side.system.IsWow64Process(side.system.GetCurrentProcess(), &wow64);
    return report + L" / " + std::wstring(Report(side) << wowResult << wow64);
}

// Set, then read back with room to spare, as the program reads the title it gives back, and
// into a buffer shorter than the title.
std::wstring Title(const Side& side) {
    std::vector<wchar_t> buffer(64, kUntouchedChar);
    side.Clear();
    const BOOL set = side.system.SetConsoleTitleW(L"Метатрейдеров: 1, графиков: 2 — conformance");
    const DWORD length = side.system.GetConsoleTitleW(buffer.data(), 64);
    std::wstring report = Report(side) << set << length << Text(buffer);
    std::vector<wchar_t> shorter(9, kUntouchedChar);
    side.Clear();
    const DWORD cut = side.system.GetConsoleTitleW(shorter.data(), 8);
    return report + L" / " + std::wstring(Report(side) << cut << Text(shorter));
}

// The snapshot refuses an entry whose size is not set; then, walked to its end, it names this
// process by its executable.
std::wstring Snapshot(const Side& side) {
    side.Clear();
    const HANDLE snapshot = side.system.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    std::wstring report = Report(side) << (snapshot != INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry{};
    side.Clear();
    const BOOL unsized = side.system.Process32FirstW(snapshot, &entry);
    report += L" / " + std::wstring(Report(side) << unsized);
    entry.dwSize = sizeof(entry);
    std::wstring own = L"not found";
    for (BOOL more = side.system.Process32FirstW(snapshot, &entry); more != FALSE;
         more = side.system.Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId()) {
            own = entry.szExeFile + (L" " + std::to_wstring(entry.dwSize));
        }
        side.Clear();
    }
    report += L" / " + std::wstring(Report(side) << own);
    side.system.CloseHandle(snapshot);
    return report;
}

// This process's session, asked by its id and of its token.
std::wstring Session(const Side& side) {
    DWORD byId = kUntouched;
    side.Clear();
    const BOOL idResult = side.system.ProcessIdToSessionId(::GetCurrentProcessId(), &byId);
    HANDLE token = nullptr;
    side.system.OpenProcessToken(side.system.GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD ofToken = kUntouched;
    DWORD returned = kUntouched;
    const BOOL tokenResult = side.system.GetTokenInformation(token, TokenSessionId, &ofToken,
                                                             sizeof(ofToken), &returned);
    side.system.CloseHandle(token);
    return Report(side) << idResult << byId << tokenResult << ofToken << returned;
}

// A 32-bit caller cannot list a 64-bit process's modules, so the program reads no names there.
bool ListedPeer(const Shared& shared) {
    return shared.peer != nullptr && sizeof(void*) == 8;
}

const std::vector<Row>& Rows() {
    using S = const Situation&;
    using P = const Shared&;
    using D = const Side&;
    static const std::vector<Row> rows = {
        // Windows.
        {"EnumWindows: the situation's top-level windows, shown and hidden",
         [](S s, P, D d) { return EnumerateTopLevel(s, d, nullptr, nullptr, nullptr); }, nullptr,
         true},
        {"EnumWindows: a window destroyed during the call is skipped",
         [](S s, P, D d) { return EnumerateTopLevel(s, d, s.frame, s.hidden, nullptr); }},
        {"EnumWindows: the callback answers FALSE",
         [](S s, P, D d) { return EnumerateTopLevel(s, d, nullptr, nullptr, s.frame); }},
        {"EnumChildWindows: a window with children, every depth",
         [](S s, P, D d) { return EnumerateChildren(s, d, s.frame); }},
        {"EnumChildWindows: a window with no children",
         [](S s, P, D d) { return EnumerateChildren(s, d, s.lonely); }},
        {"EnumChildWindows: a hidden window's children",
         [](S s, P, D d) { return EnumerateChildren(s, d, s.hidden); }},
        {"EnumChildWindows: a window destroyed before the call",
         [](S s, P, D d) { return EnumerateChildren(s, d, s.gone); },
         "Windows tests the handle and reports ERROR_INVALID_WINDOW_HANDLE, as the model does for "
         "every call on a vanished window; Wine leaves the last error as it was. The program reads "
         "no last error after an enumeration"},
        {"EnumChildWindows: a child destroyed during the call",
         [](S s, P, D d) { return EnumerateChildren(s, d, s.frame, s.client, s.strip); }},
        {"GetWindowThreadProcessId: a shown window",
         [](S s, P, D d) { return OwnerOf(d, s.frame); }, nullptr, true},
        {"GetWindowThreadProcessId: a hidden window",
         [](S s, P, D d) { return OwnerOf(d, s.hidden); }},
        {"GetWindowThreadProcessId: a vanished window",
         [](S s, P, D d) { return OwnerOf(d, s.gone); }},
        {"GetWindowLongW(GWL_EXSTYLE): a chart", [](S s, P, D d) { return StyleOf(d, s.chart); }},
        {"GetWindowLongW(GWL_EXSTYLE): a frame", [](S s, P, D d) { return StyleOf(d, s.frame); }},
        {"GetWindowLongW(GWL_EXSTYLE): a vanished window",
         [](S s, P, D d) { return StyleOf(d, s.gone); }},
        {"PostMessageA: a live window", [](S s, P, D d) { return Post(d, s.lonely); }},
        {"PostMessageA: a shown window", [](S s, P, D d) { return Post(d, s.frame); }, nullptr,
         true},
        {"PostMessageA: a vanished window", [](S s, P, D d) { return Post(d, s.gone); }},
        // Processes.
        {"EnumProcesses: room for all",
         [](S, P p, D d) {
             return Enumerate(d, 4096, {::GetCurrentProcessId(), p.running->Id(), p.ended});
         }},
        {"EnumProcesses: room for one id",
         [](S, P, D d) { return Enumerate(d, sizeof(DWORD), {}); }},
        {"OpenProcess: this process", [](S, P, D d) { return Open(d, ::GetCurrentProcessId()); }},
        {"OpenProcess: a running process", [](S, P p, D d) { return Open(d, p.running->Id()); }},
        {"OpenProcess: a process that has ended", [](S, P p, D d) { return Open(d, p.ended); }},
        {"OpenProcess: id 0", [](S, P, D d) { return Open(d, 0); }},
        {"OpenProcess: a process of the other word size",
         [](S, P p, D d) { return p.peer ? Open(d, p.peer->Id()) : kNoPeer; }},
        {"QueryFullProcessImageNameW: room for the path and its terminator",
         [](S, P p, D d) { return ImageName(d, p.running->Id(), 1); }},
        {"QueryFullProcessImageNameW: room for the path only",
         [](S, P p, D d) { return ImageName(d, p.running->Id(), 0); }},
        {"QueryFullProcessImageNameW: a process of the other word size",
         [](S, P p, D d) { return p.peer ? ImageName(d, p.peer->Id(), 1) : kNoPeer; }},
        {"IsWow64Process: a running process of this word size",
         [](S, P p, D d) { return WordSize(d, p.running->Id()); }},
        {"IsWow64Process: a process of the other word size",
         [](S, P p, D d) { return p.peer ? WordSize(d, p.peer->Id()) : kNoPeer; }},
        {"EnumProcessModules: a running process",
         [](S, P p, D d) { return ListModules(d, p.running->Id()); }},
        {"EnumProcessModules: a process of the other word size",
         [](S, P p, D d) { return p.peer ? ListModules(d, p.peer->Id()) : kNoPeer; },
         sizeof(void*) == 8
             ? nullptr
             : "a 32-bit caller fails on a 64-bit process with ERROR_PARTIAL_COPY on Windows, as "
               "documented and as the model does; Wine reports ERROR_NOACCESS. The program reads "
               "no last error there"},
        {"EnumProcessModules: the process ended while its handle is open",
         [](S, P p, D d) {
             const HANDLE process = d.system.OpenProcess(kQueryAccess, FALSE, p.doomed->Id());
             d.endDoomed();
             HMODULE module = nullptr;
             DWORD needed = kUntouched;
             d.Clear();
             const BOOL result =
                 d.system.EnumProcessModules(process, &module, sizeof(module), &needed);
             std::wstring report = Report(d) << result << (module != nullptr);
             d.system.CloseHandle(process);
             return report;
         }},
        {"GetModuleBaseNameW: room for the name and its terminator",
         [](S, P p, D d) { return Name(d, p.running->Id(), false, 1); }},
        {"GetModuleBaseNameW: room for the name only",
         [](S, P p, D d) { return Name(d, p.running->Id(), false, 0); }},
        {"GetModuleBaseNameW: room for less than the name",
         [](S, P p, D d) { return Name(d, p.running->Id(), false, -4); }},
        {"GetModuleBaseNameW: a process of the other word size",
         [](S, P p, D d) { return ListedPeer(p) ? Name(d, p.peer->Id(), false, 1) : kNoPeer; }},
        {"GetModuleFileNameExW: room for the path and its terminator",
         [](S, P p, D d) { return Name(d, p.running->Id(), true, 1); }},
        {"GetModuleFileNameExW: room for the path only",
         [](S, P p, D d) { return Name(d, p.running->Id(), true, 0); }},
        {"GetModuleFileNameExW: room for less than the path",
         [](S, P p, D d) { return Name(d, p.running->Id(), true, -4); }},
        {"GetModuleFileNameExW: a process of the other word size",
         [](S, P p, D d) { return ListedPeer(p) ? Name(d, p.peer->Id(), true, 1) : kNoPeer; }},
        // Names, files and texts.
        {"StrCmpIW: equal but for case",
         [](S, P, D d) { return Compare(d, L"Terminal.EXE", L"terminal.exe"); }},
        {"StrCmpIW: Cyrillic, equal but for case",
         [](S, P, D d) { return Compare(d, L"ТЕРМИНАЛ.exe", L"терминал.EXE"); }},
        {"StrCmpIW: one length, sorts before",
         [](S, P, D d) { return Compare(d, L"terminal.dll", L"TERMINAL.EXE"); }},
        {"StrCmpIW: one length, sorts after",
         [](S, P, D d) { return Compare(d, L"TERMINAL.FXE", L"terminal.exe"); }},
        {"StrCmpIW: shorter",
         [](S, P, D d) { return Compare(d, L"terminal.ex", L"terminal.exe"); }},
        {"StrCmpIW: longer",
         [](S, P, D d) { return Compare(d, L"terminal.exe.bak", L"terminal.exe"); }},
        {"StrCmpIW: punctuation against a letter",
         [](S, P, D d) { return Compare(d, L"terminal_exe", L"terminal.exe"); }},
        {"GetFileAttributesW: a file", [](S, P p, D d) { return Attributes(d, p.file); }},
        {"GetFileAttributesW: a file named in other case and with slashes",
         [](S, P p, D d) {
             std::wstring path = p.file;
             std::replace(path.begin(), path.end(), L'\\', L'/');
             std::transform(path.begin(), path.end(), path.begin(), ::towupper);
             return Attributes(d, path);
         }},
        {"GetFileAttributesW: a folder", [](S, P p, D d) { return Attributes(d, p.subfolder); }},
        {"GetFileAttributesW: missing in a folder that exists",
         [](S, P p, D d) { return Attributes(d, p.folder.Path() + L"MetaEditor.exe"); }},
        {"GetFileAttributesW: its folder is missing",
         [](S, P p, D d) { return Attributes(d, p.folder.Path() + L"none\\MetaEditor.exe"); }},
        {"GetFileAttributesW: a malformed path",
         [](S, P p, D d) { return Attributes(d, p.folder.Path() + L"a<b>|c"); }},
        {"WideCharToMultiByte: measure", [](S, P, D d) { return Narrow(d, CP_OEMCP, L"abc", 0); }},
        {"WideCharToMultiByte: room for the text and its terminator",
         [](S, P, D d) { return Narrow(d, CP_OEMCP, L"abc", 4); }},
        {"WideCharToMultiByte: room for the text only",
         [](S, P, D d) { return Narrow(d, CP_OEMCP, L"abc", 3); }},
        {"WideCharToMultiByte: an unknown code page",
         [](S, P, D d) { return Narrow(d, 12345, L"abc", 0); }},
        {"WideCharToMultiByte: code page 866 named",
         [](S, P, D d) { return Narrow(d, 866, L"abc", 0); },
         "the model knows the OEM code page only as CP_OEMCP, so that a program that names 866 "
         "itself shows"},
        {"FormatMessageW: success (0)", [](S, P, D d) { return SystemText(d, 0); }},
        {"FormatMessageW: 0x80070057", [](S, P, D d) { return SystemText(d, 0x80070057); }},
        {"FormatMessageW: 0x8007FFFF, a code without a text",
         [](S, P, D d) { return SystemText(d, 0x8007FFFF); }},
        {"FormatMessageW: 0x800703EC", [](S, P, D d) { return SystemText(d, 0x800703EC); }},
        {"FormatMessageW: 87 (the code without its facility)",
         [](S, P, D d) { return SystemText(d, 87); },
         "the model knows codes only in their facility-Win32 form, so that a code cut to its "
         "low word shows"},
        // The program's own console and standing.
        {"GetConsoleMode: the console's screen buffer",
         [](S, P p, D d) { return ConsoleMode(d, p.output, std::nullopt); }},
        {"GetConsoleMode: a file", [](S, P p, D d) { return ConsoleMode(d, p.fileHandle, {}); }},
        {"CreateFileW(CONIN$), then SetConsoleMode: four flags off",
         [](S, P, D d) { return ConsoleInputMode(d, 0x1A1); }},
        {"CreateMutexW, OpenMutexW: a new name, the same, opened, gone once closed, new again",
         [](S, P, D d) { return Mutexes(d); }},
        {"GetTokenInformation, ConvertSidToStringSidW, IsWow64Process: the process's own",
         [](S, P, D d) { return Identity(d); }},
        {"SetConsoleTitleW, GetConsoleTitleW: a title set and read back",
         [](S, P, D d) { return Title(d); }},
        {"CreateToolhelp32Snapshot, Process32FirstW, Process32NextW: unsized, then this process",
         [](S, P, D d) { return Snapshot(d); }},
        {"ProcessIdToSessionId, GetTokenInformation(TokenSessionId): this process's session",
         [](S, P, D d) { return Session(d); }},
    };
    return rows;
}

class ConformanceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
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
};

TEST_F(ConformanceTest, ModelAnswersEveryCallAsTheRealSystem) {
    const Shared shared;
    bool doomedEnded = false;
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        Situation situation(shared, row.shown);
        sim::SimulatedSystem& model = situation.model;
        const Side real{os::Current(), [](DWORD error) { ::SetLastError(error); },
                        [](HWND window) { ::DestroyWindow(window); },
                        [&] {
                            shared.doomed->Terminate();
                            doomedEnded = true;
                        }};
        const Side simulated{model, [&](DWORD error) { model.SetLastError(error); },
                             [&](HWND window) { model.DestroyWindow(sim::HandleValue(window)); },
                             [&] { model.RemoveProcess(shared.doomed->Id()); }};
        const std::wstring expected = row.call(situation, shared, real);
        const std::wstring answered = row.call(situation, shared, simulated);
        if (row.deliberate == nullptr || expected == kNoPeer) {
            EXPECT_EQ(answered, expected);
        } else {
            EXPECT_NE(answered, expected) << "no longer differs: " << row.deliberate;
        }
    }
    EXPECT_TRUE(doomedEnded);
}

} // namespace
