// The caption painter the note windows carry: hooks onto a frame, activates on any window, and can show an icon
// of its own.
#pragma once

#include "Caption.h"

class CFrameWnd;

class CSingleLineCaption final : public CCaption {
    DECLARE_DYNAMIC(CSingleLineCaption)
public:
    CSingleLineCaption();
    ~CSingleLineCaption() override;

    // Hooks the painter onto the frame. TRUE.
    BOOL Attach(CFrameWnd *pFrameWnd);

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    int DrawIcon(CDC *pDC) override;
    BOOL OnNcActivate(BOOL bActive) override;

    // Drawn instead of the window class's small icon when set; not owned.
    HICON m_hIcon;
};
