#include "Framework.h"

#include "AppResources.h"
#include "Archive.h"
#include "CommonDialogs.h"
#include "Dialog.h"
#include "Exceptions.h"
#include "Gdi.h"
#include "Resources.h"
#include "WndDC.h"
#include "WndImpl.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

const char *const kFrameClassName = "AfxFrame";
const char *const kToolBarClassName = "ToolbarWindow32";
const char *const kStatusBarClassName = "msctls_statusbar32";

CString appTitle()
{
    const CString t = AfxLoadString(AFX_IDS_APP_TITLE);
    return t.isEmpty() ? CString(QCoreApplication::applicationName()) : t;
}

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

// The recent-file entries stand where the "Recent File" item is: "&1 path" for each, greyed when there is none.
void rebuildRecentFiles(QMenu *menu, HWND hFrame)
{
    CWinApp *pApp = AfxGetApp();
    QAction *first = nullptr;
    for (QAction *a : menu->actions()) {
        const UINT nID = a->data().toUInt();
        if (nID == ID_FILE_MRU_FILE1)
            first = a;
        else if (nID > ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE4) {
            menu->removeAction(a);
            a->deleteLater();
        }
    }
    if (!first || !pApp || !pApp->m_pRecentFileList)
        return;
    const CRecentFileList &list = *pApp->m_pRecentFileList;
    if (list.GetCount() == 0) {
        first->setText(QStringLiteral("Recent File"));
        return;
    }
    auto label = [&list](int i) {
        return QStringLiteral("&%1 %2").arg(list.GetStart() + UINT(i) + 1).arg(QDir::toNativeSeparators(list[i]));
    };
    first->setText(label(0));
    first->setStatusTip(QStringLiteral("Open this document"));
    const QList<QAction *> actions = menu->actions();
    const int idx = int(actions.indexOf(first));
    QAction *before = idx + 1 < actions.size() ? actions[idx + 1] : nullptr;
    for (int i = 1; i < list.GetCount(); ++i) {
        const UINT nID = ID_FILE_MRU_FILE1 + UINT(i);
        auto *a = new QAction(label(i), menu);
        a->setData(nID);
        a->setStatusTip(QStringLiteral("Open this document"));
        QObject::connect(a, &QAction::triggered, menu, [hFrame, nID]() {
            if (IsWindow(hFrame))
                ::SendMessage(hFrame, WM_COMMAND, nID, 0);
        });
        menu->insertAction(before, a);
    }
}

void sendCommand(CWnd *pWnd, UINT nID)
{
    if (pWnd && IsWindow(pWnd->m_hWnd))
        pWnd->SendMessage(WM_COMMAND, nID, 0);
}

} // namespace

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
// CDocument

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

namespace {

qint64 StatTime(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// The document's bytes written to out; false when serializing failed.
bool SerializeInto(CDocument &doc, const QString &path, QIODevice &out)
{
    try {
        CArchive ar(&out, CArchive::store);
        ar.m_strFileName = QFileInfo(path).absoluteFilePath();
        doc.Serialize(ar);
        ar.Close();
        return true;
    } catch (CException *e) {
        e->Delete();
        return false;
    }
}

bool SerializeInto(CDocument &doc, const QString &path, QByteArray &content)
{
    QBuffer buffer(&content);
    return buffer.open(QIODevice::WriteOnly) && SerializeInto(doc, path, static_cast<QIODevice &>(buffer));
}

bool WriteAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Writes content over the file itself, so that every name linked to it sees the new board. A whole copy is
// written beside it first: the folder's file system takes the board, and while the file is being overwritten the
// board lies complete on disk. False when any step failed; the copy goes in every case.
bool WriteInPlace(const QString &path, const QByteArray &content)
{
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX"));
    if (!copy.open() || copy.write(content) != content.size() || !copy.flush() || ::fsync(copy.handle()) != 0)
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, content);
    ok = ok && ::ftruncate(fd, off_t(content.size())) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok;
}

// The new file takes the old one's owner and group where this process may give them (as the superuser, or a
// group the user belongs to), and then its permission bits again, which a change of owner may clear.
void KeepOwner(int fd, const struct stat &old)
{
    if (fd < 0 || (old.st_uid == ::geteuid() && old.st_gid == ::getegid()))
        return;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0)
        return;
    (void)::fchmod(fd, old.st_mode & 07777);
}

} // namespace

CDocument::CDocument() = default;

CDocument::~CDocument()
{
    for (CView *v : m_viewList)
        v->m_pDocument = nullptr;
}

void CDocument::SetTitle(const QString &title)
{
    m_strTitle = title;
    for (CView *v : m_viewList)
        if (CFrameWnd *f = v->GetParentFrame())
            f->OnUpdateFrameTitle(TRUE);
}

void CDocument::SetPathName(const QString &path, BOOL bAddToMRU)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (bAddToMRU && AfxGetApp())
        AfxGetApp()->AddToRecentFileList(m_strPathName);
}

BOOL CDocument::IsModified()
{
    return m_bModified;
}
void CDocument::SetModifiedFlag(BOOL bModified)
{
    m_bModified = bModified;
}

void CDocument::AddView(CView *pView)
{
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView *pView)
{
    m_viewList.erase(std::remove(m_viewList.begin(), m_viewList.end(), pView), m_viewList.end());
    pView->m_pDocument = nullptr;
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t(1));
}

CView *CDocument::GetNextView(POSITION &rPosition) const
{
    const std::size_t i = reinterpret_cast<std::uintptr_t>(rPosition) - 1;
    if (i >= m_viewList.size()) {
        rPosition = nullptr;
        return nullptr;
    }
    rPosition = i + 1 < m_viewList.size() ? reinterpret_cast<POSITION>(std::uintptr_t(i + 2)) : nullptr;
    return m_viewList[i];
}

void CDocument::UpdateAllViews(CView *pSender, LPARAM lHint, CObject *pHint)
{
    const std::vector<CView *> views = m_viewList;
    for (CView *v : views)
        if (v != pSender)
            v->OnUpdate(pSender, lHint, pHint);
}

void CDocument::DeleteContents() {}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    m_strSeenPath.clear();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        AfxMessageBox(QStringLiteral("Failed to open document."), MB_ICONEXCLAMATION);
        return FALSE;
    }
    // Seen as it was opened: a change while it loads counts as another program's.
    struct stat opened {};
    const bool bStamped = ::fstat(file.handle(), &opened) == 0;
    DeleteContents();
    SetModifiedFlag(TRUE); // dirty while loading
    try {
        if (file.size() > 0) {
            CArchive ar(&file, CArchive::load, file.size());
            ar.m_strFileName = QFileInfo(path).absoluteFilePath();
            Serialize(ar);
            ar.Close();
        }
    } catch (CArchiveException *e) {
        e->Delete();
        DeleteContents();
        AfxMessageBox(QStringLiteral("Unexpected file format."), MB_ICONEXCLAMATION);
        return FALSE;
    } catch (CFileException *e) {
        e->Delete();
        DeleteContents();
        AfxMessageBox(QStringLiteral("Failed to open document."), MB_ICONEXCLAMATION);
        return FALSE;
    } catch (CException *e) {
        e->Delete();
        DeleteContents();
        AfxMessageBox(QStringLiteral("Failed to open document."), MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_strSeenPath = bStamped ? QFileInfo(path).absoluteFilePath() : QString();
    m_nSeenTime = StatTime(opened);
    m_nSeenSize = qint64(opened.st_size);
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::RememberFile(const QString &path)
{
    struct stat st {};
    m_strSeenPath.clear();
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    m_strSeenPath = QFileInfo(path).absoluteFilePath();
    m_nSeenTime = StatTime(st);
    m_nSeenSize = qint64(st.st_size);
}

BOOL CDocument::ConfirmOverwrite(const QString &path)
{
    if (m_strSeenPath.isEmpty() || QFileInfo(path).absoluteFilePath() != m_strSeenPath)
        return TRUE;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return TRUE; // gone: nothing of anyone's is lost by writing it
    if (StatTime(st) == m_nSeenTime && qint64(st.st_size) == m_nSeenSize)
        return TRUE;
    return AfxMessageBox(QStringLiteral("%1 was changed by another program since it was opened. Overwrite it?")
                             .arg(QFileInfo(path).fileName()),
                         MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

BOOL CDocument::OnSaveDocument(const QString &path)
{
    bool ok = false;
    struct stat old {};
    const bool bExists = ::stat(QFile::encodeName(path).constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (bExists && old.st_nlink > 1) {
        // Replacing the file would leave its other names with the old board: it is written where it lies.
        QByteArray content;
        ok = SerializeInto(*this, path, content) && WriteInPlace(path, content);
    } else {
        // The old file is replaced only when everything was written.
        QSaveFile file(path);
        ok = file.open(QIODevice::WriteOnly);
        if (ok)
            ok = SerializeInto(*this, path, file);
        if (ok && bExists)
            KeepOwner(file.handle(), old);
        if (ok)
            ok = file.commit();
        else
            file.cancelWriting();
    }
    if (!ok) {
        AfxMessageBox(QStringLiteral("Failed to save document."), MB_ICONEXCLAMATION);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument()
{
    // The frames go first, with their views and everything inside them; then the contents.
    std::vector<CFrameWnd *> frames;
    for (CView *v : m_viewList)
        if (CFrameWnd *f = v->GetParentFrame())
            if (std::find(frames.begin(), frames.end(), f) == frames.end())
                frames.push_back(f);
    for (CFrameWnd *f : frames)
        f->DestroyWindow();
    DeleteContents();
}

BOOL CDocument::SaveModified()
{
    if (!IsModified())
        return TRUE;
    QString name = m_strPathName.isEmpty() ? QString(m_strTitle) : QFileInfo(m_strPathName).fileName();
    if (name.isEmpty())
        name = QStringLiteral("Untitled");
    switch (AfxMessageBox(QStringLiteral("Save changes to %1?").arg(name), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
        return FALSE;
    case IDYES:
        return DoFileSave();
    default:
        return TRUE;
    }
}

BOOL CDocument::DoSave(const QString &path, BOOL bReplace)
{
    QString newName = path;
    if (newName.isEmpty()) {
        CString filterName, filterExt;
        if (m_pDocTemplate) {
            m_pDocTemplate->GetDocString(filterName, CDocTemplate::filterName);
            m_pDocTemplate->GetDocString(filterExt, CDocTemplate::filterExt);
        }
        QString proposed = m_strPathName.isEmpty() ? QString(m_strTitle) : m_strPathName;
        if (!filterExt.isEmpty() && !proposed.endsWith(filterExt, Qt::CaseInsensitive) && m_strPathName.isEmpty())
            proposed += filterExt;
        QString filter;
        if (!filterName.isEmpty())
            filter = filterName + QLatin1Char('|') + QLatin1Char('*') + filterExt + QLatin1Char('|');
        filter += QStringLiteral("All Files (*.*)|*.*||");
        CFileDialog dlg(FALSE, filterExt, proposed, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, AfxGetMainWnd());
        dlg.m_strTitle = QStringLiteral("Save As");
        if (dlg.DoModal() != IDOK)
            return FALSE;
        newName = dlg.GetPathName();
        if (!filterExt.isEmpty() && QFileInfo(newName).suffix().isEmpty())
            newName += filterExt;
    }
    if (!ConfirmOverwrite(newName) || !OnSaveDocument(newName))
        return FALSE;
    if (bReplace) {
        SetPathName(newName);
        RememberFile(newName);
    }
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    return DoSave(m_strPathName);
}
void CDocument::OnFileSave()
{
    DoFileSave();
}
void CDocument::OnFileSaveAs()
{
    DoSave(QString());
}

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
// Control bars

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

void CControlBar::EnableDocking(DWORD dwDockStyle)
{
    m_dwDockStyle = dwDockStyle;
    if (auto *tb = qobject_cast<QToolBar *>(GetWidget())) {
        Qt::ToolBarAreas areas;
        if (dwDockStyle & CBRS_ALIGN_TOP)
            areas |= Qt::TopToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_BOTTOM)
            areas |= Qt::BottomToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_LEFT)
            areas |= Qt::LeftToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_RIGHT)
            areas |= Qt::RightToolBarArea;
        tb->setAllowedAreas(areas);
        tb->setMovable(dwDockStyle != 0);
        tb->setFloatable(dwDockStyle != 0);
    }
}

CToolBar::CToolBar() = default;
CToolBar::~CToolBar() = default;

BOOL CToolBar::CreateEx(CWnd *pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect, UINT nID)
{
    registerFrameworkClasses();
    m_dwStyle = dwStyle & 0xFFFF;
    if (!CWnd::CreateEx(0, QString::fromLatin1(kToolBarClassName), QString(), (dwStyle & 0xFFFF0000u) | WS_CHILD,
                        CRect(), pParentWnd, nID))
        return FALSE;
    QToolBar *tb = GetToolBar();
    tb->setWindowTitle(QStringLiteral("Toolbar"));
    tb->setMovable(false);
    tb->setFloatable(false);
    if (dwCtrlStyle & TBSTYLE_FLAT)
        tb->setStyleSheet(QString());
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    if (auto *mw = qobject_cast<QMainWindow *>(tb->parentWidget()))
        mw->addToolBar(Qt::TopToolBarArea, tb);
    return TRUE;
}

QToolBar *CToolBar::GetToolBar() const
{
    return qobject_cast<QToolBar *>(GetWidget());
}

BOOL CToolBar::LoadToolBar(UINT nIDResource)
{
    QToolBar *tb = GetToolBar();
    const AfxToolBarTemplate *tmpl = AfxFindToolBar(nIDResource);
    QImage strip(QStringLiteral(":/resources/bitmap/%1").arg(nIDResource));
    if (!tb || !tmpl || strip.isNull())
        return FALSE;
    // Light grey is the transparent colour of toolbar images.
    auto keyed = [](QImage image) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFF) == 0xC0C0C0)
                    line[x] = 0;
        }
        return image;
    };
    strip = keyed(strip);
    // Art at twice the size, for screens of higher density, when there is some.
    QImage strip2x(QStringLiteral(":/resources/bitmap/%1@2x").arg(nIDResource));
    if (strip2x.size() == strip.size() * 2)
        strip2x = keyed(strip2x);
    else
        strip2x = QImage();
    tb->setIconSize(QSize(tmpl->cxButton, tmpl->cyButton));
    int image = 0;
    for (UINT nID : tmpl->ids) {
        if (nID == ID_SEPARATOR) {
            tb->addSeparator();
            continue;
        }
        QIcon icon(QPixmap::fromImage(strip.copy(image * tmpl->cxButton, 0, tmpl->cxButton, tmpl->cyButton)));
        if (!strip2x.isNull()) {
            QPixmap pm2x =
                QPixmap::fromImage(strip2x.copy(2 * image * tmpl->cxButton, 0, 2 * tmpl->cxButton, 2 * tmpl->cyButton));
            pm2x.setDevicePixelRatio(2);
            icon.addPixmap(pm2x);
        }
        ++image;
        const auto texts = commandTexts(nID);
        // A command without a tooltip part shows no tooltip: the action's text would stand in for it.
        QAction *a = tb->addAction(icon, texts.second);
        a->setData(nID);
        a->setToolTip(texts.second);
        a->setStatusTip(texts.first);
        // What's This? shows the status prompt as the button's help.
        a->setWhatsThis(texts.first);
        a->setEnabled(false);
        CWnd *pOwner = GetParent();
        QObject::connect(a, &QAction::triggered, tb, [pOwner, nID]() { sendCommand(pOwner, nID); });
    }
    return TRUE;
}

QList<QAction *> CToolBar::GetButtonActions() const
{
    QList<QAction *> result;
    if (QToolBar *tb = GetToolBar())
        for (QAction *a : tb->actions())
            result << (a->isSeparator() ? nullptr : a);
    return result;
}

int CToolBar::GetCount() const
{
    return int(GetButtonActions().size());
}

UINT CToolBar::GetItemID(int nIndex) const
{
    const QList<QAction *> a = GetButtonActions();
    return (nIndex >= 0 && nIndex < a.size() && a[nIndex]) ? a[nIndex]->data().toUInt() : ID_SEPARATOR;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd *pTarget, BOOL bDisableIfNoHndler)
{
    for (QAction *a : GetButtonActions())
        if (a)
            updateAction(pTarget, a, bDisableIfNoHndler);
}

BOOL CStatusBar::Create(CWnd *pParentWnd, DWORD dwStyle, UINT nID)
{
    registerFrameworkClasses();
    m_dwStyle = dwStyle & 0xFFFF;
    if (!CWnd::CreateEx(0, QString::fromLatin1(kStatusBarClassName), QString(), (dwStyle & 0xFFFF0000u) | WS_CHILD,
                        CRect(), pParentWnd, nID))
        return FALSE;
    QStatusBar *sb = GetStatusBar();
    if (auto *mw = qobject_cast<QMainWindow *>(sb->parentWidget()))
        mw->setStatusBar(sb);
    return TRUE;
}

QStatusBar *CStatusBar::GetStatusBar() const
{
    return qobject_cast<QStatusBar *>(GetWidget());
}

BOOL CStatusBar::SetIndicators(const UINT *lpIDArray, int nIDCount)
{
    QStatusBar *sb = GetStatusBar();
    if (!sb || nIDCount < 1)
        return FALSE;
    for (int i = 0; i < nIDCount; ++i) {
        // The message pane shows the idle text while no prompt is shown over it.
        auto *label = new QLabel(lpIDArray[i] == ID_SEPARATOR ? QString(AfxLoadString(AFX_IDS_IDLEMESSAGE))
                                                              : QString(AfxLoadString(lpIDArray[i])),
                                 sb);
        // The status bar draws its prompts 6 pixels in and lays its panes out 2 pixels in: the idle text starts
        // where the prompts do, so the text does not jump.
        label->setIndent(i == 0 ? 4 : 0);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        sb->addWidget(label, i == 0 ? 1 : 0);
    }
    return TRUE;
}

QString CStatusBar::GetPaneText(int nIndex) const
{
    QStatusBar *sb = GetStatusBar();
    if (!sb)
        return QString();
    if (nIndex == 0 && !sb->currentMessage().isEmpty())
        return sb->currentMessage();
    auto *label = sb->findChild<QLabel *>(QStringLiteral("pane%1").arg(nIndex));
    return label ? label->text() : QString();
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

// ---------------------------------------------------------------------------------------------------------------
// Document templates

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass *pDocClass, const CRuntimeClass *pFrameClass,
                           const CRuntimeClass *pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass)
{
    m_docStrings = QString(AfxLoadString(nIDResource)).split(QLatin1Char('\n'));
}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString &rString, DocStringIndex index) const
{
    rString = index < m_docStrings.size() ? m_docStrings[index] : QString();
    return !rString.isEmpty();
}

CDocument *CDocTemplate::CreateNewDocument()
{
    auto *pDoc = dynamic_cast<CDocument *>(m_pDocClass->CreateObject());
    if (pDoc)
        pDoc->m_pDocTemplate = this;
    return pDoc;
}

CFrameWnd *CDocTemplate::CreateNewFrame(CDocument *pDoc, CFrameWnd *)
{
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    auto *pFrame = dynamic_cast<CFrameWnd *>(m_pFrameClass->CreateObject());
    if (!pFrame)
        return nullptr;
    context.m_pCurrentFrame = pFrame;
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        // A frame whose window failed to come up never got a window to end with.
        if (!IsWindow(pFrame->m_hWnd))
            delete pFrame;
        return nullptr;
    }
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd *pFrame, CDocument *pDoc, BOOL bMakeVisible)
{
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::SetDefaultTitle(CDocument *pDocument)
{
    CString title;
    if (!GetDocString(title, fileNewName))
        title = QStringLiteral("Untitled");
    pDocument->SetTitle(title);
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, const CRuntimeClass *pDocClass,
                                       const CRuntimeClass *pFrameClass, const CRuntimeClass *pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    delete m_pOnlyDoc;
}

CDocument *CSingleDocTemplate::OpenDocumentFile(const QString &path, BOOL bMakeVisible)
{
    CDocument *pDocument = m_pOnlyDoc;
    CFrameWnd *pFrame = nullptr;
    bool bCreated = false;
    if (pDocument) {
        if (!pDocument->SaveModified())
            return nullptr;
        POSITION pos = pDocument->GetFirstViewPosition();
        if (CView *pView = pos ? pDocument->GetNextView(pos) : nullptr)
            pFrame = pView->GetParentFrame();
    } else {
        pDocument = CreateNewDocument();
        if (!pDocument)
            return nullptr;
        m_pOnlyDoc = pDocument;
        bCreated = true;
        pFrame = CreateNewFrame(pDocument, nullptr);
        if (!pFrame) {
            delete pDocument;
            m_pOnlyDoc = nullptr;
            return nullptr;
        }
        // The main window is known before the first document loads, so loading can reach the view.
        CWinApp *pApp = AfxGetApp();
        if (pApp && !pApp->m_pMainWnd)
            pApp->m_pMainWnd = pFrame;
    }
    // A first document that cannot be had takes its frame and itself away with it.
    auto abandonCreated = [&]() {
        if (pFrame)
            pFrame->DestroyWindow();
        if (m_pOnlyDoc == pDocument) {
            delete pDocument;
            m_pOnlyDoc = nullptr;
        }
    };
    if (path.isEmpty()) {
        SetDefaultTitle(pDocument);
        if (!pDocument->OnNewDocument()) {
            if (bCreated)
                abandonCreated();
            return nullptr;
        }
    } else {
        // Clean while opening: the flag then tells whether the open got as far as touching the old board.
        const BOOL bWasModified = pDocument->IsModified();
        pDocument->SetModifiedFlag(FALSE);
        if (!pDocument->OnOpenDocument(path)) {
            if (bCreated) {
                abandonCreated();
            } else if (!pDocument->IsModified()) {
                // The file could not even be opened: the old board is untouched.
                pDocument->SetModifiedFlag(bWasModified);
            } else {
                // The old board is gone: start an empty one.
                SetDefaultTitle(pDocument);
                pDocument->OnNewDocument();
            }
            return nullptr;
        }
        pDocument->SetPathName(path);
    }
    if (pFrame)
        InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}

// ---------------------------------------------------------------------------------------------------------------
// Recent files

CRecentFileList::CRecentFileList(UINT nStart, const QString &section, const QString &entryFormat, int nSize)
    : m_nStart(nStart), m_strSection(section), m_strEntryFormat(entryFormat), m_nSize(nSize)
{
}

void CRecentFileList::Add(const QString &path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(abs);
    m_files.prepend(abs);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex >= 0 && nIndex < m_files.size()) {
        m_files.removeAt(nIndex);
        WriteList();
    }
}

void CRecentFileList::ReadList()
{
    m_files.clear();
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return;
    for (int i = 1; i <= m_nSize; ++i) {
        const QString v = pApp->GetProfileString(m_strSection, m_strEntryFormat.arg(i));
        if (!v.isEmpty())
            m_files << v;
    }
}

void CRecentFileList::WriteList()
{
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return;
    for (int i = 1; i <= m_nSize; ++i)
        pApp->WriteProfileString(m_strSection, m_strEntryFormat.arg(i),
                                 i <= m_files.size() ? m_files[i - 1] : QString());
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

void CWinApp::RegisterShellFileTypes(BOOL)
{
    if (m_templates.empty())
        return;
    CString typeId, typeName, ext;
    m_templates.front()->GetDocString(typeId, CDocTemplate::regFileTypeId);
    m_templates.front()->GetDocString(typeName, CDocTemplate::regFileTypeName);
    m_templates.front()->GetDocString(ext, CDocTemplate::filterExt);
    if (typeId.isEmpty() || ext.isEmpty())
        return;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return;
    const QString appName = m_pszAppName.toLower();
    const QString mimeType = QStringLiteral("application/x-%1").arg(appName);
    const QString exe = QCoreApplication::applicationFilePath();
    // Files are written only when their content changes, so start-up stays quick.
    auto writeIfChanged = [](const QString &path, const QByteArray &content) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.readAll() == content)
            return false;
        f.close();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        out.write(content);
        return out.commit();
    };
    const QString quotedExe = QLatin1Char('"') + exe + QLatin1Char('"');
    const QByteArray desktop = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=%1\n"
                                              "Comment=%2\n"
                                              "Exec=%3 %f\n"
                                              "Icon=%4\n"
                                              "MimeType=%5;\n"
                                              "Terminal=false\n"
                                              "Categories=Office;\n"
                                              "X-Document-Type=%6\n")
                                   .arg(m_pszAppName, typeName, quotedExe, appName, mimeType, typeId)
                                   .toUtf8();
    const QByteArray mime =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"%1\">\n"
                       "    <comment>%2</comment>\n"
                       "    <glob pattern=\"*%3\"/>\n"
                       "  </mime-type>\n"
                       "</mime-info>\n")
            .arg(mimeType, typeName.toHtmlEscaped(), ext)
            .toUtf8();
    // The desktop entry and the type are named by the application's desktop file name when it has one, as an
    // installed copy is, so the two never show up side by side. Entries of ours under the plain name go.
    const QString desktopId =
        QGuiApplication::desktopFileName().isEmpty() ? appName : QGuiApplication::desktopFileName();
    writeIfChanged(dataHome + QStringLiteral("/applications/%1.desktop").arg(desktopId), desktop);
    writeIfChanged(dataHome + QStringLiteral("/mime/packages/%1.xml").arg(desktopId), mime);
    if (desktopId != appName) {
        const QString oldDesktop = dataHome + QStringLiteral("/applications/%1.desktop").arg(appName);
        const QString oldMime = dataHome + QStringLiteral("/mime/packages/%1.xml").arg(appName);
        QFile old(oldDesktop);
        if (old.open(QIODevice::ReadOnly) &&
            old.readAll().contains(QStringLiteral("\nX-Document-Type=%1\n").arg(typeId).toUtf8())) {
            old.close();
            QFile::remove(oldDesktop);
            QFile oldType(oldMime);
            if (oldType.open(QIODevice::ReadOnly) && oldType.readAll() == mime) {
                oldType.close();
                QFile::remove(oldMime);
            }
        }
    }
    const QImage icon(QStringLiteral(":/resources/icon/%1").arg(m_templates.front()->m_nIDResource));
    if (!icon.isNull()) {
        const QString iconPath = dataHome + QStringLiteral("/icons/hicolor/32x32/apps/%1.png").arg(appName);
        if (!QFileInfo::exists(iconPath)) {
            QDir().mkpath(QFileInfo(iconPath).absolutePath());
            icon.save(iconPath, "PNG");
        }
    }
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
