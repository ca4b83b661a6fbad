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
#include <windows.h>

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

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Offers a queued message to PreTranslateMessage up the parent chain.
    bool PreTranslateChain(MSG& msg);
    HWND ModalOwner() const;
    void OnOkCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }

    INT_PTR m_nModalResult = -1;
    bool m_endModal = false;
    bool m_centerOnOpen = false;
};
