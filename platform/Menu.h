// Pop-up menus: built item by item and tracked at a point on the screen; tests answer them from a queue.
#pragma once

#include "Wnd.h"

#include <QList>
#include <QPoint>
#include <QStringList>

// Menu item flags and TrackPopupMenu flags, with the window system's values.
enum : UINT {
    MF_STRING = 0x0000,
    MF_ENABLED = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_BYCOMMAND = 0x0000,
    MF_SEPARATOR = 0x0800,
    MF_BYPOSITION = 0x0400,
    TPM_LEFTALIGN = 0x0000,
    TPM_RIGHTBUTTON = 0x0002,
    TPM_NONOTIFY = 0x0080,
    TPM_RETURNCMD = 0x0100,
};

class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu &) = delete;
    CMenu &operator=(const CMenu &) = delete;

    BOOL CreatePopupMenu();
    BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, const QString &text = QString());
    // Shows the menu at the screen point. Before it shows, the owner's frame updates the items' states from the
    // command handlers (a command nobody handles is disabled). With TPM_RETURNCMD the chosen command is returned
    // (0 for none); otherwise it is sent to the owner as WM_COMMAND and the result is whether one was chosen.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd *pWnd, LPCRECT lpRect = nullptr);

    struct Item {
        UINT nFlags = 0;
        UINT nID = 0;
        QString text;
    };
    QList<Item> m_items;

private:
    bool m_bCreated = false;
};

// Pop-up menus in scripted mode (AfxDialogScript::SetScripted): nothing is shown; each menu takes the next queued
// command (none queued: the menu is dismissed). A command that is disabled in the menu cannot be chosen.
namespace AfxDialogScript {
struct ShownMenu {
    QStringList texts; // item texts, empty for separators
    QList<UINT> ids;
    QList<bool> enabled;
    QPoint ptScreen;
    UINT nChosen = 0;
};
void PushMenuAnswer(UINT nID);
const QList<ShownMenu> &MenuHistory();
void ClearMenuHistory();
int PendingMenuAnswers();
// Drops the queued commands and the menu history.
void ResetMenus();
} // namespace AfxDialogScript
