// The small drawing pieces of the owner-drawn menu: glyphs, check boxes,
// images turned into bitmaps and embossed for disabled items.
#include <algorithm>

#include "LumMenu.h"
#include "MenuLook.h"

namespace {

// Ternary raster operations: the brush where the mask is black, the
// destination kept where it is white.
constexpr DWORD ROP_DSPDXAX = 0xE20746;
constexpr DWORD ROP_PSDPXAX = 0xB8074A;

// The mark inside a check box, in the menu's text colour (MarkCorner).
void DrawMark(CDC& dc, const RECT& box, BOOL radio, bool flat, Scale scale) {
    const COLORREF glyph = ::GetSysColor(COLOR_MENUTEXT);
    const POINT at = MarkCorner(box, radio != FALSE, flat, scale);
    if (radio)
        LumMenu::DrawRadioGlyph(glyph, at.x, at.y, dc, scale);
    else
        LumMenu::DrawCheckGlyph(glyph, at.x, at.y, dc, scale);
}

}  // namespace

void LumMenu::DrawCheckGlyph(COLORREF colour, int x, int y, CDC& dc, Scale scale) {
    for (const RECT& stroke : CheckGlyphStrokes({x, y}, scale)) dc.FillSolidRect(&stroke, colour);
}

void LumMenu::DrawRadioGlyph(COLORREF colour, int x, int y, CDC& dc, Scale scale) {
    CBrush brush(colour);
    CPen pen(PS_SOLID, 0, colour);
    CSelectGuard selectBrush(dc, brush);
    CSelectGuard selectPen(dc, pen);
    const RECT dot = RadioGlyphBox({x, y}, scale);
    ::Ellipse(dc, dot.left, dot.top, dot.right, dot.bottom);
}

BOOL LumMenu::DrawCheckBoxClassic(const RECT& box, CDC& dc, BOOL selected, BOOL radio, Scale scale) {
    COLORREF face = ::GetSysColor(IsXpThemed() ? COLOR_3DFACE : COLOR_MENU);
    if (!selected) face = LightenColor(face, 0.6);
    dc.FillSolidRect(&box, face);
    if (s_osVersion > 1) {
        RECT edge = box;
        dc.DrawEdge(&edge, BDR_SUNKENOUTER, BF_RECT);
    }
    DrawMark(dc, box, radio, false, scale);
    return TRUE;
}

BOOL LumMenu::DrawCheckBoxFlat(COLORREF select, const RECT& box, CDC& dc, BOOL radio, Scale scale) {
    dc.FillSolidRect(&box, LightenColor(select, 0.85));
    dc.Draw3dRect(&box, select, select);
    // The tick stands one pixel further right than in the classic box.
    DrawMark(dc, box, radio, true, scale);
    return TRUE;
}

BOOL LumMenu::IconToBitmap(HIMAGELIST list, int index, CDC& dc, CBitmap& bitmap) const {
    CIcon icon;
    icon.Attach(ImageList_GetIcon(list, index, ILD_NORMAL));
    CDC memory;
    memory.CreateCompatibleDC(dc);
    bitmap.CreateCompatibleBitmap(dc, m_iconWidth, m_iconHeight);
    CSelectGuard selectBitmap(memory, bitmap);
    // On the button face: the disabled algorithms take that colour for background.
    ::DrawIconEx(memory, 0, 0, icon, m_iconWidth, m_iconHeight, 0, ::GetSysColorBrush(COLOR_BTNFACE), DI_NORMAL);
    return TRUE;
}

void LumMenu::DrawDisabledImage(CDC& dc, int x, int y, int width, int height, HBITMAP bitmap,
                                COLORREF background) {
    CBitmap mask;
    mask.CreateBitmap(width, height, 1, 1, nullptr);
    CBrush highlight(::GetSysColor(COLOR_BTNHIGHLIGHT));
    CBrush shadow(::GetSysColor(COLOR_BTNSHADOW));
    // The contexts end first and put the mask, the picture and the brushes back.
    CDC maskDC, source;
    maskDC.CreateCompatibleDC(nullptr);
    source.CreateCompatibleDC(nullptr);
    maskDC.SelectObject(mask);
    source.SelectObject(bitmap);
    maskDC.PatBlt(0, 0, width, height, WHITENESS);

    // White where the image shows the face or highlight colour, black on its shape.
    source.SetBkColor(::GetSysColor(COLOR_BTNFACE));
    maskDC.BitBlt(0, 0, width, height, source, 0, 0, SRCCOPY);
    source.SetBkColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
    maskDC.BitBlt(0, 0, width, height, source, 0, 0, SRCPAINT);

    source.FillSolidRect(0, 0, width, height, background);
    source.SetBkColor(RGB(0, 0, 0));
    source.SetTextColor(RGB(255, 255, 255));
    source.SelectObject(highlight);
    source.BitBlt(0, 0, width, height, maskDC, 0, 0, ROP_DSPDXAX);
    dc.BitBlt(x + 1, y + 1, width, height, source, 0, 0, SRCCOPY);
    source.BitBlt(1, 1, width, height, maskDC, 0, 0, ROP_DSPDXAX);
    source.SelectObject(shadow);
    source.BitBlt(0, 0, width, height, maskDC, 0, 0, ROP_DSPDXAX);
    dc.BitBlt(x, y, width, height, source, 0, 0, SRCCOPY);
}

void LumMenu::DrawDisabledImageDib(HDC hdc, int x, int y, int width, int height, HBITMAP bitmap,
                                   COLORREF background) {
    CBitmap dib;  // before the contexts, which deselect it when they end
    CDC image;
    if (!image.CreateCompatibleDC(hdc)) return;
    CDC mono;
    if (!mono.CreateCompatibleDC(image)) return;

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colours[1] = {255, 255, 255, 0};
    void* bits = nullptr;
    if (!dib.Attach(::CreateDIBSection(mono, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                       nullptr, 0)))
        return;
    mono.SelectObject(dib);
    image.SelectObject(bitmap);
    // White in the DIB marks the image's background, black its shape.
    mono.BitBlt(0, 0, width, height, image, 0, 0, SRCCOPY);

    CDC target = CDC::FromHandle(hdc);
    target.FillSolidRect(x, y, width, height, background);
    {
        CBrush highlight(::GetSysColor(COLOR_BTNHIGHLIGHT));
        CSelectGuard selectHighlight(target, highlight);
        target.BitBlt(x + 1, y + 1, width, height, mono, 0, 0, ROP_PSDPXAX);
    }
    CBrush shadow(::GetSysColor(COLOR_BTNSHADOW));
    CSelectGuard selectShadow(target, shadow);
    target.BitBlt(x, y, width, height, mono, 0, 0, ROP_PSDPXAX);
}
