#include "wine/wine_support.h"

#include <stdexcept>

namespace real {
namespace {

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') {
        path.push_back(L'\\');
    }
    return path;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(folder + name + L"\\");
            } else {
                ::SetFileAttributesW((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW((folder + name).c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring FromHostPath(const std::wstring& path) {
    // Exported by Wine's kernel32 only; it allocates the result on the process heap.
    using UnixToDos = WCHAR*(CDECL*)(LPCSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC found = kernel ? ::GetProcAddress(kernel, "wine_get_dos_file_name") : nullptr;
    if (found == nullptr) {
        return path;
    }
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string unixPath(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath.data(), size, nullptr, nullptr);
    // Through the generic function pointer type, which every compiler lets through unwarned.
    const auto unixToDos = reinterpret_cast<UnixToDos>(reinterpret_cast<void (*)()>(found));
    WCHAR* const dos = unixToDos(unixPath.c_str());
    if (dos == nullptr) {
        throw std::runtime_error("Wine cannot map a host path");
    }
    std::wstring result(dos);
    ::HeapFree(::GetProcessHeap(), 0, dos);
    return result;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

int ExecutableBits(const std::wstring& path) {
    DWORD type = 0;
    if (!::GetBinaryTypeW(path.c_str(), &type)) {
        return 0;
    }
    return type == SCS_64BIT_BINARY ? 64 : type == SCS_32BIT_BINARY ? 32 : 0;
}

std::wstring ExecutableFolder() {
    std::wstring path(MAX_PATH * 4, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, base);
    static unsigned serial = 0;
    for (;;) {
        m_path = WithBackslash(base) + L"command_poster_test_" +
                 std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++serial) +
                 L"\\";
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) {
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a temporary folder");
        }
    }
}

TempFolder::~TempFolder() {
    RemoveTree(m_path);
}

std::wstring TempFolder::MakeFolder(const std::wstring& relative) const {
    std::wstring path = m_path;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = relative.find(L'\\', start);
        path += relative.substr(start, end - start) + L"\\";
        ::CreateDirectoryW(path.c_str(), nullptr);
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    return path;
}

std::wstring TempFolder::WriteFile(const std::wstring& relative, const std::string& content) const {
    std::wstring path = m_path + relative;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot create a file");
    }
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return path;
}

std::wstring TempFolder::CopyIn(const std::wstring& source, const std::wstring& relative) const {
    std::wstring path = m_path + relative;
    if (!::CopyFileW(source.c_str(), path.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy a helper program");
    }
    return path;
}

std::string ReadFileBytes(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string content;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read != 0) {
        content.append(chunk, read);
    }
    ::CloseHandle(file);
    return content;
}

OutputFile::OutputFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    m_handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot create an output file");
    }
}

OutputFile::~OutputFile() {
    ::CloseHandle(m_handle);
}

ChildProcess::ChildProcess(const std::wstring& executable, const std::wstring& arguments,
                           HANDLE standardOutput) {
    std::wstring commandLine = L"\"" + executable + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (standardOutput != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = standardOutput;
        startup.hStdError = standardOutput;
        startup.hStdInput = standardOutput; // redirected as well, whatever the test's own is
    }
    if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr,
                          standardOutput != nullptr, 0, nullptr, nullptr, &startup, &m_info)) {
        throw std::runtime_error("cannot start a helper program");
    }
}

ChildProcess::~ChildProcess() {
    Terminate();
    ::CloseHandle(m_info.hThread);
    ::CloseHandle(m_info.hProcess);
}

bool ChildProcess::WaitForExit(DWORD milliseconds) const {
    return ::WaitForSingleObject(m_info.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void ChildProcess::Terminate() const {
    if (!WaitForExit(0)) {
        ::TerminateProcess(m_info.hProcess, 1);
        ::WaitForSingleObject(m_info.hProcess, 10000);
    }
}

void ChildProcess::WaitUntilIdle(DWORD milliseconds) const {
    ::WaitForInputIdle(m_info.hProcess, milliseconds);
}

} // namespace real
