// Export Board...: the board goes out in the format the chosen file's extension names.
#include "zentDoc.h"

#include "BoardExport.h"

#include "platform/CommonDialogs.h"

#include <QFileInfo>

void CZentDoc::OnExportBoard()
{
    QString strName = QFileInfo(GetPathName()).completeBaseName();
    if (strName.isEmpty())
        strName = GetTitle();
    CFileDialog dlg(FALSE, QStringLiteral("png"), strName + QStringLiteral(".png"),
                    OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    QStringLiteral("PNG Picture (*.png)|*.png|JSON Canvas (*.canvas)|*.canvas|"
                                   "Markdown (*.md)|*.md|Text (*.txt)|*.txt|"));
    dlg.m_strTitle = QStringLiteral("Export Board");
    if (dlg.DoModal() != IDOK)
        return;
    QString strError;
    if (!ExportBoard(*this, dlg.GetPathName(), 1, strError))
        AfxMessageBox(strError, MB_OK | MB_ICONEXCLAMATION);
}

void CZentDoc::OnUpdateExportBoard(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(TRUE);
}
