#pragma once
// ORLENZA_ASSERT(condition): a contract of the framework that a caller broke
// (a wrapper used without a window, a selection left in a DC at the end of a
// paint). Checked where ORLENZA_CHECKED is defined (the copy of the code
// that the tests link, and the Orlenza.exe they start) and in debug builds,
// where a breach stops the program with the place and the condition;
// compiled out of the program as it ships.

[[noreturn]] void OrlenzaAssertFailed(const char* condition, const char* file, int line);

#if defined(NDEBUG) && !defined(ORLENZA_CHECKED)
#define ORLENZA_ASSERT(condition) ((void)sizeof(!(condition)))
#else
#define ORLENZA_ASSERT(condition) \
    ((condition) ? (void)0 : OrlenzaAssertFailed(#condition, __FILE__, __LINE__))
#endif
