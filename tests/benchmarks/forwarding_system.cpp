#include "forwarding_system.h"

#include "allocation_counter.h"

namespace {

// The program's callback and its parameter, handed through the target's enumeration.
struct Enumeration {
    WNDENUMPROC callback;
    LPARAM parameter;
};

BOOL CALLBACK CallProgram(HWND window, LPARAM enumeration) {
    const auto& inner = *reinterpret_cast<const Enumeration*>(enumeration);
    const allocation_counter::InProgram program;
    return inner.callback(window, inner.parameter);
}

} // namespace

BOOL ForwardingSystem::EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.EnumProcesses(processIds, bufferBytes, returnedBytes);
}

HANDLE ForwardingSystem::OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.OpenProcess(desiredAccess, inheritHandle, processId);
}

BOOL ForwardingSystem::EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                                          DWORD* neededBytes) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.EnumProcessModules(process, modules, bufferBytes, neededBytes);
}

DWORD ForwardingSystem::GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName,
                                           DWORD size) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetModuleBaseNameW(process, module, baseName, size);
}

DWORD ForwardingSystem::GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                                             DWORD size) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetModuleFileNameExW(process, module, fileName, size);
}

BOOL ForwardingSystem::CloseHandle(HANDLE object) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.CloseHandle(object);
}

BOOL ForwardingSystem::EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
    const allocation_counter::InModel model;
    ++m_calls;
    Enumeration enumeration{callback, parameter};
    return m_target.EnumWindows(CallProgram, reinterpret_cast<LPARAM>(&enumeration));
}

BOOL ForwardingSystem::EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) {
    const allocation_counter::InModel model;
    ++m_calls;
    Enumeration enumeration{callback, parameter};
    return m_target.EnumChildWindows(parent, CallProgram, reinterpret_cast<LPARAM>(&enumeration));
}

DWORD ForwardingSystem::GetWindowThreadProcessId(HWND window, DWORD* processId) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetWindowThreadProcessId(window, processId);
}

LONG ForwardingSystem::GetWindowLongW(HWND window, int index) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetWindowLongW(window, index);
}

BOOL ForwardingSystem::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.PostMessageA(window, message, wParam, lParam);
}

int ForwardingSystem::StrCmpIW(LPCWSTR first, LPCWSTR second) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.StrCmpIW(first, second);
}

DWORD ForwardingSystem::GetFileAttributesW(LPCWSTR fileName) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetFileAttributesW(fileName);
}

int ForwardingSystem::WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText,
                                          int wideLength, LPSTR narrowText, int narrowSize,
                                          LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.WideCharToMultiByte(codePage, flags, wideText, wideLength, narrowText,
                                        narrowSize, defaultChar, usedDefaultChar);
}

DWORD ForwardingSystem::GetLastError() {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.GetLastError();
}

DWORD ForwardingSystem::FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId,
                                       DWORD languageId, LPWSTR buffer, DWORD size,
                                       va_list* arguments) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
}

HLOCAL ForwardingSystem::LocalFree(HLOCAL memory) {
    const allocation_counter::InModel model;
    ++m_calls;
    return m_target.LocalFree(memory);
}

void ForwardingSystem::OutputDebugStringW(LPCWSTR text) {
    const allocation_counter::InModel model;
    ++m_calls;
    m_target.OutputDebugStringW(text);
}

void ForwardingSystem::Sleep(DWORD milliseconds) {
    ++m_calls;
    if (m_sleeps == Sleeps::kForward) {
        const allocation_counter::InModel model;
        m_target.Sleep(milliseconds);
    }
}
