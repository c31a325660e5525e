#include "zent.h"

#include "AboutDlg.h"
#include "MainFrm.h"
#include "board/Recovery.h"
#include "board/zentDoc.h"
#include "platform/Ole.h"
#include "res/resource.h"
#include "view/zentView.h"

#include <QGuiApplication>

BEGIN_MESSAGE_MAP(CZentApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
END_MESSAGE_MAP()

CZentApp::CZentApp()
{
    ZentRegisterResources();
    // The desktop entry's name, the same for the installed program and the one registered per user.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zentbase.Zentbase"));
}

CZentApp &ZentApp()
{
    static CZentApp theApp;
    return theApp;
}

BOOL CZentApp::InitInstance()
{
    Enable3dControlsStatic();
    SetRegistryKey(QStringLiteral("Local AppWizard-Generated Applications"));
    LoadStdProfileSettings(4);

    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZentDoc), RUNTIME_CLASS(CMainFrame),
                                          RUNTIME_CLASS(CZentView)));

    EnableShellOpen();
    RegisterShellFileTypes(FALSE);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!CRecovery::RecoverAtStartUp(*this, cmdInfo))
        return FALSE;
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    m_pMainWnd->DragAcceptFiles(TRUE);
    AfxOleInit();
    return TRUE;
}

void CZentApp::OnAppAbout()
{
    CAboutDlg aboutDlg;
    aboutDlg.DoModal();
}
