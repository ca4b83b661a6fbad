#pragma once
// ORLENZA_ASSERT(condition): a contract of the framework that a caller broke
// (a wrapper used without a window, a selection left in a DC at the end of a
// paint). Checked in debug builds, where a breach stops the program with the
// place and the condition; compiled out of release builds.

#ifdef NDEBUG
#define ORLENZA_ASSERT(condition) ((void)sizeof(!(condition)))
#else
[[noreturn]] void OrlenzaAssertFailed(const char* condition, const char* file, int line);
#define ORLENZA_ASSERT(condition) \
    ((condition) ? (void)0 : OrlenzaAssertFailed(#condition, __FILE__, __LINE__))
#endif
