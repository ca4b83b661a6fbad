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

// The mark inside a check box, in the menu's text colour: a radio dot at
// (5, 4) from the box's corner, or a tick `tickLeft` pixels in.
void DrawMark(CDC& dc, const RECT& box, BOOL radio, int tickLeft) {
    const COLORREF glyph = ::GetSysColor(COLOR_MENUTEXT);
    if (radio)
        LumMenu::DrawRadioGlyph(glyph, box.left + 5, box.top + 4, dc);
    else
        LumMenu::DrawCheckGlyph(glyph, box.left + tickLeft, box.top + 4, dc);
}

}  // namespace

void LumMenu::DrawCheckGlyph(COLORREF colour, int x, int y, CDC& dc) {
    CPen pen(PS_SOLID, 0, colour);
    CSelectGuard selectPen(dc, pen);
    // Seven strokes of three pixels: down two columns, then up four.
    static const int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int column = 0; column < 7; ++column) {
        dc.MoveTo(x + column, y + kTop[column]);
        dc.LineTo(x + column, y + kTop[column] + 3);
    }
}

void LumMenu::DrawRadioGlyph(COLORREF colour, int x, int y, CDC& dc) {
    CBrush brush(colour);
    CPen pen(PS_SOLID, 0, colour);
    CSelectGuard selectBrush(dc, brush);
    CSelectGuard selectPen(dc, pen);
    ::Ellipse(dc, x, y, x + 6, y + 6);
}

BOOL LumMenu::DrawCheckBoxClassic(const RECT& box, CDC& dc, BOOL selected, BOOL radio) {
    COLORREF face = ::GetSysColor(IsXpThemed() ? COLOR_3DFACE : COLOR_MENU);
    if (!selected) face = LightenColor(face, 0.6);
    dc.FillSolidRect(&box, face);
    if (s_osVersion > 1) {
        RECT edge = box;
        dc.DrawEdge(&edge, BDR_SUNKENOUTER, BF_RECT);
    }
    DrawMark(dc, box, radio, 4);
    return TRUE;
}

BOOL LumMenu::DrawCheckBoxFlat(COLORREF select, const RECT& box, CDC& dc, BOOL radio) {
    dc.FillSolidRect(&box, LightenColor(select, 0.85));
    dc.Draw3dRect(&box, select, select);
    // The tick stands one pixel further right than in the classic box.
    DrawMark(dc, box, radio, 5);
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
