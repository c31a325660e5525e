// Device contexts of windows: the paint context of WM_PAINT, a client-area context and a whole-window context.
#pragma once

#include "Gdi.h"
#include "Wnd.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

// Valid only while a WM_PAINT is being handled; sends WM_ERASEBKGND when an erase was requested.
HDC BeginPaint(HWND hWnd, PAINTSTRUCT *lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint);
// Installs the window contexts behind GetDC, GetWindowDC and ReleaseDC (done when the first window is made).
void AfxInstallWindowDCProvider();

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd *pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd *pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd *pWnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};
