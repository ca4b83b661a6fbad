#pragma once
// Classes in this file:
//   CAboutDlg - the about box: what the program does, its version, and two
//               links, to the maker's home page and to a new feedback e-mail
//
// Shown modally from the main dialog's about button and from its entry in
// the system menu; it keeps nothing between openings.
#include "Dialog.h"
#include "LinkStatic.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

    CLinkStatic m_linkHome;      // control 1006
    CLinkStatic m_linkFeedback;  // control 1007
};
