#include "ButtonVela.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cwchar>
#include <utility>
#include <vector>

namespace {

// The bits of the type in a button style, as BM_SETSTYLE and the attach read
// them.
constexpr UINT kTypeBits = 0x1F;

// A bitmap's pixels as 32-bit 0xAARRGGBB, top row first; empty when it
// cannot be read.
std::vector<DWORD> ReadPixels(HDC reference, HBITMAP bitmap, int* width, int* height) {
    BITMAP info{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) != sizeof(info) || info.bmWidth <= 0 ||
        info.bmHeight <= 0)
        return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    if (::GetDIBits(reference, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS) !=
        info.bmHeight)
        return {};
    *width = info.bmWidth;
    *height = info.bmHeight;
    return pixels;
}

COLORREF PixelColour(DWORD pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

DWORD WithColour(DWORD pixel, COLORREF c) {
    return (pixel & 0xFF000000u) | (DWORD{GetRValue(c)} << 16) | (DWORD{GetGValue(c)} << 8) | GetBValue(c);
}

}  // namespace

CButtonVela::CButtonVela() : m_colours(ButtonColours::FromSystem()) {}

CButtonVela::~CButtonVela() {
    if (HasMenu()) m_menu.DestroyAll();
    ReleaseImages();
}

// --- settings ----------------------------------------------------------------

DWORD CButtonVela::AssignIcons(HICON active, HICON idle) {
    ReleaseImages();
    // One handle in both slots would be destroyed twice.
    if (idle == active) idle = nullptr;
    if (active) {
        if (!StoreIcon(m_icons[0], active)) {
            if (idle && idle != ICON_AUTO_GREY) ::DestroyIcon(idle);
            ReleaseImages();
            return BUTTON_BAD_IMAGE;
        }
        if (idle == ICON_AUTO_GREY) {
            idle = MakeGreyIcon(active);
            if (!idle) {
                ReleaseImages();
                return BUTTON_BAD_IMAGE;
            }
        }
        if (idle && !StoreIcon(m_icons[1], idle)) {
            ReleaseImages();
            return BUTTON_BAD_IMAGE;
        }
    }
    if (m_hWnd) Invalidate();
    return BUTTON_OK;
}

bool CButtonVela::StoreIcon(ImageSlot& slot, HICON icon) {
    // Owned first, so that a failure below destroys it with the rest.
    slot.icon.Attach(icon);
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return false;
    CBitmap colour, mask;  // the query's copies, ours to delete
    colour.Attach(info.hbmColor);
    mask.Attach(info.hbmMask);
    // An icon's hot spot lies at its centre.
    slot.width = info.xHotspot * 2;
    slot.height = info.yHotspot * 2;
    return true;
}

HICON CButtonVela::MakeGreyIcon(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return nullptr;
    CBitmap colour, mask;
    colour.Attach(info.hbmColor);
    mask.Attach(info.hbmMask);
    CClientDC reference(m_hWnd);
    int width = 0, height = 0;
    std::vector<DWORD> pixels = ReadPixels(reference, colour, &width, &height);
    if (pixels.empty()) return nullptr;
    for (DWORD& p : pixels) p = WithColour(p, GreyOf(PixelColour(p)));
    CBitmap grey;
    if (!grey.CreateBitmap(width, height, 1, 32, pixels.data())) return nullptr;
    ICONINFO made{TRUE, 0, 0, mask, grey};
    return ::CreateIconIndirect(&made);
}

DWORD CButtonVela::AssignBitmaps(HBITMAP active, HBITMAP idle, COLORREF transparent) {
    ReleaseImages();
    if (idle == active) idle = nullptr;
    CBitmap given[2];  // the button's from here on
    given[0].Attach(active);
    given[1].Attach(idle);
    CClientDC reference(m_hWnd);
    for (int slot = 0; slot < 2; ++slot) {
        if (!given[slot].GetSafeHandle()) continue;
        int width = 0, height = 0;
        std::vector<DWORD> pixels = ReadPixels(reference, given[slot], &width, &height);
        const size_t stride = ((static_cast<size_t>(width) + 15) / 16) * 2;  // mask rows of whole words
        std::vector<BYTE> maskBits(stride * static_cast<size_t>(height), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                DWORD& p = pixels[static_cast<size_t>(y) * width + x];
                if (PixelColour(p) != transparent) continue;
                maskBits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
                p = 0;
            }
        }
        CBitmap drawn, mask;
        ICONINFO made{TRUE, static_cast<DWORD>(width / 2), static_cast<DWORD>(height / 2), nullptr, nullptr};
        HICON icon = nullptr;
        if (!pixels.empty() && drawn.CreateBitmap(width, height, 1, 32, pixels.data()) &&
            mask.CreateBitmap(width, height, 1, 1, maskBits.data())) {
            made.hbmColor = drawn;
            made.hbmMask = mask;
            icon = ::CreateIconIndirect(&made);
        }
        if (!icon) {
            ReleaseImages();
            return BUTTON_BAD_IMAGE;
        }
        m_bitmaps[slot].icon.Attach(icon);
        m_bitmaps[slot].width = static_cast<DWORD>(width);
        m_bitmaps[slot].height = static_cast<DWORD>(height);
    }
    if (m_hWnd) Invalidate();
    return BUTTON_OK;
}

void CButtonVela::ReleaseImages() {
    for (ImageSlot* slots : {m_icons, m_bitmaps}) {
        for (int i = 0; i < 2; ++i) {
            slots[i].icon.DestroyIcon();
            slots[i].width = slots[i].height = 0;
        }
    }
}

void CButtonVela::ShowFocusWhenFlat(BOOL show) {
    m_focusWhenFlat = show;
    if (m_hWnd) Invalidate();
}

void CButtonVela::SetFlat(BOOL flat) {
    m_isFlat = flat;
    if (m_hWnd) Invalidate();
}

void CButtonVela::SetCopyParentBack(BOOL copy) {
    m_copyParentBack = copy;
    if (m_hWnd) Invalidate();
}

void CButtonVela::SetURL(const wchar_t* url) {
    std::wcsncpy(m_url, url ? url : L"", MAX_PATH - 1);
    m_url[MAX_PATH - 1] = L'\0';
}

void CButtonVela::SetTipText(const wchar_t* text) {
    if (!text || !m_hWnd) return;
    m_tipText = text;
    if (m_tip.m_hWnd) ShowTipText();
}

// The tooltip window is made when the pointer first comes over the button,
// not when the text is set: a dialog of six buttons would otherwise make six
// top-level windows while it opens, about a seventh of its start-up under
// Wine.
void CButtonVela::EnsureTip() {
    if (m_tip.m_hWnd) return;
    m_tip.Create(this, 0);
    m_tip.Activate(FALSE);
    // Long texts wrap instead of running off the screen.
    m_tip.SetMaxTipWidth(m_scale(400));
    if (!m_tipText.IsEmpty()) ShowTipText();
}

void CButtonVela::ShowTipText() {
    if (m_tip.GetToolCount() == 0) {
        CRect client;
        GetClientRect(&client);
        m_tip.AddTool(this, m_tipText, &client, 1);
    }
    m_tip.UpdateTipText(m_tipText, this, 1);
    m_tip.Activate(TRUE);
}

// --- state -------------------------------------------------------------------

void CButtonVela::PreSubclassWindow() {
    const UINT style = GetStyle() & 0xFFFF;
    // Every type that holds the check-box bit (check boxes, radio buttons,
    // also the owner-draw value itself) makes a check-box button.
    if (style & BS_CHECKBOX) m_isCheckBox = TRUE;
    if ((style & kTypeBits) == BS_DEFPUSHBUTTON) m_isDefault = TRUE;
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW, SWP_FRAMECHANGED);
    m_scale = Scale{GetDpi()};
    CButton::PreSubclassWindow();
}

void CButtonVela::DpiChanged(UINT dpi) {
    m_scale = Scale{dpi};
    if (m_tip.m_hWnd) {
        m_tip.SetMaxTipWidth(m_scale(400));
        CRect client;
        GetClientRect(&client);
        if (m_tip.GetToolCount() > 0) m_tip.SetToolRect(this, 1, client);
    }
    Invalidate();
}

BOOL CButtonVela::PreTranslateMessage(MSG* msg) {
    // Only mouse messages concern a tooltip; the first one makes it.
    if (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST) {
        EnsureTip();
        m_tip.RelayEvent(msg);
    }
    return CButton::PreTranslateMessage(msg);
}

LRESULT CButtonVela::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An owner-drawn button answers a double click with BN_DOUBLECLICKED
    // only; as a press, the quick second click counts as a click.
    if (message == WM_LBUTTONDBLCLK) message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CButtonVela::EndHover() {
    if (!m_isFlat || !m_isHovering) return;
    m_isHovering = FALSE;
    Invalidate();
}

ButtonLookState CButtonVela::LookState(UINT itemState) const {
    ButtonLookState s;
    s.pressed = IsDrawnPressed(m_isCheckBox, (itemState & ODS_SELECTED) != 0, m_checkState != FALSE,
                               HasMenu() && m_menuShown);
    s.focused = (itemState & ODS_FOCUS) != 0;
    s.disabled = (itemState & ODS_DISABLED) != 0;
    s.hovering = m_isHovering;
    s.isDefault = m_isDefault;
    s.checkBox = m_isCheckBox;
    s.flat = m_isFlat;
    s.drawFlatFrame = m_drawFlatFrame;
    s.focusWhenFlat = m_focusWhenFlat;
    s.greyDisabledBitmap = m_greyDisabledBitmap;
    return s;
}

// --- messages ----------------------------------------------------------------

const MessageMap* CButtonVela::ClassMessageMap() {
    static const MsgMapEntry entries[] = {
        OnMessage<WM_SETCURSOR, &CButtonVela::OnSetCursor>(),
        OnMessage<WM_KILLFOCUS, &CButtonVela::OnKillFocus>(),
        OnMessage<WM_MOUSEMOVE, &CButtonVela::OnMouseMove>(),
        OnMessage<WM_SYSCOLORCHANGE, &CButtonVela::OnSysColorChange>(),
        OnReflectedCommand<BN_CLICKED, &CButtonVela::OnClicked>(),
        OnMessage<WM_ACTIVATE, &CButtonVela::OnActivate>(),
        OnMessage<WM_ENABLE, &CButtonVela::OnEnable>(),
        OnMessage<WM_CANCELMODE, &CButtonVela::OnCancelMode>(),
        OnMessage<WM_GETDLGCODE, &CButtonVela::OnGetDlgCode>(),
        OnReflectedMessage<WM_CTLCOLOR, &CButtonVela::OnCtlColor>(),
        OnMessage<WM_MOUSELEAVE, &CButtonVela::OnMouseLeave>(),
        OnRawMessage<BM_SETSTYLE, &CButtonVela::OnSetStyle>(),
        OnRawMessage<BM_SETCHECK, &CButtonVela::OnSetCheck>(),
        OnRawMessage<BM_GETCHECK, &CButtonVela::OnGetCheck>(),
        OnMessage<WM_PRINTCLIENT, &CButtonVela::OnPrintClient>(),
        OnMessage<WM_MENUCHAR, &CButtonVela::OnMenuChar>(),
    };
    static const MessageMap map = MakeMessageMap(CButton::ClassMessageMap(), entries);
    return &map;
}

LRESULT CButtonVela::OnSetCursor(HWND, UINT, UINT) {
    if (!m_cursor.GetSafeHandle()) return Default();
    ::SetCursor(m_cursor);
    return TRUE;
}

void CButtonVela::OnKillFocus(HWND) {
    // The platform takes the focus from a window it disables, after setting
    // the disabled style and before WM_ENABLE: remember whose it was.
    m_focusLostToDisabling = !IsWindowEnabled();
    Default();
    EndHover();
}

void CButtonVela::OnMouseMove(UINT flags, CPoint point) {
    Default();
    if (!m_tip.m_hWnd && !m_tipText.IsEmpty()) {
        // Reached without PreTranslateMessage (a loop of the platform's own,
        // a menu's or a message box's): the tip is made here, and this first
        // move is handed to it so that resting here shows it.
        EnsureTip();
        MSG move{m_hWnd, WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y),
                 static_cast<DWORD>(::GetMessageTime()), {}};
        const DWORD at = ::GetMessagePos();
        move.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        m_tip.RelayEvent(&move);
    }
    POINT screen = point;
    ClientToScreen(&screen);
    HWND under = ::WindowFromPoint(screen);
    // A press that began elsewhere and is dragged over the button does not
    // light it.
    if ((flags & MK_LBUTTON) && !m_isHovering) return;
    if (!m_isFlat) return;
    if (under == m_hWnd && (m_trackAlways || ::GetActiveWindow())) {
        if (!m_isHovering) {
            m_isHovering = TRUE;
            Invalidate();
        }
        // Armed again on every move: a thread tracks one window at a time,
        // and should another window of ours have taken the tracking while
        // the pointer was still here, the button would stay lit for good.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, m_hWnd, 0};
        ::_TrackMouseEvent(&track);
        return;
    }
    EndHover();
}

void CButtonVela::OnSysColorChange() {
    Default();
    // The kept copy of the parent's pixels shows the old colours.
    m_back.reset();
}

BOOL CButtonVela::OnClicked() {
    SetFocus();
    if (m_isCheckBox) {
        m_checkState = !m_checkState;
        Invalidate();
    } else if (HasMenu()) {
        DropDownMenu();
    } else if (m_url[0]) {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"open";
        info.lpFile = m_url;
        info.nShow = SW_SHOWMAXIMIZED;
        ::ShellExecuteExW(&info);
    }
    return FALSE;  // the parent receives its BN_CLICKED as well
}

BOOL CButtonVela::SetDropDownMenu(UINT menuId, HWND target) {
    m_menuTarget = target;
    m_menu.SetScale(m_scale);  // its pop-ups take it as they are made
    return m_menu.LoadTemplate(menuId);
}

void CButtonVela::DropDownMenu() {
    CRect rect;
    GetWindowRect(&rect);
    m_menuShown = TRUE;
    Invalidate();
    m_menu.SetScale(m_scale);
    // The button owns the tracking, so the menu's measure and menu-character
    // messages come here.
    const UINT command = static_cast<UINT>(::TrackPopupMenu(m_menu.GetSubMenu(0),
                                                            TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY |
                                                                TPM_RETURNCMD,
                                                            rect.left, rect.bottom, 0, m_hWnd, nullptr));
    m_menuShown = FALSE;
    Invalidate();
    if (command) ::PostMessageW(m_menuTarget, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

LRESULT CButtonVela::OnMenuChar(UINT ch, UINT flags, HMENU menu) {
    if (HasMenu() && LumMenu::IsKnownMenu(menu))
        return LumMenu::FindMnemonic(ch, flags, CMenu::FromHandlePermanent(menu));
    return Default();
}

LRESULT CButtonVela::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MEASUREITEM && HasMenu()) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        const auto menu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(mis->itemID));
        if (mis->CtlType == ODT_MENU && ::IsMenu(menu) && LumMenu::IsKnownMenu(menu)) {
            m_menu.MeasureItem(mis);
            return TRUE;
        }
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CButtonVela::OnActivate(UINT state, HWND, bool) {
    Default();
    if (state == WA_INACTIVE) EndHover();
}

void CButtonVela::OnEnable(BOOL enable) {
    Default();
    // Only the focus this button held is passed on: focus on another control
    // stays where the user put it.
    if (!enable && (std::exchange(m_focusLostToDisabling, false) || ::GetFocus() == m_hWnd)) {
        HWND parent = GetParent();
        HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
        ::SetFocus(next && next != m_hWnd ? next : parent);
    }
    EndHover();
}

void CButtonVela::OnCancelMode() {
    Default();
    EndHover();
}

UINT CButtonVela::OnGetDlgCode() {
    const UINT code = static_cast<UINT>(Default());
    return code | (m_isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

HBRUSH CButtonVela::OnCtlColor(HDC, UINT) {
    // Nothing is erased under the button: DrawItem covers every pixel.
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CButtonVela::OnMouseLeave() { EndHover(); }

LRESULT CButtonVela::OnSetStyle(WPARAM style, LPARAM redraw) {
    // The dialog manager moves the default look between push buttons with
    // this message; the button keeps the flag and stays owner-drawn.
    const UINT type = static_cast<UINT>(style) & kTypeBits;
    if (type == BS_DEFPUSHBUTTON)
        m_isDefault = TRUE;
    else if (type == BS_PUSHBUTTON)
        m_isDefault = FALSE;
    return DefWindowProc(BM_SETSTYLE, (style & ~WPARAM{0x14}) | BS_OWNERDRAW, redraw);
}

LRESULT CButtonVela::OnSetCheck(WPARAM state, LPARAM) {
    if (!m_isCheckBox) return 0;
    m_checkState = state == BST_CHECKED || state == BST_INDETERMINATE;
    Invalidate();
    return 0;
}

void CButtonVela::OnPrintClient(HDC dc, UINT) {
    // The state the button would paint with now, painted into the given DC.
    const LRESULT state = SendMessage(BM_GETSTATE);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID());
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = ((state & BST_PUSHED) ? ODS_SELECTED : 0) | ((state & BST_FOCUS) ? ODS_FOCUS : 0) |
                    (IsWindowEnabled() ? 0 : ODS_DISABLED);
    dis.hwndItem = m_hWnd;
    dis.hDC = dc;
    GetClientRect(&dis.rcItem);
    DrawItem(&dis);
}

// --- painting ---------------------------------------------------------------

namespace {

// `line` nested one-pixel boxes from `rect` inward: a frame that is as wide
// as the scale makes a line.
void Boxes(CDC* dc, CRect rect, int line, COLORREF topLeft, COLORREF bottomRight) {
    for (int i = 0; i < line; ++i, rect.DeflateRect(1, 1)) dc->Draw3dRect(&rect, topLeft, bottomRight);
}

}  // namespace

ButtonImages CButtonVela::Images(const ImageSlot (&slots)[2]) {
    ButtonImages images;
    for (int i = 0; i < 2; ++i) {
        images.set[i] = slots[i].icon.GetSafeHandle() != nullptr;
        images.size[i] = CSize(static_cast<int>(slots[i].width), static_cast<int>(slots[i].height));
    }
    return images;
}

void CButtonVela::DrawItem(DRAWITEMSTRUCT* drawItem) {
    const ButtonLookState look = LookState(drawItem->itemState);
    const CRect drawn = drawItem->rcItem;

    // Painted off-screen and copied over in one go, so that the button never
    // shows half a paint; the surface takes the target's coordinates.
    CMemoryDC surface(drawItem->hDC, drawn);
    CDC* dc = &surface;
    if (HFONT font = GetFont()) dc->SelectObject(font);
    dc->SetBkMode(TRANSPARENT);

    const CString caption = GetWindowText();
    ButtonLookInput in;
    in.drawn = drawn;
    GetClientRect(&in.client);
    in.hasCaption = !caption.IsEmpty();
    in.icons = Images(m_icons);
    in.bitmaps = Images(m_bitmaps);
    in.align = m_imageAlign;
    in.scale = m_scale;
    in.colours = m_colours;
    in.sys = SystemColours::Read();
    const ButtonLayout layout = LayOutButton(look, in, [&](const CRect& room) {
        CRect measured = room;
        dc->DrawText(caption, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
        return measured.Size();
    });

    if (layout.blackFrame) Boxes(dc, layout.drawn, layout.line, RGB(0, 0, 0), RGB(0, 0, 0));
    if (m_copyParentBack)
        CopyParentBackground(dc);
    else
        DrawFace(dc, layout);
    switch (layout.frame) {
    case ButtonFrame::ShadowBox:
        Boxes(dc, layout.item, layout.line, layout.frameTopLeft, layout.frameBottomRight);
        break;
    case ButtonFrame::Sunken:
    case ButtonFrame::Raised:
        DrawFrame(dc, layout);
        break;
    case ButtonFrame::Edge3d:
        for (const EdgeLine& line : layout.edges) {
            CPen pen(PS_SOLID, 0, line.colour);
            CSelectGuard use(*dc, pen);
            dc->MoveTo(line.from.x, line.from.y);
            dc->LineTo(line.via.x, line.via.y);
            dc->LineTo(line.to.x, line.to.y);
        }
        break;
    case ButtonFrame::None:
        break;
    }

    // Icons and bitmaps (held as icons made from them) go through the
    // platform's disabled effect; an icon is drawn at its own size, the
    // rectangle only bounds that effect.
    for (const auto& [image, slots] : {std::pair{&layout.icon, m_icons}, std::pair{&layout.bitmap, m_bitmaps}}) {
        if (!*image) continue;
        const ButtonImageDraw& draw = **image;
        dc->DrawState(draw.at.TopLeft(), draw.at.Size(), slots[draw.slot].icon,
                      DST_ICON | (draw.disabledLook ? DSS_DISABLED : 0));
    }
    if (layout.hasCaption) DrawCaption(dc, caption, layout);
    if (layout.focus) dc->DrawFocusRect(&layout.focusRect);
}

DWORD CButtonVela::DrawFace(CDC* dc, const ButtonLayout& layout) {
    CBrush face(layout.face);
    dc->FillRect(&layout.item, face);
    return BUTTON_OK;
}

DWORD CButtonVela::DrawFrame(CDC* dc, const ButtonLayout& layout) {
    Boxes(dc, layout.item, layout.line, layout.frameTopLeft, layout.frameBottomRight);
    return BUTTON_OK;
}

void CButtonVela::DrawCaption(CDC* dc, const CString& caption, const ButtonLayout& layout) {
    CRect text = layout.caption;
    dc->SetBkMode(TRANSPARENT);
    const CaptionPaint& paint = layout.captionPaint;
    if (paint.embossed) {
        text.OffsetRect(layout.emboss, layout.emboss);
        dc->SetTextColor(paint.embossLight);
        dc->DrawText(caption, &text, DT_WORDBREAK | DT_CENTER);
        text.OffsetRect(-layout.emboss, -layout.emboss);
        dc->SetTextColor(paint.embossDark);
        dc->DrawText(caption, &text, DT_WORDBREAK | DT_CENTER);
    } else {
        dc->SetTextColor(paint.text);
        dc->SetBkColor(paint.back);
        dc->DrawText(caption, &text, DT_WORDBREAK | DT_CENTER);
    }
}

void CButtonVela::CopyParentBackground(CDC* dc) {
    CRect client;
    GetClientRect(&client);
    if (!m_back) {
        // The parent's pixels where the button lies, once.
        HWND parent = GetParent();
        CRect window;
        GetWindowRect(&window);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        CClientDC parentDC(parent);
        m_back = std::make_unique<CDibSurface>(client.Width(), client.Height());
        m_back->BitBlt(0, 0, client.Width(), client.Height(), parentDC, window.left, window.top, SRCCOPY);
    }
    dc->BitBlt(0, 0, client.Width(), client.Height(), *m_back, 0, 0, SRCCOPY);
}
