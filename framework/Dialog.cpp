#include "Dialog.h"

#include <utility>

#include "App.h"

HWND CDataExchange::Control(int id) {
    HWND control = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, id) : nullptr;
    if (!control) Fail();
    return control;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    HWND hwnd = dx->Control(id);
    if (hwnd && !control.SubclassWindow(hwnd)) dx->Fail();
}

void DDX_Check(CDataExchange* dx, int id, BOOL& value) {
    HWND box = dx->Control(id);
    if (!box) return;
    if (dx->m_bSaveAndValidate)
        value = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? TRUE : FALSE;
    else
        ::SendMessageW(box, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    // A dialog normally ends inside DoModal, which destroys its window; one
    // still alive here (an exception unwound DoModal) goes now.
    if (m_hWnd) {
        HWND hwnd = m_hWnd;
        UnsubclassWindow();
        ::DestroyWindow(hwnd);
    }
}

HWND CDialog::ModalOwner() const {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        if (main && main != this) owner = main->m_hWnd;
    }
    // Modal dialogs are owned by a top-level window, never by a control.
    while (owner && (::GetWindowLongPtrW(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
    return owner;
}

INT_PTR CDialog::DoModal() {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(m_nIDTemplate), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* templ = loaded ? ::LockResource(loaded) : nullptr;
    if (!templ) return -1;

    HWND owner = ModalOwner();
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner) ::EnableWindow(owner, FALSE);

    m_nModalResult = -1;
    m_endModal = false;
    // A template that gives no position (0, 0) and no DS_CENTER would open in
    // the corner of the screen; such a dialog is centred over its owner, or
    // the screen, once it is initialised and before it is shown.
    {
        const bool extended = static_cast<const WORD*>(templ)[1] == 0xFFFF;
        const auto* header = static_cast<const DLGTEMPLATE*>(templ);
        const short x = extended ? static_cast<const short*>(templ)[9] : header->x;
        const short y = extended ? static_cast<const short*>(templ)[10] : header->y;
        const DWORD style = extended ? static_cast<const DWORD*>(templ)[3] : header->style;
        m_centerOnOpen = x == 0 && y == 0 && !(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN | WS_CHILD));
    }
    HWND hwnd = ::CreateDialogIndirectParamW(module, static_cast<const DLGTEMPLATE*>(templ), owner,
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd) {
        if (!m_endModal) {
            if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOW);
            MSG msg;
            while (!m_endModal) {
                const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
                if (got == 0) {
                    // WM_QUIT ends the dialog and must still end the program.
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    if (m_nModalResult == -1) m_nModalResult = IDCANCEL;
                    break;
                }
                if (got == -1) break;
                if (PreTranslateChain(msg)) continue;
                if (::IsDialogMessageW(hwnd, &msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        // Re-enable the owner before the dialog goes, so that activation
        // returns to it instead of to another program.
        if (disableOwner) ::EnableWindow(owner, TRUE);
        if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd);
    } else if (disableOwner) {
        ::EnableWindow(owner, TRUE);
    }
    return hwnd ? m_nModalResult : -1;
}

bool CDialog::PreTranslateChain(MSG& msg) {
    if (!msg.hwnd || !m_hWnd) return false;
    if (msg.hwnd != m_hWnd && !::IsChild(m_hWnd, msg.hwnd)) {
        // Messages for owned pop-ups (a control's tooltip) go to that window's own object only.
        CWnd* object = FromHandlePermanent(msg.hwnd);
        return object && object->PreTranslateMessage(&msg);
    }
    for (HWND h = msg.hwnd; h; h = ::GetParent(h)) {
        CWnd* object = FromHandlePermanent(h);
        if (object && object->PreTranslateMessage(&msg)) return true;
        if (h == m_hWnd) break;
    }
    return false;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    m_endModal = true;
    // Wake the modal loop if it is waiting for a message.
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;  // everything else reaches our subclass first
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (!self->SubclassWindow(hwnd)) return TRUE;
    self->m_dpi = self->GetDpi();
    const BOOL result = self->OnInitDialog();
    if (self->m_centerOnOpen && self->m_hWnd) self->CenterWindow();
    return result;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;  // the dialog manager puts the focus on the first control
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

const MessageMap* CDialog::ClassMessageMap() {
    static const MsgMapEntry entries[] = {
        OnCommand<IDOK, BN_CLICKED, &CDialog::OnOkCommand>(),
        OnCommand<IDCANCEL, BN_CLICKED, &CDialog::OnCancelCommand>(),
        OnMessage<WM_DPICHANGED, &CDialog::OnDpiChangedMessage>(),
        OnMessage<WM_GETFONT, &CDialog::OnGetFont>(),
    };
    static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
    return &map;
}

void CDialog::OnDpiChangedMessage(UINT dpi, const RECT* suggested) {
    const UINT from = std::exchange(m_dpi, dpi);
    // The dialog manager of Windows 10 1703 and later scales the dialog
    // here, and makes a new font for it.
    const HFONT before = GetFont();
    Default();
    if (from != dpi && GetFont() == before) RescaleLayout(from, dpi);
    if (suggested)
        SetWindowPos(nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (CWnd* object = FromHandlePermanent(child)) object->DpiChanged(dpi);
    DpiChanged(dpi);
}

HFONT CDialog::OnGetFont() {
    return m_rescaledFont.GetSafeHandle() ? static_cast<HFONT>(m_rescaledFont) : reinterpret_cast<HFONT>(Default());
}

void CDialog::RescaleLayout(UINT from, UINT to) {
    const Scale scale{to};
    const HFONT old = GetFont();
    LOGFONTW described{};
    CFont font;
    if (old && ::GetObjectW(old, sizeof(described), &described) == sizeof(described)) {
        scale.Rescale(described, from);
        font.CreateFontIndirect(&described);
    }
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        CRect r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        // Corners, not sizes: controls that touched still touch.
        const CRect scaled(scale.From(from, r.left), scale.From(from, r.top), scale.From(from, r.right),
                           scale.From(from, r.bottom));
        ::MoveWindow(child, scaled.left, scaled.top, scaled.Width(), scaled.Height(), TRUE);
        // A control with a font of its own keeps it: its owner remakes it.
        if (font.GetSafeHandle() && reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)) == old)
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(font)), TRUE);
    }
    // The previous rescaled font, if any, goes now that no control uses it.
    if (font.GetSafeHandle()) m_rescaledFont = std::move(font);
}
