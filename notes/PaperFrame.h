// A note on the board: a small child frame of the board view with a painted caption, filled by its text control.
#pragma once

#include "caption/CaptionBackground.h"
#include "caption/SingleLineCaption.h"
#include "platform/Framework.h"

#include <memory>

class CPaperEdit;
class CZentDoc;

class CPaperFrame : public CMiniFrameWnd {
    DECLARE_DYNCREATE(CPaperFrame)
public:
    // Builds the members only; for the run-time class mechanism.
    CPaperFrame();
    // Creates the note window at rect (the outer rectangle, board view client coordinates) around pEdit, which
    // must be a created child of the board view. The note ends with its window.
    CPaperFrame(std::unique_ptr<CPaperEdit> pEdit, RECT &rect, bool bShow);
    ~CPaperFrame() override;

    bool m_bHidden;
    CRect m_rect;
    // The note's text control; its window is a child of the note's and ends with it.
    std::unique_ptr<CPaperEdit> m_pEdit;
    // The background m_caption paints with and owns; null until the note's window was created.
    CGradientCaptionBackground *m_pBackground;
    CSingleLineCaption m_caption;
    COLORREF m_clrCaptionText;
    COLORREF m_clrCaption;
    CString m_strCaption;
    bool m_bDestroyed;
    // The board's number for the note, kept by undo steps; 0 until the note is on the board's list.
    int m_nId = 0;
    // The mouse move or size of the window in progress, 0 when none.
    int m_nSizeMove = 0;

    // Out of the storage onto the board; nothing when already there.
    void Show();
    // Into the storage; nothing when already there.
    void Hide();
    // Ends the note: its window, and with it this object. At most once; the caller must not touch it again.
    void Destroy();
    // Puts the keyboard focus into the note's text, which makes the note the active one.
    void FocusText();
    // Gives the painter a new background in m_clrCaption (after the colour was loaded).
    void RefreshCaptionBackground();
    // Counts every change of any note's place, storage state or existence: while it stands still, the board's
    // test of the notes against its icons gives the same answer.
    static quint64 LayoutVersion() { return s_nLayoutVersion; }

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTextChange();
    afx_msg void OnNcDestroy();
    afx_msg LRESULT OnEnterSizeMove(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnExitSizeMove(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    static quint64 s_nLayoutVersion;
    // m_rect from the window's place in its parent.
    void UpdateRect();
    // After a move or a size: tells the board view, and marks the board modified when the note moved.
    void PaperMoved(const CRect &rcBefore);
    // A new gradient background in m_clrCaption for the painter.
    void HandCaptionBackground();
    // The document of the board view the note lies on; null when there is none.
    CZentDoc *GetBoardDocument() const;
};
