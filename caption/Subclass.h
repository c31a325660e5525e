// Message hooks in front of an existing window's procedure: a chain per window, newest first, found through one
// map from window handle to the newest hook.
#pragma once

#include "platform/Object.h"
#include "platform/Wnd.h"

#include <QHash>

class CSubclassWnd : public CObject {
    DECLARE_DYNAMIC(CSubclassWnd)
public:
    CSubclassWnd();
    // The hook must be unhooked already; it does not unhook by itself.
    ~CSubclassWnd() override;
    CSubclassWnd(const CSubclassWnd &) = delete;
    CSubclassWnd &operator=(const CSubclassWnd &) = delete;

    // Hooks onto pWnd (put at the head of its chain), or with NULL unhooks. Always TRUE.
    BOOL SetHookedWindow(CWnd *pWnd);

    // Passes the message on: to the next older hook's override, or to the window's saved procedure.
    virtual LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);

    // The usual processing of the thread's current message, skipping this hook's own override.
    LRESULT Default();

    CWnd *m_pHookedWnd;
    WNDPROC m_pfnSavedWndProc;
    CSubclassWnd *m_pNextHook;
};

// The process's hooks by window handle; the value is the window's newest hook. Owns neither windows nor hooks.
class CSubclassWndMap {
public:
    CSubclassWndMap();
    // The map must be empty by then.
    ~CSubclassWndMap();
    CSubclassWndMap(const CSubclassWndMap &) = delete;
    CSubclassWndMap &operator=(const CSubclassWndMap &) = delete;

    // The one map, made on the first call and destroyed at process exit.
    static CSubclassWndMap *GetHookMap();

    void AddHook(HWND hWnd, CSubclassWnd *pHook);
    void RemoveHook(CSubclassWnd *pHook);
    void RemoveAllHooks(HWND hWnd);
    CSubclassWnd *LookupHook(HWND hWnd);

private:
    // Window handle to newest hook, kept as CObject* so a lookup can check the kind of what it finds.
    QHash<HWND, CObject *> m_map;
};

// The window procedure installed on every hooked window.
LRESULT SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
