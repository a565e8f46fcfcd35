// What the command poster writes on the console.
#pragma once

#include "os/win32.h"

namespace console {

// The Russian messages, converted to the console's code page before they are written.
inline constexpr const wchar_t* kNotFound = L"Не нашел метатрейдеров\r\n";
inline constexpr const wchar_t* kProcessing = L"В обработке ";
// Written by a command poster that finds another serving its session, before it ends.
inline constexpr const wchar_t* kAlreadyRunning = L"Программа уже запущена\r\n";
// Written once when a command poster starts waiting for one that reaches further to end.
inline constexpr const wchar_t* kWaiting = L"Ожидание: работает другая копия программы\r\n";
// Written for a terminal that this poster sees but cannot serve, one per cause, with what to do:
// it runs as administrator and this poster does not; it runs 64-bit and this poster is 32-bit.
inline constexpr const wchar_t* kNeedsElevation =
    L"Нет доступа к метатрейдеру: запустите программу от имени администратора\r\n";
inline constexpr const wchar_t* kNeeds64Bit =
    L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы\r\n";
inline constexpr UINT kCodePage = CP_OEMCP;

inline constexpr const char* kDot = ".";
inline constexpr const char* kEraseDot = "\b \b";
inline constexpr const wchar_t* kLineEnd = L"\r\n";

} // namespace console
