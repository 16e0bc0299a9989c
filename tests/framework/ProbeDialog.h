#pragma once
// A small dialog of every control kind the framework makes, with handlers that record what
// reached them, and the test program's application object.

#include "platform/framework/Dialog.h"
#include "platform/framework/ListBox.h"
#include "platform/framework/ProgressCtrl.h"
#include "platform/framework/WinApp.h"

#include <string>
#include <vector>

enum ProbeIds {
    IDD_PROBE = 500,
    IDC_PROBE_EDIT = 600,
    IDC_PROBE_PRESS = 601,
    IDC_PROBE_LIST = 602,
    IDC_PROBE_BAR = 603,
    IDC_PROBE_LABEL = 604,
    IDC_PROBE_THROW = 605,
    IDC_PROBE_PLAIN_LIST = 606,
    IDC_PROBE_LINES = 607,
    IDC_PROBE_CHECK = 608,
    IDC_PROBE_READ_ONLY = 609,
    IDM_PROBE_EXTRA = 0x0020,
};

class CProbeDlg : public CDialog {
public:
    CProbeDlg() : CDialog(IDD_PROBE) {}

    CListBox m_list;
    CListBox m_plainList;
    CProgressCtrl m_bar;
    std::string m_strEdit;
    std::string m_strLabel;
    std::string m_strLines;
    int m_nCheck = 0;

    std::vector<std::string> m_events; // in arrival order
    int m_ticks = 0;
    bool m_passedThrow = false;

    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override { m_events.push_back("IDOK"); }

    afx_msg void OnPress() { m_events.push_back("press"); }
    afx_msg void OnSelchange() { m_events.push_back("selchange"); }
    afx_msg void OnDblclk() { m_events.push_back("dblclk"); }
    afx_msg void OnLinesChange() { m_events.push_back("lines change"); }
    afx_msg void OnCheck() { m_events.push_back("check"); }
    afx_msg void OnThrow();
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()
};

class CProbeApp : public CWinApp {
public:
    int m_helpCommands = 0;
    afx_msg void OnHelpCommand() { ++m_helpCommands; }
    DECLARE_MESSAGE_MAP()
};

extern CProbeApp theProbeApp;

// Installs the probe's resources and starts the toolkit.
void UseProbeResources();
