#pragma once
// Functions in this file:
//   FormatEntrySize - the "大小(KB)" text of a file row
//   FormatEntryDate - the "最后修改日期" text of a row
// Plain functions, so that every rule can be checked without a window.
#include <windows.h>

#include "String.h"

// Kilobytes, rounded down, except that 1 to 1023 bytes show 1. Above 1000 one
// separator splits off the last three digits: 1001, 12,345, 4194,304.
CString FormatEntrySize(ULONGLONG bytes);

// The stored universal time as "year.month.day hh:mm", with no conversion to
// local time; empty when the time cannot be converted.
CString FormatEntryDate(const FILETIME& lastWrite);
