#pragma once
// Resource and control ids of the program's windows.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VNT_DIALOG 102
#define IDS_SHOWCHANGES 103
#define IDD_PAGERULES 104
#define IDS_PAGERULES 105
#define IDR_MAINFRAME 128

#define IDC_URL 1002
#define IDC_PAGENAME 1005
#define IDC_DELETEURL 1007
#define IDC_CHECKDATE 1008
#define IDC_START 1009
#define IDC_STOP 1010
#define IDC_PROGRESS 1011
#define IDC_PAGES 1012
#define IDC_GOTOSITE 1014
// The Page Rules dialog.
#define IDC_RULESPAGE 1030
#define IDC_RULESELECT 1031
#define IDC_RULECSS 1032
#define IDC_RULETEXT 1033
#define IDC_RULEIGNORE 1034
#define IDC_RULEPREVIEW 1035
#define IDC_RULEPREVIEWSTATE 1036
#define IDC_RULECLEAR 1037
#define IDC_STATIC (-1)

// The items of the window menu: the About box, and Show Changes and Page Rules for the selected
// page.
#define IDM_ABOUTBOX 0x0010
#define IDM_SHOWCHANGES 0x0020
#define IDM_PAGERULES 0x0030
