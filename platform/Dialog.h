// The dialog manager and the framework's CDialog: dialogs built from templates in dialog units, modal and
// modeless, with the keyboard interface (Enter, Escape, Tab) and data exchange with bound controls.
#pragma once

#include "Controls.h"

#include <functional>

class QEventLoop;
class QFont;
class CDialog;

// The window class of dialogs and its default procedure (Enter, Escape and the close box become IDOK and
// IDCANCEL commands; WM_NEXTDLGCTL moves the focus; DM_GETDEFID names the default button).
extern const char *const AfxDialogClassName; // "#32770"
LRESULT DefDlgProc(HWND hDlg, UINT nMsg, WPARAM wParam, LPARAM lParam);

// The font a template names (DS_SETFONT), mapped to an installed family; "MS Sans Serif" 8 without DS_SETFONT.
QFont AfxDialogFont(const DLGTEMPLATE &tpl);
// Dialog base units of a font: the average width of the 52 letters rounded as the window system rounds it, and the
// font's height. One horizontal dialog unit is cx / 4 pixels, one vertical unit cy / 8.
CSize AfxDialogBaseUnits(const QFont &font);

// The owner of a dialog created without a parent (the framework installs the main window's).
void AfxSetDefaultDialogOwner(HWND (*pfnOwner)());
// Called by DoModal once the modal dialog exists and its OnInitDialog has run. While a hook is installed DoModal
// never waits for input: a dialog the hook leaves open (after posted messages have run) ends with IDCANCEL.
// An empty function removes the hook.
void AfxSetModalDialogHook(std::function<void(CDialog *)> hook);

// Data exchange between a dialog and its controls.
class CDataExchange {
public:
    CDataExchange(CWnd *pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd *m_pDlgWnd;
    // The control's window; NULL (and an assertion in debug builds) when the dialog has none with that id.
    HWND PrepareCtrl(int nIDC);
};

// Binds the dialog's control nIDC to rControl once: the control's messages then pass through rControl's map first
// and on to the control by default.
void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd *pParentWnd = nullptr);
    ~CDialog() override;

    using CWnd::Create;
    // Modeless dialog from template nIDTemplate; without a parent the owner is the default owner (the main
    // window). Shown at once when the template has WS_VISIBLE. FALSE when there is no such template or creation
    // fails.
    virtual BOOL Create(UINT nIDTemplate, CWnd *pParentWnd = nullptr);
    BOOL CreateIndirect(const DLGTEMPLATE &tpl, CWnd *pParentWnd = nullptr);
    // Runs the dialog until EndDialog; the owner is disabled meanwhile. Returns EndDialog's result, -1 when the
    // dialog could not be made.
    virtual int DoModal();
    // Modal: ends the loop with nResult. Modeless: hides the dialog (it stays until DestroyWindow).
    void EndDialog(int nResult);

    // WM_INITDIALOG: binds and fills the controls (UpdateData(FALSE)); TRUE lets the dialog manager put the focus
    // on the first tab stop.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange *pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Focus to a control (an edit gets all its text selected).
    void GotoDlgCtrl(CWnd *pWndCtrl);
    DWORD GetDefID() const;
    // Dialog units to pixels with this dialog's base units.
    void MapDialogRect(LPRECT lpRect) const;

    UINT m_nIDHelp = 0;

protected:
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    afx_msg void OnNcDestroy();
    DECLARE_MESSAGE_MAP()

    UINT m_nIDTemplate = 0;
    CWnd *m_pParentWnd = nullptr;

private:
    BOOL CreateFromTemplate(const DLGTEMPLATE &tpl, HWND hWndOwner, bool bModal);
    HWND OwnerFor(CWnd *pParentWnd) const;

    CSize m_baseUnits{4, 8};
    int m_nModalResult = -1;
    bool m_bModal = false;
    bool m_bContinueModal = false;
    QEventLoop *m_pModalLoop = nullptr;
};
