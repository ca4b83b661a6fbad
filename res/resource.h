#pragma once
// Resource and control identifiers shared by the resource script and the code.

#define IDR_MAINFRAME          128  // program icon
// The main dialog's button icons.
#define IDI_BTN_ADD            130
#define IDI_BTN_CLOSE          131
#define IDI_BTN_DELETE         132
#define IDI_BTN_CLEAR          134
#define IDI_BTN_START          135
#define IDI_BTN_ABOUT          138
#define IDD_ABOUTBOX           100
#define IDS_ABOUTBOX           101
#define IDD_PIVOTDESK_DIALOG   102

// Controls of the main dialog. 1 (OK) and 2 (cancel, "关闭软件") are the
// dialog manager's own ids.
#define IDC_BTN_ABOUT          3
#define IDC_LIST_ENTRIES       1000
#define IDC_BTN_ADD            1001
#define IDC_BTN_DELETE         1002
#define IDC_BTN_CLEAR          1003
#define IDC_BTN_START          1004
#define IDC_CHECK_SUBFOLDERS   1005

// The about box's two links.
#define IDC_LINK_HOME          1006
#define IDC_LINK_FEEDBACK      1007

// The about entry of the main dialog's system menu (IDS_ABOUTBOX its text).
// System-menu commands keep their low four bits for the platform.
#define IDM_ABOUTBOX           0x0010
