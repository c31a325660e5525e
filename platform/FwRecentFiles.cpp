// The recent-file list: kept in the profile and shown as numbered entries of the File menu.
#include "Framework.h"

#include "FwImpl.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace afx {

// The recent-file entries stand where the "Recent File" item is: "&1 path" for each, greyed when there is none.
void rebuildRecentFiles(QMenu *menu, HWND hFrame)
{
    CWinApp *pApp = AfxGetApp();
    QAction *first = nullptr;
    for (QAction *a : menu->actions()) {
        const UINT nID = a->data().toUInt();
        if (nID == ID_FILE_MRU_FILE1)
            first = a;
        else if (nID > ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE4) {
            menu->removeAction(a);
            a->deleteLater();
        }
    }
    if (!first || !pApp || !pApp->m_pRecentFileList)
        return;
    const CRecentFileList &list = *pApp->m_pRecentFileList;
    if (list.GetCount() == 0) {
        first->setText(QStringLiteral("Recent File"));
        return;
    }
    auto label = [&list](int i) {
        return QStringLiteral("&%1 %2").arg(list.GetStart() + UINT(i) + 1).arg(QDir::toNativeSeparators(list[i]));
    };
    first->setText(label(0));
    first->setStatusTip(QStringLiteral("Open this document"));
    const QList<QAction *> actions = menu->actions();
    const int idx = int(actions.indexOf(first));
    QAction *before = idx + 1 < actions.size() ? actions[idx + 1] : nullptr;
    for (int i = 1; i < list.GetCount(); ++i) {
        const UINT nID = ID_FILE_MRU_FILE1 + UINT(i);
        auto *a = new QAction(label(i), menu);
        a->setData(nID);
        a->setStatusTip(QStringLiteral("Open this document"));
        QObject::connect(a, &QAction::triggered, menu, [hFrame, nID]() {
            if (IsWindow(hFrame))
                ::SendMessage(hFrame, WM_COMMAND, nID, 0);
        });
        menu->insertAction(before, a);
    }
}

} // namespace afx

// ---------------------------------------------------------------------------------------------------------------
// Recent files

CRecentFileList::CRecentFileList(UINT nStart, const QString &section, const QString &entryFormat, int nSize)
    : m_nStart(nStart), m_strSection(section), m_strEntryFormat(entryFormat), m_nSize(nSize)
{
}

void CRecentFileList::Add(const QString &path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(abs);
    m_files.prepend(abs);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex >= 0 && nIndex < m_files.size()) {
        m_files.removeAt(nIndex);
        WriteList();
    }
}

void CRecentFileList::ReadList()
{
    m_files.clear();
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return;
    for (int i = 1; i <= m_nSize; ++i) {
        const QString v = pApp->GetProfileString(m_strSection, m_strEntryFormat.arg(i));
        if (!v.isEmpty())
            m_files << v;
    }
}

void CRecentFileList::WriteList()
{
    CWinApp *pApp = AfxGetApp();
    if (!pApp)
        return;
    for (int i = 1; i <= m_nSize; ++i)
        pApp->WriteProfileString(m_strSection, m_strEntryFormat.arg(i),
                                 i <= m_files.size() ? m_files[i - 1] : QString());
}
