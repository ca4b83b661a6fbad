#include "pivotdeskDlg.h"

#include "AboutDlg.h"
#include "App.h"
#include "Gdi.h"
#include "InstallCheck.h"
#include "resource.h"

namespace {

// The shell's word that a window's taskbar button exists.
const RegisteredMessage kTaskbarButtonCreated{L"TaskbarButtonCreated"};

}  // namespace

CpivotdeskDlg::CpivotdeskDlg(CWnd* parent)
    : CDialog(IDD_PIVOTDESK_DIALOG, parent),
      // LoadIcon hands out a shared copy of the resource: nothing to destroy.
      m_hAppIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_bIncludeSubfolders(TRUE) {}

CpivotdeskDlg::~CpivotdeskDlg() = default;

void CpivotdeskDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LIST_ENTRIES, m_listEntries);
    DDX_Control(dx, IDCANCEL, m_btnClose);
    DDX_Control(dx, IDC_BTN_START, m_btnStart);
    DDX_Control(dx, IDC_BTN_ADD, m_btnAdd);
    DDX_Control(dx, IDC_BTN_DELETE, m_btnDelete);
    DDX_Control(dx, IDC_BTN_CLEAR, m_btnClear);
    DDX_Check(dx, IDC_CHECK_SUBFOLDERS, m_bIncludeSubfolders);
    DDX_Control(dx, IDC_BTN_ABOUT, m_btnAbout);
}

const MessageMap* CpivotdeskDlg::ClassMessageMap() {
    using D = CpivotdeskDlg;
    static const MsgMapEntry entries[] = {
        OnMessage<WM_SYSCOMMAND, &D::OnSysCommand>(),
        OnMessage<WM_PAINT, &D::OnPaint>(),
        OnMessage<WM_QUERYDRAGICON, &D::OnQueryDragIcon>(),
        OnNotify<IDC_LIST_ENTRIES, LVN_ITEMCHANGED, &D::OnListItemChanged>(),
        OnNotify<IDC_LIST_ENTRIES, LVN_KEYDOWN, &D::OnListKeyDown>(),
        OnCommand<IDC_BTN_ADD, BN_CLICKED, &D::OnAddEntries>(),
        // Enter becomes the OK command: the dialog must not end on it.
        OnCommand<IDOK, BN_CLICKED, &D::OnIgnoreCommand>(),
        OnCommand<IDC_BTN_START, BN_CLICKED, &D::OnStartRotation>(),
        OnCommand<IDC_BTN_CLEAR, BN_CLICKED, &D::OnClearList>(),
        OnCommand<IDC_BTN_DELETE, BN_CLICKED, &D::OnDeleteEntries>(),
        // The box's state is read when a run starts, not when it changes.
        OnCommand<IDC_CHECK_SUBFOLDERS, BN_CLICKED, &D::OnIgnoreCommand>(),
        OnMessage<WM_DROPFILES, &D::OnDropFiles>(),
        OnCommand<IDC_BTN_ABOUT, BN_CLICKED, &D::OnAbout>(),
        OnRawMessage<WM_ROTATION_RUN, &D::OnRunNotice>(),
        OnRegisteredMessage<&kTaskbarButtonCreated, &D::OnTaskbarButtonCreated>(),
    };
    static const MessageMap map = MakeMessageMap(CDialog::ClassMessageMap(), entries);
    return &map;
}

BOOL CpivotdeskDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the controls and ticks the box

    AddAboutMenuEntry();

    SetWindowIcons();

    DressButtons();

    // The list starts empty.
    m_btnStart.EnableWindow(FALSE);
    m_btnDelete.EnableWindow(FALSE);
    m_btnClear.EnableWindow(FALSE);

    const Scale scale{m_dpi};
    m_listEntries.InsertColumn(0, L"名称", LVCFMT_LEFT, scale(350));
    m_listEntries.InsertColumn(1, L"最后修改日期", LVCFMT_LEFT, scale(120));
    m_listEntries.InsertColumn(2, L"大小(KB)", LVCFMT_RIGHT, scale(70));
    m_listEntries.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_UNDERLINEHOT);

    LocateTools();

    SetUpBanner();

    m_strLastDir.Empty();
    if (CWinApp* app = AfxGetApp()) m_strLastDir = app->GetProfileString(L"", L"LastDir");

    const bool toolPresent = GetFileAttributesW(m_strToolPath) != INVALID_FILE_ATTRIBUTES;
    CheckInstallationAndWarn();
    // FALSE only keeps the dialog manager from focusing the first control.
    return toolPresent ? TRUE : FALSE;
}

void CpivotdeskDlg::AddAboutMenuEntry() {
    // The system menu is the platform's: borrowed, never owned or destroyed here.
    HMENU systemMenu = GetSystemMenu(FALSE);
    if (!systemMenu) return;
    CString text;
    if (!text.LoadString(IDS_ABOUTBOX) || text.IsEmpty()) return;
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
}

namespace {

// An icon of the program's own, `size` pixels square, owned by whoever
// receives it (not LR_SHARED, which hands out the first size ever loaded):
// the widgets destroy what they hold. The resource's image nearest that size
// is taken; the icons carry images up to 64 pixels, so that up to 200 %
// none is stretched up.
HICON LoadIconAt(int id, int size) {
    return static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

// The buttons' icons and the banner's are 32 pixels at 96 DPI.
constexpr int kIconSize = 32;

}  // namespace

const CpivotdeskDlg::Dressing CpivotdeskDlg::kDressings[6] = {
    {&CpivotdeskDlg::m_btnClose, IDI_BTN_CLOSE, L"关闭退出"},
    {&CpivotdeskDlg::m_btnStart, IDI_BTN_START, L"开始自动旋转"},
    {&CpivotdeskDlg::m_btnAdd, IDI_BTN_ADD, L"选择文件或文件夹"},
    {&CpivotdeskDlg::m_btnDelete, IDI_BTN_DELETE, L"删除指定的项目"},
    {&CpivotdeskDlg::m_btnClear, IDI_BTN_CLEAR, L"清空列表"},
    {&CpivotdeskDlg::m_btnAbout, IDI_BTN_ABOUT, L"软件使用说明"},
};

void CpivotdeskDlg::LoadButtonIcons() {
    // A missing icon leaves a captioned button without an image.
    for (const Dressing& dressing : kDressings)
        (this->*dressing.button).AssignIcons(LoadIconAt(dressing.icon, Scale{m_dpi}(kIconSize)));
}

void CpivotdeskDlg::DressButtons() {
    LoadButtonIcons();
    for (const Dressing& dressing : kDressings) {
        (this->*dressing.button).ShowFocusWhenFlat(TRUE);
        (this->*dressing.button).SetTipText(dressing.tip);
    }
}

// LoadIcon's shared icon has the large size of the system DPI, which is what
// the caption and the task bar ask for wherever the window's DPI is the
// system's. On a monitor of another DPI both sizes are loaded for it.
void CpivotdeskDlg::SetWindowIcons() {
    HICON icons[2] = {m_hAppIcon, m_hAppIcon};
    CIcon made[2];
    if (m_dpi != SystemDpi()) {
        made[0].Attach(LoadIconAt(IDR_MAINFRAME, MetricAtDpi(SM_CXICON, m_dpi)));
        made[1].Attach(LoadIconAt(IDR_MAINFRAME, MetricAtDpi(SM_CXSMICON, m_dpi)));
        for (int i = 0; i < 2; ++i)
            if (made[i].GetSafeHandle()) icons[i] = made[i];
    }
    SetIcon(icons[0], TRUE);
    SetIcon(icons[1], FALSE);
    // The icons shown before go only now that the window no longer shows them.
    for (int i = 0; i < 2; ++i) {
        m_windowIcons[i].DestroyIcon();
        m_windowIcons[i].Attach(made[i].Detach());
    }
}

void CpivotdeskDlg::DpiChanged(UINT) {
    SetWindowIcons();
    LoadButtonIcons();
    m_banner.SetIcon(LoadIconAt(IDR_MAINFRAME, Scale{m_dpi}(kIconSize)));
}

void CpivotdeskDlg::SetUpBanner() {
    // Grows the dialog by the banner's thickness and moves every control down.
    if (!m_banner.AttachToHost(this)) return;
    m_banner.SetBackgroundColors(RGB(200, 255, 200), RGB(20, 160, 0));
    m_banner.SetEdgeColor(RGB(0, 0, 0));
    m_banner.SetFillStyle(BANNER_FILL_GRADIENT);
    m_banner.SetIcon(LoadIconAt(IDR_MAINFRAME, Scale{m_dpi}(kIconSize)));
    m_banner.SetTitle(L"Orlenza");
    m_banner.SetCaption(BannerCaption());
}

const wchar_t* CpivotdeskDlg::BannerCaption() {
    return L"根据照片中存储的Exif信息自动旋转并保存图片，如果照片中的Exif信息不正确，将无法正确完成。";
}

void CpivotdeskDlg::LocateTools() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A truncated program path (GetModuleFileNameW fills the whole buffer)
    // would name a wrong folder: keep both empty, and the check reports the
    // tools as missing.
    if (length == 0 || length >= MAX_PATH) return;
    const CString program(path, static_cast<int>(length));
    const int slash = program.ReverseFind(L'\\');
    if (slash < 0) return;
    m_strAppDir = program.Left(slash);
    m_strToolPath = program.Left(slash + 1) + L"jhead.exe";
}

void CpivotdeskDlg::CheckInstallationAndWarn() {
    if (CheckInstallation(m_strAppDir, m_strToolPath) != INSTALL_OK)
        MessageBox(L"安装信息错误，无法正常运行，请重装软件！", L"Orlenza", MB_OK | MB_ICONEXCLAMATION);
}

void CpivotdeskDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX)
        OnAbout();
    else
        Default();
}

void CpivotdeskDlg::OnAbout() {
    CAboutDlg about(this);
    about.DoModal();
}

void CpivotdeskDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hAppIcon);
}

HCURSOR CpivotdeskDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hAppIcon); }

void CpivotdeskDlg::OnIgnoreCommand() {}

void CpivotdeskDlg::UpdateListButtons() {
    const BOOL hasRows = m_listEntries.GetItemCount() > 0;
    m_btnStart.EnableWindow(hasRows);
    m_btnClear.EnableWindow(hasRows);
}
