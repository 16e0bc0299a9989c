#include "platform/framework/Dialog.h"

#include "platform/framework/ControlFactory.h"
#include "platform/framework/DialogUnits.h"
#include "platform/framework/DialogWindow.h"
#include "platform/framework/QtText.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/WindowHandle.h"

#include <QAbstractButton>

#include <memory>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (QWidget* widget = AfxWidget(m_hWnd)) {
        m_hWnd = nullptr;
        delete widget;
    }
}

INT_PTR CDialog::DoModal() {
    const DialogTemplate* dialog = AfxFindDialogTemplate(static_cast<int>(m_nIDTemplate));
    if (dialog == nullptr || m_hWnd != nullptr) {
        return -1;
    }
    // With no parent given, the application's main window owns the dialog.
    CWnd* owner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    QWidget* ownerWidget = owner != nullptr && owner != this ? AfxWidget(owner->m_hWnd) : nullptr;

    auto window = std::make_unique<DialogWindow>(*this, *dialog, ownerWidget);
    m_hWnd = AfxHandle(window.get());

    if (SendMessage(WM_INITDIALOG, 0, 0) != 0) {
        window->FocusFirstTabStop();
    }
    INT_PTR result = window->result();
    if (!window->Ended()) {
        window->CentreOnOwnerOrScreen();
        result = window->exec();
    }

    m_hWnd = nullptr;
    window.reset();
    if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
    }
    return result;
}

void CDialog::EndDialog(int nResult) {
    if (DialogWindow* window = AfxDialogWindow(*this)) {
        window->End(nResult);
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate != FALSE);
    DoDataExchange(&exchange);
    return TRUE;
}

bool CDialog::TextFitsItem(int nIDC, const std::string& text) const {
    QWidget* control = AfxControlWidget(*this, nIDC);
    return control != nullptr && AfxTextFitsControl(control, AfxTextFromBytes(text));
}

void CDialog::MapDialogRect(CRect* rect) const {
    const DialogWindow* window = AfxDialogWindow(*this);
    if (window == nullptr) {
        return;
    }
    const DialogBaseUnits units = window->BaseUnits();
    *rect = CRect{AfxMulDiv(rect->left, units.x, 4), AfxMulDiv(rect->top, units.y, 8),
                  AfxMulDiv(rect->right, units.x, 4), AfxMulDiv(rect->bottom, units.y, 8)};
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCmdMsg(UINT id, UINT code) {
    // A command the dialog does not handle goes on to the application's table.
    if (CWnd::OnCmdMsg(id, code)) {
        return true;
    }
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(id, code);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInitDialog();
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd != nullptr) {
        return;
    }
    DialogWindow* window = AfxDialogWindow(*pDX->m_pDlgWnd);
    QWidget* control = window ? window->Control(nIDC) : nullptr;
    if (control != nullptr) {
        window->Attach(rControl, control);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
    QWidget* control = AfxControlWidget(*pDX->m_pDlgWnd, nIDC);
    if (control == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = AfxGetControlText(control);
    } else {
        AfxSetControlText(control, value);
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    auto* box = qobject_cast<QAbstractButton*>(AfxControlWidget(*pDX->m_pDlgWnd, nIDC));
    if (box == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}
