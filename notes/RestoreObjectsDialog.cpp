#include "RestoreObjectsDialog.h"

#include "PaperEdit.h"
#include "PaperFrame.h"
#include "board/zentDoc.h"
#include "caption/Subclass.h"
#include "res/resource.h"
#include "view/zentView.h"

namespace {
CFrameWnd *mainFrame()
{
    CWinApp *pApp = AfxGetApp();
    return pApp ? dynamic_cast<CFrameWnd *>(pApp->m_pMainWnd) : nullptr;
}
} // namespace

// Watches one listed note: its window's end takes its rows out of the dialog before the note object goes.
class CRestoreObjectsDialog::CPaperWatch final : public CSubclassWnd {
public:
    CPaperWatch(CRestoreObjectsDialog *pDialog, CPaperFrame *pPaper) : m_pDialog(pDialog), m_pPaper(pPaper)
    {
        SetHookedWindow(pPaper);
    }
    ~CPaperWatch() override
    {
        // The window's end unhooks every hook by itself; a note that is still there is let go here.
        if (m_pHookedWnd)
            SetHookedWindow(nullptr);
    }

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == WM_DESTROY)
            m_pDialog->PaperEnded(m_pPaper);
        return CSubclassWnd::WindowProc(nMsg, wParam, lParam);
    }

    CRestoreObjectsDialog *const m_pDialog;
    CPaperFrame *const m_pPaper;
};

BEGIN_MESSAGE_MAP(CRestoreObjectsDialog, CDialog)
ON_LBN_SELCHANGE(IDC_OBJECT_LIST, OnSelchangeObjectList)
ON_BN_CLICKED(IDC_RESTORE, OnRestore)
END_MESSAGE_MAP()

CRestoreObjectsDialog::CRestoreObjectsDialog(CWnd *pParent) : CDialog(IDD_RESTORE_OBJECTS, pParent), m_pDoc(nullptr)
{
    if (CFrameWnd *pFrame = mainFrame())
        m_pDoc = dynamic_cast<CZentDoc *>(pFrame->GetActiveDocument());
}

CRestoreObjectsDialog::~CRestoreObjectsDialog()
{
    m_watches.clear();
    // The board view keeps the newest dialog; it must not keep one that is gone. At the program's end the main
    // window (and its view) is already going, and nothing is left to tell.
    if (CZentView *pView = GetBoardView())
        if (pView->m_pRestoreDialog == this)
            pView->m_pRestoreDialog = nullptr;
}

BOOL CRestoreObjectsDialog::Create()
{
    return CDialog::Create(IDD_RESTORE_OBJECTS, nullptr);
}

void CRestoreObjectsDialog::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_RESTORE, m_btnRestore);
    DDX_Control(pDX, IDC_OBJECT_PREVIEW, m_editPreview);
    DDX_Control(pDX, IDC_OBJECT_LIST, m_list);
}

BOOL CRestoreObjectsDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_pDoc) {
        for (POSITION pos = m_pDoc->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *pPaper = m_pDoc->m_papers.GetNext(pos);
            if (!pPaper->m_bHidden)
                continue;
            TCHAR szCaption[80];
            pPaper->GetWindowText(szCaption, 80);
            const int nIndex = m_list.AddString(CString(szCaption));
            m_list.SetItemDataPtr(nIndex, pPaper);
            m_watches.push_back(std::make_unique<CPaperWatch>(this, pPaper));
        }
    }
    CenterWindow();
    // The focus goes to Cancel, the first tab stop.
    return TRUE;
}

void CRestoreObjectsDialog::OnSelchangeObjectList()
{
    const int nIndex = m_list.GetCurSel();
    if (nIndex < 0)
        return;
    auto *pPaper = static_cast<CPaperFrame *>(m_list.GetItemDataPtr(nIndex));
    CString strText;
    pPaper->m_pEdit->GetWindowText(strText);
    m_editPreview.SetWindowText(strText);
}

void CRestoreObjectsDialog::OnRestore()
{
    const int nIndex = m_list.GetCurSel();
    const int nCount = m_list.GetCount();
    if (nIndex < 0 || nCount <= 0)
        return;
    auto *pPaper = static_cast<CPaperFrame *>(m_list.GetItemDataPtr(nIndex));
    if (CZentView *pView = GetBoardView())
        pView->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pPaper), 0);
    // Sent, not posted: the note is back on the board now. Its row goes; the preview keeps the text.
    for (int i = m_list.GetCount() - 1; i >= 0; --i)
        if (m_list.GetItemDataPtr(i) == pPaper)
            m_list.DeleteString(UINT(i));
    m_list.SetCurSel(-1);
    StopWatching(pPaper);
}

void CRestoreObjectsDialog::OnOK() {}

void CRestoreObjectsDialog::OnCancel()
{
    DestroyWindow();
}

void CRestoreObjectsDialog::PostNcDestroy()
{
    delete this;
}

void CRestoreObjectsDialog::PaperEnded(CPaperFrame *pPaper)
{
    if (!m_list.GetSafeHwnd())
        return;
    const int nSelected = m_list.GetCurSel();
    for (int i = m_list.GetCount() - 1; i >= 0; --i) {
        if (m_list.GetItemDataPtr(i) != pPaper)
            continue;
        // The preview must not go on showing a note that is gone.
        if (i == nSelected)
            m_editPreview.SetWindowText(QString());
        m_list.DeleteString(UINT(i));
    }
}

void CRestoreObjectsDialog::StopWatching(CPaperFrame *pPaper)
{
    for (auto it = m_watches.begin(); it != m_watches.end(); ++it)
        if ((*it)->m_pPaper == pPaper) {
            m_watches.erase(it);
            return;
        }
}
