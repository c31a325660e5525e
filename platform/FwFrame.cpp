// Frame windows and views: the main window, menus and accelerators from resources, command routing and update.
#include "Framework.h"

#include "AppResources.h"
#include "FwImpl.h"
#include "Gdi.h"
#include "WndDC.h"
#include "WndImpl.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

using afx::appTitle;
using afx::commandTexts;
using afx::kFrameClassName;
using afx::kStatusBarClassName;
using afx::kToolBarClassName;
using afx::rebuildRecentFiles;
using afx::registerFrameworkClasses;
using afx::updateAction;

namespace afx {

const char *const kFrameClassName = "AfxFrame";
const char *const kToolBarClassName = "ToolbarWindow32";
const char *const kStatusBarClassName = "msctls_statusbar32";

} // namespace afx

namespace {

// The main frame's widget: a QMainWindow whose close, drops and geometry become messages.
class FrameMainWindow : public QMainWindow {
public:
    FrameMainWindow() { setAttribute(Qt::WA_DeleteOnClose, false); }

protected:
    void closeEvent(QCloseEvent *e) override
    {
        e->ignore();
        if (HWND h = afx::hwndFromWidget(this))
            ::SendMessage(h, WM_CLOSE, 0, 0);
    }
    void dragEnterEvent(QDragEnterEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (h && (h->exStyle & WS_EX_ACCEPTFILES) && e->mimeData()->hasUrls())
            e->acceptProposedAction();
    }
    void dropEvent(QDropEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h || !e->mimeData()->hasUrls())
            return;
        QStringList files;
        for (const QUrl &u : e->mimeData()->urls())
            if (u.isLocalFile())
                files << u.toLocalFile();
        if (files.isEmpty())
            return;
        e->acceptProposedAction();
        ::SendMessage(h, WM_DROPFILES, reinterpret_cast<WPARAM>(&files), 0);
    }
    bool event(QEvent *e) override
    {
        if (HWND h = afx::hwndFromWidget(this)) {
            if (e->type() == QEvent::Resize || e->type() == QEvent::Move)
                afx::reportGeometry(h);
        }
        return QMainWindow::event(e);
    }
};

void makeFrameWidgets(HWND hWnd, QWidget *parentWidget)
{
    if (hWnd->style & WS_CHILD) {
        // A frame inside another window: the generic child frame with a non-client area.
        afx::createNonClientWidgets(hWnd, parentWidget);
        return;
    }
    auto *w = new FrameMainWindow;
    afx::bindWidget(hWnd, w, w);
}

void makeToolBarWidgets(HWND hWnd, QWidget *parentWidget)
{
    auto *tb = new QToolBar(parentWidget);
    tb->setObjectName(QStringLiteral("toolbar%1").arg(hWnd->id));
    afx::bindWidget(hWnd, tb, tb);
}

void makeStatusBarWidgets(HWND hWnd, QWidget *parentWidget)
{
    auto *sb = new QStatusBar(parentWidget);
    afx::bindWidget(hWnd, sb, sb);
}

} // namespace

namespace afx {

void registerFrameworkClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    WNDCLASSINFO frame;
    frame.lpszClassName = QString::fromLatin1(kFrameClassName);
    frame.style = CS_DBLCLKS;
    frame.lpfnWndProc = &AfxWndProc;
    frame.pfnMakeWidgets = &makeFrameWidgets;
    AfxRegisterWindowClass(frame);
    WNDCLASSINFO tb;
    tb.lpszClassName = QString::fromLatin1(kToolBarClassName);
    tb.lpfnWndProc = &DefWindowProc;
    tb.pfnMakeWidgets = &makeToolBarWidgets;
    AfxRegisterWindowClass(tb);
    WNDCLASSINFO sb;
    sb.lpszClassName = QString::fromLatin1(kStatusBarClassName);
    sb.lpfnWndProc = &DefWindowProc;
    sb.pfnMakeWidgets = &makeStatusBarWidgets;
    AfxRegisterWindowClass(sb);
}

} // namespace afx

namespace {

// Update-command-UI for one action (menu item, button or accelerator).
class CActionCmdUI : public CCmdUI {
public:
    explicit CActionCmdUI(QAction *a) : m_pAction(a) {}
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        if (m_pAction->isEnabled() != bool(bOn))
            m_pAction->setEnabled(bOn);
    }
    void SetCheck(int nCheck) override
    {
        if (!m_pAction->isCheckable())
            m_pAction->setCheckable(true);
        if (m_pAction->isChecked() != (nCheck != 0))
            m_pAction->setChecked(nCheck != 0);
    }
    void SetText(const QString &text) override { m_pAction->setText(text); }

private:
    QAction *m_pAction;
};

} // namespace

namespace afx {

void updateAction(CFrameWnd *pFrame, QAction *a, BOOL bDisableIfNoHndler)
{
    const UINT nID = a->data().toUInt();
    if (nID == 0)
        return;
    CActionCmdUI ui(a);
    ui.m_nID = nID;
    ui.DoUpdate(pFrame, bDisableIfNoHndler);
}

// Status prompt and tooltip of a command from the string table ("prompt\ntooltip").
QPair<QString, QString> commandTexts(UINT nID)
{
    const QString s = AfxLoadString(nID);
    const int nl = s.indexOf(QLatin1Char('\n'));
    if (nl < 0)
        return {s, QString()};
    return {s.left(nl), s.mid(nl + 1)};
}

} // namespace afx

namespace {

QKeySequence keyFromAccel(const ACCEL &a)
{
    int key = 0;
    switch (a.key) {
    case VK_BACK:
        key = Qt::Key_Backspace;
        break;
    case VK_INSERT:
        key = Qt::Key_Insert;
        break;
    case VK_DELETE:
        key = Qt::Key_Delete;
        break;
    case VK_RETURN:
        key = Qt::Key_Return;
        break;
    case VK_ESCAPE:
        key = Qt::Key_Escape;
        break;
    case VK_TAB:
        key = Qt::Key_Tab;
        break;
    default:
        if (a.key >= VK_F1 && a.key <= VK_F1 + 23)
            key = Qt::Key_F1 + (a.key - VK_F1);
        else
            key = a.key; // letters and digits share their codes
        break;
    }
    int mods = 0;
    if (a.fVirt & FCONTROL)
        mods |= Qt::ControlModifier;
    if (a.fVirt & FSHIFT)
        mods |= Qt::ShiftModifier;
    if (a.fVirt & FALT)
        mods |= Qt::AltModifier;
    return QKeySequence(key | mods);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// CView

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

CView::CView() = default;

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT &cs)
{
    if (cs.lpszClass.isEmpty())
        cs.lpszClass = QString::fromLatin1(AfxWndClassName);
    return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    auto *pContext = static_cast<CCreateContext *>(lpcs->lpCreateParams);
    if (pContext && pContext->m_pCurrentDoc)
        pContext->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    OnDraw(&dc);
}

void CView::OnPrepareDC(CDC *) {}
void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}
void CView::OnUpdate(CView *, LPARAM, CObject *)
{
    Invalidate(TRUE);
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void *pExtra)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra);
}

void CView::PostNcDestroy()
{
    // Views live on the heap and end with their window.
    delete this;
}

// ---------------------------------------------------------------------------------------------------------------
// CFrameWnd

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_DROPFILES()
ON_WM_NCLBUTTONDBLCLK()
ON_WM_NCDESTROY()
ON_COMMAND(ID_HELP_FINDER, OnHelpFinder)
ON_COMMAND(ID_HELP, OnHelp)
ON_COMMAND(ID_CONTEXT_HELP, OnContextHelp)
ON_COMMAND(ID_DEFAULT_HELP, OnHelpFinder)
ON_COMMAND_EX_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT &cs)
{
    registerFrameworkClasses();
    if (cs.lpszClass.isEmpty())
        cs.lpszClass = QString::fromLatin1(kFrameClassName);
    return TRUE;
}

BOOL CFrameWnd::Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect,
                       CWnd *pParentWnd, UINT nID, void *pContext)
{
    return CWnd::CreateEx(0, className, windowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd *pParentWnd, CCreateContext *pContext)
{
    m_nIDResource = nIDResource;
    m_nIDHelp = nIDResource;
    CString title;
    if (pContext && pContext->m_pNewDocTemplate)
        pContext->m_pNewDocTemplate->GetDocString(title, CDocTemplate::windowTitle);
    if (title.isEmpty())
        title = appTitle();
    if (!CFrameWnd::Create(QString(), title, dwDefaultStyle & ~DWORD(FWS_ADDTOTITLE | FWS_PREFIXTITLE),
                           CRect(0, 0, 0, 0), pParentWnd, nIDResource, pContext))
        return FALSE;
    if (AfxGetApp())
        if (HICON hIcon = AfxGetApp()->LoadIcon(nIDResource))
            if (QWidget *w = GetWidget())
                w->setWindowIcon(QIcon(QPixmap::fromImage(AfxIconImage(hIcon))));
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    if (!(GetStyle() & WS_CHILD) && m_nIDResource) {
        BuildMenu(m_nIDResource);
        BuildAccelerators(m_nIDResource);
        if (QMainWindow *mw = GetMainWindow()) {
            // Update-command-UI for toolbar buttons and accelerators runs when the program goes idle.
            QPointer<QMainWindow> guard(mw);
            HWND h = m_hWnd;
            QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, mw,
                             [guard, h]() {
                                 if (guard && IsWindow(h))
                                     if (auto *f = dynamic_cast<CFrameWnd *>(CWnd::FromHandlePermanent(h)))
                                         f->OnIdleUpdateCmdUI();
                             });
        }
    }
    auto *pContext = static_cast<CCreateContext *>(lpcs->lpCreateParams);
    if (!OnCreateClient(lpcs, pContext))
        return -1;
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext *pContext)
{
    if (pContext && pContext->m_pNewViewClass)
        if (!CreateView(pContext, AFX_IDW_PANE_FIRST))
            return FALSE;
    return TRUE;
}

CWnd *CFrameWnd::CreateView(CCreateContext *pContext, UINT nID)
{
    CObject *pObject = pContext->m_pNewViewClass->CreateObject();
    auto *pView = dynamic_cast<CView *>(pObject);
    if (!pView) {
        delete pObject;
        return nullptr;
    }
    if (!pView->Create(QString(), QString(), WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, nID, pContext)) {
        return nullptr; // the view deleted itself with its window
    }
    if (QMainWindow *mw = GetMainWindow())
        mw->setCentralWidget(pView->GetWidget());
    // The view is active from its creation on, so that whatever runs while the first document loads finds it.
    if (!m_pViewActive)
        SetActiveView(pView, FALSE);
    return pView;
}

void CFrameWnd::BuildMenu(UINT nIDResource)
{
    QMainWindow *mw = GetMainWindow();
    const AfxMenuTemplate *tmpl = AfxFindMenu(nIDResource);
    if (!mw || !tmpl)
        return;
    QMenuBar *bar = mw->menuBar();
    HWND h = m_hWnd;
    std::function<void(QMenu *, const std::vector<AfxMenuItem> &)> fill = [&](QMenu *menu,
                                                                              const std::vector<AfxMenuItem> &items) {
        for (const AfxMenuItem &item : items) {
            if (item.IsSeparator()) {
                menu->addSeparator();
            } else if (item.IsPopup()) {
                QMenu *sub = menu->addMenu(item.text);
                fill(sub, item.items);
            } else {
                QAction *a = menu->addAction(item.text);
                const UINT nID = item.nID;
                a->setData(nID);
                a->setStatusTip(commandTexts(nID).first);
                a->setWhatsThis(commandTexts(nID).first);
                a->setEnabled(!item.bGrayed);
                QObject::connect(a, &QAction::triggered, menu, [h, nID]() {
                    if (IsWindow(h))
                        ::SendMessage(h, WM_COMMAND, nID, 0);
                });
            }
        }
        QObject::connect(menu, &QMenu::aboutToShow, menu, [h, menu]() {
            auto *f = dynamic_cast<CFrameWnd *>(CWnd::FromHandlePermanent(h));
            if (!f)
                return;
            rebuildRecentFiles(menu, h);
            for (QAction *a : menu->actions())
                if (!a->menu() && !a->isSeparator())
                    updateAction(f, a, f->m_bAutoMenuEnable);
        });
    };
    for (const AfxMenuItem &popup : tmpl->popups) {
        QMenu *menu = bar->addMenu(popup.text);
        fill(menu, popup.items);
    }
}

void CFrameWnd::BuildAccelerators(UINT nIDResource)
{
    QMainWindow *mw = GetMainWindow();
    const std::vector<ACCEL> *table = AfxFindAccelerators(nIDResource);
    if (!mw || !table)
        return;
    HWND h = m_hWnd;
    for (const ACCEL &accel : *table) {
        auto *a = new QAction(mw);
        const UINT nID = accel.cmd;
        a->setData(nID);
        a->setShortcut(keyFromAccel(accel));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        QObject::connect(a, &QAction::triggered, mw, [h, nID]() {
            if (IsWindow(h))
                ::SendMessage(h, WM_COMMAND, nID, 0);
        });
        mw->addAction(a);
        m_accelActions.push_back(a);
    }
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    if (!IsWindow(m_hWnd))
        return;
    for (QAction *a : m_accelActions)
        updateAction(this, a, TRUE);
    if (QMainWindow *mw = GetMainWindow())
        for (QToolBar *tb : mw->findChildren<QToolBar *>())
            if (auto *bar = dynamic_cast<CToolBar *>(CWnd::FromHandlePermanent(afx::hwndFromWidget(tb))))
                bar->OnUpdateCmdUI(this, TRUE);
}

QMainWindow *CFrameWnd::GetMainWindow() const
{
    return qobject_cast<QMainWindow *>(GetWidget());
}

QMenuBar *CFrameWnd::GetQMenuBar() const
{
    QMainWindow *mw = GetMainWindow();
    return mw ? mw->menuBar() : nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void *pExtra)
{
    // Commands go to the active view (and its document), then the frame, then the application.
    if (CView *pView = GetActiveView())
        if (pView->OnCmdMsg(nID, nCode, pExtra))
            return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    CWinApp *pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pExtra);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    CString title = appTitle();
    if (bAddToTitle)
        if (CDocument *pDoc = GetActiveDocument())
            title = pDoc->GetTitle() + QStringLiteral(" - ") + title;
    SetWindowText(title);
    if (QWidget *w = GetWidget())
        if (w->isWindow())
            w->setWindowTitle(title);
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    ShowWindow(nCmdShow == -1 ? SW_SHOW : nCmdShow);
    if (QWidget *w = GetWidget())
        if (w->isWindow()) {
            w->raise();
            w->activateWindow();
        }
}

void CFrameWnd::InitialUpdateFrame(CDocument *pDoc, BOOL bMakeVisible)
{
    if (CView *pView = GetActiveView())
        pView->OnInitialUpdate();
    (void)pDoc;
    OnUpdateFrameTitle(TRUE);
    if (bMakeVisible)
        ActivateFrame();
}

CView *CFrameWnd::GetActiveView() const
{
    return m_pViewActive;
}

void CFrameWnd::SetActiveView(CView *pViewNew, BOOL)
{
    m_pViewActive = pViewNew;
}

CDocument *CFrameWnd::GetActiveDocument()
{
    CView *pView = GetActiveView();
    return pView ? pView->GetDocument() : nullptr;
}

CFrameWnd *CFrameWnd::GetActiveFrame()
{
    return this;
}

void CFrameWnd::EnableDocking(DWORD dwDockStyle)
{
    m_dwDockStyle = dwDockStyle;
}

void CFrameWnd::DockControlBar(CControlBar *pBar, UINT, LPCRECT)
{
    QMainWindow *mw = GetMainWindow();
    auto *tb = qobject_cast<QToolBar *>(pBar->GetWidget());
    if (!mw || !tb)
        return;
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    if (pBar->m_dwStyle & CBRS_ALIGN_BOTTOM)
        area = Qt::BottomToolBarArea;
    else if (pBar->m_dwStyle & CBRS_ALIGN_LEFT)
        area = Qt::LeftToolBarArea;
    else if (pBar->m_dwStyle & CBRS_ALIGN_RIGHT)
        area = Qt::RightToolBarArea;
    mw->addToolBar(area, tb);
    tb->setFloatable((m_dwDockStyle & pBar->m_dwDockStyle) != 0);
    tb->setMovable((m_dwDockStyle & pBar->m_dwDockStyle) != 0);
    tb->show();
}

BOOL CFrameWnd::OnBarCheck(UINT nID)
{
    CWnd *pBar = GetDlgItem(int(nID == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : AFX_IDW_STATUS_BAR));
    if (!pBar || !pBar->GetWidget())
        return FALSE;
    pBar->GetWidget()->setVisible(!pBar->GetWidget()->isVisible());
    return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI *pCmdUI)
{
    CWnd *pBar = GetDlgItem(int(pCmdUI->m_nID == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : AFX_IDW_STATUS_BAR));
    if (!pBar || !pBar->GetWidget()) {
        pCmdUI->ContinueRouting();
        return;
    }
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(pBar->GetWidget()->isVisible() ? 1 : 0);
}

void CFrameWnd::OnClose()
{
    CWinApp *pApp = AfxGetApp();
    CDocument *pDoc = GetActiveDocument();
    if (pDoc && !pDoc->SaveModified())
        return;
    if (pApp && pApp->m_pMainWnd == this && pDoc) {
        pDoc->OnCloseDocument();
        return;
    }
    DestroyWindow();
}

void CFrameWnd::OnDestroy()
{
    Default();
    CWinApp *pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        QTimer::singleShot(0, qApp, []() { QApplication::quit(); });
    }
}

void CFrameWnd::OnNcDestroy()
{
    m_pViewActive = nullptr;
    CWnd::OnNcDestroy();
}

void CFrameWnd::PostNcDestroy()
{
    // Frames live on the heap and end with their window.
    delete this;
}

void CFrameWnd::OnDropFiles(void *hDropInfo)
{
    const auto *files = static_cast<const QStringList *>(hDropInfo);
    if (!files || files->isEmpty() || !AfxGetApp())
        return;
    ActivateFrame();
    // A single-document program opens the first file dropped. It opens once the drop is over, so that the save
    // question and the messages of the open do not hold the dragging program waiting.
    const QString path = files->constFirst();
    QWidget *w = GetWidget();
    QTimer::singleShot(0, w ? static_cast<QObject *>(w) : qApp, [path]() {
        if (CWinApp *pApp = AfxGetApp())
            pApp->OpenDocumentFile(path);
    });
}

void CFrameWnd::OnNcLButtonDblClk(UINT, CPoint)
{
    QWidget *w = GetWidget();
    if (w && w->isWindow())
        w->setWindowState(w->windowState() ^ Qt::WindowMaximized);
    else
        Default();
}

void CFrameWnd::OnHelpFinder()
{
    if (CWinApp *pApp = AfxGetApp())
        pApp->WinHelp(0, 0x000B /* HELP_FINDER */);
}

void CFrameWnd::OnHelp()
{
    OnHelpFinder();
}

void CFrameWnd::OnContextHelp()
{
    if (!QWhatsThis::inWhatsThisMode())
        QWhatsThis::enterWhatsThisMode();
}

IMPLEMENT_DYNCREATE(CMiniFrameWnd, CFrameWnd)

CMiniFrameWnd::CMiniFrameWnd() = default;

BOOL CMiniFrameWnd::PreCreateWindow(CREATESTRUCT &cs)
{
    if (cs.lpszClass.isEmpty())
        cs.lpszClass = QString::fromLatin1(AfxMiniFrameClassName);
    return TRUE;
}

BOOL CMiniFrameWnd::Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect,
                           CWnd *pParentWnd, UINT nID, void *pContext)
{
    // A mini frame with a caption has the small caption of a tool window and no client edge.
    DWORD dwExStyle = 0;
    if ((dwStyle & WS_CAPTION) == WS_CAPTION)
        dwExStyle |= WS_EX_TOOLWINDOW;
    return CWnd::CreateEx(dwExStyle, className, windowName, dwStyle, rect, pParentWnd, nID, pContext);
}

CFrameWnd *CWnd::GetParentFrame() const
{
    for (CWnd *p = GetParent(); p; p = p->GetParent())
        if (auto *f = dynamic_cast<CFrameWnd *>(p))
            return f;
    return nullptr;
}

CFrameWnd *CWnd::GetTopLevelFrame() const
{
    CFrameWnd *top = nullptr;
    for (CWnd *p = const_cast<CWnd *>(this); p; p = p->GetParent())
        if (auto *f = dynamic_cast<CFrameWnd *>(p))
            top = f;
    return top;
}
