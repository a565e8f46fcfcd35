// What makes a process a terminal: the name of its executable, and the companion file beside it.
#pragma once

inline constexpr const wchar_t* kTerminalFileName = L"terminal.exe";
inline constexpr const wchar_t* kCompanionFileName = L"MetaEditor.exe";
