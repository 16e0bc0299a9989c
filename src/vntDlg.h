#pragma once
// The main window: its members, bindings to the controls of template 102 and the routing of
// every command and message to its handler.

#include "platform/framework/Dialog.h"
#include "platform/framework/FolderWatch.h"
#include "platform/framework/ListBox.h"
#include "platform/framework/ProgressCtrl.h"
#include "resources/resource.h"
#include "runstate/ReloadPacing.h"

#include <string>
#include <vector>

class CVntDlg : public CDialog {
public:
    explicit CVntDlg(CWnd* pParent = nullptr);
    ~CVntDlg() override;

    enum { IDD = IDD_VNT_DIALOG };

    std::string m_strRecordFile;
    std::string m_strFoundTitle;
    std::string m_strFoundDate;
    std::string m_strLastCheck;
    CListBox m_listPages;
    CProgressCtrl m_progress;
    std::string m_strUrl;
    std::string m_strPageName;
    std::string m_strCheckDate;

    // How often the list was read again after changes other programs made to the folder.
    int FolderReloads() const { return m_nFolderReloads; }

protected:
    HICON m_hIcon;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDeleteUrl();
    afx_msg void OnStart();
    afx_msg void OnStop();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSelchangePages();
    afx_msg void OnDblclkPages();
    afx_msg void OnGoToSite();
    bool SelectedRecord(const char* pszWhatItDoes, std::string& strLine,
                        std::string& strRecordFile);
    void OnShowChanges();
    void OnPageRules();

    DECLARE_MESSAGE_MAP()

private:
    bool LookUpLine(const std::string& strLine);
    std::string TitleWithRules(const std::string& strTitle, const std::string& strRecordFile) const;

    // Following the folder while the window is open.
    void StartFollowingFolder();
    void FollowFolder();
    void ReloadFolder();
    bool SelectedRecordRemains(const std::string& strLine);
    void ShowNewFileErrors(std::vector<std::string> fileErrors);

    CFolderWatch m_folderWatch;
    ReloadPacing m_reloadPacing;
    int m_nFolderReloads = 0;
    bool m_bReloading = false;
    // The record file errors last reported, so that a reload repeats none of them.
    std::vector<std::string> m_fileErrorsShown;
};

// Where the minimised window draws its icon along one axis: centred in the client extent,
// rounding up, and never left of or above the client's edge for an extent one pixel short.
int MinimisedIconOffset(int clientExtent, int iconExtent);
