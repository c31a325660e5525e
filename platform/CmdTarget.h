// Message maps and command routing: messages and commands reach handlers named in a class's map.
#pragma once

#include "Object.h"

class CCmdTarget;
class CCmdUI;
class CDC;
class CWnd;
struct CREATESTRUCT;

// Notification codes carried in the high word of WM_COMMAND's wParam.
enum : int {
    CN_COMMAND = 0,
    CN_UPDATE_COMMAND_UI = -1,
    BN_CLICKED = 0,
    BN_DOUBLECLICKED = 5,
    LBN_SELCHANGE = 1,
    LBN_DBLCLK = 2,
    EN_CHANGE = 0x0300,
    EN_SETFOCUS = 0x0100,
    EN_KILLFOCUS = 0x0200,
};

// One handler; returns TRUE when the message was handled and sets *pResult.
typedef BOOL (*AFX_PMSG)(CCmdTarget *pTarget, UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT *pResult,
                         void *pExtra);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // window message, or WM_COMMAND for commands and notifications
    int nCode;     // notification code for WM_COMMAND entries
    UINT nID;      // first command or control id
    UINT nLastID;  // last command or control id
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP *(*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY *lpEntries;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    // Routes a command (nCode CN_COMMAND or a notification) or an update request (CN_UPDATE_COMMAND_UI, pExtra
    // the CCmdUI) to this object's map; TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra);
    virtual const AFX_MSGMAP *GetMessageMap() const;
    static const AFX_MSGMAP *GetThisMessageMap();

protected:
    // Finds the entry for a window message in this class's map or its bases'.
    static const AFX_MSGMAP_ENTRY *FindMessageEntry(const AFX_MSGMAP *pMap, UINT nMessage, int nCode, UINT nID);
};

// Update-command-UI: asks the handler of a command whether its menu item or button is enabled.
class CCmdUI {
public:
    virtual ~CCmdUI() = default;
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;

    virtual void Enable(BOOL bOn = TRUE) = 0;
    virtual void SetCheck(int nCheck = 1) = 0;
    virtual void SetText(const QString &text) { (void)text; }
    void ContinueRouting() { m_bContinueRouting = TRUE; }
    // Routes the request through pTarget; a command nobody handles is disabled when bDisableIfNoHndler.
    BOOL DoUpdate(CCmdTarget *pTarget, BOOL bDisableIfNoHndler);
};

#define DECLARE_MESSAGE_MAP()                                                                                          \
public:                                                                                                                \
    static const AFX_MSGMAP *GetThisMessageMap();                                                                      \
    const AFX_MSGMAP *GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP *theClass::GetMessageMap() const                                                                  \
    {                                                                                                                  \
        return GetThisMessageMap();                                                                                    \
    }                                                                                                                  \
    const AFX_MSGMAP *theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        using ThisClass [[maybe_unused]] = theClass;                                                                   \
        using TheBaseClass [[maybe_unused]] = baseClass;                                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        0, 0, 0, 0, nullptr                                                                                            \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};                      \
    return &messageMap;                                                                                                \
    }

#define ZB_MSG_ENTRY_(msg, code, id, lastId, body)                                                                     \
    {msg, code, id, lastId,                                                                                            \
     [](CCmdTarget *pTarget_, UINT nMsg_, WPARAM wParam, LPARAM lParam, LRESULT *pResult_, void *pExtra_) -> BOOL {    \
         (void)nMsg_;                                                                                                  \
         (void)wParam;                                                                                                 \
         (void)lParam;                                                                                                 \
         (void)pExtra_;                                                                                                \
         ThisClass *pThis_ = static_cast<ThisClass *>(pTarget_);                                                       \
         *pResult_ = 0;                                                                                                \
         body;                                                                                                         \
         return TRUE;                                                                                                  \
     }},

// Window messages.
#define ON_WM_CREATE()                                                                                                 \
    ZB_MSG_ENTRY_(WM_CREATE, 0, 0, 0, *pResult_ = pThis_->OnCreate(reinterpret_cast<CREATESTRUCT *>(lParam)))
#define ON_WM_DESTROY() ZB_MSG_ENTRY_(WM_DESTROY, 0, 0, 0, pThis_->OnDestroy())
#define ON_WM_NCDESTROY() ZB_MSG_ENTRY_(WM_NCDESTROY, 0, 0, 0, pThis_->OnNcDestroy())
#define ON_WM_CLOSE() ZB_MSG_ENTRY_(WM_CLOSE, 0, 0, 0, pThis_->OnClose())
#define ON_WM_SIZE()                                                                                                   \
    ZB_MSG_ENTRY_(WM_SIZE, 0, 0, 0, pThis_->OnSize(UINT(wParam), short(LOWORD(lParam)), short(HIWORD(lParam))))
#define ON_WM_MOVE() ZB_MSG_ENTRY_(WM_MOVE, 0, 0, 0, pThis_->OnMove(short(LOWORD(lParam)), short(HIWORD(lParam))))
#define ON_WM_PAINT() ZB_MSG_ENTRY_(WM_PAINT, 0, 0, 0, pThis_->OnPaint())
#define ON_WM_ERASEBKGND()                                                                                             \
    ZB_MSG_ENTRY_(WM_ERASEBKGND, 0, 0, 0, *pResult_ = pThis_->OnEraseBkgnd(reinterpret_cast<CDC *>(wParam)))
#define ON_WM_LBUTTONDOWN() ZB_MSG_ENTRY_(WM_LBUTTONDOWN, 0, 0, 0, pThis_->OnLButtonDown(UINT(wParam), CPoint(lParam)))
#define ON_WM_LBUTTONUP() ZB_MSG_ENTRY_(WM_LBUTTONUP, 0, 0, 0, pThis_->OnLButtonUp(UINT(wParam), CPoint(lParam)))
#define ON_WM_LBUTTONDBLCLK()                                                                                          \
    ZB_MSG_ENTRY_(WM_LBUTTONDBLCLK, 0, 0, 0, pThis_->OnLButtonDblClk(UINT(wParam), CPoint(lParam)))
#define ON_WM_MOUSEMOVE() ZB_MSG_ENTRY_(WM_MOUSEMOVE, 0, 0, 0, pThis_->OnMouseMove(UINT(wParam), CPoint(lParam)))
#define ON_WM_NCLBUTTONDBLCLK()                                                                                        \
    ZB_MSG_ENTRY_(WM_NCLBUTTONDBLCLK, 0, 0, 0, pThis_->OnNcLButtonDblClk(UINT(wParam), CPoint(lParam)))
#define ON_WM_CONTEXTMENU()                                                                                            \
    ZB_MSG_ENTRY_(WM_CONTEXTMENU, 0, 0, 0,                                                                             \
                  pThis_->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), CPoint(lParam)))
#define ON_WM_CTLCOLOR()                                                                                               \
    ZB_MSG_ENTRY_(WM_CTLCOLOREDIT, 0, 0, 0,                                                                            \
                  *pResult_ = reinterpret_cast<LRESULT>(pThis_->OnCtlColor(                                            \
                      reinterpret_cast<CDC *>(wParam), CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),               \
                      UINT(reinterpret_cast<std::uintptr_t>(pExtra_)))))
#define ON_WM_DROPFILES() ZB_MSG_ENTRY_(WM_DROPFILES, 0, 0, 0, pThis_->OnDropFiles(reinterpret_cast<void *>(wParam)))
#define ON_MESSAGE(message, memberFxn) ZB_MSG_ENTRY_(message, 0, 0, 0, *pResult_ = pThis_->memberFxn(wParam, lParam))

// Commands and control notifications.
#define ON_COMMAND(id, memberFxn) ZB_MSG_ENTRY_(WM_COMMAND, CN_COMMAND, id, id, pThis_->memberFxn())
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn)                                                                     \
    {WM_COMMAND, CN_COMMAND, id, idLast,                                                                               \
     [](CCmdTarget *pTarget_, UINT nId_, WPARAM, LPARAM, LRESULT *, void *) -> BOOL {                                  \
         return static_cast<ThisClass *>(pTarget_)->memberFxn(nId_);                                                   \
     }},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                            \
    ZB_MSG_ENTRY_(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, id, pThis_->memberFxn(static_cast<CCmdUI *>(pExtra_)))
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                              \
    ZB_MSG_ENTRY_(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, idLast, pThis_->memberFxn(static_cast<CCmdUI *>(pExtra_)))
#define ON_CONTROL(code, id, memberFxn) ZB_MSG_ENTRY_(WM_COMMAND, code, id, id, pThis_->memberFxn())
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
