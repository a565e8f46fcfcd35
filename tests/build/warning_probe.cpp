// Must not compile. Built like the program's own sources, each probe must be refused, so that the
// build can never quietly lose the warnings that MSVC's would otherwise be the only guard for.
#include "os/win32.h"

#if defined(PROBE_CONVERSION)
WORD LowWordOf(DWORD value) {
    return value; // narrowing
}
#elif defined(PROBE_SIGN_CONVERSION)
DWORD CountOf(int value) {
    return value; // change of sign
}
#endif
