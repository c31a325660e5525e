// The application object: its start and end, profile settings, command line, help window and commands.
#include "Framework.h"

#include "AppResources.h"
#include "CommonDialogs.h"
#include "Dialog.h"
#include "FwImpl.h"
#include "Gdi.h"
#include "Resources.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSettings>
#include <QTextBrowser>

using afx::appTitle;

namespace {

CWinApp *g_pApp = nullptr;
// The help window closes from the keyboard too: Escape or Ctrl+W.
class HelpBrowser final : public QTextBrowser {
protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if ((e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) ||
            (e->key() == Qt::Key_W && e->modifiers() == Qt::ControlModifier)) {
            e->accept();
            close();
            return;
        }
        QTextBrowser::keyPressEvent(e);
    }
};

QPointer<QTextBrowser> g_helpWindow;

} // namespace

namespace afx {

CString appTitle()
{
    const CString t = AfxLoadString(AFX_IDS_APP_TITLE);
    return t.isEmpty() ? CString(QCoreApplication::applicationName()) : t;
}

} // namespace afx

CWinApp *AfxGetApp()
{
    return g_pApp;
}
CWnd *AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}
QWidget *AfxGetHelpWindow()
{
    return g_helpWindow;
}

// ---------------------------------------------------------------------------------------------------------------
// CWinApp

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, OnOpenRecentFile)
ON_UPDATE_COMMAND_UI_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, OnUpdateRecentFileMenu)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char *pszAppName)
{
    if (pszAppName)
        m_pszAppName = QString::fromLatin1(pszAppName);
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    for (CDocTemplate *t : m_templates)
        delete t;
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}
int CWinApp::ExitInstance()
{
    return 0;
}

BOOL CWinApp::OnCmdMsg(UINT nID, int nCode, void *pExtra)
{
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    for (CDocTemplate *t : m_templates)
        if (t->OnCmdMsg(nID, nCode, pExtra))
            return TRUE;
    return FALSE;
}

void CWinApp::SetRegistryKey(const QString &key)
{
    m_pszRegistryKey = key;
    QCoreApplication::setOrganizationName(key);
}

QString CWinApp::GetProfileString(const QString &section, const QString &entry, const QString &def) const
{
    QSettings s(m_pszRegistryKey, m_pszAppName);
    return s.value(section + QLatin1Char('/') + entry, def).toString();
}

BOOL CWinApp::WriteProfileString(const QString &section, const QString &entry, const QString &value)
{
    QSettings s(m_pszRegistryKey, m_pszAppName);
    if (value.isNull())
        s.remove(section + QLatin1Char('/') + entry);
    else
        s.setValue(section + QLatin1Char('/') + entry, value);
    return TRUE;
}

int CWinApp::GetProfileInt(const QString &section, const QString &entry, int def) const
{
    QSettings s(m_pszRegistryKey, m_pszAppName);
    bool ok = false;
    const int v = s.value(section + QLatin1Char('/') + entry).toInt(&ok);
    return ok ? v : def;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU)
{
    if (nMaxMRU > 0) {
        m_pRecentFileList = std::make_unique<CRecentFileList>(0, QStringLiteral("Recent File List"),
                                                              QStringLiteral("File%1"), int(nMaxMRU));
        m_pRecentFileList->ReadList();
    }
    // The framework also reads how many pages the print preview shows.
    (void)GetProfileInt(QStringLiteral("Settings"), QStringLiteral("PreviewPages"), 0);
}

void CWinApp::AddDocTemplate(CDocTemplate *pTemplate)
{
    m_templates.push_back(pTemplate);
}

namespace {
QStringList g_commandLine;
}

void AfxSetCommandLine(const QStringList &args)
{
    g_commandLine = args;
}

void CWinApp::ParseCommandLine(CCommandLineInfo &rCmdInfo)
{
    const QStringList args = g_commandLine.isEmpty() ? QCoreApplication::arguments() : g_commandLine;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.startsWith(QLatin1Char('-')))
            continue;
        if (rCmdInfo.m_strFileName.isEmpty()) {
            rCmdInfo.m_strFileName = a;
            rCmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
        }
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo &rCmdInfo)
{
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr);
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        if (!OpenDocumentFile(rCmdInfo.m_strFileName)) {
            // The board could not be opened: the program ends after the message.
            if (m_pMainWnd)
                m_pMainWnd->DestroyWindow();
            m_pMainWnd = nullptr;
            return FALSE;
        }
        return TRUE;
    default:
        return TRUE;
    }
}

CDocument *CWinApp::OpenDocumentFile(const QString &path)
{
    if (m_templates.empty())
        return nullptr;
    return m_templates.front()->OpenDocumentFile(path);
}

void CWinApp::AddToRecentFileList(const QString &path)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(path);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return AfxLoadIconResource(nIDResource);
}

void CWinApp::WinHelp(DWORD, UINT)
{
    if (!g_helpWindow) {
        g_helpWindow = new HelpBrowser;
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setOpenExternalLinks(false);
        g_helpWindow->setWindowTitle(appTitle() + QStringLiteral(" Help"));
        g_helpWindow->setSource(QUrl(QStringLiteral("qrc:/resources/help/index.html")));
        g_helpWindow->resize(560, 480);
    }
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
}

void CWinApp::OnFileNew()
{
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(QString());
}

void CWinApp::OnFileOpen()
{
    CString filterName, filterExt;
    if (!m_templates.empty()) {
        m_templates.front()->GetDocString(filterName, CDocTemplate::filterName);
        m_templates.front()->GetDocString(filterExt, CDocTemplate::filterExt);
    }
    QString filter;
    if (!filterName.isEmpty())
        filter = filterName + QStringLiteral("|*") + filterExt + QLatin1Char('|');
    filter += QStringLiteral("All Files (*.*)|*.*||");
    CFileDialog dlg(TRUE, QString(), QString(), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter, m_pMainWnd);
    dlg.m_strTitle = QStringLiteral("Open");
    if (dlg.DoModal() != IDOK)
        return;
    OpenDocumentFile(dlg.GetPathName());
}

BOOL CWinApp::OnOpenRecentFile(UINT nID)
{
    if (!m_pRecentFileList)
        return FALSE;
    const int nIndex = int(nID - ID_FILE_MRU_FILE1);
    const QString path = (*m_pRecentFileList)[nIndex];
    if (path.isEmpty())
        return FALSE;
    if (!QFileInfo::exists(path)) {
        AfxMessageBox(QStringLiteral("Failed to open document."), MB_ICONEXCLAMATION);
        m_pRecentFileList->Remove(nIndex);
        return TRUE;
    }
    OpenDocumentFile(path);
    return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(m_pRecentFileList && m_pRecentFileList->GetCount() > 0);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

// ---------------------------------------------------------------------------------------------------------------
// Running the application

BOOL AfxStartApp()
{
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return FALSE;
    if (pApp->m_pszAppName.isEmpty())
        pApp->m_pszAppName = appTitle();
    QCoreApplication::setApplicationName(pApp->m_pszAppName);
    // Dialogs created without a parent belong to the main window.
    AfxSetDefaultDialogOwner([]() -> HWND {
        CWnd *p = AfxGetMainWnd();
        return p ? p->GetSafeHwnd() : nullptr;
    });
    return pApp->InitInstance();
}

void AfxEndApp()
{
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return;
    if (pApp->m_pMainWnd) {
        CWnd *pMain = pApp->m_pMainWnd;
        auto *pFrame = dynamic_cast<CFrameWnd *>(pMain);
        CDocument *pDoc = pFrame ? pFrame->GetActiveDocument() : nullptr;
        if (pDoc)
            pDoc->OnCloseDocument();
        else
            pMain->DestroyWindow();
        pApp->m_pMainWnd = nullptr;
    }
    for (CDocTemplate *t : pApp->m_templates)
        delete t;
    pApp->m_templates.clear();
    if (g_helpWindow)
        delete g_helpWindow;
    AfxSetDefaultDialogOwner(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int AfxWinMain(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!AfxStartApp()) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return AfxGetApp() ? AfxGetApp()->ExitInstance() + 1 : 1;
    }
    const int rc = QApplication::exec();
    const int exitCode = AfxGetApp()->ExitInstance();
    AfxEndApp();
    return rc ? rc : exitCode;
}
