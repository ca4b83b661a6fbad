#pragma once
// Classes in this file:
//   LumMenuData - one owner-drawn item's record; the item's data points to it
//   LumMenu     - a menu whose items are all owner-drawn, built in code or
//                 from a menu template, measured and painted in a classic
//                 or a flat style
//
// A menu loaded from a template is a menu bar whose pop-ups are LumMenu
// objects of their own, made on the heap, attached to their handles (so
// CMenu::FromHandlePermanent finds them) and deleted by the parent's
// DestroyAll. Every pop-up handle any LumMenu appended is kept in one
// process-wide list: IsKnownMenu tells an owner window whether a menu in a
// WM_MENUCHAR or WM_MEASUREITEM is one of ours. All of it is used by the
// user-interface thread alone.
#include <windows.h>

#include <memory>
#include <vector>

#include "Dpi.h"
#include "Gdi.h"
#include "Menu.h"
#include "MenuLook.h"
#include "String.h"

class LumMenuData {
public:
    LumMenuData() = default;
    LumMenuData(const LumMenuData&) = delete;
    LumMenuData& operator=(const LumMenuData&) = delete;

    void SetText(const wchar_t* text) { m_text = text; }
    CString GetText() const { return m_text; }

    CString m_text;           // may hold a tab followed by the accelerator text
    int m_imageIndex = -1;    // in m_imageList, or in the shared images
    int m_sharedIndex = -1;   // of the command id in LumMenu::s_sharedImageIds
    int m_imageMark = -1;     // -1: the item has no image of its own
    UINT m_flags = 0;         // the flags the item was added or last modified with
    UINT_PTR m_commandId = 0; // a pop-up item's sub-menu handle
    int m_synced = 0;         // SyncWithMenu's mark
    std::unique_ptr<CImageList> m_imageList;  // owned; may be null
};

class LumMenu : public CMenu {
public:
    LumMenu();
    ~LumMenu() override;

    void DrawItem(DRAWITEMSTRUCT* drawItem) override;
    void MeasureItem(MEASUREITEMSTRUCT* measureItem) override;
    // From a menu template resource of the resource module, else of the
    // program file. FALSE when it is missing, malformed or no menu can be
    // made; a malformed one leaves the object empty.
    virtual BOOL LoadTemplate(UINT id);
    virtual BOOL LoadTemplate(const wchar_t* name);
    // The same over template bytes, never reading past `size`.
    BOOL LoadTemplate(const void* bytes, size_t size);
    // Deletes the pop-up objects, the records and an owned check image list,
    // then the menu; the result of CMenu::DestroyMenu.
    virtual BOOL DestroyAll();

    // Id 0 makes a separator; with MF_POPUP the id is a sub-menu handle.
    BOOL AppendItem(const wchar_t* text, UINT flags, UINT_PTR idOrSubMenu);
    // The caller places the returned record in a record list.
    LumMenuData* ReplaceItem(UINT position, UINT flags, UINT_PTR idOrSubMenu, const CString& text);
    // Rebuilds the records from the live menu after changes behind our back.
    void SyncWithMenu();
    BOOL GetItemText(UINT position, CString& text) const;
    void AlignAccelerators();
    int FindItemOffset() const;
    void DemoteTopLevelItems();

    int GetRecordCount() const { return static_cast<int>(m_items.size()); }
    LumMenuData* GetRecord(int position) const {
        return position >= 0 && position < GetRecordCount() ? m_items[position] : nullptr;
    }

    static BOOL IsKnownMenu(const CMenu* menu) { return menu && IsKnownMenu(menu->m_hMenu); }
    static BOOL IsKnownMenu(HMENU menu);
    // The answer to WM_MENUCHAR: MAKELRESULT(position, MNC_EXECUTE) for the
    // first item whose text holds "&" and the character, else 0.
    static LRESULT FindMnemonic(UINT ch, UINT flags, CMenu* menu);
    static int GetOsVersionCode();
    static BOOL IsClassicTheme();
    static BOOL HasImageTriple(int index);

    // The drawing primitives (LumMenuDraw.cpp), at a scale.
    static void DrawCheckGlyph(COLORREF colour, int x, int y, CDC& dc, Scale scale = {});
    static void DrawRadioGlyph(COLORREF colour, int x, int y, CDC& dc, Scale scale = {});
    static BOOL DrawCheckBoxClassic(const RECT& box, CDC& dc, BOOL selected, BOOL radio, Scale scale = {});
    static BOOL DrawCheckBoxFlat(COLORREF select, const RECT& box, CDC& dc, BOOL radio, Scale scale = {});
    BOOL IconToBitmap(HIMAGELIST list, int index, CDC& dc, CBitmap& bitmap) const;
    static void DrawDisabledImage(CDC& dc, int x, int y, int width, int height, HBITMAP bitmap,
                                  COLORREF background);
    static void DrawDisabledImageDib(HDC hdc, int x, int y, int width, int height, HBITMAP bitmap,
                                     COLORREF background);
    void DrawItemClassic(DRAWITEMSTRUCT* drawItem);
    void DrawItemFlat(DRAWITEMSTRUCT* drawItem);
    // The menu font of the non-client metrics at a DPI, made for one call,
    // and the window whose context measures in it.
    static void CreateMenuFont(CFont& font, UINT dpi = SystemDpi());
    static HWND MeasuringWindow();

    // The DPI of the window that shows the menu, here and in every pop-up
    // below; pop-ups loaded later take this menu's.
    void SetScale(Scale scale);

    // Settings; each pop-up loaded from a template reads its own.
    Scale m_scale;
    int m_iconWidth = 16;
    int m_iconHeight = 15;
    int m_dibDisabledImages = 0;          // nonzero: the DIB algorithm for disabled images
    CImageList* m_checkImages = nullptr;  // 0 unselected, 1 selected check mark; may be null
    int m_checkImagesShared = 0;          // nonzero: m_checkImages belongs to another menu
    int m_selectedCheckImage = -1;        // above 0: m_checkImages for selected checked items
    int m_unselectedCheckImage = -1;      // above 0: m_checkImages for checked items
    int m_loadedFromTemplate = 0;

    static int s_osVersion;      // GetOsVersionCode, once at start-up
    static int s_drawMode;       // 0 chooses the style, 1 forces the flat one (tests)
    static int s_selectDisabled; // nonzero lets the flat style draw grayed items selected
    static CImageList s_sharedImages;
    static std::vector<int> s_sharedImageIds;  // command id of each shared image

private:
    LumMenuData* NewRecord();
    void DeleteRecord(LumMenuData* record);
    LumMenuData* TakeUnsyncedRecord(UINT_PTR id);
    void DeleteUnsyncedRecords();
    static void Unregister(HMENU menu);
    // The record behind an item's data; null unless a live LumMenu made it.
    static LumMenuData* RecordOf(ULONG_PTR itemData);

    // XP-themed: Windows XP with a theme other than the classic one.
    static bool IsXpThemed() { return s_osVersion == 7 && !IsClassicTheme(); }
    bool FlatCondition() const { return IsXpThemed() || s_drawMode == 1; }
    // This menu's settings as the look functions take them.
    MenuMetrics Metrics() const;

    std::vector<LumMenuData*> m_items;  // owned; one per menu position, in menu order
    std::vector<HMENU> m_subMenus;      // the pop-ups appended to this menu

    static std::vector<HMENU> s_allSubMenus;
};
