#include "zentView.h"

BOOL CZentView::IsFreePoint(CPoint) { return TRUE; }

void CZentView::AddPaper(RECT &rect, bool bShow) { GetDocument()->AddPaper(rect, bShow); }

LRESULT CZentView::OnPaperMoved(WPARAM, LPARAM) { return 0; }

LRESULT CZentView::OnPaperShow(WPARAM, LPARAM) { return 0; }

void CZentView::OpenRestoreDialog() {}
