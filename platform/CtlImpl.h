// Internal: the Qt side of the standard controls, shared by the control and dialog sources.
#pragma once

#include "Controls.h"
#include "WndImpl.h"

class QWidget;

namespace afx {

// Mouse input on a control's Qt widget becomes WM_LBUTTONDOWN, WM_MOUSEMOVE, ... sent to the control first (a
// press is preceded by WM_MOUSEACTIVATE). The Qt widget sees the event only when the message reached the control's
// class procedure, which says so with controlDefaultReached.
void routeMouseThroughWindow(QWidget *mouseWidget);
inline void controlDefaultReached(HWND hWnd)
{
    hWnd->defaultReached = true;
}
inline bool isMouseMessage(UINT nMsg)
{
    return (nMsg >= WM_MOUSEMOVE && nMsg <= WM_RBUTTONUP) || nMsg == WM_LBUTTONDBLCLK;
}

// WM_COMMAND with a notification code to the control's parent.
void notifyParent(HWND hCtl, int nCode);

// The control classes' procedures and widget makers.
LRESULT editWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
void makeEditWidgets(HWND hWnd, QWidget *parentWidget);
int editCharIndexFromPos(HWND hEdit, QPoint pt);

// Edit control helpers for the dialog manager.
// Multi-line edits in dialogs move the focus with Tab instead of typing a tab.
void editSetTabMovesFocus(HWND hEdit);
bool isEditWindow(HWND hWnd);
bool isPushButtonWindow(HWND hWnd);

// A prefixed static's mnemonic moves the focus to its buddy (the next control of the dialog).
void staticSetBuddy(HWND hStatic, QWidget *buddy);
bool isStaticWindow(HWND hWnd);
bool isGroupBoxWindow(HWND hWnd);

// Windows of the dialog class (defined with the dialogs).
bool isDialogWindow(HWND hWnd);

} // namespace afx
