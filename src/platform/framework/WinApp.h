#pragma once
// CWinApp: the application object. The program defines exactly one static object of a class
// derived from it; the framework's entry routine starts the toolkit and calls its InitInstance,
// runs the message loop if that yields TRUE, and ends with ExitInstance.

#include "platform/framework/MessageMap.h"
#include "platform/framework/Wnd.h"

class CWinApp : public CCmdTarget {
public:
    // With no name the application is named after its executable file.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once before the toolkit starts: work that needs no window can begin here and go on
    // while the toolkit and the first window are being set up.
    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // The icon resource id; one shared handle per id, never destroyed.
    HICON LoadIcon(UINT nIDResource) const;
    // Kept for the program's start-up; the toolkit draws its own control look.
    BOOL Enable3dControlsStatic();

    const char* m_pszAppName;
    CWnd* m_pMainWnd = nullptr;

    // The help command. No help file belongs to the program, so it shows nothing.
    afx_msg void OnHelp();

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The container for embedded controls; templates here hold none, so there is nothing to do.
void AfxEnableControlContainer();

// Starts the toolkit on the calling thread, which becomes the window thread. The entry routine
// calls it; test programs call it before they make windows. Calling it again does nothing.
void AfxWinInit(int argc, char** argv);
bool AfxIsWindowThread();
// The framework's entry routine.
int AfxWinMain(int argc, char** argv);
