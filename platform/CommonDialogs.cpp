#include "CommonDialogs.h"

#include "AppResources.h"
#include "Menu.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <deque>

namespace {
struct Script {
    bool scripted = false;
    std::deque<int> messageAnswers;
    std::deque<std::pair<int, COLORREF>> colorAnswers;
    std::deque<std::pair<int, QString>> fileAnswers;
    QList<AfxDialogScript::Shown> history;
    int nUnanswered = 0;
};
Script &script()
{
    static Script s;
    return s;
}

QString appTitle()
{
    const QString t = AfxLoadString(57344);
    return t.isEmpty() ? QApplication::applicationName() : t;
}

QWidget *dialogParent(CWnd *pWnd)
{
    if (pWnd && pWnd->GetWidget())
        return pWnd->GetWidget()->window();
    return QApplication::activeWindow();
}

int defaultAnswer(UINT nType)
{
    switch (nType & MB_TYPEMASK) {
    case MB_YESNO:
        return IDNO;
    case MB_YESNOCANCEL:
    case MB_OKCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}
} // namespace

namespace AfxDialogScript {
void SetScripted(bool bScripted)
{
    script().scripted = bScripted;
}
bool IsScripted()
{
    return script().scripted;
}
void PushMessageBoxAnswer(int nResult)
{
    script().messageAnswers.push_back(nResult);
}
void PushColorAnswer(int nResult, COLORREF clr)
{
    script().colorAnswers.emplace_back(nResult, clr);
}
void PushFileAnswer(int nResult, const QString &path)
{
    script().fileAnswers.emplace_back(nResult, path);
}
const QList<Shown> &History()
{
    return script().history;
}
void ClearHistory()
{
    script().history.clear();
}
int PendingAnswers()
{
    return int(script().messageAnswers.size() + script().colorAnswers.size() + script().fileAnswers.size());
}
int UnansweredCount()
{
    return script().nUnanswered;
}
void Reset()
{
    Script &s = script();
    s.messageAnswers.clear();
    s.colorAnswers.clear();
    s.fileAnswers.clear();
    s.history.clear();
    s.nUnanswered = 0;
    ResetMenus();
}
} // namespace AfxDialogScript

int AfxMessageBox(const QString &text, UINT nType, UINT)
{
    AfxDialogScript::Shown shown{AfxDialogScript::Shown::MessageBox, text, appTitle(), nType, 0, false, true};
    if (script().scripted) {
        int answer = defaultAnswer(nType);
        if (script().messageAnswers.empty()) {
            shown.answered = false;
            ++script().nUnanswered;
        } else {
            answer = script().messageAnswers.front();
            script().messageAnswers.pop_front();
        }
        script().history.append(shown);
        return answer;
    }
    script().history.append(shown);
    QMessageBox box(dialogParent(nullptr));
    box.setWindowTitle(appTitle());
    box.setText(text);
    switch (nType & MB_ICONMASK) {
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (nType & MB_TYPEMASK) {
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Ok:
        return IDOK;
    default:
        return defaultAnswer(nType);
    }
}

CColorDialog::CColorDialog(COLORREF clrInit, DWORD, CWnd *pParentWnd)
    : m_clrInit(clrInit), m_clrResult(clrInit), m_pParentWnd(pParentWnd)
{
}

int CColorDialog::DoModal()
{
    AfxDialogScript::Shown shown{AfxDialogScript::Shown::ColorDialog, QString(), QString(), 0, m_clrInit, false, true};
    if (script().scripted) {
        int answer = IDCANCEL;
        if (script().colorAnswers.empty()) {
            shown.answered = false;
            ++script().nUnanswered;
        } else {
            answer = script().colorAnswers.front().first;
            m_clrResult = script().colorAnswers.front().second;
            script().colorAnswers.pop_front();
        }
        script().history.append(shown);
        return answer;
    }
    script().history.append(shown);
    const QColor init(GetRValue(m_clrInit), GetGValue(m_clrInit), GetBValue(m_clrInit));
    const QColor c = QColorDialog::getColor(init, dialogParent(m_pParentWnd));
    if (!c.isValid())
        return IDCANCEL;
    m_clrResult = RGB(c.red(), c.green(), c.blue());
    return IDOK;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const QString &defExt, const QString &fileName, DWORD dwFlags,
                         const QString &filter, CWnd *pParentWnd)
    : m_bOpen(bOpenFileDialog), m_strDefExt(defExt), m_strFileName(fileName), m_dwFlags(dwFlags), m_strFilter(filter),
      m_pParentWnd(pParentWnd)
{
}

QStringList CFileDialog::ToQtFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return result;
}

int CFileDialog::DoModal()
{
    AfxDialogScript::Shown shown{
        AfxDialogScript::Shown::FileDialog, m_strFilter, m_strTitle, 0, 0, bool(m_bOpen), true};
    QString chosen;
    int answer = IDCANCEL;
    if (script().scripted) {
        if (script().fileAnswers.empty()) {
            shown.answered = false;
            ++script().nUnanswered;
        } else {
            answer = script().fileAnswers.front().first;
            chosen = script().fileAnswers.front().second;
            script().fileAnswers.pop_front();
        }
        script().history.append(shown);
    } else {
        script().history.append(shown);
        const QString filters = ToQtFilters(m_strFilter).join(QStringLiteral(";;"));
        QFileDialog dlg(dialogParent(m_pParentWnd), m_strTitle, QString(), filters);
        dlg.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dlg.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        // The filter names carry their patterns already: Qt must not add them a second time.
        dlg.setOption(QFileDialog::HideNameFilterDetails, true);
        if (!m_strDefExt.isEmpty())
            dlg.setDefaultSuffix(m_strDefExt.startsWith(QLatin1Char('.')) ? m_strDefExt.mid(1) : m_strDefExt);
        if (!m_strFileName.isEmpty())
            dlg.selectFile(m_strFileName);
        if (!(m_dwFlags & OFN_OVERWRITEPROMPT) && !m_bOpen)
            dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
            answer = IDOK;
            chosen = dlg.selectedFiles().constFirst();
        }
    }
    if (answer == IDOK) {
        m_strPath = QFileInfo(chosen).absoluteFilePath();
        // Like the desktop's Open dialog, choosing a file makes its folder the current one.
        QDir::setCurrent(QFileInfo(m_strPath).absolutePath());
    }
    return answer;
}

CString CFileDialog::GetFileName() const
{
    return QFileInfo(m_strPath).fileName();
}
