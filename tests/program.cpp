#include "program.h"

#include "harness.h"

namespace testkit {

CString BuiltProgram() { return ModuleDir() + L"\\..\\checked\\Orlenza.exe"; }

CString ShippedProgram() { return ModuleDir() + L"\\..\\bin\\Orlenza.exe"; }

CString CopyOfProgram(const CString& folder) {
    const CString exe = folder + L"\\Orlenza.exe";
    return CopyFileW(BuiltProgram(), exe, FALSE) ? exe : CString();
}

Program::Program(const CString& exe, const CString& arguments, DWORD flags) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    CString commandLine = L"\"" + exe + L"\" " + arguments;
    const CString folder = exe.Left(exe.ReverseFind(L'\\'));
    if (!CreateProcessW(exe, commandLine.GetBuffer(commandLine.GetLength() + 1), nullptr, nullptr, FALSE, flags, nullptr,
                        folder, &si, &m_info))
        m_info = {};
    if (m_info.hThread) CloseHandle(m_info.hThread);
    m_info.hThread = nullptr;
    // Wait until it is ready for input: its first window exists then.
    if (m_info.hProcess) WaitForInputIdle(m_info.hProcess, 10000);
}

Program::~Program() {
    if (!m_info.hProcess) return;
    if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_info.hProcess, 99);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hProcess);
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_info.hProcess || WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(m_info.hProcess, exitCode);
    return true;
}

}  // namespace testkit
