// The command poster: posts two commands to every chart window of every running terminal, about
// ten times a second, for as long as it runs.
#include "app/start.h"

#include <cstdio>
#include <iostream>

int wmain(int /*argc*/, wchar_t* /*argv*/[], wchar_t* /*envp*/[]) {
    // A console is unbuffered already; a pipe or a file would otherwise hold the status back for
    // minutes and lose it when the program is terminated, its usual way to end.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return RunCommandPoster(std::cout, std::wcout);
}
