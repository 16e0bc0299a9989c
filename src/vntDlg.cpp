#include "vntDlg.h"

#include "PageRulesDlg.h"
#include "changes/ChangeReport.h"
#include "changes/LastChange.h"
#include "changes/ReportFile.h"
#include "jobs/AddPageJob.h"
#include "jobs/CheckAllJob.h"
#include "platform/framework/Menu.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/PaintDC.h"
#include "platform/framework/ResourceTypes.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/PageLimits.h"
#include "platform/system/Shell.h"
#include "records/Catalogue.h"
#include "records/LastCheck.h"
#include "records/LineAddress.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"
#include "records/RecordFiles.h"
#include "records/RecordRead.h"
#include "records/ReloadedList.h"
#include "records/TextCase.h"
#include "resources/MakerSite.h"
#include "runstate/RunState.h"
#include "runstate/Tick.h"
#include "vnt.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace {

// The tick's view of the page list and the progress bar.
class PageListLines final : public TickLineSink {
public:
    explicit PageListLines(CListBox& list) : m_list(list) {}
    void AddLine(const std::string& line) override { m_list.AddString(line); }

private:
    CListBox& m_list;
};

class ProgressBarSteps final : public TickProgress {
public:
    explicit ProgressBarSteps(CProgressCtrl& bar) : m_bar(bar) {}
    void SetPos(int pos) override { m_bar.SetPos(pos); }
    void StepIt() override { m_bar.StepIt(); }

private:
    CProgressCtrl& m_bar;
};

// Hands the desktop's opener a web address, and nothing else: text from a list line that is no
// "http://" or "https://" address (a local file name, say) is never opened.
void OpenWebAddress(const std::string& strAddress) {
    if (IsWebAddress(strAddress)) {
        ShellExecuteA(nullptr, "open", strAddress.c_str(), nullptr, nullptr, SW_SHOW);
    }
}

// The selected line's index, with its text in strLine; LB_ERR, strLine untouched, when no line
// is selected.
int SelectedLine(const CListBox& list, std::string& strLine) {
    const int nIndex = list.GetCurSel();
    if (nIndex != LB_ERR) {
        list.GetText(nIndex, strLine);
    }
    return nIndex;
}

} // namespace

CVntDlg::CVntDlg(CWnd* pParent) : CDialog(CVntDlg::IDD, pParent) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

CVntDlg::~CVntDlg() = default;

void CVntDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PAGES, m_listPages);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_URL, m_strUrl);
    DDX_Text(pDX, IDC_PAGENAME, m_strPageName);
    DDX_Text(pDX, IDC_CHECKDATE, m_strCheckDate);
}

BEGIN_MESSAGE_MAP(CVntDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_DELETEURL, &CVntDlg::OnDeleteUrl)
ON_BN_CLICKED(IDC_START, &CVntDlg::OnStart)
ON_BN_CLICKED(IDC_STOP, &CVntDlg::OnStop)
ON_WM_TIMER()
ON_LBN_SELCHANGE(IDC_PAGES, &CVntDlg::OnSelchangePages)
ON_LBN_DBLCLK(IDC_PAGES, &CVntDlg::OnDblclkPages)
ON_BN_CLICKED(IDC_GOTOSITE, &CVntDlg::OnGoToSite)
END_MESSAGE_MAP()

BOOL CVntDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    // Show Changes, Page Rules and the About item go at the end of the window menu.
    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        std::string strShowChangesMenu;
        std::string strPageRulesMenu;
        std::string strAboutMenu;
        AfxLoadString(IDS_SHOWCHANGES, strShowChangesMenu);
        AfxLoadString(IDS_PAGERULES, strPageRulesMenu);
        AfxLoadString(IDS_ABOUTBOX, strAboutMenu);
        if (!strAboutMenu.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_SHOWCHANGES, strShowChangesMenu);
            pSysMenu->AppendMenu(MF_STRING, IDM_PAGERULES, strPageRulesMenu);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    SetTimer(0, static_cast<UINT>(kTickMs), nullptr);
    ReadLastCheck(m_strLastCheck);
    m_strCheckDate = m_strLastCheck;
    m_strUrl = "http://";
    UpdateData(FALSE);

    // Watched before the list is read, so that no change made meanwhile goes unseen.
    StartFollowingFolder();

    // The lines are gathered and sorted once; a record that cannot be read is reported once the
    // others are all listed.
    std::vector<std::string> lines;
    std::vector<std::string> fileErrors = FillPageList(lines);
    m_listPages.AddStrings(std::move(lines));

    m_progress.SetRange(0, 100);
    m_progress.SetStep(5);
    m_progress.SetPos(0);
    ShowNewFileErrors(std::move(fileErrors));
    return TRUE;
}

void CVntDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutBox dlgAbout;
        dlgAbout.DoModal();
    } else if ((nID & 0xFFF0) == IDM_SHOWCHANGES) {
        OnShowChanges();
    } else if ((nID & 0xFFF0) == IDM_PAGERULES) {
        OnPageRules();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

int MinimisedIconOffset(int clientExtent, int iconExtent) {
    return (clientExtent - iconExtent + 1) / 2;
}

void CVntDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = MinimisedIconOffset(rect.Width(), cxIcon);
        const int y = MinimisedIconOffset(rect.Height(), cyIcon);
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CVntDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CVntDlg::OnTimer(UINT_PTR nIDEvent) {
    PageListLines lines(m_listPages);
    ProgressBarSteps steps(m_progress);
    RunStateTick(lines, steps);
    FollowFolder();
    CDialog::OnTimer(nIDEvent);
}

void CVntDlg::StartFollowingFolder() {
    if (const int error = m_folderWatch.Start(NameShowsInWindow); error != 0) {
        AfxMessageBox("Pages that other programs add, remove or check show here only once the "
                      "window is opened again: the folder of records cannot be watched (" +
                          SystemErrorText(error) + ").",
                      MB_OK | MB_ICONASTERISK);
    }
}

// Takes the folder's changes into the list once they have settled and no job runs (nor has a
// line of its own left to show).
void CVntDlg::FollowFolder() {
    if (m_bReloading) {
        return; // a message box of the reload is open
    }
    m_folderWatch.Poll();
    if (m_folderWatch.TakeChange()) {
        m_reloadPacing.Changed();
    }
    const bool bJobRuns = g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty();
    if (m_reloadPacing.Tick(bJobRuns)) {
        ReloadFolder();
    }
}

// Reads the folder again as the window's start does. The lines a check reported keep their
// words while their pages remain, the address being typed stays, and the selection stays on its
// record (by file name) while that record holds the line's address.
void CVntDlg::ReloadFolder() {
    // Cleared however the reload ends (a handler's file exception included), so that the window
    // goes on following its folder.
    struct ReloadingScope {
        bool& flag;
        explicit ReloadingScope(bool& reloading) : flag(reloading) { flag = true; }
        ~ReloadingScope() { flag = false; }
    } reloading(m_bReloading);
    ++m_nFolderReloads;
    UpdateData(TRUE);

    std::string strSelected;
    const bool bSelected = SelectedLine(m_listPages, strSelected) != LB_ERR;
    std::vector<std::string> records;
    std::vector<std::string> fileErrors = FillPageList(records);
    m_listPages.AddStrings(ReloadedLines(m_listPages.TakeStrings(), std::move(records)));

    const std::string strOldStamp = m_strLastCheck;
    ReadLastCheck(m_strLastCheck);
    // A line naming no page ("Time Out") has no record to follow; it stays selected as it is.
    const bool bKeep = bSelected && (!IsWebAddress(AddressInLine(strSelected)) ||
                                     SelectedRecordRemains(strSelected));
    int nKept = LB_ERR;
    for (int i = 0; bKeep && nKept == LB_ERR && i < m_listPages.GetCount(); ++i) {
        std::string strLine;
        m_listPages.GetText(i, strLine);
        if (strLine == strSelected) {
            nKept = i;
        }
    }
    if (nKept != LB_ERR) {
        m_listPages.SetCurSel(nKept);
    } else if (bSelected) {
        // The page is gone: the fields show no page, and the stamp as when the window opened.
        m_strPageName.clear();
        m_strCheckDate = m_strLastCheck;
    } else if (m_strCheckDate == strOldStamp) {
        m_strCheckDate = m_strLastCheck;
    }
    UpdateData(FALSE);
    ShowNewFileErrors(std::move(fileErrors));
}

// Whether the selected line's record file still holds its page; its title and date are then
// taken into the fields. Only that one file is read, however many the folder holds.
bool CVntDlg::SelectedRecordRemains(const std::string& strLine) {
    const RecordReading<StoredRecord> record = ReadRecordForCheck(m_strRecordFile);
    if (!record.value || !EqualsIgnoringCase(record.value->fields.url, AddressInLine(strLine))) {
        return false;
    }
    m_strFoundTitle = record.value->fields.title;
    m_strFoundDate = record.value->fields.date;
    m_strPageName = TitleWithRules(m_strFoundTitle, m_strRecordFile);
    m_strCheckDate = m_strFoundDate;
    return true;
}

// Reports each record that cannot be read, once while it stays unreadable.
void CVntDlg::ShowNewFileErrors(std::vector<std::string> fileErrors) {
    for (const std::string& fileError : fileErrors) {
        if (std::find(m_fileErrorsShown.begin(), m_fileErrorsShown.end(), fileError) ==
            m_fileErrorsShown.end()) {
            AfxMessageBox(fileError, MB_ICONEXCLAMATION);
        }
    }
    m_fileErrorsShown = std::move(fileErrors);
}

// Add URL (also Enter when no push button has the focus): adds the typed address. It never
// closes the window.
void CVntDlg::OnOK() {
    UpdateData(TRUE);
    StartAddPage(m_strUrl);
}

// Start: empties the list, starts a check when no job runs, and stamps today as the day of the
// last check whether or not a check started. The window's own last-check field is not changed.
void CVntDlg::OnStart() {
    m_listPages.ResetContent();
    StartCheckAll();
    if (const WriteResult stamp = WriteLastCheck(); !stamp.IsStored()) {
        AfxMessageBox(LastCheckFailureMessage(stamp), MB_OK | MB_ICONEXCLAMATION);
    }
}

// Stop: asks the check to end after the record in hand.
void CVntDlg::OnStop() {
    RequestStop();
}

// Looks a list line up and takes the found title (with the page's rules, when it has any) and
// date into the two display fields (cleared when nothing matched). Yields whether a record
// matched.
bool CVntDlg::LookUpLine(const std::string& strLine) {
    const bool bFound = FindRecordByUrl(strLine, m_strRecordFile, m_strFoundTitle, m_strFoundDate);
    m_strPageName = bFound ? TitleWithRules(m_strFoundTitle, m_strRecordFile) : m_strFoundTitle;
    m_strCheckDate = m_strFoundDate;
    return bFound;
}

// Selecting a line shows the title and stored date of the page it names; a line that names no
// stored page clears them. Like every load of the fields, it resets the address box to m_strUrl.
void CVntDlg::OnSelchangePages() {
    std::string strLine;
    if (SelectedLine(m_listPages, strLine) == LB_ERR) {
        return;
    }
    LookUpLine(strLine);
    UpdateData(FALSE);
}

// Double-click opens the address the line holds in the web browser. A line holding no web
// address (such as "Time Out") opens nothing.
void CVntDlg::OnDblclkPages() {
    std::string strLine;
    if (SelectedLine(m_listPages, strLine) == LB_ERR) {
        return;
    }
    OpenWebAddress(std::string(AddressInLine(strLine)));
}

// Delete URL: deletes the record of the page the selected line names, then the line, and shows
// the page of the line now at the top of the visible part of the list. Nothing is confirmed. A
// record that a job holds open at that moment stays on disk; its line goes all the same.
void CVntDlg::OnDeleteUrl() {
    if (m_listPages.GetCount() <= 0) {
        return;
    }
    std::string strLine;
    const int nIndex = SelectedLine(m_listPages, strLine);
    if (nIndex == LB_ERR) {
        return;
    }
    // Only a lookup that matched names a file: m_strRecordFile still holds an earlier match.
    if (LookUpLine(strLine)) {
        // A record held elsewhere stays by design; any other file that stays is told.
        std::vector<RemovalFailure> failures;
        if (RemoveRecord(m_strRecordFile, &failures) != EWOULDBLOCK && !failures.empty()) {
            std::string message = "The page's files could not all be deleted:";
            for (const RemovalFailure& failure : failures) {
                message += "\n" + RemovalFailureText(failure) + ".";
            }
            AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
        }
    }
    UpdateData(FALSE);
    m_listPages.DeleteString(static_cast<UINT>(nIndex));

    // With no line left, or an empty one at the top, the fields keep the deleted line's page.
    if (m_listPages.GetCount() > 0) {
        const int nTop = m_listPages.GetTopIndex();
        m_listPages.SetCurSel(nTop);
        std::string strTop;
        m_listPages.GetText(nTop, strTop);
        if (!strTop.empty()) {
            LookUpLine(strTop);
        }
        UpdateData(FALSE);
    }
}

// The selected line and the record it names, for a window-menu command on the selected page; or
// false after a box that says why there is none (what the command does ends its first sentence).
bool CVntDlg::SelectedRecord(const char* pszWhatItDoes, std::string& strLine,
                             std::string& strRecordFile) {
    if (SelectedLine(m_listPages, strLine) == LB_ERR) {
        AfxMessageBox(std::string("Select a page in the list first: ") + pszWhatItDoes,
                      MB_OK | MB_ICONASTERISK);
        return false;
    }
    std::string strTitle;
    std::string strDate;
    if (!FindRecordByUrl(strLine, strRecordFile, strTitle, strDate)) {
        AfxMessageBox("The selected line names no stored page: " + strLine,
                      MB_OK | MB_ICONASTERISK);
        return false;
    }
    return true;
}

// Show Changes (window menu): writes the report of the selected page's last change and opens it
// in the desktop's browser, or says why there is none. The fields and the list stay as they are.
void CVntDlg::OnShowChanges() {
    std::string strLine;
    std::string strRecordFile;
    if (!SelectedRecord("Show Changes shows that page's last change.", strLine, strRecordFile)) {
        return;
    }
    const RecordReading<std::vector<PageVersion>> versions = ListPageVersions(strRecordFile);
    if (versions.Failed()) {
        AfxMessageBox(versions.failure, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!versions.value || versions.value->size() < 2) {
        AfxMessageBox("This page has no earlier version: it has not changed since it was added "
                      "or since versions are kept.",
                      MB_OK | MB_ICONASTERISK);
        return;
    }
    const std::string strReport = CachedReportPath("report.html");
    if (const std::string failure = WriteChangeReport(strReport, {ReadLastChange(strRecordFile)});
        !failure.empty()) {
        // The words begin a sentence here.
        std::string strText = failure + ".";
        strText.front() =
            static_cast<char>(std::toupper(static_cast<unsigned char>(strText.front())));
        AfxMessageBox(strText, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    OpenChangeReport(strReport);
}

// Page Rules (window menu): edits the rules of the selected page in their dialog, then shows the
// page again with the rules it now has.
void CVntDlg::OnPageRules() {
    std::string strLine;
    std::string strRecordFile;
    if (!SelectedRecord("Page Rules sets what that page's checks compare.", strLine,
                        strRecordFile)) {
        return;
    }
    CPageRulesDlg dlgRules(strRecordFile, std::string(AddressInLine(strLine)), this);
    if (dlgRules.DoModal() == IDOK) {
        UpdateData(TRUE);
        LookUpLine(strLine);
        UpdateData(FALSE);
    }
}

// The title as the name field shows it: followed by the page's rules in as many of their words
// as fit the field ("Price [rules: --css #price --text]"); when none fit, by "[rules]" alone,
// the title cut short for it if need be.
std::string CVntDlg::TitleWithRules(const std::string& strTitle,
                                    const std::string& strRecordFile) const {
    const RulesReading reading = ReadRecordRules(strRecordFile);
    if (reading.failure.empty() && reading.rules.Empty()) {
        return strTitle;
    }
    if (reading.failure.empty()) {
        const std::string strFull = RulesSummary(reading.rules, std::string::npos);
        // No field is wide enough for more than a line of words.
        for (std::size_t nChars = std::min<std::size_t>(strFull.size(), 120); nChars >= 12;
             --nChars) {
            std::string strShown = strTitle + " [" + RulesSummary(reading.rules, nChars) + "]";
            if (TextFitsItem(IDC_PAGENAME, strShown)) {
                return strShown;
            }
        }
    }
    const std::string strMark = reading.failure.empty() ? " [rules]" : " [rules unreadable]";
    if (TextFitsItem(IDC_PAGENAME, strTitle + strMark)) {
        return strTitle + strMark;
    }
    for (std::size_t nChars = strTitle.size(); nChars > 0; --nChars) {
        std::string strShown = CutToCharacters(strTitle, nChars) + "..." + strMark;
        if (TextFitsItem(IDC_PAGENAME, strShown)) {
            return strShown;
        }
    }
    return strMark.substr(1);
}

// Go to Quorvane: opens the maker's web site. It works in every state.
void CVntDlg::OnGoToSite() {
    OpenWebAddress(kMakerSiteAddress);
}
