#include "support/program_allocations.h"

#include <cstdlib>
#include <new>

namespace program_allocations {
namespace {

long g_program = 0;
long g_model = 0;
int g_modelDepth = 0;
long g_failFrom = 0;
std::size_t g_failSizesFrom = 0;
void (*g_freeHook)() = nullptr;

bool CountAndTellFailure(std::size_t bytes) {
    if (g_modelDepth > 0) {
        ++g_model;
        return false;
    }
    ++g_program;
    return (g_failFrom != 0 && g_program >= g_failFrom) ||
           (g_failSizesFrom != 0 && bytes >= g_failSizesFrom);
}

void* Allocate(std::size_t bytes) {
    if (CountAndTellFailure(bytes)) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) {
        return memory;
    }
    throw std::bad_alloc();
}

void Free(void* memory) {
    std::free(memory);
    if (g_freeHook != nullptr && g_modelDepth == 0) {
        g_freeHook();
    }
}

// The program's callback and its parameter, handed through the target's enumeration.
struct Enumeration {
    WNDENUMPROC callback;
    LPARAM parameter;
};

BOOL CALLBACK CallProgram(HWND window, LPARAM enumeration) {
    const auto& inner = *reinterpret_cast<const Enumeration*>(enumeration);
    const InProgram program;
    return inner.callback(window, inner.parameter);
}

} // namespace

void Reset() {
    g_program = 0;
    g_model = 0;
}

Counts Get() {
    return Counts{g_program, g_model};
}

void FailFrom(long k) {
    g_program = 0;
    g_failFrom = k;
}

void FailSizesFrom(std::size_t bytes) {
    g_program = 0;
    g_failSizesFrom = bytes;
}

void Disarm() {
    g_failFrom = 0;
    g_failSizesFrom = 0;
}

void SetFreeHook(void (*hook)()) {
    g_freeHook = hook;
}

InModel::InModel() {
    ++g_modelDepth;
}

InModel::~InModel() {
    --g_modelDepth;
}

InProgram::InProgram() : m_modelDepth(g_modelDepth) {
    g_modelDepth = 0;
}

InProgram::~InProgram() {
    g_modelDepth = m_modelDepth;
}

// --- ForwardingSystem ------------------------------------------------------------------------

BOOL ForwardingSystem::EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) {
    const InModel model = Enter();
    return m_target.EnumProcesses(processIds, bufferBytes, returnedBytes);
}

HANDLE ForwardingSystem::OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) {
    const InModel model = Enter();
    return m_target.OpenProcess(desiredAccess, inheritHandle, processId);
}

BOOL ForwardingSystem::EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                                          DWORD* neededBytes) {
    const InModel model = Enter();
    return m_target.EnumProcessModules(process, modules, bufferBytes, neededBytes);
}

DWORD ForwardingSystem::GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName,
                                           DWORD size) {
    const InModel model = Enter();
    return m_target.GetModuleBaseNameW(process, module, baseName, size);
}

DWORD ForwardingSystem::GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                                             DWORD size) {
    const InModel model = Enter();
    return m_target.GetModuleFileNameExW(process, module, fileName, size);
}

BOOL ForwardingSystem::CloseHandle(HANDLE object) {
    const InModel model = Enter();
    return m_target.CloseHandle(object);
}

BOOL ForwardingSystem::EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
    const InModel model = Enter();
    Enumeration enumeration{callback, parameter};
    return m_target.EnumWindows(CallProgram, reinterpret_cast<LPARAM>(&enumeration));
}

BOOL ForwardingSystem::EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) {
    const InModel model = Enter();
    Enumeration enumeration{callback, parameter};
    return m_target.EnumChildWindows(parent, CallProgram, reinterpret_cast<LPARAM>(&enumeration));
}

DWORD ForwardingSystem::GetWindowThreadProcessId(HWND window, DWORD* processId) {
    const InModel model = Enter();
    return m_target.GetWindowThreadProcessId(window, processId);
}

LONG ForwardingSystem::GetWindowLongW(HWND window, int index) {
    const InModel model = Enter();
    return m_target.GetWindowLongW(window, index);
}

BOOL ForwardingSystem::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const InModel model = Enter();
    return m_target.PostMessageA(window, message, wParam, lParam);
}

int ForwardingSystem::StrCmpIW(LPCWSTR first, LPCWSTR second) {
    const InModel model = Enter();
    return m_target.StrCmpIW(first, second);
}

DWORD ForwardingSystem::GetFileAttributesW(LPCWSTR fileName) {
    const InModel model = Enter();
    return m_target.GetFileAttributesW(fileName);
}

int ForwardingSystem::WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText,
                                          int wideLength, LPSTR narrowText, int narrowSize,
                                          LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    const InModel model = Enter();
    return m_target.WideCharToMultiByte(codePage, flags, wideText, wideLength, narrowText,
                                        narrowSize, defaultChar, usedDefaultChar);
}

DWORD ForwardingSystem::GetLastError() {
    const InModel model = Enter();
    return m_target.GetLastError();
}

DWORD ForwardingSystem::FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId,
                                       DWORD languageId, LPWSTR buffer, DWORD size,
                                       va_list* arguments) {
    const InModel model = Enter();
    return m_target.FormatMessageW(flags, source, messageId, languageId, buffer, size, arguments);
}

HLOCAL ForwardingSystem::LocalFree(HLOCAL memory) {
    const InModel model = Enter();
    return m_target.LocalFree(memory);
}

void ForwardingSystem::OutputDebugStringW(LPCWSTR text) {
    const InModel model = Enter();
    m_target.OutputDebugStringW(text);
}

void ForwardingSystem::Sleep(DWORD milliseconds) {
    const InModel model = Enter();
    if (m_sleeps == Sleeps::kForward) {
        m_target.Sleep(milliseconds);
    }
}

} // namespace program_allocations

void* operator new(std::size_t bytes) {
    return program_allocations::Allocate(bytes);
}
void* operator new[](std::size_t bytes) {
    return program_allocations::Allocate(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return program_allocations::Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return program_allocations::Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* memory) noexcept {
    program_allocations::Free(memory);
}
void operator delete[](void* memory) noexcept {
    program_allocations::Free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    program_allocations::Free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    program_allocations::Free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    program_allocations::Free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    program_allocations::Free(memory);
}
