#include "Debug.h"

// Defined in every build: a checked library linked into a program whose
// framework is not checked still finds it.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

void OrlenzaAssertFailed(const char* condition, const char* file, int line) {
    char text[512];
    std::snprintf(text, sizeof(text), "%s:%d: assertion failed: %s\n", file, line, condition);
    std::fputs(text, stderr);
    std::fflush(stderr);
    ::OutputDebugStringA(text);
    // Stop here, in the debugger when there is one, rather than run on with a
    // broken contract.
    if (::IsDebuggerPresent()) ::DebugBreak();
    std::abort();
}
