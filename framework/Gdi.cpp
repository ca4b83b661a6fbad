#include "Gdi.h"

#include <utility>

#include "App.h"
#include "Debug.h"
#include "LiveCountsImpl.h"

// A move hands the object over: the count stays.
CGdiObject::CGdiObject(CGdiObject&& other) noexcept : m_hObject(std::exchange(other.m_hObject, nullptr)) {}

CGdiObject& CGdiObject::operator=(CGdiObject&& other) noexcept {
    if (this != &other) {
        DeleteObject();
        m_hObject = std::exchange(other.m_hObject, nullptr);
    }
    return *this;
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (m_hObject || !object) return FALSE;
    m_hObject = object;
    CountLive(LiveKind::GdiObject, +1);
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    if (m_hObject) CountLive(LiveKind::GdiObject, -1);
    return std::exchange(m_hObject, nullptr);
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    CountLive(LiveKind::GdiObject, -1);
    return ::DeleteObject(std::exchange(m_hObject, nullptr));
}

BOOL CUserImage::Attach(HANDLE image) {
    if (m_handle || !image) return FALSE;
    m_handle = image;
    CountLive(m_cursor ? LiveKind::Cursor : LiveKind::Icon, +1);
    return TRUE;
}

HANDLE CUserImage::Detach() {
    if (m_handle) CountLive(m_cursor ? LiveKind::Cursor : LiveKind::Icon, -1);
    return std::exchange(m_handle, nullptr);
}

BOOL CUserImage::Destroy() {
    HANDLE image = Detach();
    if (!image) return FALSE;
    return m_cursor ? ::DestroyCursor(static_cast<HCURSOR>(image)) : ::DestroyIcon(static_cast<HICON>(image));
}

CSelectGuard::CSelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(nullptr) {
    ORLENZA_ASSERT(dc && object && ::GetObjectType(object) != OBJ_REGION);
    if (!dc || !object) return;
    HGDIOBJ previous = ::SelectObject(dc, object);
    if (previous && previous != HGDI_ERROR) m_previous = previous;
}

CSelectGuard::~CSelectGuard() {
    if (m_previous) ::SelectObject(m_dc, m_previous);
}

BOOL CBitmap::LoadBitmap(UINT id) {
    return Attach(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

CDC CDC::FromHandle(HDC dc) {
    CDC wrapper;
    wrapper.m_hDC = wrapper.m_hAttribDC = dc;
    return wrapper;
}

// A move hands the handle and its release over: the count stays.
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
      m_paint(other.m_paint) {
    for (int i = 0; i < 4; ++i) m_paintStart[i] = other.m_paintStart[i];
}

CDC::~CDC() { ReleaseHandle(); }

void CDC::RestoreSelections() {
    if (!m_hDC) return;
    for (HGDIOBJ* original : {&m_originalPen, &m_originalBrush, &m_originalFont, &m_originalBitmap}) {
        if (*original) ::SelectObject(m_hDC, std::exchange(*original, nullptr));
    }
}

namespace {

constexpr UINT kSelectedKinds[4] = {OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP};

}  // namespace

void CDC::ReleaseHandle() {
    RestoreSelections();
    const Release release = std::exchange(m_release, Release::None);
    if (release != Release::None) CountLive(LiveKind::DeviceContext, -1);
    switch (release) {
    case Release::Delete:
        if (m_hDC) ::DeleteDC(m_hDC);
        break;
    case Release::EndPaint:
        // A selection still in place now outlives the object it names.
        for (int i = 0; i < 4; ++i) ORLENZA_ASSERT(::GetCurrentObject(m_hDC, kSelectedKinds[i]) == m_paintStart[i]);
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
    CountLive(LiveKind::DeviceContext, +1);
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = std::exchange(m_hDC, nullptr);
    m_hAttribDC = nullptr;
    if (std::exchange(m_release, Release::None) != Release::None) CountLive(LiveKind::DeviceContext, -1);
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
    ORLENZA_ASSERT(::IsWindow(window));
    m_window = window;
    m_hDC = m_hAttribDC = ::BeginPaint(window, &m_paint);
    // EndPaint is owed even when BeginPaint gave no DC.
    m_release = Release::EndPaint;
    CountLive(LiveKind::DeviceContext, +1);
    for (int i = 0; i < 4; ++i) m_paintStart[i] = m_hDC ? ::GetCurrentObject(m_hDC, kSelectedKinds[i]) : nullptr;
}

CClientDC::CClientDC(HWND window) {
    m_window = window;
    m_hDC = m_hAttribDC = ::GetDC(window);
    m_release = m_hDC ? Release::ReleaseDC : Release::None;
    if (m_hDC) CountLive(LiveKind::DeviceContext, +1);
}

CMemoryDC::CMemoryDC(HDC target, const RECT& area) : m_target(target), m_area(area) {
    ORLENZA_ASSERT(target);
    if (!CreateCompatibleDC(target)) return;
    if (m_area.IsRectEmpty() || !m_bitmap.CreateCompatibleBitmap(target, m_area.Width(), m_area.Height())) return;
    SelectObject(m_bitmap);
    // Drawing uses the target's coordinates: the area's corner is the bitmap's.
    SetWindowOrg(m_area.left, m_area.top);
}

CMemoryDC::~CMemoryDC() {
    if (m_hDC && m_bitmap.m_hObject)
        ::BitBlt(m_target, m_area.left, m_area.top, m_area.Width(), m_area.Height(), m_hDC, m_area.left, m_area.top,
                 SRCCOPY);
    // The bitmap goes with the members, before the base lets go of the DC:
    // deselect it first.
    ReleaseHandle();
}

CDibSurface::CDibSurface(int width, int height) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0 || !CreateCompatibleDC(nullptr)) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    if (!m_bitmap.Attach(::CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0))) {
        DeleteDC();
        return;
    }
    m_bits = static_cast<DWORD*>(bits);
    SelectObject(m_bitmap);
}

CDibSurface::~CDibSurface() { ReleaseHandle(); }

DWORD* CDibSurface::Bits() {
    ::GdiFlush();
    return m_bits;
}

COLORREF CDibSurface::ColourAt(int x, int y) {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
    const DWORD pixel = Bits()[y * m_width + x];
    return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
}

BOOL CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
    if (m_hImageList) return FALSE;
    m_hImageList = ImageList_Create(width, height, flags, initial, grow);
    if (m_hImageList) CountLive(LiveKind::ImageList, +1);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    CountLive(LiveKind::ImageList, -1);
    return ImageList_Destroy(std::exchange(m_hImageList, nullptr));
}
