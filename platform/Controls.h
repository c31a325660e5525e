// The window system's standard controls (edit, list box, button, static) as window classes with their own
// procedures, and the framework's wrappers CEdit, CListBox, CButton and CStatic.
#pragma once

#include "AppResources.h"
#include "Wnd.h"

class QLineEdit;
class QListWidget;
class QPlainTextEdit;

typedef std::uintptr_t DWORD_PTR;

// Messages of the controls and their parents.
enum : UINT {
    WM_NEXTDLGCTL = 0x0028,
    WM_CTLCOLORLISTBOX = 0x0134,
    WM_CTLCOLORBTN = 0x0135,
    WM_CTLCOLORDLG = 0x0136,
    WM_CTLCOLORSTATIC = 0x0138,
    EM_SCROLLCARET = 0x00B7,
    EM_GETLINECOUNT = 0x00BA,
    EM_LIMITTEXT = 0x00C5,
    EM_CANUNDO = 0x00C6,
    EM_UNDO = 0x00C7,
    EM_EMPTYUNDOBUFFER = 0x00CD,
    EM_SETREADONLY = 0x00CF,
    EM_POSFROMCHAR = 0x00D6,
    BM_GETCHECK = 0x00F0,
    BM_SETCHECK = 0x00F1,
    BM_SETSTYLE = 0x00F4,
    BM_CLICK = 0x00F5,
    STM_SETICON = 0x0170,
    STM_GETICON = 0x0171,
    LB_ADDSTRING = 0x0180,
    LB_INSERTSTRING = 0x0181,
    LB_DELETESTRING = 0x0182,
    LB_RESETCONTENT = 0x0184,
    LB_SETCURSEL = 0x0186,
    LB_GETCURSEL = 0x0188,
    LB_GETTEXT = 0x0189,
    LB_GETTEXTLEN = 0x018A,
    LB_GETCOUNT = 0x018B,
    LB_FINDSTRING = 0x018F,
    LB_GETITEMDATA = 0x0199,
    LB_SETITEMDATA = 0x019A,
    LB_FINDSTRINGEXACT = 0x01A2,
    DM_GETDEFID = 0x0400,
    DM_SETDEFID = 0x0401,
};

// The kinds of control that WM_CTLCOLOR handlers are told about (nCtlColor).
enum : UINT {
    CTLCOLOR_MSGBOX = 0,
    CTLCOLOR_EDIT = 1,
    CTLCOLOR_LISTBOX = 2,
    CTLCOLOR_BTN = 3,
    CTLCOLOR_DLG = 4,
    CTLCOLOR_SCROLLBAR = 5,
    CTLCOLOR_STATIC = 6,
};

// Control styles not listed with the dialog templates.
enum : DWORD {
    BS_AUTOCHECKBOX = 0x3,
    BS_TYPEMASK = 0xF,
    BS_LEFT = 0x100,
    BS_RIGHT = 0x200,
    SS_RIGHT = 0x2,
    SS_SIMPLE = 0xB,
    SS_LEFTNOWORDWRAP = 0xC,
    SS_TYPEMASK = 0x1F,
    ES_CENTER = 0x0001,
    ES_RIGHT = 0x0002,
};

enum : int { LB_OKAY = 0, LB_ERR = -1 };
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum : WORD { DC_HASDEFID = 0x534B };

// Window class names of the controls.
extern const char *const AfxEditClassName;    // "EDIT"
extern const char *const AfxListBoxClassName; // "LISTBOX"
extern const char *const AfxButtonClassName;  // "BUTTON"
extern const char *const AfxStaticClassName;  // "STATIC"

// Registers the control classes (done on first use by the wrappers and the dialogs; calling it again is harmless).
void AfxRegisterControlClasses();

// Creates a control window that has no object of its own: it runs on its class procedure. NULL when the class is
// unknown or creation fails.
HWND AfxCreateControlWindow(const QString &className, const QString &text, DWORD dwStyle, DWORD dwExStyle,
                            const RECT &rect, HWND hWndParent, UINT nID);

// Attaches an existing window to an object that has none, as the framework's SubclassWindow does: messages go to
// the object's map first and on to the window's previous procedure by default. FALSE when the window is gone, the
// object already has a window or the window already has an object.
BOOL AfxSubclassWindow(CWnd &wnd, HWND hWnd);

// Edit control. Text and character positions are the program's: line breaks are CR LF and count as two
// characters, whatever the Qt widget holds.
class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;
    using CWnd::Create;
    // A QPlainTextEdit for ES_MULTILINE, a QLineEdit otherwise. FALSE when the window cannot be made.
    BOOL Create(DWORD dwStyle, const RECT &rect, CWnd *pParentWnd, UINT nID);

    void GetSel(int &nStartChar, int &nEndChar) const;
    // Start in the low word, end in the high word; -1 when either is above 65535, as the window system answers.
    DWORD GetSel() const;
    // Start -1 removes the selection; end -1 means the end of the text. The caret goes to the end index and is
    // scrolled into view unless bNoScroll.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    // The start in the low word and the end in the high word, as GetSel() gives them.
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
    // Replaces the selection (inserts at the caret). Without bCanUndo the control's undo cannot take it back; the
    // undo history is then emptied, as the window system's control does.
    void ReplaceSel(const QString &text, BOOL bCanUndo = FALSE);
    // Character nearest to a client point in the low word and its line in the high word (each cut to 16 bits).
    int CharFromPos(CPoint pt) const;
    // The full character index nearest to a client point; the end of the text for a point below the last line.
    int CharIndexFromPos(CPoint pt) const;
    // Client coordinates of a character's top-left corner; (-1, -1) for an index beyond the text.
    CPoint PosFromChar(UINT nChar) const;
    int GetLineCount() const;
    void Clear();
    BOOL Undo();
    BOOL CanUndo() const;

    // The Qt widget of a multi-line control (platform code only); null for a single-line one.
    QPlainTextEdit *GetPlainTextEdit() const;
};

// List box. LBS_SORT keeps the rows in case-insensitive alphabetical order.
class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    CListBox() = default;

    int GetCount() const;
    // -1 when no row is selected.
    int GetCurSel() const;
    // -1 removes the selection; LB_ERR (and no selection) for an index out of range. Sends no notification.
    int SetCurSel(int nSelect);
    // Index where the row went (its sorted place with LBS_SORT).
    int AddString(const QString &text);
    // Rows left, or LB_ERR.
    int DeleteString(UINT nIndex);
    // Characters copied (without the NUL), or LB_ERR.
    int GetText(int nIndex, LPTSTR lpszBuffer) const;
    void GetText(int nIndex, CString &rString) const;
    int GetTextLen(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    void *GetItemDataPtr(int nIndex) const;
    int SetItemDataPtr(int nIndex, void *pData);

    QListWidget *GetListWidget() const;
};

// Push button (BS_DEFPUSHBUTTON: the default one), check box and group box.
class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    UINT GetButtonStyle() const;
};

// Static text (SS_NOPREFIX: "&" shown as it is) and icon (SS_ICON).
class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
};
