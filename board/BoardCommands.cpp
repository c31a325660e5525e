#include "BoardCommands.h"

#include "zentDoc.h"

#include "notes/PaperFrame.h"
#include "platform/OlePicture.h"

#include <QScopedValueRollback>

CPictureRef::CPictureRef(IPicture *pPicture) : m_pPicture(pPicture)
{
    if (m_pPicture)
        m_pPicture->AddRef();
}

CPictureRef::CPictureRef(const CPictureRef &other) : CPictureRef(other.m_pPicture) {}

CPictureRef &CPictureRef::operator=(const CPictureRef &other)
{
    if (other.m_pPicture)
        other.m_pPicture->AddRef();
    if (m_pPicture)
        m_pPicture->Release();
    m_pPicture = other.m_pPicture;
    return *this;
}

CPictureRef::~CPictureRef()
{
    if (m_pPicture)
        m_pPicture->Release();
}

bool CBoardLook::SameBoard(const CBoardLook &o) const
{
    return bPureColour == o.bPureColour && bTexture == o.bTexture && bPicture == o.bPicture &&
           crBackground == o.crBackground && nTextureID == o.nTextureID && strPicturePath == o.strPicturePath &&
           nPictureLeft == o.nPictureLeft && nPictureTop == o.nPictureTop && nPictureWidth == o.nPictureWidth &&
           nPictureHeight == o.nPictureHeight && rcTracker == o.rcTracker && picture.Get() == o.picture.Get();
}

CBoardCommand::CBoardCommand(CZentDoc *pDoc, const QString &strText) : m_pDoc(pDoc)
{
    setText(strText);
}

void CBoardCommand::redo()
{
    if (!m_bPushed) {
        m_bPushed = true;
        return;
    }
    {
        const QScopedValueRollback<int> replaying(m_pDoc->m_nReplaying, m_pDoc->m_nReplaying + 1);
        Apply(true);
    }
    m_pDoc->AfterReplay();
}

void CBoardCommand::undo()
{
    {
        const QScopedValueRollback<int> replaying(m_pDoc->m_nReplaying, m_pDoc->m_nReplaying + 1);
        Apply(false);
    }
    m_pDoc->AfterReplay();
}

CBoardLookCommand::CBoardLookCommand(CZentDoc *pDoc, const QString &strText, const CBoardLook &before,
                                     const CBoardLook &after)
    : CBoardCommand(pDoc, strText), m_before(before), m_after(after)
{
}

void CBoardLookCommand::Apply(bool bForward)
{
    m_pDoc->ApplyLook(bForward ? m_after : m_before);
}

CNoteLifeCommand::CNoteLifeCommand(CZentDoc *pDoc, bool bMade, const CPaperState &state)
    : CBoardCommand(pDoc, bMade ? QStringLiteral("New Note") : QStringLiteral("Delete Note")), m_bMade(bMade),
      m_state(state)
{
}

void CNoteLifeCommand::Apply(bool bForward)
{
    if (bForward == m_bMade) {
        m_pDoc->RestorePaper(m_state);
        return;
    }
    // The note as it is now (text typed since included) is what comes back.
    if (const CPaperFrame *pPaper = m_pDoc->FindPaper(m_state.nId))
        m_state = m_pDoc->CapturePaper(pPaper);
    m_pDoc->ErasePaper(m_state.nId);
}
