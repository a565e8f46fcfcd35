// What the command poster writes on the console. When each is written, and what the user does:
// docs/console-messages.md, which must hold every text here (scripts/check-docs.sh).
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
// Written for a terminal that gets nothing from this poster, one per cause, with what to do: it
// runs in another Windows session (session 0, where no user's window is: a task run whether the
// user is logged on or not, or a service); as another user; as administrator, and this poster does
// not; 64-bit, and this poster is 32-bit (and elevated, so that the 64-bit one must be too, or both
// would serve the 32-bit terminals). Each text is one literal, as the release build reads it.
// clang-format off
inline constexpr const wchar_t* kOtherSession =
    L"Метатрейдер в другом сеансе Windows: запустите программу в его сеансе\r\n";
inline constexpr const wchar_t* kTerminalNoDesktop =
    L"Метатрейдер запущен без рабочего стола: запускайте его при входе в систему\r\n";
inline constexpr const wchar_t* kOtherUser =
    L"Метатрейдер запущен от имени другого пользователя: запустите программу так же, как метатрейдер\r\n";
inline constexpr const wchar_t* kNeedsElevation =
    L"Нет доступа к метатрейдеру: запустите программу от имени администратора\r\n";
inline constexpr const wchar_t* kNeeds64Bit =
    L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы\r\n";
inline constexpr const wchar_t* kNeeds64BitElevated =
    L"Метатрейдер 64-разрядный: запустите 64-разрядную версию программы от имени администратора\r\n";
// clang-format on
// Under each of those lines whose terminal's image path is known, the path, so indented.
inline constexpr const wchar_t* kPathIndent = L"  ";
// Written by a poster that runs without a desktop (in session 0) and has served no chart for a
// minute, before it ends.
inline constexpr const wchar_t* kNoDesktop =
    L"Программа запущена без рабочего стола: запускайте ее при входе пользователя\r\n";
inline constexpr UINT kCodePage = CP_OEMCP;

inline constexpr const char* kDot = ".";
inline constexpr const char* kEraseDot = "\b \b";
inline constexpr const wchar_t* kLineEnd = L"\r\n";

} // namespace console
