#pragma once
// CDialog: a window built from a dialog template and run modally. DoModal creates the window and
// its controls, calls OnInitDialog, centres and shows the window, and returns the result given
// to EndDialog once the window has closed. The keys work as in a dialog: Tab walks the controls
// in template order, Enter presses the focused push button and otherwise issues IDOK, Escape and
// the close box issue IDCANCEL, F1 issues ID_HELP.

#include "platform/framework/DataExchange.h"
#include "platform/framework/Wnd.h"

#include <cstdint>
#include <string>

using INT_PTR = std::intptr_t;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // -1 when the template cannot be found or the window cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    // Runs the data exchange: TRUE saves the controls into the members, FALSE loads them.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Whether the text would show whole in the control nIDC (a label or a button), in its font.
    bool TextFitsItem(int nIDC, const std::string& text) const;
    // Converts a rectangle from this dialog's units to pixels.
    void MapDialogRect(CRect* rect) const;

    bool OnCmdMsg(UINT id, UINT code) override;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};
