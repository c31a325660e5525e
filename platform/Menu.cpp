#include "Menu.h"

#include "CommonDialogs.h"
#include "Framework.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <deque>

namespace {
struct MenuScript {
    std::deque<UINT> answers;
    QList<AfxDialogScript::ShownMenu> history;
};
MenuScript &menuScript()
{
    static MenuScript s;
    return s;
}

// Update-command-UI for one item of a pop-up menu.
class CMenuItemCmdUI : public CCmdUI {
public:
    explicit CMenuItemCmdUI(CMenu::Item &item) : m_item(item) {}
    void Enable(BOOL bOn) override
    {
        m_item.nFlags = bOn ? (m_item.nFlags & ~UINT(MF_GRAYED | MF_DISABLED)) : (m_item.nFlags | MF_GRAYED);
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetText(const QString &text) override { m_item.text = text; }

private:
    CMenu::Item &m_item;
};

bool isEnabled(const CMenu::Item &item)
{
    return !(item.nFlags & (MF_GRAYED | MF_DISABLED));
}
} // namespace

namespace AfxDialogScript {
void PushMenuAnswer(UINT nID)
{
    menuScript().answers.push_back(nID);
}
const QList<ShownMenu> &MenuHistory()
{
    return menuScript().history;
}
void ClearMenuHistory()
{
    menuScript().history.clear();
}
int PendingMenuAnswers()
{
    return int(menuScript().answers.size());
}
void ResetMenus()
{
    menuScript().answers.clear();
    menuScript().history.clear();
}
} // namespace AfxDialogScript

BOOL CMenu::CreatePopupMenu()
{
    m_items.clear();
    m_bCreated = true;
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const QString &text)
{
    if (!m_bCreated)
        return FALSE;
    Item item;
    item.nFlags = nFlags;
    item.nID = (nFlags & MF_SEPARATOR) ? 0 : nIDNewItem;
    item.text = (nFlags & MF_SEPARATOR) ? QString() : text;
    m_items.append(item);
    return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd *pWnd, LPCRECT)
{
    if (!m_bCreated || m_items.isEmpty())
        return FALSE;
    // The owner's frame brings the items up to date, as it does for its own menus when they open.
    CFrameWnd *pFrame = dynamic_cast<CFrameWnd *>(pWnd);
    if (!pFrame && pWnd)
        pFrame = pWnd->GetTopLevelFrame();
    if (pFrame && pFrame->m_bAutoMenuEnable) {
        for (Item &item : m_items) {
            if (item.nFlags & MF_SEPARATOR)
                continue;
            CMenuItemCmdUI ui(item);
            ui.m_nID = item.nID;
            ui.DoUpdate(pFrame, TRUE);
        }
    }

    UINT nChosen = 0;
    if (AfxDialogScript::IsScripted()) {
        AfxDialogScript::ShownMenu shown;
        for (const Item &item : m_items) {
            shown.texts.append(item.text);
            shown.ids.append(item.nID);
            shown.enabled.append(!(item.nFlags & MF_SEPARATOR) && isEnabled(item));
        }
        shown.ptScreen = QPoint(x, y);
        MenuScript &s = menuScript();
        if (!s.answers.empty()) {
            const UINT nAnswer = s.answers.front();
            s.answers.pop_front();
            for (const Item &item : m_items)
                if (!(item.nFlags & MF_SEPARATOR) && item.nID == nAnswer && isEnabled(item))
                    nChosen = nAnswer;
        }
        shown.nChosen = nChosen;
        s.history.append(shown);
    } else {
        QWidget *parent = pWnd ? pWnd->GetWidget() : nullptr;
        QMenu menu(parent);
        for (const Item &item : m_items) {
            if (item.nFlags & MF_SEPARATOR) {
                menu.addSeparator();
                continue;
            }
            QAction *a = menu.addAction(item.text);
            a->setData(item.nID);
            a->setEnabled(isEnabled(item));
        }
        if (QAction *a = menu.exec(QPoint(x, y)))
            nChosen = a->data().toUInt();
    }

    if (nFlags & TPM_RETURNCMD)
        return BOOL(nChosen);
    if (nChosen && pWnd && IsWindow(pWnd->GetSafeHwnd()))
        ::SendMessage(pWnd->GetSafeHwnd(), WM_COMMAND, nChosen, 0);
    return nChosen != 0;
}
