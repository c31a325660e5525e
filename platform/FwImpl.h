// Internal: helpers the framework's sources share (window classes of frames and bars, command texts, update).
#pragma once

#include "Framework.h"

#include <QPair>
#include <QString>

class QAction;
class QMenu;

namespace afx {

// The window classes of frames, toolbars and status bars (registered on first use).
extern const char *const kFrameClassName;
extern const char *const kToolBarClassName;
extern const char *const kStatusBarClassName;
void registerFrameworkClasses();

// The application's title: string AFX_IDS_APP_TITLE, else the Qt application name.
CString appTitle();
// Update-command-UI for one action (menu item, button or accelerator).
void updateAction(CFrameWnd *pFrame, QAction *a, BOOL bDisableIfNoHndler);
// Status prompt and tooltip of a command from the string table ("prompt\ntooltip").
QPair<QString, QString> commandTexts(UINT nID);
// The recent-file entries of a menu, rebuilt from the application's list.
void rebuildRecentFiles(QMenu *menu, HWND hFrame);

} // namespace afx
