#include "framework/ProbeDialog.h"

#include "framework/GuiTesting.h"
#include "platform/system/FileException.h"

#include <cerrno>

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
ON_BN_CLICKED(IDC_PROBE_PRESS, &CProbeDlg::OnPress)
ON_LBN_SELCHANGE(IDC_PROBE_LIST, &CProbeDlg::OnSelchange)
ON_LBN_DBLCLK(IDC_PROBE_LIST, &CProbeDlg::OnDblclk)
ON_BN_CLICKED(IDC_PROBE_THROW, &CProbeDlg::OnThrow)
ON_EN_CHANGE(IDC_PROBE_LINES, &CProbeDlg::OnLinesChange)
ON_BN_CLICKED(IDC_PROBE_CHECK, &CProbeDlg::OnCheck)
ON_WM_SYSCOMMAND()
ON_WM_TIMER()
END_MESSAGE_MAP()

void CProbeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROBE_LIST, m_list);
    DDX_Control(pDX, IDC_PROBE_PLAIN_LIST, m_plainList);
    DDX_Control(pDX, IDC_PROBE_BAR, m_bar);
    DDX_Text(pDX, IDC_PROBE_EDIT, m_strEdit);
    DDX_Text(pDX, IDC_PROBE_LABEL, m_strLabel);
    DDX_Text(pDX, IDC_PROBE_LINES, m_strLines);
    DDX_Check(pDX, IDC_PROBE_CHECK, m_nCheck);
}

void CProbeDlg::OnThrow() {
    m_events.push_back("throw");
    throw CFileException::FromOsError(EWOULDBLOCK, "7.vnt");
    m_passedThrow = true; // never reached: the framework abandons the handler
}

void CProbeDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    m_events.push_back("syscommand " + std::to_string(nID));
    CDialog::OnSysCommand(nID, lParam);
}

void CProbeDlg::OnTimer(UINT_PTR nIDEvent) {
    ++m_ticks;
    m_events.push_back("timer " + std::to_string(nIDEvent));
}

BEGIN_MESSAGE_MAP(CProbeApp, CWinApp)
ON_COMMAND(ID_HELP, &CProbeApp::OnHelpCommand)
END_MESSAGE_MAP()

CProbeApp theProbeApp;

namespace {

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

constexpr DialogItemTemplate kProbeItems[] = {
    {IDCANCEL, "Button", "Close", 150, 5, 50, 14, kChild | WS_TABSTOP, 0},
    {IDC_PROBE_EDIT, "Edit", "", 5, 5, 100, 12, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
     0},
    {IDC_PROBE_PRESS, "Button", "Press", 150, 22, 50, 14, kChild | WS_TABSTOP, 0},
    {IDC_PROBE_LIST, "ListBox", "", 5, 22, 100, 60,
     kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT,
     0},
    {IDC_PROBE_BAR, "msctls_progress32", "", 5, 90, 100, 9, kChild | WS_BORDER, 0},
    {IDC_PROBE_LABEL, "Static", "Label", 5, 102, 100, 9, kChild | SS_SUNKEN, 0},
    {IDC_PROBE_THROW, "Button", "Throw", 150, 39, 50, 14, kChild | WS_TABSTOP, 0},
    {IDC_PROBE_PLAIN_LIST, "ListBox", "", 110, 60, 35, 40, kChild | WS_BORDER, 0},
    {IDC_PROBE_LINES, "Edit", "", 110, 5, 35, 20,
     kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE, 0},
    {IDC_PROBE_CHECK, "Button", "Tick", 110, 28, 35, 10, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    {IDC_PROBE_READ_ONLY, "Edit", "", 110, 40, 35, 16,
     kChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 0},
};

constexpr DialogTemplate kProbeDialogs[] = {
    {IDD_PROBE, 1033, 1, "Probe", nullptr, nullptr, "MS Sans Serif", 8, 400, false, 1, 0, 0, 210,
     120, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
     WS_EX_APPWINDOW, kProbeItems},
};

const ResourceTable kProbeResources = {kProbeDialogs, {}, {}};

} // namespace

void UseProbeResources() {
    StartToolkitForTests();
    AfxSetResourceHandle(&kProbeResources);
}
