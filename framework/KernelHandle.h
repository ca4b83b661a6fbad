#pragma once
// Classes in this file:
//   CKernelHandle - the one owner of a kernel handle (process, thread, pipe,
//                   file, event): closed when it goes or is replaced
//
// Both of the platform's "no handle" values (null, and INVALID_HANDLE_VALUE
// that CreateFile answers) count as empty. Move-only: a copied owner would
// close the handle twice.
#include <windows.h>

#include <utility>

class CKernelHandle {
public:
    CKernelHandle() = default;
    explicit CKernelHandle(HANDLE handle) : m_handle(handle) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(CKernelHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        Close();
        m_handle = handle;
    }
    // For functions that hand a handle out through a pointer.
    HANDLE* Receive() {
        Reset();
        return &m_handle;
    }

private:
    void Close() {
        if (IsValid()) ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

    HANDLE m_handle = nullptr;
};
