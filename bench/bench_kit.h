#pragma once
// What the run benchmarks share:
//   Now, Seconds             - the performance counter and its seconds
//   Median                   - of a list of figures
//   ClickAndWaitForEndMessage - a run of the program from its start button to
//                              its end message, answer times probed on the way
//   RunSelfDetached          - this benchmark once more, as a process without a
//                              console, for a loop timed the way the program runs
#include <windows.h>

#include <string>
#include <vector>

#include "String.h"

namespace bench {

LONGLONG Now();
double Seconds(LONGLONG ticks);
double Median(std::vector<double> values);

// Clicks start on `dialog` of process `pid` and waits for its end message
// (at most `timeoutMs`); with `answers`, every 50 ms of the run the time the
// window takes to answer a sent message, until there are 20.
bool ClickAndWaitForEndMessage(HWND dialog, DWORD pid, DWORD timeoutMs, std::vector<double>* answers = nullptr);

// Starts this program again with `arguments`, without a console, as the
// program runs from the desktop (under Wine a program started from a console
// program shares its console, and a tool it starts needs none of its own),
// and waits for it; what it wrote to `result` (remote::WriteFileBytes), or
// empty when it failed.
std::string RunSelfDetached(const CString& arguments, const CString& result);

}  // namespace bench
