#include "TaskbarProgress.h"

#include <shobjidl.h>

CTaskbarProgress::~CTaskbarProgress() {
    if (m_list) m_list->Release();
    if (m_comStarted) CoUninitialize();
}

ITaskbarList3* CTaskbarProgress::List() {
    // The button's message comes again when the shell restarts: the list
    // stays valid.
    if (m_listTried || !m_buttonReady) return m_list;
    m_listTried = true;
    if (!m_comStarted) m_comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&list))))
        return nullptr;
    if (FAILED(list->HrInit())) {
        list->Release();
        return nullptr;
    }
    return m_list = list;
}

void CTaskbarProgress::Show(HWND window, int done, int total) {
    if (total <= 0 || !List()) return;
    m_list->SetProgressState(window, TBPF_NORMAL);
    m_list->SetProgressValue(window, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
}

void CTaskbarProgress::Clear(HWND window) {
    if (m_list) m_list->SetProgressState(window, TBPF_NOPROGRESS);
}
