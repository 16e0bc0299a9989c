#pragma once
// Data exchange between a dialog's members and its controls, run by UpdateData.

#include <string>

class CWnd;
class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    bool m_bSaveAndValidate; // true: controls to members
    CDialog* m_pDlgWnd;
};

// Attaches the dialog's control nIDC to the member object, on the first exchange only.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Loads the control's text from value (left alone when it already shows it) or saves the whole
// text of the control into value. Text is bytes: UTF-8 where valid, otherwise shown as Latin-1
// byte for byte, and an unedited control gives back exactly the bytes it was loaded with.
void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value);
// Loads a check box from value (non-zero: checked) or saves its state into value (1 or 0).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
