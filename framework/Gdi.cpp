#include "Gdi.h"

#include <utility>

#include "App.h"

CGdiObject& CGdiObject::operator=(CGdiObject&& other) noexcept {
    if (this != &other) {
        DeleteObject();
        m_hObject = other.Detach();
    }
    return *this;
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (m_hObject || !object) return FALSE;
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() { return std::exchange(m_hObject, nullptr); }

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    return ::DeleteObject(std::exchange(m_hObject, nullptr));
}

BOOL CBitmap::LoadBitmap(UINT id) {
    return Attach(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

CDC CDC::FromHandle(HDC dc) {
    CDC wrapper;
    wrapper.m_hDC = wrapper.m_hAttribDC = dc;
    return wrapper;
}

CDC::CDC(CDC&& other) noexcept
    : m_hDC(std::exchange(other.m_hDC, nullptr)),
      m_hAttribDC(std::exchange(other.m_hAttribDC, nullptr)),
      m_bPrinting(other.m_bPrinting),
      m_release(std::exchange(other.m_release, Release::None)),
      m_originalPen(std::exchange(other.m_originalPen, nullptr)),
      m_originalBrush(std::exchange(other.m_originalBrush, nullptr)),
      m_originalFont(std::exchange(other.m_originalFont, nullptr)),
      m_originalBitmap(std::exchange(other.m_originalBitmap, nullptr)),
      m_window(other.m_window),
      m_paint(other.m_paint) {}

CDC::~CDC() { ReleaseHandle(); }

void CDC::RestoreSelections() {
    if (!m_hDC) return;
    for (HGDIOBJ* original : {&m_originalPen, &m_originalBrush, &m_originalFont, &m_originalBitmap}) {
        if (*original) ::SelectObject(m_hDC, std::exchange(*original, nullptr));
    }
}

void CDC::ReleaseHandle() {
    RestoreSelections();
    switch (std::exchange(m_release, Release::None)) {
    case Release::Delete:
        if (m_hDC) ::DeleteDC(m_hDC);
        break;
    case Release::EndPaint:
        ::EndPaint(m_window, &m_paint);
        break;
    case Release::ReleaseDC:
        ::ReleaseDC(m_window, m_hDC);
        break;
    case Release::None:
        break;
    }
    m_hDC = m_hAttribDC = nullptr;
}

BOOL CDC::Attach(HDC dc) {
    if (m_hDC || !dc) return FALSE;
    m_hDC = m_hAttribDC = dc;
    m_release = Release::Delete;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = std::exchange(m_hDC, nullptr);
    m_hAttribDC = nullptr;
    m_release = Release::None;
    m_originalPen = m_originalBrush = m_originalFont = m_originalBitmap = nullptr;
    return dc;
}

BOOL CDC::CreateCompatibleDC(HDC reference) { return Attach(::CreateCompatibleDC(reference)); }

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    m_release = Release::Delete;
    ReleaseHandle();
    return TRUE;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
    if (!m_hDC || !object) return nullptr;
    HGDIOBJ previous = ::SelectObject(m_hDC, object);
    if (!previous || previous == HGDI_ERROR) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (::GetObjectType(object)) {
    case OBJ_PEN:
    case OBJ_EXTPEN: slot = &m_originalPen; break;
    case OBJ_BRUSH: slot = &m_originalBrush; break;
    case OBJ_FONT: slot = &m_originalFont; break;
    case OBJ_BITMAP: slot = &m_originalBitmap; break;
    default: break;
    }
    if (slot && !*slot) *slot = previous;
    return previous;
}

CPoint CDC::SetWindowOrg(int x, int y) {
    POINT old{};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return {old.x, old.y};
}

CSize CDC::GetTextExtent(const wchar_t* text, int length) const {
    SIZE size{};
    ::GetTextExtentPoint32W(AttribDC(), text, length, &size);
    return {size.cx, size.cy};
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
    const COLORREF previous = ::SetBkColor(m_hDC, colour);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    const RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, colour);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rect->left, y = rect->top, cx = rect->right - rect->left, cy = rect->bottom - rect->top;
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
    FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}

CPoint CDC::MoveTo(int x, int y) {
    POINT old{};
    ::MoveToEx(m_hDC, x, y, &old);
    return {old.x, old.y};
}

CPaintDC::CPaintDC(HWND window) {
    m_window = window;
    m_hDC = m_hAttribDC = ::BeginPaint(window, &m_paint);
    m_release = Release::EndPaint;
}

CClientDC::CClientDC(HWND window) {
    m_window = window;
    m_hDC = m_hAttribDC = ::GetDC(window);
    m_release = m_hDC ? Release::ReleaseDC : Release::None;
}

BOOL CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
    if (m_hImageList) return FALSE;
    m_hImageList = ImageList_Create(width, height, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    return ImageList_Destroy(std::exchange(m_hImageList, nullptr));
}
