// Real processes, folders and files for the tests that run against the real system (under Wine
// here). Every owner cleans up whatever happens to the test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace real {

// The folder of the running test executable, with a final backslash; the helper programs are
// built beside it.
std::wstring ExecutableFolder();

// A path handed in from the host, as this system names it: a Unix path under Wine becomes its
// drive path (Z:\...); on Windows the path is taken as it is.
std::wstring FromHostPath(const std::wstring& path);

// The value of an environment variable; empty if it is not set.
std::wstring EnvironmentVariable(const wchar_t* name);

// 32 or 64 for a Windows executable; 0 if the file is none.
int ExecutableBits(const std::wstring& path);

// A new empty folder under the temporary folder, removed with all its content at the end.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    // The folder's path with a final backslash.
    const std::wstring& Path() const { return m_path; }
    // Creates a sub-folder (and its parents) below this one; returns its path with a backslash.
    std::wstring MakeFolder(const std::wstring& relative) const;
    std::wstring WriteFile(const std::wstring& relative, const std::string& content = "") const;
    std::wstring CopyIn(const std::wstring& source, const std::wstring& relative) const;

private:
    std::wstring m_path;
};

// The whole content of a file, read while others may still write it; empty if it is missing.
std::string ReadFileBytes(const std::wstring& path);

// A file created for a child's standard output: an inheritable handle, closed at the end.
class OutputFile {
public:
    explicit OutputFile(const std::wstring& path);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle;
};

// A started process, terminated (if still running) and released at the end. Given a standard
// output, it gets that file as its standard input and error too; otherwise it has the test's.
class ChildProcess {
public:
    ChildProcess(const std::wstring& executable, const std::wstring& arguments,
                 HANDLE standardOutput = nullptr);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    DWORD Id() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    // Waits for the process to end by itself; true if it did within the time.
    bool WaitForExit(DWORD milliseconds) const;
    DWORD ExitCode() const;
    void Terminate() const;
    // Waits until the process has finished starting (its first message loop is idle).
    void WaitUntilIdle(DWORD milliseconds) const;

private:
    PROCESS_INFORMATION m_info{};
};

} // namespace real
