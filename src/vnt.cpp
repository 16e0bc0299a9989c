#include "vnt.h"

#include "jobs/JobExit.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/Catalogue.h"
#include "resources/Resources.h"
#include "vntDlg.h"

BEGIN_MESSAGE_MAP(CVntApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CVntApp::CVntApp() {
    // The program's own resources, found by id like those linked into an executable.
    AfxSetResourceHandle(&VntResources());
}

CVntApp::~CVntApp() = default;

CVntApp theApp;

BOOL CVntApp::InitApplication() {
    // The records are those of the folder the program was started in, opened once, so that no
    // thread depends on the working directory. Where it cannot be opened, the page list says why.
    OpenRecordsFolder(".");
    RemoveLeftoverTemporaries();
    // The record files are read while the toolkit starts; the window's list then only finishes
    // the reading.
    StartReadingPageList();
    return TRUE;
}

BOOL CVntApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    CVntDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    // A job may still be running: it is stopped, or the process ends around it.
    EndJobsForExit();

    // The dialog has closed: end the application rather than start its message loop.
    return FALSE;
}

BEGIN_MESSAGE_MAP(CAboutBox, CDialog)
END_MESSAGE_MAP()

CAboutBox::CAboutBox() : CDialog(CAboutBox::IDD) {}

CAboutBox::~CAboutBox() = default;

void CAboutBox::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
