#include "platform/framework/WinApp.h"

#include "platform/framework/MessageBox.h"
#include "platform/framework/QtIcons.h"
#include "platform/system/ApplicationName.h"

#include <QApplication>

#include <atomic>
#include <thread>

namespace {

CWinApp* g_app = nullptr;
std::atomic<bool> g_toolkitStarted{false};
std::thread::id g_windowThread;
QApplication* g_ownApplication = nullptr;

} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName)
    : m_pszAppName(pszAppName != nullptr ? pszAppName : ApplicationName().c_str()) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    return QApplication::exec();
}

int CWinApp::ExitInstance() {
    return 0;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return AfxLoadIconResource(static_cast<int>(nIDResource));
}

BOOL CWinApp::Enable3dControlsStatic() {
    return TRUE;
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app != nullptr ? g_app->m_pMainWnd : nullptr;
}

void AfxEnableControlContainer() {}

void AfxWinInit(int argc, char** argv) {
    if (QCoreApplication::instance() == nullptr) {
        static int s_argc = 0;
        static char* s_argv[2] = {nullptr, nullptr};
        static std::string s_name;
        s_name = argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : ApplicationName();
        s_argc = 1;
        s_argv[0] = s_name.data();
        g_ownApplication = new QApplication(s_argc, s_argv);
        QApplication::setApplicationName(QString::fromStdString(ApplicationName()));
        QGuiApplication::setDesktopFileName("varnolt");
    }
    g_windowThread = std::this_thread::get_id();
    g_toolkitStarted = true;
    AfxOpenWindowThreadCalls();
}

bool AfxIsWindowThread() {
    return g_toolkitStarted && std::this_thread::get_id() == g_windowThread;
}

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    const bool prepared = app == nullptr || app->InitApplication();
    AfxWinInit(argc, argv);
    int exitCode = 0;
    if (app != nullptr && prepared) {
        if (app->InitInstance()) {
            app->Run();
        }
        // No box can be shown any more: a worker that still asks for one must not wait forever.
        AfxEndWindowThreadCalls();
        exitCode = app->ExitInstance();
    }
    AfxDropToolkitIcons();
    delete g_ownApplication;
    g_ownApplication = nullptr;
    return exitCode;
}
