// The Win32 vocabulary of the program: the real headers on Windows; elsewhere the few types and
// constants the sources use, with the widths they have on 32-bit Windows, so that the same sources
// build natively against a simulated system.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#else

#include <cstdarg>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using HRESULT = std::int32_t;
using WCHAR = wchar_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBOOL = BOOL*;
using LPDWORD = DWORD*;
using LPVOID = void*;
using LPCVOID = const void*;
using PBOOL = BOOL*;
using PSID = void*;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

using HANDLE = void*;
using HLOCAL = void*;
struct HWND__; // NOLINT(bugprone-reserved-identifier): Windows' own name
using HWND = HWND__*;
struct HINSTANCE__; // NOLINT(bugprone-reserved-identifier): Windows' own name
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

#define CALLBACK
#define WINAPI
using WNDENUMPROC = BOOL(CALLBACK*)(HWND, LPARAM);
using PHANDLER_ROUTINE = BOOL(WINAPI*)(DWORD);
struct SECURITY_ATTRIBUTES; // only ever passed as null
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(std::intptr_t{-1}))

#define TRUE 1
#define FALSE 0

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_PARTIAL_COPY = 299;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION = 1459;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);

constexpr DWORD PROCESS_VM_READ = 0x0010;
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;

constexpr DWORD TOKEN_QUERY = 0x0008;
// The classes of token information the program asks for.
enum TOKEN_INFORMATION_CLASS { TokenUser = 1, TokenSessionId = 12, TokenElevation = 20 };
struct TOKEN_ELEVATION {
    DWORD TokenIsElevated;
};
struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};
struct TOKEN_USER {
    SID_AND_ATTRIBUTES User;
};
constexpr DWORD SECURITY_MAX_SID_SIZE = 68;

constexpr DWORD MAX_PATH = 260;
constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;
struct PROCESSENTRY32W {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    WCHAR szExeFile[MAX_PATH];
};
using LPPROCESSENTRY32W = PROCESSENTRY32W*;

constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD OPEN_EXISTING = 3;

constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD ENABLE_LINE_INPUT = 0x0002;
constexpr DWORD ENABLE_ECHO_INPUT = 0x0004;
constexpr DWORD ENABLE_MOUSE_INPUT = 0x0010;
constexpr DWORD ENABLE_QUICK_EDIT_MODE = 0x0040;
constexpr DWORD ENABLE_EXTENDED_FLAGS = 0x0080;
constexpr DWORD CTRL_C_EVENT = 0;

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x0100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x0200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) {
    return static_cast<DWORD>((sub << 10) | primary);
}

constexpr UINT WM_COMMAND = 0x0111;
constexpr int GWL_EXSTYLE = -20;
constexpr LONG WS_EX_MDICHILD = 0x00000040;

#endif
