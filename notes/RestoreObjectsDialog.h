// The "Restore Objects from Storage" dialog: lists the notes in the storage by caption, previews the selected one's
// text and brings it back onto the board. Modeless; it stays open after a restore and deletes itself when closed.
#pragma once

#include "platform/Controls.h"
#include "platform/Dialog.h"

#include <memory>
#include <vector>

class CPaperFrame;
class CZentDoc;

class CRestoreObjectsDialog final : public CDialog {
public:
    // pParent: the board view.
    explicit CRestoreObjectsDialog(CWnd *pParent);
    ~CRestoreObjectsDialog() override;

    using CDialog::Create;
    // Creates the dialog (visible at once) owned by the main window; FALSE when it could not be made.
    BOOL Create();

    CZentDoc *m_pDoc;
    CButton m_btnRestore;
    CEdit m_editPreview;
    // Item data of each row: the listed note.
    CListBox m_list;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    BOOL OnInitDialog() override;
    // Enter: there is no OK button, and the dialog stays open.
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    afx_msg void OnSelchangeObjectList();
    afx_msg void OnRestore();
    DECLARE_MESSAGE_MAP()

private:
    class CPaperWatch;

    // A listed note is ending: its rows go, so that nothing here reaches it afterwards.
    void PaperEnded(CPaperFrame *pPaper);
    void StopWatching(CPaperFrame *pPaper);

    // One hook on each listed note's window, telling of its end.
    std::vector<std::unique_ptr<CPaperWatch>> m_watches;
};
