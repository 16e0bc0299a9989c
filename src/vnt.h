#pragma once
// The application: one static CVntApp runs the main window modally and ends the process when it
// closes. CAboutBox is the About box of the window menu.

#include "platform/framework/Dialog.h"
#include "platform/framework/WinApp.h"
#include "resources/resource.h"

class CVntApp : public CWinApp {
public:
    CVntApp();
    ~CVntApp() override;

    DECLARE_MESSAGE_MAP()

public:
    BOOL InitApplication() override;
    BOOL InitInstance() override;
};

class CAboutBox : public CDialog {
public:
    CAboutBox();
    ~CAboutBox() override;

    enum { IDD = IDD_ABOUTBOX };

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

extern CVntApp theApp;
