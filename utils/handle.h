// Scope owners of kernel handles: a handle is closed exactly once, on every way out of its scope.
#pragma once

#include "os/win32.h"

#include <cstdint>
#include <memory>
#include <type_traits>

namespace Utils {

// Holds one handle and declares how it is closed. `InvalidValue` is the integer that means "no
// handle"; it is an intptr_t so that a pointer-typed handle can use it on 64-bit builds too.
template <typename THandle, std::intptr_t InvalidValue>
class CBaseHandle {
public:
    explicit CBaseHandle(THandle handle) : m_handle(handle) {}

    // Copying or moving would leave two owners of one handle, or a moved-from owner that the
    // program might still close: owners stay where they were made.
    CBaseHandle(const CBaseHandle&) = delete;
    CBaseHandle& operator=(const CBaseHandle&) = delete;

    virtual void Close() = 0;

    THandle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Invalid(); }

    static THandle Invalid() {
        if constexpr (std::is_pointer_v<THandle>) {
            return reinterpret_cast<THandle>(InvalidValue);
        } else {
            return static_cast<THandle>(InvalidValue);
        }
    }

protected:
    // Not virtual and closes nothing: the concrete owner's destructor closes, and owners are never
    // destroyed through the base.
    ~CBaseHandle() = default;

    THandle m_handle;
};

// Owner of a handle that CloseHandle releases: process and token handles, the session's mutexes.
class CThreadHandle final : public CBaseHandle<void*, 0> {
public:
    explicit CThreadHandle(HANDLE handle) : CBaseHandle(handle) {}
    ~CThreadHandle() { Close(); }

    // Idempotent: the handle reaches CloseHandle at most once, whatever CloseHandle answers.
    void Close() override;
};

// A text that the system allocated for the caller (FormatMessageW's, ConvertSidToStringSidW's):
// LocalFree gives it back on every way out.
struct LocalFreeDeleter {
    void operator()(wchar_t* text) const;
};
using LocalText = std::unique_ptr<wchar_t, LocalFreeDeleter>;

} // namespace Utils
