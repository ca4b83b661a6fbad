#include "TaskbarProgress.h"

#include <shobjidl.h>

CTaskbarProgress::~CTaskbarProgress() {
    if (m_list) m_list->Release();
    if (m_comStarted) CoUninitialize();
}

void CTaskbarProgress::ButtonCreated() {
    // The message comes again when the shell restarts: the list stays valid.
    if (m_list) return;
    if (!m_comStarted) m_comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&list))))
        return;
    if (FAILED(list->HrInit())) {
        list->Release();
        return;
    }
    m_list = list;
}

void CTaskbarProgress::Show(HWND window, int done, int total) {
    if (!m_list || total <= 0) return;
    m_list->SetProgressState(window, TBPF_NORMAL);
    m_list->SetProgressValue(window, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
}

void CTaskbarProgress::Clear(HWND window) {
    if (m_list) m_list->SetProgressState(window, TBPF_NOPROGRESS);
}
