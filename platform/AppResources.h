// The program's built-in resources as the framework reads them: string table, menus, accelerators, toolbars and
// dialog templates. The program registers its tables at start-up; bitmaps and icons live in the Qt resources.
#pragma once

#include "CString.h"

#include <vector>

// One menu item: a command, a separator (id 0, no text, no items) or a popup (items not empty).
struct AfxMenuItem {
    QString text; // "&" marks the mnemonic, a tab separates the shortcut text
    UINT nID = 0;
    std::vector<AfxMenuItem> items;
    bool bGrayed = false;
    bool IsSeparator() const { return nID == 0 && text.isEmpty() && items.empty(); }
    bool IsPopup() const { return !items.empty(); }
};

struct AfxMenuTemplate {
    std::vector<AfxMenuItem> popups;
};

// Accelerator flags and the virtual keys the tables use.
enum : BYTE { FVIRTKEY = 0x01, FSHIFT = 0x04, FCONTROL = 0x08, FALT = 0x10 };
enum : WORD {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_F1 = 0x70,
    VK_F6 = 0x75,
};
struct ACCEL {
    BYTE fVirt;
    WORD key; // a virtual key; letters and digits are their upper-case ASCII codes
    WORD cmd;
};

struct AfxToolBarTemplate {
    int cxButton = 16;
    int cyButton = 15;
    std::vector<UINT> ids; // 0 = separator
};

// Dialog templates, in dialog units.
struct DLGITEMTEMPLATE {
    QString className; // "BUTTON", "EDIT", "STATIC", "LISTBOX"
    QString text;
    int nID;
    DWORD style;
    short x, y, cx, cy;
    DWORD exStyle = 0;
};
struct DLGTEMPLATE {
    DWORD style;
    short x, y, cx, cy;
    QString title;
    QString fontName;
    int pointSize;
    std::vector<DLGITEMTEMPLATE> items;
    DWORD exStyle = 0;
};

// Dialog and control styles used by templates.
enum : DWORD {
    DS_SETFONT = 0x40,
    DS_MODALFRAME = 0x80,
    DS_CENTER = 0x0800,
    BS_PUSHBUTTON = 0x0,
    BS_DEFPUSHBUTTON = 0x1,
    BS_CHECKBOX = 0x2,
    BS_GROUPBOX = 0x7,
    BS_CENTER = 0x300,
    SS_LEFT = 0x0,
    SS_CENTER = 0x1,
    SS_ICON = 0x3,
    SS_NOPREFIX = 0x80,
    LBS_NOTIFY = 0x1,
    LBS_SORT = 0x2,
    LBS_NOINTEGRALHEIGHT = 0x100,
    LBS_HASSTRINGS = 0x40,
};

void AfxRegisterStrings(const std::vector<std::pair<UINT, QString>> &strings);
void AfxRegisterMenu(UINT nID, const AfxMenuTemplate &menu);
void AfxRegisterAccelerators(UINT nID, const std::vector<ACCEL> &table);
void AfxRegisterToolBar(UINT nID, const AfxToolBarTemplate &toolbar);
void AfxRegisterDialog(UINT nID, const DLGTEMPLATE &dialog);

// Empty string, null or an empty table when there is no such resource.
CString AfxLoadString(UINT nID);
const AfxMenuTemplate *AfxFindMenu(UINT nID);
const std::vector<ACCEL> *AfxFindAccelerators(UINT nID);
const AfxToolBarTemplate *AfxFindToolBar(UINT nID);
const DLGTEMPLATE *AfxFindDialog(UINT nID);
