// Window objects: handles with exchangeable window procedures, messages, and the CWnd wrapper with its map.
#pragma once

#include "CString.h"
#include "CmdTarget.h"

class QWidget;
class QEvent;
class QPainter;
class QPoint;
class QRegion;
class CDC;
class CFrameWnd;
class CMenu;
class CScrollBar;
typedef POINT *LPPOINT;

struct CREATESTRUCT {
    void *lpCreateParams;
    void *hInstance;
    void *hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    QString lpszName;
    QString lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCT *LPCREATESTRUCT;

// Window class styles.
enum : UINT { CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_DBLCLKS = 0x0008, CS_SAVEBITS = 0x0800 };

// SetWindowPos flags.
enum : UINT {
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_NOZORDER = 0x0004,
    SWP_NOREDRAW = 0x0008,
    SWP_NOACTIVATE = 0x0010,
    SWP_SHOWWINDOW = 0x0040,
    SWP_HIDEWINDOW = 0x0080,
};

// Describes a window class: its procedure, class styles, small icon, and the Qt widget that shows its windows.
struct WNDCLASSINFO {
    QString lpszClassName;
    UINT style = CS_DBLCLKS;
    WNDPROC lpfnWndProc = nullptr;
    HICON hIconSm = nullptr;
    // Makes the widgets for a new window; null for the framework's generic window widget.
    void (*pfnMakeWidgets)(HWND hWnd, QWidget *parentWidget) = nullptr;
};

// Registers a window class; a class of the same name is replaced.
BOOL AfxRegisterWindowClass(const WNDCLASSINFO &info);
const WNDCLASSINFO *AfxFindWindowClass(const QString &name);
// The framework's own class names.
extern const char *const AfxWndClassName;       // generic windows and views
extern const char *const AfxMiniFrameClassName; // mini frames: double-clicks on, arrow cursor

// Window procedure level: the window system's side of windows.
LRESULT AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// Queues the message; it is delivered in order, after the current handler has returned.
BOOL PostMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLong(HWND hWnd, int nIndex);
LONG_PTR SetWindowLong(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
std::uintptr_t GetClassLong(HWND hWnd, int nIndex);
BOOL IsWindow(HWND hWnd);
BOOL ClipCursor(const RECT *lpRect);
BOOL GetClipCursor(RECT *lpRect);
HWND GetCapture();
BOOL ReleaseCapture();

// The thread's state: the record of the message being dispatched.
struct AFX_THREAD_STATE {
    MSG m_lastSentMsg{};
};
AFX_THREAD_STATE *AfxGetThreadState();

// Runs the queued posted messages now (tests use it instead of waiting).
void AfxPumpPostedMessages();
// TRUE while posted messages wait to be delivered.
BOOL AfxHasPostedMessages();
// Paints the child windows of hWndParent's client area, bottom to top, over what pPainter holds, without the
// parent's own WM_PAINT; rgnClient (client coordinates) limits it, ptOffset places the client's origin.
void AfxRenderChildWindows(HWND hWndParent, QPainter *pPainter, const QPoint &ptOffset, const QRegion &rgnClient);
// TRUE when the window's Qt widgets exist; a hidden child frame or edit gets them only when it first shows in view
// (tests and benchmarks look, without making them).
BOOL AfxHasWidgets(HWND hWnd);
// How many windows have been made since the program started (tests count what an operation makes).
quint64 AfxWindowsMade();
// Changes a system colour and tells every window, as the desktop does.
void AfxChangeSysColor(int nIndex, COLORREF clr);

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd &) = delete;
    CWnd &operator=(const CWnd &) = delete;

    HWND m_hWnd = nullptr;
    UINT m_nFlags = 0;
    // Procedure that default processing passes to (a control's class procedure); null means DefWindowProc.
    WNDPROC m_pfnSuper = nullptr;

    static CWnd *FromHandle(HWND hWnd);
    static CWnd *FromHandlePermanent(HWND hWnd);
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    BOOL Attach(HWND hWnd);
    HWND Detach();

    virtual BOOL CreateEx(DWORD dwExStyle, const QString &className, const QString &windowName, DWORD dwStyle,
                          const RECT &rect, CWnd *pParentWnd, UINT nID, void *lpParam = nullptr);
    virtual BOOL Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect,
                        CWnd *pParentWnd, UINT nID, void *pContext = nullptr);
    virtual BOOL PreCreateWindow(CREATESTRUCT &cs);
    virtual BOOL DestroyWindow();
    virtual void PostNcDestroy();
    virtual LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    virtual LRESULT DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnChildNotify(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    LRESULT Default();

    LRESULT SendMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0);

    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    void UpdateWindow();
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd *pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void BringWindowToTop();
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    CWnd *GetParent() const;
    CWnd *SetParent(CWnd *pWndNewParent);
    void SetWindowText(const QString &text);
    void GetWindowText(CString &rString) const;
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL IsIconic() const;
    BOOL IsZoomed() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    CWnd *SetFocus();
    static CWnd *GetFocus();
    CWnd *SetCapture();
    int GetDlgCtrlID() const;
    CWnd *GetDlgItem(int nID) const;
    void CenterWindow(CWnd *pAlternateOwner = nullptr);
    BOOL LockWindowUpdate();
    void UnlockWindowUpdate();
    void DragAcceptFiles(BOOL bAccept = TRUE);
    CFrameWnd *GetParentFrame() const;
    CFrameWnd *GetTopLevelFrame() const;

    // The Qt widget that shows this window, and the one its client area and children live in.
    QWidget *GetWidget() const;
    QWidget *GetClientWidget() const;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg BOOL OnEraseBkgnd(CDC *pDC);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg HBRUSH OnCtlColor(CDC *pDC, CWnd *pWnd, UINT nCtlColor);
    afx_msg void OnDropFiles(void *hDropInfo);

    DECLARE_MESSAGE_MAP()

private:
    friend struct WndAccess;
};
