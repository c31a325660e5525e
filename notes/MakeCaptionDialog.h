// The "Make Caption Text and Background" dialog: edits one note's caption text and caption colour. Modal; its text
// field previews the caption in the note's caption text colour on the chosen caption colour.
#pragma once

#include "platform/Controls.h"
#include "platform/Dialog.h"
#include "platform/Gdi.h"

#include <memory>

class CPaperFrame;

class CMakeCaptionDialog final : public CDialog {
public:
    // The note is also the dialog's parent.
    explicit CMakeCaptionDialog(CPaperFrame *pFrame);
    ~CMakeCaptionDialog() override;

    // Releases the field's brush, then the window.
    BOOL DestroyWindow() override;

    CPaperFrame *m_pFrame;
    COLORREF m_clrBack;
    COLORREF m_clrText;
    // Results after DoModal returned IDOK: the chosen caption colour and the caption text (at most 79 characters).
    COLORREF m_clrCaption;
    CString m_strText;
    // The text field's background while the window lives.
    std::unique_ptr<CBrush> m_pBrush;
    CEdit m_edit;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange *pDX) override;
    afx_msg HBRUSH OnCtlColor(CDC *pDC, CWnd *pWnd, UINT nCtlColor);
    afx_msg void OnSelectBackgroundColor();
    DECLARE_MESSAGE_MAP()
};
