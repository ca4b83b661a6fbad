#include "AboutDlg.h"

#include "Maker.h"
#include "resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LINK_HOME, m_linkHome);
    DDX_Control(dx, IDC_LINK_FEEDBACK, m_linkFeedback);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the links
    m_linkHome.SetTargetUrl(L"" MAKER_HOME_URL);
    // The user's mail program opens a new message with this subject.
    m_linkFeedback.SetTargetUrl(L"mailto:" MAKER_FEEDBACK_ADDRESS L"?subject=关于[Tessaly]");
    CenterWindow();
    return TRUE;
}
