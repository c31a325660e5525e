// The main window: menu, toolbar, status bar and the board view.
#pragma once

#include "platform/Framework.h"

class CMainFrame : public CFrameWnd {
protected:
    CMainFrame();
    DECLARE_DYNCREATE(CMainFrame)

public:
    ~CMainFrame() override;
    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
    void AssertValid() const override;
    void Dump() const override;

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg void OnNcDestroy();
    DECLARE_MESSAGE_MAP()
};
