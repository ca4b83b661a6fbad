#include "TorSideBannerWnd.h"

#include <cwchar>

#include "Module.h"

namespace {

constexpr UINT kBannerId = 0xFFF0;

// A font description at a vertical resolution, read back from the font it
// makes, as the platform completes it.
LOGFONTW DescribeFont(const wchar_t* face, int tenthsOfPoint, UINT pixelsPerInch) {
    LOGFONTW wanted{};
    wanted.lfHeight = FontHeightAtDpi(static_cast<int>(pixelsPerInch), tenthsOfPoint);
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    CFont font;
    LOGFONTW described{};
    if (font.CreateFontIndirect(&wanted) && font.GetLogFont(&described)) return described;
    return wanted;
}

// MSIMG32 from the system folder only: a DLL of that name planted beside the
// program must never be loaded. Windows 7 without the loader update refuses
// the search flag; there the full path of the system folder does the same.
HMODULE LoadSystemMsimg32() {
    HMODULE module = ::LoadLibraryExW(L"MSIMG32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 13 >= MAX_PATH) return nullptr;
    wcscpy(path + length, L"\\MSIMG32.DLL");
    return ::LoadLibraryW(path);
}

struct DockWalk {
    HWND banner;
    HWND host;
    int size;
    UINT position;
};

// Moves each direct child of the host out of the banner's way; deeper
// descendants move with their parents and are skipped.
BOOL CALLBACK MoveChildForBanner(HWND child, LPARAM lParam) {
    const auto* walk = reinterpret_cast<const DockWalk*>(lParam);
    if (child == walk->banner || ::GetParent(child) != walk->host) return TRUE;
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, walk->host, reinterpret_cast<POINT*>(&r), 2);
    r = ShiftForBanner(walk->position, r, walk->size);
    ::MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    return TRUE;
}

}  // namespace

CTorSideBannerWnd::CTorSideBannerWnd() {
    m_strClassName = L"TorSideBanner";
    RegisterWindowClass();
    m_scale = Scale{SystemDpi()};
    DescribeFonts();
    m_hMsimg32 = LoadSystemMsimg32();
    m_pfnGradientFill = ProcAddress<GradientFillProc>(m_hMsimg32, "GradientFill");
}

CTorSideBannerWnd::~CTorSideBannerWnd() {
    if (m_hBitmap && m_bOwnBitmap) ::DeleteObject(m_hBitmap);
    if (m_hMsimg32) ::FreeLibrary(m_hMsimg32);
}

const MessageMap* CTorSideBannerWnd::ClassMessageMap() {
    static const MsgMapEntry entries[] = {
        OnMessage<WM_PAINT, &CTorSideBannerWnd::OnPaint>(),
        OnMessage<WM_ERASEBKGND, &CTorSideBannerWnd::OnEraseBkgnd>(),
        OnMessage<WM_PRINTCLIENT, &CTorSideBannerWnd::OnPrintClient>(),
    };
    static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
    return &map;
}

BOOL CTorSideBannerWnd::AttachToHost(CWnd* host) {
    if (!host || !host->IsWindow() || m_hWnd) return FALSE;
    const Scale hostScale{host->GetDpi()};
    if (!(hostScale == m_scale)) {
        m_scale = hostScale;
        DescribeFonts();
    }

    // The banner window first: should it fail, the host is left as it was.
    // The strip is the same before and after the host grows, since growing
    // keeps the client area's top and width.
    CRect strip;
    host->GetClientRect(&strip);
    strip.bottom = strip.top + Metrics().Thickness();
    m_nPosition = BANNER_POS_TOP;
    if (!Create(WS_CHILD | WS_VISIBLE, strip, host, kBannerId)) {
        m_nPosition = 0;
        return FALSE;
    }
    m_pHostWnd = host;
    GrowHost(strip.Height());
    return TRUE;
}

void CTorSideBannerWnd::GrowHost(int by) {
    CRect frame;
    m_pHostWnd->GetWindowRect(&frame);
    m_pHostWnd->SetWindowPos(nullptr, 0, 0, frame.Width(), frame.Height() + by, SWP_NOMOVE | SWP_NOZORDER);
    DockWalk walk{m_hWnd, m_pHostWnd->GetSafeHwnd(), by, m_nPosition};
    ::EnumChildWindows(walk.host, &MoveChildForBanner, reinterpret_cast<LPARAM>(&walk));
}

void CTorSideBannerWnd::DpiChanged(UINT dpi) {
    m_scale = Scale{dpi};
    DescribeFonts();
    if (m_pHostWnd && m_pHostWnd->IsWindow()) {
        // The host has laid its children out for the new DPI, this window
        // among them; rounding may leave it a pixel off the new thickness.
        CRect strip, client;
        GetWindowRect(&strip);
        m_pHostWnd->GetClientRect(&client);
        const int thickness = Metrics().Thickness(), by = thickness - strip.Height();
        MoveWindow(0, 0, client.Width(), thickness);
        if (by) GrowHost(by);
    }
    Invalidate();
}

void CTorSideBannerWnd::DescribeFonts() {
    m_lfTitle = DescribeFont(L"Tahoma Bold", 110, m_scale.dpi);
    m_lfCaption = DescribeFont(L"Tahoma", 90, m_scale.dpi);
}

BOOL CTorSideBannerWnd::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, void* createParam) {
    return CWnd::Create(m_strClassName, L"", style, rect, parent, id, createParam);
}

void CTorSideBannerWnd::SetTitle(LPCTSTR text) {
    m_strTitle = text;
    if (IsWindow()) Invalidate(TRUE);
}

void CTorSideBannerWnd::SetCaption(LPCTSTR text) {
    m_strCaption = text;
    if (IsWindow()) Invalidate(TRUE);
}

BOOL CTorSideBannerWnd::SetIcon(HICON icon) {
    // Setting the icon the banner already holds must not destroy it.
    if (m_icon.GetSafeHandle() != icon) {
        m_icon.DestroyIcon();
        m_icon.Attach(icon);
    }
    m_nIconPlacement = BANNER_ICON_START | BANNER_ICON_CENTER;

    BOOL result = TRUE;
    if (icon) {
        ICONINFO info{};
        if (!::GetIconInfo(icon, &info)) {
            result = FALSE;
        } else {
            // A monochrome icon has no colour bitmap: its size stays unknown.
            BITMAP colour{};
            if (info.hbmColor && ::GetObjectW(info.hbmColor, sizeof(colour), &colour) == sizeof(colour))
                m_bmIcon = colour;
            else
                result = FALSE;
            if (info.hbmColor) ::DeleteObject(info.hbmColor);
            if (info.hbmMask) ::DeleteObject(info.hbmMask);
        }
    }
    if (IsWindow() && icon) Invalidate(TRUE);
    return result;
}

void CTorSideBannerWnd::SetBackgroundColors(COLORREF start, COLORREF end) {
    m_crStart = start;
    m_crEnd = end;
}

void CTorSideBannerWnd::SetEdgeColor(COLORREF edge) { m_crEdge = edge; }

void CTorSideBannerWnd::SetFillStyle(UINT flags) {
    m_nFillStyle = flags;
    if (IsWindow()) Invalidate(TRUE);
}

void CTorSideBannerWnd::SetPatternBitmap(HBITMAP bitmap, BOOL own) {
    if (m_bOwnBitmap && m_hBitmap && m_hBitmap != bitmap) ::DeleteObject(m_hBitmap);
    m_hBitmap = bitmap;
    m_bOwnBitmap = own != FALSE;
    if (IsWindow()) Invalidate(TRUE);
}

BannerMetrics CTorSideBannerWnd::Metrics() const {
    return {m_nSize, {m_nTitleOffsetX, m_nTitleOffsetY, m_nCaptionOffsetX, m_nCaptionOffsetY}, m_scale};
}

BannerLayout CTorSideBannerWnd::Layout() const {
    CRect client;
    GetClientRect(&client);
    const SIZE icon{m_bmIcon.bmWidth, m_bmIcon.bmHeight};
    return LayOutBanner(m_nPosition, client, Metrics(), m_nIconPlacement, m_icon.GetSafeHandle() ? &icon : nullptr,
                        -m_lfTitle.lfHeight, -m_lfCaption.lfHeight, SplitCaption(m_strCaption).size());
}

void CTorSideBannerWnd::OnPaint() {
    CPaintDC dc(m_hWnd);
    Paint(dc);
}

BOOL CTorSideBannerWnd::OnEraseBkgnd(HDC) { return TRUE; }  // painting covers every pixel

void CTorSideBannerWnd::OnPrintClient(HDC dc, UINT) {
    CDC target = CDC::FromHandle(dc);
    Paint(target);
}

void CTorSideBannerWnd::Paint(CDC& dc) {
    const BannerLayout layout = Layout();
    const CRect client = layout.client;
    CMemoryDC memory(dc, client);  // reaches `dc` in one copy when the paint ends
    if (!memory.GetSafeHdc() || client.IsRectEmpty()) return;
    DrawBackground(&memory, layout);
    DrawContent(&memory, layout);
}

void CTorSideBannerWnd::DrawBackground(CDC* dc, const BannerLayout& layout) {
    CRect rect = layout.client;
    if ((m_nFillStyle & BANNER_FILL_SOLID) || ((m_nFillStyle & BANNER_FILL_GRADIENT) && m_crStart == m_crEnd)) {
        dc->FillSolidRect(&rect, m_crStart);
    } else if (m_nFillStyle & BANNER_FILL_GRADIENT) {
        if (m_pfnGradientFill) {
            BannerGradient g = BannerGradientVertices(m_nPosition, rect, m_crStart, m_crEnd);
            GRADIENT_RECT corners{0, 1};
            m_pfnGradientFill(*dc, g.vertex, 2, &corners, 1, g.mode);
        } else {
            DrawFallbackGradient(dc, rect);
        }
    } else if (m_nFillStyle & BANNER_FILL_PATTERN) {
        CBrush pattern;
        if (m_hBitmap && pattern.CreatePatternBrush(m_hBitmap)) {
            CSelectGuard brush(*dc, pattern);
            CSelectGuard pen(*dc, ::GetStockObject(NULL_PEN));
            // One pixel larger all round: a null pen leaves the right and
            // bottom edge of a rectangle unpainted.
            dc->Rectangle(rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1);
        }
    } else {
        return;  // no fill: no edge line either
    }
    DrawEdgeLine(dc, layout);
}

void CTorSideBannerWnd::DrawFallbackGradient(CDC* dc, CRect rect) {
    if (rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0) dc->GetClipBox(&rect);
    for (const GradientBand& band :
         FallbackGradientBands(m_nPosition, rect, m_crStart, m_crEnd, dc->GetDeviceCaps(BITSPIXEL)))
        dc->FillSolidRect(&band.rect, band.colour);
}

void CTorSideBannerWnd::DrawEdgeLine(CDC* dc, const BannerLayout& layout) {
    if (!::IsRectEmpty(&layout.edge)) dc->FillSolidRect(&layout.edge, m_crEdge);
}

void CTorSideBannerWnd::DrawContent(CDC* dc, const BannerLayout& layout) {
    if (layout.hasIcon) DrawBannerIcon(dc, layout);

    // The turn is kept in the descriptions, where the fonts are made from.
    m_lfTitle.lfEscapement = m_lfTitle.lfOrientation = layout.escapement;
    m_lfCaption.lfEscapement = m_lfCaption.lfOrientation = layout.escapement;

    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const COLORREF oldColour = dc->SetTextColor(m_crTitle);
    {
        CFont title;
        title.CreateFontIndirect(&m_lfTitle);
        CSelectGuard selected(*dc, title);
        dc->TextOut(layout.title.x, layout.title.y, m_strTitle);
    }
    dc->SetTextColor(m_crCaption);
    {
        CFont caption;
        caption.CreateFontIndirect(&m_lfCaption);
        CSelectGuard selected(*dc, caption);
        const std::vector<CString> lines = SplitCaption(m_strCaption);
        for (size_t i = 0; i < lines.size() && i < layout.lines.size(); ++i)
            dc->TextOut(layout.lines[i].x, layout.lines[i].y, lines[i]);
    }
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
}

void CTorSideBannerWnd::DrawBannerIcon(CDC* dc, const BannerLayout& layout) {
    // At the icon's own size: DrawIcon would stretch it to the system's icon size.
    dc->DrawIconEx(layout.icon.x, layout.icon.y, m_icon, 0, 0, DI_NORMAL);
}
