#pragma once
// Classes in this file:
//   CTorSideBannerWnd - a child window docked along one edge of a dialog (its
//       host) that makes room for itself and shows a background (solid,
//       two-colour gradient or tiled bitmap), a one-pixel edge line facing the
//       host's contents, an optional icon, a bold one-line title and a caption
//       of one or more lines. It takes no input: it only paints.
//
// Where things go and in which colours is decided by the plain functions of
// BannerLook.h; this class turns messages into painting, in one function that
// takes any DC (WM_PAINT and WM_PRINTCLIENT both use it), always through an
// off-screen bitmap so that the banner never flickers. Each paint asks
// LayOutBanner once and draws what it answers. Its thickness, offsets and
// fonts follow the host's DPI: taken when it docks, and again when the host
// moves to another DPI (the banner then makes the room the new thickness
// needs).
#include <windows.h>

#include "BannerLook.h"
#include "Framework.h"
#include "WndUtil.h"

class CTorSideBannerWnd : public CWnd, public CWndUtil {
public:
    // Registers the window class, describes the two fonts at the system's
    // resolution and looks GradientFill up; creates no window.
    CTorSideBannerWnd();
    ~CTorSideBannerWnd() override;

    // Docks the banner along the host's top edge: the host grows by the
    // banner's thickness (50 pixels at 96 DPI, scaled by the host's DPI), its
    // direct children move down by as much and the banner window (control id
    // 0xFFF0) covers the freed strip. FALSE, with nothing changed, for a null
    // host, a host without a window, a banner that is docked already, or a
    // banner window that cannot be created.
    BOOL AttachToHost(CWnd* host);

    using CWnd::Create;
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, void* createParam = nullptr);

    // Setters store the value; those that change what is shown repaint the
    // whole window when it exists. Colours alone request no repaint.
    void SetTitle(LPCTSTR text);
    void SetCaption(LPCTSTR text);  // each line feed starts a new line
    // The banner owns the icon from now on and destroys it when it is
    // replaced: hand it an icon of its own (CIcon::Detach, CopyIcon), not the
    // shared one LoadIcon answers. It goes before the text, centred across the
    // banner. FALSE when the icon's size cannot be read: it is still shown, and
    // the layout keeps the last size read. A null icon requests no repaint:
    // the old one shows until the next paint.
    BOOL SetIcon(HICON icon);
    void SetBackgroundColors(COLORREF start, COLORREF end);
    void SetEdgeColor(COLORREF edge);
    void SetFillStyle(UINT flags);
    // The bitmap tiled by BANNER_FILL_PATTERN; with `own` the banner deletes it
    // when it is replaced and when the banner goes.
    void SetPatternBitmap(HBITMAP bitmap, BOOL own);

    // The whole banner, as the client area shows it, onto any DC.
    void Paint(CDC& dc);

    void DpiChanged(UINT dpi) override;

protected:
    // The steps of one paint, each from the paint's one layout.
    virtual void DrawBackground(CDC* dc, const BannerLayout& layout);  // then the edge line, over a fill
    virtual void DrawContent(CDC* dc, const BannerLayout& layout);
    virtual void DrawEdgeLine(CDC* dc, const BannerLayout& layout);
    virtual void DrawBannerIcon(CDC* dc, const BannerLayout& layout);

    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnPrintClient(HDC dc, UINT flags);
    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

    CWnd* m_pHostWnd = nullptr;  // the host docked to; not owned
    int m_nSize = 50;            // thickness at 96 DPI: height along the top or bottom, width along a side
    Scale m_scale;               // the host's DPI: the system's until docked
    UINT m_nPosition = 0;        // BANNER_POS_*; 0 until docked
    UINT m_nFillStyle = BANNER_FILL_GRADIENT;
    UINT m_nIconPlacement = BANNER_ICON_END;
    CString m_strTitle = L"This is the sample title";
    CString m_strCaption = L"This is the sample caption...";
    CIcon m_icon;                // owned: SetIcon hands every icon to the banner
    BITMAP m_bmIcon{};           // the icon's colour bitmap: only bmWidth and bmHeight are used
    HBITMAP m_hBitmap = nullptr; // tiled by the pattern fill
    bool m_bOwnBitmap = false;   // m_hBitmap is deleted when replaced and with the banner
    GradientFillProc m_pfnGradientFill = nullptr;  // null: the banner's own gradient
    HMODULE m_hMsimg32 = nullptr;                  // owned: freed with the banner
    int m_nTitleOffsetX = 5;
    int m_nTitleOffsetY = 3;
    int m_nCaptionOffsetX = 4;
    int m_nCaptionOffsetY = 10;
    LOGFONTW m_lfTitle{};    // painting writes the escapement and orientation
    LOGFONTW m_lfCaption{};
    COLORREF m_crStart = RGB(255, 255, 255);  // solid colour and the gradient's start
    COLORREF m_crEnd = RGB(128, 128, 192);
    COLORREF m_crEdge = RGB(0, 0, 0);
    COLORREF m_crTitle = RGB(0, 0, 0);
    COLORREF m_crCaption = RGB(0, 0, 0);

private:
    void DrawFallbackGradient(CDC* dc, CRect rect);
    BannerMetrics Metrics() const;
    BannerLayout Layout() const;
    // The fonts at m_scale's DPI.
    void DescribeFonts();
    // Grows the host by `by` pixels across the banner and moves its other
    // direct children out of the way by as much.
    void GrowHost(int by);
};
