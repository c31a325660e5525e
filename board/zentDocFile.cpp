// The board file: a header with the background, picture and icon positions, then one record per note.
#include "zentDoc.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/Archive.h"
#include "platform/CommonDialogs.h"
#include "view/zentView.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

// The picture next to the board file first, then in the current folder. Only the bare name of the stored one
// counts, so a stored name can never reach another folder. Empty when the stored name has no file name.
QString findPictureFile(const QString &storedName, const QString &boardPath)
{
    QString bare = storedName;
    const qsizetype cut = std::max(bare.lastIndexOf(QLatin1Char('/')), bare.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        bare = bare.mid(cut + 1);
    if (bare.isEmpty() || bare == QLatin1String(".") || bare == QLatin1String(".."))
        return QString();
    if (!boardPath.isEmpty()) {
        const QString besideBoard = QFileInfo(boardPath).absoluteDir().filePath(bare);
        if (QFileInfo(besideBoard).isFile())
            return besideBoard;
    }
    return QDir::current().filePath(bare);
}

// What emptying the document keeps (icon positions, values whose flag is clear). A load that fails half-way
// puts them back, so that a broken file leaves the board exactly as emptied.
struct KeptValues {
    explicit KeptValues(const CZentDoc &doc)
        : ptStorage(doc.m_ptStorage), ptTrash(doc.m_ptTrash), crBackground(doc.m_crBackground),
          nTextureID(doc.m_nTextureID), nTextureWidth(doc.m_nTextureWidth), nTextureHeight(doc.m_nTextureHeight),
          strPicturePath(doc.m_strPicturePath), nPictureWidth(doc.m_nPictureWidth),
          nPictureHeight(doc.m_nPictureHeight), nPictureLeft(doc.m_nPictureLeft), nPictureTop(doc.m_nPictureTop),
          rcTracker(doc.m_tracker.m_rect)
    {
    }
    void PutBack(CZentDoc &doc) const
    {
        doc.m_ptStorage = ptStorage;
        doc.m_ptTrash = ptTrash;
        doc.m_crBackground = crBackground;
        doc.m_nTextureID = nTextureID;
        doc.m_nTextureWidth = nTextureWidth;
        doc.m_nTextureHeight = nTextureHeight;
        doc.m_strPicturePath = strPicturePath;
        doc.m_nPictureWidth = nPictureWidth;
        doc.m_nPictureHeight = nPictureHeight;
        doc.m_nPictureLeft = nPictureLeft;
        doc.m_nPictureTop = nPictureTop;
        doc.m_tracker.m_rect = rcTracker;
    }

    CPoint ptStorage, ptTrash;
    COLORREF crBackground;
    int nTextureID, nTextureWidth, nTextureHeight;
    CString strPicturePath;
    int nPictureWidth, nPictureHeight, nPictureLeft, nPictureTop;
    CRect rcTracker;
};

DWORD FlagValue(bool b)
{
    return b ? 1 : 0;
}

// 32-bit sums wrap as the stored numbers do; a file may hold any of them.
int WrapAdd(int a, int b)
{
    return int(unsigned(a) + unsigned(b));
}

// Icons lie on the board, which is a window: a position from a file is kept within the largest window size, so
// that the icon's rectangle can always be formed. Any position a board can show is kept as it is.
CPoint IconPosition(const POINT &pt)
{
    constexpr LONG kLimit = 16777215;
    return CPoint(std::clamp(pt.x, -kLimit, kLimit), std::clamp(pt.y, -kLimit, kLimit));
}

} // namespace

void CZentDoc::Serialize(CArchive &ar)
{
    if (ar.IsStoring()) {
        ASSERT(m_nPapers == m_papers.GetCount());
        ar << LONG(m_nPapers);
        ar << static_cast<const POINT &>(m_ptStorage);
        ar << static_cast<const POINT &>(m_ptTrash);
        ar << FlagValue(m_bPureColour);
        ar << FlagValue(m_bTexture);
        ar << FlagValue(m_bPicture);
        ar << DWORD(m_crBackground);
        ar << LONG(m_nTextureID);
        ar << m_strPicturePath;
        ar << LONG(m_nPictureWidth);
        ar << LONG(m_nPictureHeight);
        ar << LONG(m_nPictureLeft);
        ar << LONG(m_nPictureTop);
        if (m_nPapers != 0) {
            POSITION pos = m_papers.GetHeadPosition();
            while (pos) {
                CPaperFrame *pPaper = m_papers.GetNext(pos);
                ar << static_cast<const RECT &>(pPaper->m_rect);
                ar << FlagValue(pPaper->m_bHidden);
                ar << pPaper->m_strCaption;
                ar << DWORD(pPaper->m_clrCaption);
                CString strText;
                pPaper->m_pEdit->GetWindowText(strText);
                ar << strText;
            }
        }
        return;
    }

    const KeptValues kept(*this);
    // What the board file makes is no step of the user's to take back.
    const QScopedValueRollback<bool> loading(m_bLoading, true);
    try {
        LONG nCount = 0;
        ar >> nCount;
        POINT pt;
        ar >> pt;
        m_ptStorage = IconPosition(pt);
        ar >> pt;
        m_ptTrash = IconPosition(pt);
        DWORD dwValue = 0;
        ar >> dwValue;
        m_bPureColour = dwValue != 0;
        ar >> dwValue;
        m_bTexture = dwValue != 0;
        ar >> dwValue;
        m_bPicture = dwValue != 0;
        ar >> dwValue;
        m_crBackground = dwValue;
        LONG lValue = 0;
        ar >> lValue;
        m_nTextureID = lValue;
        ar >> m_strPicturePath;
        ar >> lValue;
        m_nPictureWidth = lValue;
        ar >> lValue;
        m_nPictureHeight = lValue;
        ar >> lValue;
        m_nPictureLeft = lValue;
        ar >> lValue;
        m_nPictureTop = lValue;

        if (m_bTexture)
            LoadTexture(UINT(m_nTextureID));

        if (m_bPicture) {
            const QString path = findPictureFile(m_strPicturePath, ar.m_strFileName);
            if (path.isEmpty() || !m_picture.LoadFromFile(path)) {
                AfxMessageBox(QStringLiteral("Can't find picture file!"), MB_OK | MB_ICONEXCLAMATION);
                m_bPicture = false;
            } else {
                m_tracker.m_rect.SetRect(m_nPictureLeft, m_nPictureTop, WrapAdd(m_nPictureLeft, m_nPictureWidth),
                                         WrapAdd(m_nPictureTop, m_nPictureHeight));
            }
        }

        // Each record is read whole before its note is made, so a count larger than the records fails at the
        // first short read without making a note for it.
        for (LONG i = 0; i < nCount; ++i) {
            RECT rect;
            ar >> rect;
            DWORD dwStored = 0;
            ar >> dwStored;
            CString strCaption;
            ar >> strCaption;
            DWORD dwColour = 0;
            ar >> dwColour;
            CString strText;
            ar >> strText;

            const int nBefore = m_nPapers;
            AddPaper(rect, false);
            if (m_nPapers == nBefore)
                continue; // no board view to put the note on
            CPaperFrame *pPaper = m_papers.GetHead();
            pPaper->m_bHidden = true;
            pPaper->m_pEdit->SetWindowText(strText);
            pPaper->m_strCaption = strCaption;
            pPaper->SetWindowText(strCaption);
            pPaper->m_clrCaption = dwColour;
            pPaper->RefreshCaptionBackground();
            if (dwStored == 0)
                if (CZentView *pView = GetBoardView())
                    pView->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pPaper), 0);
        }
    } catch (...) {
        // The notes made so far go, and with them what the file had set; the framework reports the failure.
        DeleteContents();
        kept.PutBack(*this);
        throw;
    }

    UpdateAllViews(nullptr, 0, nullptr);
}
