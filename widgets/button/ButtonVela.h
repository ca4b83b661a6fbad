#pragma once
// Classes in this file:
//   CButtonVela - a push button that paints itself: an icon beside or above its
//                 caption, a flat look that raises a frame while the pointer
//                 is over it, a tooltip, state colours; it can also act as a
//                 two-state check box, open an address with the shell, or
//                 drop an owner-drawn menu down from its lower edge
//
// A dialog binds it to a push button of its template (data exchange); the
// bind switches the control to owner-draw. Where things go and in which
// colours is decided by the plain functions of ButtonLook.h; this class turns
// messages into state, and DrawItem, which WM_PAINT (through the parent's
// reflected WM_DRAWITEM) and WM_PRINTCLIENT both reach, asks LayOutButton
// once and paints what it answers. Its lengths follow the button's DPI; the
// icons it is given are drawn at their own size, so the dialog hands it icons
// of the size that DPI asks for.
//
// The button owns every icon, bitmap, mask and cursor it holds and destroys
// them when they are replaced and when it goes.
#include <windows.h>

#include <memory>

#include "ButtonLook.h"
#include "Controls.h"
#include "Gdi.h"
#include "LumMenu.h"

// Results of AssignIcons and AssignBitmaps.
constexpr DWORD BUTTON_OK = 0;
constexpr DWORD BUTTON_BAD_IMAGE = 1;
// As the idle icon: a grey copy of the active icon.
#define ICON_AUTO_GREY (reinterpret_cast<HICON>(static_cast<INT_PTR>(-2)))

class CButtonVela : public CButton {
public:
    CButtonVela();
    ~CButtonVela() override;

    // The active icon shows while the button is hovered or pressed, the idle
    // one otherwise; without an idle icon the active one shows always. The
    // button takes both over, also when it fails: BUTTON_BAD_IMAGE when an
    // icon cannot be read, and the button then has no image at all.
    DWORD AssignIcons(HICON active, HICON idle = nullptr);
    // The same for bitmaps; pixels of `transparent` colour let the face show.
    // A disabled button draws its bitmap embossed.
    DWORD AssignBitmaps(HBITMAP active, HBITMAP idle, COLORREF transparent);
    // A flat button shows the focus rectangle too.
    void ShowFocusWhenFlat(BOOL show);
    // Null changes nothing.
    void SetTipText(const wchar_t* text);

    // Settings the program leaves at their defaults.
    void SetFlat(BOOL flat);
    void SetCopyParentBack(BOOL copy);
    void SetURL(const wchar_t* url);  // opened by a click; empty: none
    // A click then drops down the first pop-up of menu resource `menuId`
    // and posts the chosen command to `target`; the address is not opened.
    // FALSE, and no menu, when the resource is missing or malformed.
    BOOL SetDropDownMenu(UINT menuId, HWND target);

    BOOL IsHovering() const { return m_isHovering; }
    BOOL IsDefault() const { return m_isDefault; }
    // The tooltip, once the pointer has come over the button (or a mouse
    // message was relayed to it); the text set before is shown from then on.
    const CToolTipCtrl& Tip() const { return m_tip; }
    HICON Icon(int slot) const { return m_icons[slot].icon; }

    void DpiChanged(UINT dpi) override;

protected:
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(DRAWITEMSTRUCT* drawItem) override;
    // The face and the flat frame, for a derived class that paints others:
    // `layout.item` is the face's rectangle.
    virtual DWORD DrawFace(CDC* dc, const ButtonLayout& layout);
    virtual DWORD DrawFrame(CDC* dc, const ButtonLayout& layout);

    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

private:
    struct ImageSlot {
        CIcon icon;
        DWORD width = 0, height = 0;
    };

    // Destroys the held icons and bitmaps.
    void ReleaseImages();
    // Stores and measures an icon; false when it cannot be read.
    static bool StoreIcon(ImageSlot& slot, HICON icon);
    HICON MakeGreyIcon(HICON icon);
    void EnsureTip();
    void ShowTipText();
    void EndHover();
    // The state a paint with the draw-item state `itemState` shows.
    ButtonLookState LookState(UINT itemState) const;
    static ButtonImages Images(const ImageSlot (&slots)[2]);
    bool HasMenu() const { return m_menu.m_hMenu != nullptr; }
    void DropDownMenu();

    void DrawCaption(CDC* dc, const CString& caption, const ButtonLayout& layout);
    void CopyParentBackground(CDC* dc);

    // Message handlers.
    LRESULT OnSetCursor(HWND window, UINT hitTest, UINT message);
    void OnKillFocus(HWND next);
    void OnMouseMove(UINT flags, CPoint point);
    void OnSysColorChange();
    BOOL OnClicked();
    void OnActivate(UINT state, HWND other, bool minimized);
    void OnEnable(BOOL enable);
    void OnCancelMode();
    UINT OnGetDlgCode();
    HBRUSH OnCtlColor(HDC dc, UINT type);
    void OnMouseLeave();
    LRESULT OnSetStyle(WPARAM style, LPARAM redraw);
    LRESULT OnSetCheck(WPARAM state, LPARAM);
    LRESULT OnGetCheck(WPARAM, LPARAM) { return m_checkState; }
    void OnPrintClient(HDC dc, UINT flags);
    LRESULT OnMenuChar(UINT ch, UINT flags, HMENU menu);
    // The menu's measure requests come to the button as the menu's owner.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    BOOL m_greyDisabledBitmap = TRUE;  // a disabled button draws its bitmap embossed
    BOOL m_isFlat = TRUE;              // no edge unless hovered or pressed; hover is tracked only then
    BOOL m_isHovering = FALSE;
    BOOL m_copyParentBack = FALSE;  // the parent's pixels instead of a face colour
    BOOL m_isDefault = FALSE;   // the dialog's default button
    BOOL m_isCheckBox = FALSE;  // each click toggles m_checkState
    BYTE m_imageAlign = BUTTON_IMAGE_LEFT;
    BOOL m_drawFlatFrame = TRUE;
    BOOL m_focusWhenFlat = FALSE;
    ButtonColours m_colours;  // read from the system once, at construction
    Scale m_scale;            // the button's DPI: from its window at the bind, then from each change
    HWND m_menuTarget = nullptr;  // receives the command chosen in the drop-down
    BOOL m_menuShown = FALSE;  // the drop-down is open: drawn pressed meanwhile
    LumMenu m_menu;            // the drop-down; empty when the button has none
    CCursor m_cursor;  // shown over the button when set
    CToolTipCtrl m_tip;          // created on first need
    CString m_tipText;           // what the tooltip shows once it exists
    // The parent's pixels under the button, copied at the first paint that
    // needs them and kept until the system colours change.
    std::unique_ptr<CDibSurface> m_back;
    BOOL m_trackAlways = TRUE;  // hover shows even when the thread has no active window
    BOOL m_checkState = FALSE;
    bool m_focusLostToDisabling = false;  // the focus went because the button is being disabled
    wchar_t m_url[MAX_PATH] = {};
    ImageSlot m_icons[2];  // 0 active (hovered or pressed), 1 idle
    // Bitmaps with their masks, held as icons made from them: an icon is a
    // colour bitmap, black where its mask lets the background show.
    ImageSlot m_bitmaps[2];
};
