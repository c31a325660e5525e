// Documents and document templates: opening, saving safely, the save prompt and the document/frame/view trio.
#include "Framework.h"

#include "AppResources.h"
#include "Archive.h"
#include "CommonDialogs.h"
#include "Exceptions.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
