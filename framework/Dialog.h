#pragma once
// Classes and functions in this file:
//   CDataExchange - the direction and target of one data exchange
//   DDX_Control   - binds a control object to a template control (first exchange only)
//   DDX_Check     - a check box's state <-> a BOOL member
//   CDialog       - a dialog from a template resource, run modally
//
// DoModal runs a message loop of our own rather than DialogBox's, so that
// every message is first offered to PreTranslateMessage of the window it is
// for and of each of its parents up to the dialog (tooltips relay mouse
// messages there), and only then to the dialog manager (IsDialogMessage).
//
// A dialog that moves to a monitor of another DPI (WM_DPICHANGED) takes the
// place the system suggests. Windows 10 from version 1703 on scales a
// per-monitor dialog's font and controls itself; where nothing did (older
// Windows, per-monitor version 1 awareness), the dialog does it: the
// template's font at the new DPI, every control's rectangle scaled. Then each
// bound child, and the dialog itself, is told (CWnd::DpiChanged).
#include <windows.h>

#include "Gdi.h"
#include "Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    // A control the template lacks; UpdateData then reports failure.
    void Fail() { m_bFailed = TRUE; }
    BOOL Failed() const { return m_bFailed; }
    HWND Control(int id);  // the template control, or Fail() and null

private:
    BOOL m_bFailed = FALSE;
};

// Subclasses the control on the first exchange; later exchanges leave it be.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Check(CDataExchange* dx, int id, BOOL& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, runs it until EndDialog, destroys it; returns the
    // EndDialog value, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // TRUE: controls -> members; FALSE: members -> controls. FALSE when the
    // exchange failed (a control is missing from the template).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    virtual void DoDataExchange(CDataExchange* dx);

    static const MessageMap* ClassMessageMap();
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;  // not owned
    UINT m_dpi = Scale::kBase;  // what the dialog is laid out for: its DPI at opening, then each change's

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Offers a queued message to PreTranslateMessage up the parent chain.
    bool PreTranslateChain(MSG& msg);
    HWND ModalOwner() const;
    void OnOkCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }
    void OnDpiChangedMessage(UINT dpi, const RECT* suggested);
    HFONT OnGetFont();
    // Scales the font and every control from one DPI to another.
    void RescaleLayout(UINT from, UINT to);

    INT_PTR m_nModalResult = -1;
    bool m_endModal = false;
    bool m_centerOnOpen = false;
    // The template's font at a new DPI, when the dialog scaled itself; the
    // dialog manager keeps (and deletes) the template's own.
    CFont m_rescaledFont;
};
