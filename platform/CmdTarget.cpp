#include "CmdTarget.h"

const CRuntimeClass CCmdTarget::classCCmdTarget = {"CCmdTarget", int(sizeof(CCmdTarget)), 0xFFFF, nullptr,
                                                   &CCmdTarget::_GetBaseClass};
const CRuntimeClass *CCmdTarget::_GetBaseClass()
{
    return RUNTIME_CLASS(CObject);
}
const CRuntimeClass *CCmdTarget::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CCmdTarget);
}

const AFX_MSGMAP *CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP *CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY *CCmdTarget::FindMessageEntry(const AFX_MSGMAP *pMap, UINT nMessage, int nCode, UINT nID)
{
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY *e = pMap->lpEntries; e->pfn; ++e) {
            if (e->nMessage != nMessage)
                continue;
            if (nMessage != WM_COMMAND)
                return e;
            if (e->nCode == nCode && nID >= e->nID && nID <= e->nLastID)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void *pExtra)
{
    const AFX_MSGMAP_ENTRY *e = FindMessageEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (!e)
        return FALSE;
    if (nCode == CN_UPDATE_COMMAND_UI) {
        CCmdUI *pCmdUI = static_cast<CCmdUI *>(pExtra);
        if (!pCmdUI)
            return TRUE; // only asking whether a handler exists
        pCmdUI->m_bContinueRouting = FALSE;
        LRESULT r = 0;
        e->pfn(this, nID, 0, 0, &r, pExtra);
        return !pCmdUI->m_bContinueRouting;
    }
    if (pExtra) // a probe for a command handler: say yes without running it
        return TRUE;
    LRESULT r = 0;
    return e->pfn(this, nID, 0, 0, &r, nullptr);
}

BOOL CCmdUI::DoUpdate(CCmdTarget *pTarget, BOOL bDisableIfNoHndler)
{
    m_bEnableChanged = FALSE;
    const BOOL bHandled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (bHandled)
        return TRUE;
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        // A command is enabled only when some target in the route has a handler for it.
        struct Probe {
        } probe;
        const BOOL bHasHandler = pTarget->OnCmdMsg(m_nID, CN_COMMAND, &probe);
        Enable(bHasHandler);
    }
    return bHandled;
}
