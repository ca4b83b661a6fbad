#include "EntryText.h"

CString FormatEntrySize(ULONGLONG bytes) {
    ULONGLONG kb = 0;
    if (bytes == 0)
        kb = 0;
    else if (bytes < 1024)
        kb = 1;
    else
        kb = bytes / 1024;
    // 64-bit formats: a 32-bit "%d" would turn negative from 2 TiB on.
    if (kb > 1000) return CString::Formatted(L"%I64u,%03I64u", kb / 1000, kb % 1000);
    return CString::Formatted(L"%I64u", kb);
}

CString FormatEntryDate(const FILETIME& lastWrite) {
    SYSTEMTIME t{};
    if (!FileTimeToSystemTime(&lastWrite, &t)) return CString();
    return CString::Formatted(L"%d.%d.%d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}
