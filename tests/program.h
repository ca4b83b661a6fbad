#pragma once
// Starting the built Orlenza.exe as its own process, for black-box tests.
#include <windows.h>

#include "String.h"

namespace testkit {

// The program as the tests run it: ..\checked\Orlenza.exe beside the tests,
// built with its assertions active, its tools beside it.
CString BuiltProgram();
// The program as it ships: ..\bin\Orlenza.exe (what the benchmarks measure).
CString ShippedProgram();
// A copy of the built program as `folder`\Orlenza.exe, without its tools;
// its path, or empty when it could not be made.
CString CopyOfProgram(const CString& folder);

// A started program; terminated when the object goes if it is still running.
class Program {
public:
    // Copies nothing: starts `exe` in its own folder, with `arguments` if any
    // and CreateProcess's `flags`.
    explicit Program(const CString& exe, const CString& arguments = CString(), DWORD flags = 0);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_info.hProcess != nullptr; }
    DWORD Pid() const { return m_info.dwProcessId; }
    HANDLE Process() const { return m_info.hProcess; }
    // Waits for the process to end; false on timeout. `exitCode` receives its code.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

private:
    PROCESS_INFORMATION m_info{};
};

}  // namespace testkit
