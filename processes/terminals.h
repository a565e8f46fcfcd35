// Terminal selection: the processes of a snapshot whose executable has the terminal's file name
// and whose folder also holds the companion file.
#pragma once

#include "os/win32.h"
#include "processes/processes.h"

#include <string>
#include <vector>

// Whether the file name is `terminalFileName`, compared without regard to case.
bool IsTerminalFileName(const std::wstring& fileName, const std::wstring& terminalFileName);

// Whether the image path names `terminalFileName` (compared without regard to case) with
// `companionFileName` beside it.
bool IsTerminalImage(const std::wstring& imagePath, const std::wstring& terminalFileName,
                     const std::wstring& companionFileName);

// Empties `targets`, then appends, in table order, the id of every entry whose image path names
// `terminalFileName` (compared without regard to case) with `companionFileName` beside it.
void FindTerminals(const std::wstring& terminalFileName, const std::wstring& companionFileName,
                   const CProcesses& processes, std::vector<DWORD>& targets);
