#include "PageRulesDlg.h"

#include "check/RuleDeadline.h"
#include "check/RuledPage.h"
#include "platform/framework/MessageBox.h"
#include "platform/system/PageLimits.h"
#include "platform/system/WorkerThread.h"
#include "records/RecordWriter.h"

#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace {

// A field of one entry a line: its non-empty lines, without a carriage return a paste may bring.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += text.empty() ? line : "\n" + line;
    }
    return text;
}

// A size in the words a person reads: "812 bytes", "64 KiB", "3.4 MiB".
std::string SizeWords(std::size_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + " bytes";
    }
    if (bytes < 1024 * 1024) {
        return std::to_string(bytes / 1024) + " KiB";
    }
    const std::size_t tenths = bytes * 10 / (1024 * 1024);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MiB";
}

struct PreviewResult {
    BoundedText shown;
    std::string failure;
};

PreviewResult PreviewOf(const PageRules& rules, const std::string& page) {
    if (std::string error = RulesError(rules); !error.empty()) {
        return {{}, std::move(error)};
    }
    // A hostile page stops a preview as it stops a check: the worker never runs without end.
    static const SteadyMillisecondClock clock;
    RuledPage ruled = ApplyRules(
        rules, page, RuleDeadlineFrom(clock, DeadlineRule{kReadTimeOutMs, std::nullopt}));
    if (!ruled.failure.empty()) {
        return {{}, std::move(ruled.failure)};
    }
    return {BoundText(ruled.text, CPageRulesDlg::kPreviewLimit), {}};
}

unsigned RunTask(void* param) {
    const std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(param));
    (*task)();
    return 0;
}

// The first letter made a capital, for a failure's words that begin a sentence.
std::string Sentence(std::string words) {
    if (!words.empty() && words.front() >= 'a' && words.front() <= 'z') {
        words.front() = static_cast<char>(words.front() - 'a' + 'A');
    }
    return words + ".";
}

} // namespace

// What a preview's worker hands back: the window thread takes it on its next look.
struct CPageRulesDlg::PreviewSlot {
    std::mutex guard;
    bool busy = false;
    std::optional<PreviewResult> done;
};

BEGIN_MESSAGE_MAP(CPageRulesDlg, CDialog)
ON_EN_CHANGE(IDC_RULESELECT, &CPageRulesDlg::OnRulesEdited)
ON_EN_CHANGE(IDC_RULECSS, &CPageRulesDlg::OnRulesEdited)
ON_EN_CHANGE(IDC_RULEIGNORE, &CPageRulesDlg::OnRulesEdited)
ON_BN_CLICKED(IDC_RULETEXT, &CPageRulesDlg::OnRulesEdited)
ON_BN_CLICKED(IDC_RULECLEAR, &CPageRulesDlg::OnClear)
ON_WM_TIMER()
END_MESSAGE_MAP()

CPageRulesDlg::CPageRulesDlg(std::string strRecordFile, std::string strUrl, CWnd* pParent)
    : CDialog(CPageRulesDlg::IDD, pParent), m_strRecordFile(std::move(strRecordFile)),
      m_strUrl(std::move(strUrl)), m_slot(std::make_shared<PreviewSlot>()) {}

CPageRulesDlg::~CPageRulesDlg() = default;

bool CPageRulesDlg::PreviewBusy() const {
    const std::lock_guard lock(m_slot->guard);
    return m_slot->busy;
}

void CPageRulesDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_RULESELECT, m_strSelect);
    DDX_Text(pDX, IDC_RULECSS, m_strCss);
    DDX_Check(pDX, IDC_RULETEXT, m_bText);
    DDX_Text(pDX, IDC_RULEIGNORE, m_strIgnore);
    if (!pDX->m_bSaveAndValidate) {
        DDX_Text(pDX, IDC_RULESPAGE, m_strPageLine);
        DDX_Text(pDX, IDC_RULEPREVIEW, m_strPreview);
        DDX_Text(pDX, IDC_RULEPREVIEWSTATE, m_strPreviewState);
    }
}

// Reads the page's rules into the fields and the stored copy once, and shows the first preview
// at once.
BOOL CPageRulesDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strPageLine = "Rules of " + m_strUrl;

    const RulesReading current = ReadRecordRules(m_strRecordFile);
    if (!current.failure.empty()) {
        // Unreadable rules are mended by storing new ones: the fields start empty.
        AfxMessageBox(Sentence(current.failure), MB_OK | MB_ICONEXCLAMATION);
    }
    m_strSelect = JoinLines(current.rules.select);
    m_strCss = JoinLines(current.rules.css);
    m_bText = current.rules.text ? 1 : 0;
    m_strIgnore = JoinLines(current.rules.ignore);

    StoredPageReading stored = ReadStoredPage(m_strRecordFile);
    m_strStoredFailure = std::move(stored.failure);
    m_storedPage = std::make_shared<const std::string>(std::move(stored.page));
    UpdateData(FALSE);
    KillTimer(kPreviewDelayTimer); // loading the fields is no edit
    StartPreview();
    return TRUE;
}

PageRules CPageRulesDlg::RulesInFields() const {
    PageRules rules;
    rules.select = LinesOf(m_strSelect);
    rules.css = LinesOf(m_strCss);
    rules.text = m_bText != 0;
    rules.ignore = LinesOf(m_strIgnore);
    return rules;
}

// Every edit starts the wait again: the preview runs once the fields are still.
void CPageRulesDlg::OnRulesEdited() {
    SetTimer(kPreviewDelayTimer, kPreviewDelayMs, nullptr);
}

void CPageRulesDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kPreviewDelayTimer) {
        KillTimer(kPreviewDelayTimer);
        StartPreview();
    } else if (nIDEvent == kPreviewDoneTimer) {
        TakePreview();
    }
}

// Applies the rules in the fields to the stored copy on a worker; one worker at a time, the
// latest fields following once it is done.
void CPageRulesDlg::StartPreview() {
    UpdateData(TRUE);
    if (!m_strStoredFailure.empty()) {
        m_strPreview.clear();
        m_strPreviewState = Sentence(m_strStoredFailure);
        UpdateData(FALSE);
        return;
    }
    {
        const std::lock_guard lock(m_slot->guard);
        if (m_slot->busy) {
            m_bPreviewAgain = true;
            return;
        }
        m_slot->busy = true;
        m_slot->done.reset();
    }
    m_bPreviewAgain = false;
    auto task = std::make_unique<std::function<void()>>(
        [slot = m_slot, page = m_storedPage, rules = RulesInFields()] {
            PreviewResult result = PreviewOf(rules, *page);
            const std::lock_guard lock(slot->guard);
            slot->done = std::move(result);
            slot->busy = false;
        });
    if (!AfxBeginThread(&RunTask, task.get())) {
        const std::lock_guard lock(m_slot->guard);
        m_slot->busy = false;
        m_strPreviewState = "The preview could not be started: no thread is to be had.";
        UpdateData(FALSE);
        return;
    }
    task.release(); // the worker owns it now
    m_strPreviewState = "Applying the rules...";
    UpdateData(FALSE);
    SetTimer(kPreviewDoneTimer, 20, nullptr);
}

// Shows a finished preview, and starts the next when the fields changed meanwhile.
void CPageRulesDlg::TakePreview() {
    std::optional<PreviewResult> result;
    {
        const std::lock_guard lock(m_slot->guard);
        if (m_slot->busy) {
            return;
        }
        result = std::move(m_slot->done);
        m_slot->done.reset();
    }
    KillTimer(kPreviewDoneTimer);
    if (m_bPreviewAgain) {
        StartPreview();
        return;
    }
    if (!result) {
        return;
    }
    UpdateData(TRUE);
    if (!result->failure.empty()) {
        m_strPreview.clear();
        m_strPreviewState = Sentence(result->failure);
    } else {
        m_strPreview = std::move(result->shown.text);
        m_strPreviewState = result->shown.cut
                                ? "Cut: the first " + SizeWords(kPreviewLimit) + " of " +
                                      SizeWords(result->shown.total) + " are shown."
                                : std::string();
    }
    UpdateData(FALSE);
}

// OK: the rules are tried on the stored copy first; one that does not parse or matches nothing
// is refused, naming it, and nothing is stored.
void CPageRulesDlg::OnOK() {
    UpdateData(TRUE);
    const PageRules rules = RulesInFields();
    if (const std::string refusal = RulesRefusedForRecord(m_strRecordFile, rules);
        !refusal.empty()) {
        AfxMessageBox(Sentence(refusal) + " The rules are left as they were.",
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (const int error = WriteRecordRules(m_strRecordFile, rules); error != 0) {
        AfxMessageBox("The rules could not be stored: " + RecordWriteFailureText(error) + ".",
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}

// Clear: removes every rule of the page, and closes.
void CPageRulesDlg::OnClear() {
    if (const int error = WriteRecordRules(m_strRecordFile, PageRules{}); error != 0) {
        AfxMessageBox("The rules could not be removed: " + RecordWriteFailureText(error) + ".",
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}

std::string RulesSummary(const PageRules& rules, std::size_t maxChars) {
    if (rules.Empty()) {
        return {};
    }
    std::string summary = "rules:";
    for (const std::string& option : RuleOptions(rules)) {
        summary += " " + option;
    }
    if (summary.size() <= maxChars) {
        return summary;
    }
    // An ellipsis ("...") says there is more.
    return CutToCharacters(summary, maxChars >= 3 ? maxChars - 3 : 0) + "...";
}

std::string CutToCharacters(const std::string& text, std::size_t maxBytes) {
    return BoundText(text, maxBytes).text;
}
