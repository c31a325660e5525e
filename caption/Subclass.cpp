#include "Subclass.h"

IMPLEMENT_DYNAMIC(CSubclassWnd, CObject)

// ---------------------------------------------------------------------------------------------------------------
// CSubclassWnd

CSubclassWnd::CSubclassWnd() : m_pHookedWnd(nullptr), m_pfnSavedWndProc(nullptr), m_pNextHook(nullptr) {}

CSubclassWnd::~CSubclassWnd()
{
    ASSERT(m_pHookedWnd == nullptr && m_pfnSavedWndProc == nullptr);
}

BOOL CSubclassWnd::SetHookedWindow(CWnd *pWnd)
{
    if (pWnd) {
        ASSERT(m_pHookedWnd == nullptr);
        ASSERT(pWnd->GetSafeHwnd() != nullptr && ::IsWindow(pWnd->GetSafeHwnd()));
        CSubclassWndMap::GetHookMap()->AddHook(pWnd->GetSafeHwnd(), this);
        m_pHookedWnd = pWnd;
    } else {
        ASSERT(m_pHookedWnd != nullptr);
        CSubclassWndMap::GetHookMap()->RemoveHook(this);
        // m_pNextHook is left as it is: the next hooking sets it again.
        m_pfnSavedWndProc = nullptr;
        m_pHookedWnd = nullptr;
    }
    return TRUE;
}

LRESULT CSubclassWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    ASSERT(m_pfnSavedWndProc != nullptr);
    if (m_pNextHook)
        return m_pNextHook->WindowProc(nMsg, wParam, lParam);
    return ::CallWindowProc(m_pfnSavedWndProc, m_pHookedWnd->GetSafeHwnd(), nMsg, wParam, lParam);
}

LRESULT CSubclassWnd::Default()
{
    // Copies: the record may change while the message is passed on.
    const MSG msg = AfxGetThreadState()->m_lastSentMsg;
    return CSubclassWnd::WindowProc(msg.message, msg.wParam, msg.lParam);
}

// ---------------------------------------------------------------------------------------------------------------
// CSubclassWndMap

CSubclassWndMap::CSubclassWndMap()
{
    m_map.reserve(10);
}

CSubclassWndMap::~CSubclassWndMap()
{
    ASSERT(m_map.isEmpty());
}

CSubclassWndMap *CSubclassWndMap::GetHookMap()
{
    static CSubclassWndMap theMap;
    return &theMap;
}

void CSubclassWndMap::AddHook(HWND hWnd, CSubclassWnd *pHook)
{
    ASSERT(hWnd != nullptr && ::IsWindow(hWnd));
    pHook->m_pNextHook = LookupHook(hWnd);
    m_map.insert(hWnd, pHook);
    if (!pHook->m_pNextHook) {
        // First hook of the window: install the hook procedure and keep the window's own.
        pHook->m_pfnSavedWndProc =
            reinterpret_cast<WNDPROC>(::SetWindowLong(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    } else {
        pHook->m_pfnSavedWndProc = pHook->m_pNextHook->m_pfnSavedWndProc;
    }
    ASSERT(pHook->m_pfnSavedWndProc != nullptr);
}

void CSubclassWndMap::RemoveHook(CSubclassWnd *pHook)
{
    HWND hWnd = pHook->m_pHookedWnd ? pHook->m_pHookedWnd->GetSafeHwnd() : nullptr;
    ASSERT(hWnd != nullptr && ::IsWindow(hWnd));
    CSubclassWnd *pHead = LookupHook(hWnd);
    ASSERT(pHead != nullptr);
    if (pHead == pHook) {
        if (pHook->m_pNextHook) {
            m_map.insert(hWnd, pHook->m_pNextHook);
        } else {
            m_map.remove(hWnd);
            ::SetWindowLong(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(pHook->m_pfnSavedWndProc));
        }
        return;
    }
    CSubclassWnd *pPrev = pHead;
    while (pPrev && pPrev->m_pNextHook != pHook)
        pPrev = pPrev->m_pNextHook;
    ASSERT(pPrev != nullptr);
    if (pPrev)
        pPrev->m_pNextHook = pHook->m_pNextHook;
}

void CSubclassWndMap::RemoveAllHooks(HWND hWnd)
{
    // Newest first; the last removal puts the window's own procedure back.
    while (CSubclassWnd *pHook = LookupHook(hWnd))
        pHook->SetHookedWindow(nullptr);
}

CSubclassWnd *CSubclassWndMap::LookupHook(HWND hWnd)
{
    const auto it = m_map.constFind(hWnd);
    if (it == m_map.constEnd())
        return nullptr;
    CObject *pObject = it.value();
    ASSERT(pObject->IsKindOf(RUNTIME_CLASS(CSubclassWnd)));
    return static_cast<CSubclassWnd *>(pObject);
}

// ---------------------------------------------------------------------------------------------------------------
// SubclassProc

namespace {
// Puts the thread's current-message record back when the message ends, however it ends.
class CurrentMessageKeeper {
public:
    explicit CurrentMessageKeeper(MSG &record) : m_record(record), m_saved(record) {}
    ~CurrentMessageKeeper() { m_record = m_saved; }
    CurrentMessageKeeper(const CurrentMessageKeeper &) = delete;
    CurrentMessageKeeper &operator=(const CurrentMessageKeeper &) = delete;

private:
    MSG &m_record;
    const MSG m_saved;
};
} // namespace

LRESULT SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    MSG &record = AfxGetThreadState()->m_lastSentMsg;
    const CurrentMessageKeeper keeper(record);
    // Time and point keep the values of the message that led here.
    record.hwnd = hWnd;
    record.message = nMsg;
    record.wParam = wParam;
    record.lParam = lParam;

    CSubclassWndMap *pMap = CSubclassWndMap::GetHookMap();
    CSubclassWnd *pHook = pMap->LookupHook(hWnd);
    ASSERT(pHook != nullptr);
    if (!pHook)
        return ::DefWindowProc(hWnd, nMsg, wParam, lParam);

    if (nMsg == WM_NCDESTROY) {
        // Every hook leaves before the window's own procedure sees its last message; the hook objects may end
        // during that call (their owner is often the window object), so nothing of them is touched afterwards.
        const WNDPROC pfnSaved = pHook->m_pfnSavedWndProc;
        pMap->RemoveAllHooks(hWnd);
        return ::CallWindowProc(pfnSaved, hWnd, nMsg, wParam, lParam);
    }
    return pHook->WindowProc(nMsg, wParam, lParam);
}
