// The board view: paints the board without flicker and turns mouse input on the board into board actions.
#pragma once

#include "board/zentDoc.h"

class CPaperFrame;
class CRestoreObjectsDialog;

#define WM_PAPER_MOVED (WM_APP + 10)
#define WM_PAPER_SHOW (WM_APP + 11)

class CZentView : public CView {
protected:
    CZentView();
    DECLARE_DYNCREATE(CZentView)

public:
    ~CZentView() override;
    CZentDoc *GetDocument() const;

    CRestoreObjectsDialog *m_pRestoreDialog = nullptr;
    CRect m_rcIconNew;
    CPoint m_ptLastMouse;
    CRect m_rcIconOld;

    // What the last test of the notes against the icons saw when it found nothing to do. A board full of notes
    // queues one WM_PAPER_MOVED per note as it loads; the ones after the first must not walk every note again.
    struct IconTestState {
        quint64 nLayoutVersion = 0;
        int nPapers = 0;
        CPoint ptTrash;
        CPoint ptStorage;
        bool operator==(const IconTestState &o) const
        {
            return nLayoutVersion == o.nLayoutVersion && nPapers == o.nPapers && ptTrash == o.ptTrash &&
                   ptStorage == o.ptStorage;
        }
    };
    bool m_bIdleIconTest = false;
    IconTestState m_idleIconTest;

    // No note on the board (storage excluded) lies under point.
    BOOL IsFreePoint(CPoint point);
    // Creates a note at rect (view client coordinates); neither marks the board modified nor repaints it.
    void AddPaper(RECT &rect, bool bShow);
    // The notes' layout as it is now needs no test against the icons (undo or redo put it there).
    void SettleIconTest();
    // The board's context menu at a point on the screen.
    void ShowBoardMenu(CPoint ptScreen);

    // A note and the rectangle (view client coordinates) it is to be moved to.
    struct CPaperPlacement {
        CPaperFrame *pPaper = nullptr;
        CRect rect;
    };
    // Every note on the board (storage excluded) that lies wholly outside the client area, each with a place of the
    // same size just inside it.
    QList<CPaperPlacement> NotesOutOfView();
    // Moves the notes to their rectangles as one step and marks the board modified; notes no longer on the board
    // are passed over.
    void MovePapers(const QList<CPaperPlacement> &placements);

    void OnDraw(CDC *pDC) override;
    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
    void AssertValid() const override;
    void Dump() const override;

protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg BOOL OnEraseBkgnd(CDC *pDC);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg LRESULT OnPaperMoved(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnPaperShow(WPARAM wParam, LPARAM lParam);
    afx_msg void OnBringNotesIntoView();
    afx_msg void OnUpdateBringNotesIntoView(CCmdUI *pCmdUI);
    afx_msg void OnContextMenu(CWnd *pWnd, CPoint point);
    // Opens one more restore dialog.
    void OpenRestoreDialog();
    DECLARE_MESSAGE_MAP()

private:
    // A delete question is open. Its box runs a loop of its own, in which further WM_PAPER_MOVED may arrive: they
    // are answered once, after it, instead of asking a second question on top of the first.
    bool m_bAsking = false;
    bool m_bMovedWhileAsking = false;
};

// The board view: the active view of the main window, which the framework sets before the first board loads.
// Null before that and once the main window is gone.
CZentView *GetBoardView();
