// Message boxes and the colour and file dialogs, behind one seam that tests script.
#pragma once

#include "Wnd.h"

#include <QStringList>

// Shows a message box titled with the application's title; returns IDOK, IDYES, IDNO or IDCANCEL.
int AfxMessageBox(const QString &text, UINT nType = MB_OK, UINT nIDHelp = 0);

// Where message boxes and common dialogs get their answers. In scripted mode nothing is shown: each call takes
// the next queued answer (a call with none queued answers Cancel/No and is recorded as unanswered).
namespace AfxDialogScript {
struct Shown {
    enum Kind { MessageBox, ColorDialog, FileDialog } kind;
    QString text;    // message text, or the file dialog's filter
    QString caption; // title of the box
    UINT nType = 0;  // message box flags (buttons and icon)
    COLORREF clrInit = 0;
    bool bOpenFileDialog = false;
    bool answered = true;
};
void SetScripted(bool bScripted);
bool IsScripted();
void PushMessageBoxAnswer(int nResult);
void PushColorAnswer(int nResult, COLORREF clr);
void PushFileAnswer(int nResult, const QString &path);
const QList<Shown> &History();
void ClearHistory();
int PendingAnswers();
// Boxes and dialogs shown in scripted mode with no answer queued since the last Reset; ClearHistory keeps it.
int UnansweredCount();
// Drops every queued answer (pop-up menus too), both histories and the unanswered count; the mode stays.
void Reset();
} // namespace AfxDialogScript

class CColorDialog {
public:
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd *pParentWnd = nullptr);
    virtual ~CColorDialog() = default;
    virtual int DoModal();
    COLORREF GetColor() const { return m_clrResult; }

private:
    COLORREF m_clrInit;
    COLORREF m_clrResult;
    CWnd *m_pParentWnd;
};

enum : DWORD {
    OFN_HIDEREADONLY = 0x4,
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_FILEMUSTEXIST = 0x1000,
    OFN_PATHMUSTEXIST = 0x800
};

class CFileDialog {
public:
    // Filter in the classic form "Name|*.a;*.b|All Files (*.*)|*.*|".
    CFileDialog(BOOL bOpenFileDialog, const QString &defExt = QString(), const QString &fileName = QString(),
                DWORD dwFlags = 0, const QString &filter = QString(), CWnd *pParentWnd = nullptr);
    virtual ~CFileDialog() = default;
    virtual int DoModal();
    CString GetPathName() const { return m_strPath; }
    // The chosen file's name with extension, without its folder.
    CString GetFileName() const;
    QString m_strTitle;

    // "Name (*.a)|*.a;*.b|" to Qt's "Name (*.a) (*.a *.b)" filter lines.
    static QStringList ToQtFilters(const QString &filter);

private:
    BOOL m_bOpen;
    QString m_strDefExt;
    QString m_strFileName;
    DWORD m_dwFlags;
    QString m_strFilter;
    CWnd *m_pParentWnd;
    CString m_strPath;
};
