#pragma once
// Classes in this file:
//   CButton      - push button, check box; owner-drawn buttons get DrawItem
//   CStatic      - static text
//   CListCtrl    - the report-view list (SysListView32)
//   CToolTipCtrl - a tooltip window owned by a control
//
// Each is a CWnd bound to a control, usually by data exchange; the methods are
// the control messages the program sends, under readable names.
#include <windows.h>
#include <commctrl.h>

#include "Wnd.h"

class CButton : public CWnd {
public:
    BOOL Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }

protected:
    // Paints an owner-drawn button; the parent's WM_DRAWITEM is reflected here.
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem);

    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

private:
    void OnReflectedDrawItem(DRAWITEMSTRUCT* drawItem) { DrawItem(drawItem); }
};

class CStatic : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

class CListCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    int InsertColumn(int column, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1);
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    // Replaces every extended style bit.
    DWORD SetExtendedStyle(DWORD style) {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
    }
    int InsertItem(int index, const wchar_t* text, int image = 0);
    BOOL SetItemText(int index, int subItem, const wchar_t* text);
    CString GetItemText(int index, int subItem) const;
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
    }
    BOOL SetItemState(int index, UINT state, UINT mask);
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    BOOL DeleteItem(int index) { return SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index)) != 0; }
    BOOL DeleteAllItems() { return SendMessage(LVM_DELETEALLITEMS) != 0; }
    BOOL EnsureVisible(int index, BOOL partialOk) {
        return SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), partialOk) != 0;
    }
    BOOL GetColumn(int column, LVCOLUMNW* info) const {
        return SendMessage(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(info)) != 0;
    }
    int GetColumnWidth(int column) const {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    }
    HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
    void SetItemCount(int count) { SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count)); }
    BOOL SetColumnWidth(int column, int width) {
        return SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0;
    }

    // The list view keeps its columns' widths in pixels whatever the DPI:
    // they are scaled here, so that each keeps its share of the text.
    void DpiChanged(UINT dpi) override;

protected:
    void PreSubclassWindow() override;

private:
    UINT m_dpi = Scale::kBase;  // what the column widths are for
};

class CToolTipCtrl : public CWnd {
public:
    // A tooltip owned by `parent` (a control): not a child, it floats above.
    BOOL Create(CWnd* parent, DWORD style = 0);
    // A tool for a rectangle of `window` with id `id` (or the whole window).
    BOOL AddTool(CWnd* window, const wchar_t* text, const RECT* rect = nullptr, UINT_PTR id = 0);
    void UpdateTipText(const wchar_t* text, CWnd* window, UINT_PTR id = 0);
    // The rectangle of `window` that tool `id` covers, when the window changed size.
    void SetToolRect(CWnd* window, UINT_PTR id, const RECT& rect);
    void Activate(BOOL activate) { SendMessage(TTM_ACTIVATE, activate); }
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    int SetMaxTipWidth(int width) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, width)); }
    CString GetText(CWnd* window, UINT_PTR id = 0) const;

private:
    static TTTOOLINFOW ToolInfo(CWnd* window, UINT_PTR id);
};
