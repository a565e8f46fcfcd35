// The command poster: posts two commands to every chart window of every running terminal, about
// ten times a second, for as long as it runs.
#include "app/posting_cycle.h"

#include <cstdio>
#include <iostream>

int wmain(int /*argc*/, wchar_t* /*argv*/[], wchar_t* /*envp*/[]) {
    // A console is unbuffered already; a pipe or a file would otherwise hold the status back for
    // minutes and lose it when the program is terminated, its only way to end.
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    ProgressIndicator indicator;
    for (;;) {
        RunPostingCycle(indicator, std::cout, std::wcout);
    }
}
