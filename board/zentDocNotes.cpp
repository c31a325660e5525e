#include "zentDoc.h"

void CZentDoc::AddPaper(RECT &rect, bool bShow)
{
    (void)rect;
    (void)bShow;
}

void CZentDoc::DeleteNotes()
{
    m_papers.RemoveAll();
    m_nPapers = 0;
}
