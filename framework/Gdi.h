#pragma once
// Classes in this file:
//   CGdiObject and its kinds CPen, CBrush, CFont, CBitmap - one owned GDI
//       object each, deleted by the destructor; move-only
//   CIcon, CCursor - one owned icon or cursor each, destroyed by the destructor
//   CSelectGuard - selects one object into a DC for a scope and puts back what
//                  it replaced; cannot be copied or moved
//   CDC        - a device context: output and attribute handles, printing
//                flag, the drawing calls; owns its handle only when it made
//                or was given it (CreateCompatibleDC, Attach)
//   CPaintDC   - BeginPaint/EndPaint for one WM_PAINT
//   CClientDC  - GetDC/ReleaseDC for a window's client area
//   CMemoryDC  - an off-screen surface for a rectangle of a target DC: owns
//                its bitmap and copies itself to the target when it ends
//   CDibSurface - a 32-bpp top-down DIB section with its own memory DC, whose
//                pixels can be read (tests and print previews paint into it)
//   CImageList - an owned comctl32 image list
//
// Every CDC remembers what its SelectObject calls replaced and selects it back
// before it lets go of the handle, so a bitmap, font or brush that was
// selected through a CDC can always be deleted afterwards. CDC::FromHandle
// wraps a context that someone else owns (a DRAWITEMSTRUCT's, a
// WM_ERASEBKGND's, a WM_PRINTCLIENT's): it releases nothing but the
// selections it made. Code outside the framework selects only through a CDC
// or a CSelectGuard and makes memory DCs only as CMemoryDC or CDibSurface.
//
// A widget paints in one function that takes the CDC it is given, and calls it
// from WM_PAINT (with a CPaintDC, often through a CMemoryDC) and from
// WM_PRINTCLIENT (with CDC::FromHandle of the message's DC).
#include <windows.h>
#include <commctrl.h>

#include "String.h"
#include "Types.h"

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(CGdiObject&& other) noexcept;
    CGdiObject& operator=(CGdiObject&& other) noexcept;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;  // owned

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ object);  // takes ownership; FALSE when one is held already
    HGDIOBJ Detach();
    BOOL DeleteObject();  // deletes and nulls; FALSE when nothing was held
    int GetObject(int size, void* buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    BOOL CreatePen(int style, int width, COLORREF colour) { return Attach(::CreatePen(style, width, colour)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour) { return Attach(::CreateSolidBrush(colour)); }
    BOOL CreatePatternBrush(HBITMAP bitmap) { return Attach(::CreatePatternBrush(bitmap)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
    BOOL GetLogFont(LOGFONTW* font) const { return GetObject(sizeof(LOGFONTW), font) == sizeof(LOGFONTW); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
        return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
    }
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height) {
        return Attach(::CreateCompatibleBitmap(dc, width, height));
    }
    BOOL LoadBitmap(UINT id);
    BOOL GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info) != 0; }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

// The owner of one icon or cursor: DestroyIcon and DestroyCursor are the same
// call, but the counts keep them apart.
class CUserImage {
public:
    CUserImage(const CUserImage&) = delete;
    CUserImage& operator=(const CUserImage&) = delete;

protected:
    explicit CUserImage(bool cursor) : m_cursor(cursor) {}
    ~CUserImage() { Destroy(); }
    BOOL Attach(HANDLE image);  // takes ownership; FALSE when one is held already
    HANDLE Detach();
    BOOL Destroy();             // destroys and nulls; FALSE when nothing was held
    HANDLE m_handle = nullptr;  // owned

private:
    bool m_cursor;
};

class CIcon : public CUserImage {
public:
    CIcon() : CUserImage(false) {}
    BOOL Attach(HICON icon) { return CUserImage::Attach(icon); }
    HICON Detach() { return static_cast<HICON>(CUserImage::Detach()); }
    BOOL DestroyIcon() { return Destroy(); }
    HICON GetSafeHandle() const { return static_cast<HICON>(m_handle); }
    operator HICON() const { return static_cast<HICON>(m_handle); }
};

class CCursor : public CUserImage {
public:
    CCursor() : CUserImage(true) {}
    BOOL Attach(HCURSOR cursor) { return CUserImage::Attach(cursor); }
    HCURSOR Detach() { return static_cast<HCURSOR>(CUserImage::Detach()); }
    BOOL DestroyCursor() { return Destroy(); }
    HCURSOR GetSafeHandle() const { return static_cast<HCURSOR>(m_handle); }
    operator HCURSOR() const { return static_cast<HCURSOR>(m_handle); }
};

// One selection for one scope. The object must outlive the guard; the guard
// is declared after it, so it ends first and the object can then be deleted.
// Regions are not selected this way (SelectObject answers a region type for
// them, not the previous region).
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ object);
    ~CSelectGuard();
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

private:
    HDC m_dc;              // not owned
    // Selected back at the end of the scope; null when the selection failed
    // (a bitmap into a screen DC, a null object): nothing to restore.
    HGDIOBJ m_previous;
};

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(CDC&& other) noexcept;
    CDC& operator=(CDC&&) = delete;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A non-owning wrapper: its destructor only puts back its own selections.
    static CDC FromHandle(HDC dc);

    HDC m_hDC = nullptr;        // where output goes
    HDC m_hAttribDC = nullptr;  // where attributes are read (usually the same)
    BOOL m_bPrinting = FALSE;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL IsPrinting() const { return m_bPrinting; }

    BOOL Attach(HDC dc);  // takes ownership (DeleteDC on release)
    HDC Detach();         // gives up the handle without releasing it, selections included
    void SetOutputDC(HDC dc) { m_hDC = dc; }
    void SetAttribDC(HDC dc) { m_hAttribDC = dc; }
    void ReleaseOutputDC() { m_hDC = nullptr; }
    void ReleaseAttribDC() { m_hAttribDC = nullptr; }
    BOOL CreateCompatibleDC(HDC reference);
    BOOL DeleteDC();

    // Selection. The first object of each kind that a call replaces is
    // remembered and selected back when the CDC releases its handle.
    HGDIOBJ SelectObject(HGDIOBJ object);
    HPEN SelectObject(const CPen& pen) { return static_cast<HPEN>(SelectObject(pen.m_hObject)); }
    HBRUSH SelectObject(const CBrush& brush) { return static_cast<HBRUSH>(SelectObject(brush.m_hObject)); }
    HFONT SelectObject(const CFont& font) { return static_cast<HFONT>(SelectObject(font.m_hObject)); }
    HBITMAP SelectObject(const CBitmap& bitmap) { return static_cast<HBITMAP>(SelectObject(bitmap.m_hObject)); }
    HGDIOBJ SelectStockObject(int index) { return SelectObject(::GetStockObject(index)); }
    void RestoreSelections();

    // Attributes.
    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    CPoint SetWindowOrg(int x, int y);
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC ? m_hAttribDC : m_hDC, index); }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const { return ::GetTextMetricsW(AttribDC(), metrics); }
    CSize GetTextExtent(const wchar_t* text, int length) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }

    // Drawing.
    void FillSolidRect(const RECT* rect, COLORREF colour);  // leaves the background colour as it was
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    void FillRect(const RECT* rect, HBRUSH brush) { ::FillRect(m_hDC, rect, brush); }
    void FrameRect(const RECT* rect, HBRUSH brush) { ::FrameRect(m_hDC, rect, brush); }
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    BOOL DrawEdge(RECT* rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags); }
    void DrawFocusRect(const RECT* rect) { ::DrawFocusRect(m_hDC, rect); }
    int DrawText(const wchar_t* text, int length, RECT* rect, UINT format) {
        return ::DrawTextW(m_hDC, text, length, rect, format);
    }
    int DrawText(const CString& text, RECT* rect, UINT format) {
        return DrawText(text, text.GetLength(), rect, format);
    }
    BOOL TextOut(int x, int y, const wchar_t* text, int length) { return ::TextOutW(m_hDC, x, y, text, length); }
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
    COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    BOOL BitBlt(int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, source, sx, sy, rop);
    }
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop) { return ::PatBlt(m_hDC, x, y, width, height, rop); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL DrawIconEx(int x, int y, HICON icon, int width, int height, UINT flags = DI_NORMAL) {
        return ::DrawIconEx(m_hDC, x, y, icon, width, height, 0, nullptr, flags);
    }
    BOOL DrawState(POINT at, SIZE size, HANDLE image, UINT flags, HBRUSH brush = nullptr) {
        return ::DrawStateW(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(image), 0, at.x, at.y, size.cx,
                            size.cy, flags);
    }

protected:
    HDC AttribDC() const { return m_hAttribDC ? m_hAttribDC : m_hDC; }
    // How the handle goes when the CDC lets go of it.
    enum class Release { None, Delete, EndPaint, ReleaseDC };
    Release m_release = Release::None;
    void ReleaseHandle();

private:
    // What SelectObject replaced first, per kind, to be put back.
    HGDIOBJ m_originalPen = nullptr;
    HGDIOBJ m_originalBrush = nullptr;
    HGDIOBJ m_originalFont = nullptr;
    HGDIOBJ m_originalBitmap = nullptr;
    HWND m_window = nullptr;  // for EndPaint and ReleaseDC
    PAINTSTRUCT m_paint{};
    HGDIOBJ m_paintStart[4] = {};  // pen, brush, font, bitmap at BeginPaint: the paint must leave them
    friend class CPaintDC;
    friend class CClientDC;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND window);
    const PAINTSTRUCT& PaintStruct() const { return m_paint; }
};

class CMemoryDC : public CDC {
public:
    // Paints `area` (logical coordinates of the target) off-screen: drawing
    // uses the target's coordinates, and the pixels reach the target when the
    // surface ends. Nothing is copied for an empty area.
    CMemoryDC(HDC target, const RECT& area);
    ~CMemoryDC() override;
    CMemoryDC(CMemoryDC&&) = delete;

private:
    HDC m_target;       // not owned
    CRect m_area;
    CBitmap m_bitmap;   // owned; selected into the surface while it lives
};

class CDibSurface : public CDC {
public:
    // Zero-filled (black); a failed creation leaves a surface without a DC.
    CDibSurface(int width, int height);
    ~CDibSurface() override;
    CDibSurface(CDibSurface&&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixels as 0x00RRGGBB, rows from the top, after finishing any
    // drawing still queued.
    DWORD* Bits();
    // One pixel as a COLORREF, to compare with RGB(); CLR_INVALID outside.
    COLORREF ColourAt(int x, int y);

private:
    int m_width, m_height;
    CBitmap m_bitmap;  // owned; selected into the surface while it lives
    DWORD* m_bits = nullptr;  // the DIB section's memory, owned by m_bitmap
};

class CClientDC : public CDC {
public:
    explicit CClientDC(HWND window);
};

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;  // owned

    BOOL Create(int width, int height, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    int Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
    int Add(HBITMAP bitmap, COLORREF mask) { return ImageList_AddMasked(m_hImageList, bitmap, mask); }
    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL Draw(HDC dc, int index, POINT at, UINT style) {
        return ImageList_Draw(m_hImageList, index, dc, at.x, at.y, style);
    }
    operator HIMAGELIST() const { return m_hImageList; }
};
