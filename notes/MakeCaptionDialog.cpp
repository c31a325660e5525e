#include "MakeCaptionDialog.h"

#include "PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CMakeCaptionDialog, CDialog)
ON_WM_CTLCOLOR()
ON_BN_CLICKED(IDC_SELECT_BACKGROUND_COLOR, OnSelectBackgroundColor)
END_MESSAGE_MAP()

CMakeCaptionDialog::CMakeCaptionDialog(CPaperFrame *pFrame)
    : CDialog(IDD_MAKE_CAPTION, pFrame), m_pFrame(pFrame), m_clrBack(0), m_clrText(0), m_clrCaption(0)
{
}

// DoModal ends the window and the brush with it; a dialog whose window never ended drops it with m_pBrush.
CMakeCaptionDialog::~CMakeCaptionDialog() = default;

void CMakeCaptionDialog::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CAPTION_TEXT, m_edit);
}

BOOL CMakeCaptionDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_strText = m_pFrame->m_strCaption;
    m_clrCaption = m_pFrame->m_clrCaption;
    m_clrBack = m_pFrame->m_clrCaption;
    m_clrText = m_pFrame->m_clrCaptionText;
    m_pBrush = std::make_unique<CBrush>(m_clrCaption);
    m_edit.SetWindowText(m_strText);
    // The dialog manager puts the focus on OK, the first tab stop.
    return TRUE;
}

HBRUSH CMakeCaptionDialog::OnCtlColor(CDC *pDC, CWnd *pWnd, UINT nCtlColor)
{
    if (nCtlColor == CTLCOLOR_EDIT && m_pBrush) {
        pDC->SetTextColor(m_clrText);
        pDC->SetBkColor(m_clrBack);
        return static_cast<HBRUSH>(m_pBrush->GetSafeHandle());
    }
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void CMakeCaptionDialog::OnSelectBackgroundColor()
{
    // Starts at black, not at the note's colour.
    CColorDialog dlg(0, 0, nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    m_clrCaption = dlg.GetColor();
    m_clrBack = dlg.GetColor();
    if (m_pBrush)
        m_pBrush = std::make_unique<CBrush>(m_clrCaption);
    // The field shows the new colour at once.
    Invalidate(TRUE);
    UpdateWindow();
}

void CMakeCaptionDialog::OnOK()
{
    TCHAR szText[80];
    m_edit.GetWindowText(szText, 80);
    m_strText = CString(szText);
    CDialog::OnOK();
}

BOOL CMakeCaptionDialog::DestroyWindow()
{
    m_pBrush.reset();
    return CDialog::DestroyWindow();
}
