#include "zentDoc.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"

#include <memory>
#include <vector>

void CZentDoc::AddPaper(RECT &rect, bool bShow)
{
    auto pEdit = std::make_unique<CPaperEdit>(CRect(0, 0, 0, 0));
    if (!pEdit->GetSafeHwnd())
        return; // no board view to put a note on
    auto *pPaper = new CPaperFrame(std::move(pEdit), rect, bShow);
    if (!pPaper->GetSafeHwnd()) {
        // A note without a window would never end; it takes its control with it.
        delete pPaper;
        return;
    }
    // Undo steps find the note by this number, which a note made again by undo takes over.
    pPaper->m_nId = ++m_nLastPaperId;
    m_papers.AddHead(pPaper);
    ++m_nPapers;
}

void CZentDoc::DeleteNotes()
{
    // Notes whose windows ended (with the board view, at close) have left the list already. The rest leave it
    // all at once before their windows end, so that no ending note searches the list for itself.
    std::vector<CPaperFrame *> papers;
    papers.reserve(size_t(m_papers.GetCount()));
    while (!m_papers.IsEmpty()) {
        papers.push_back(m_papers.RemoveHead());
        --m_nPapers;
    }
    for (CPaperFrame *pPaper : papers)
        pPaper->Destroy();
}
