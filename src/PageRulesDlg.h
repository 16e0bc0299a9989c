#pragma once
// Page Rules (window menu): the four rules of one page, with what its checks will compare of the
// stored copy under the rules as they are being edited. OK tries the rules on the stored copy,
// as `varnolt-cli rules` does, and stores them only when they apply; Clear removes them; Cancel
// and Escape leave them as they were.

#include "check/RecordRules.h"
#include "platform/framework/Dialog.h"
#include "records/PageRules.h"
#include "resources/resource.h"

#include <cstddef>
#include <memory>
#include <string>

class CPageRulesDlg : public CDialog {
public:
    CPageRulesDlg(std::string strRecordFile, std::string strUrl, CWnd* pParent = nullptr);
    ~CPageRulesDlg() override;

    enum { IDD = IDD_PAGERULES };
    // The preview follows an edit once the fields have been still this long, and shows at most
    // the first kPreviewLimit bytes of the compared text.
    static constexpr UINT kPreviewDelayMs = 300;
    static constexpr std::size_t kPreviewLimit = 64 * 1024;
    // Timers: the wait after an edit, and the look for a finished preview while one is at work.
    static constexpr UINT_PTR kPreviewDelayTimer = 1;
    static constexpr UINT_PTR kPreviewDoneTimer = 2;

    // The fields: XPath and CSS selections and ignored patterns one a line, and the text box.
    std::string m_strPageLine; // which page's rules these are
    std::string m_strSelect;
    std::string m_strCss;
    int m_bText = 0;
    std::string m_strIgnore;
    std::string m_strPreview;
    std::string m_strPreviewState;

    // True while a preview is at work off the window thread.
    bool PreviewBusy() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnRulesEdited();
    afx_msg void OnClear();
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

private:
    struct PreviewSlot;

    PageRules RulesInFields() const;
    void StartPreview();
    void TakePreview();

    std::string m_strRecordFile;
    std::string m_strUrl;
    // The stored copy, read once; the workers share it.
    std::shared_ptr<const std::string> m_storedPage;
    std::string m_strStoredFailure;
    std::shared_ptr<PreviewSlot> m_slot;
    bool m_bPreviewAgain = false; // the fields changed while a preview was at work
};

// The rules in the words the window shows beside a page's title ("rules: --css #price --text"),
// cut to at most maxChars characters; empty for no rules.
std::string RulesSummary(const PageRules& rules, std::size_t maxChars);
// The text's first maxBytes bytes or fewer, never splitting a character.
std::string CutToCharacters(const std::string& text, std::size_t maxBytes);
