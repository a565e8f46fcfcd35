// A process that exists for the tests to find: it sleeps for the milliseconds given on its
// command line (10 seconds without one) and ends.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const DWORD milliseconds =
        argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 10000;
    ::Sleep(milliseconds);
    return 0;
}
