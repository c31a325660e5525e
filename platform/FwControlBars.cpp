// Control bars: the toolbar built from its resource and the status bar with its panes and prompts.
#include "Framework.h"

#include "AppResources.h"
#include "FwImpl.h"
#include "WndImpl.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

using afx::commandTexts;
using afx::kStatusBarClassName;
using afx::kToolBarClassName;
using afx::registerFrameworkClasses;
using afx::updateAction;

namespace {

void sendCommand(CWnd *pWnd, UINT nID)
{
    if (pWnd && IsWindow(pWnd->m_hWnd))
        pWnd->SendMessage(WM_COMMAND, nID, 0);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Control bars

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

void CControlBar::EnableDocking(DWORD dwDockStyle)
{
    m_dwDockStyle = dwDockStyle;
    if (auto *tb = qobject_cast<QToolBar *>(GetWidget())) {
        Qt::ToolBarAreas areas;
        if (dwDockStyle & CBRS_ALIGN_TOP)
            areas |= Qt::TopToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_BOTTOM)
            areas |= Qt::BottomToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_LEFT)
            areas |= Qt::LeftToolBarArea;
        if (dwDockStyle & CBRS_ALIGN_RIGHT)
            areas |= Qt::RightToolBarArea;
        tb->setAllowedAreas(areas);
        tb->setMovable(dwDockStyle != 0);
        tb->setFloatable(dwDockStyle != 0);
    }
}

CToolBar::CToolBar() = default;
CToolBar::~CToolBar() = default;

BOOL CToolBar::CreateEx(CWnd *pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect, UINT nID)
{
    registerFrameworkClasses();
    m_dwStyle = dwStyle & 0xFFFF;
    if (!CWnd::CreateEx(0, QString::fromLatin1(kToolBarClassName), QString(), (dwStyle & 0xFFFF0000u) | WS_CHILD,
                        CRect(), pParentWnd, nID))
        return FALSE;
    QToolBar *tb = GetToolBar();
    tb->setWindowTitle(QStringLiteral("Toolbar"));
    tb->setMovable(false);
    tb->setFloatable(false);
    if (dwCtrlStyle & TBSTYLE_FLAT)
        tb->setStyleSheet(QString());
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    if (auto *mw = qobject_cast<QMainWindow *>(tb->parentWidget()))
        mw->addToolBar(Qt::TopToolBarArea, tb);
    return TRUE;
}

QToolBar *CToolBar::GetToolBar() const
{
    return qobject_cast<QToolBar *>(GetWidget());
}

BOOL CToolBar::LoadToolBar(UINT nIDResource)
{
    QToolBar *tb = GetToolBar();
    const AfxToolBarTemplate *tmpl = AfxFindToolBar(nIDResource);
    QImage strip(QStringLiteral(":/resources/bitmap/%1").arg(nIDResource));
    if (!tb || !tmpl || strip.isNull())
        return FALSE;
    // Light grey is the transparent colour of toolbar images.
    auto keyed = [](QImage image) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFF) == 0xC0C0C0)
                    line[x] = 0;
        }
        return image;
    };
    strip = keyed(strip);
    // Art at twice the size, for screens of higher density, when there is some.
    QImage strip2x(QStringLiteral(":/resources/bitmap/%1@2x").arg(nIDResource));
    if (strip2x.size() == strip.size() * 2)
        strip2x = keyed(strip2x);
    else
        strip2x = QImage();
    tb->setIconSize(QSize(tmpl->cxButton, tmpl->cyButton));
    int image = 0;
    for (UINT nID : tmpl->ids) {
        if (nID == ID_SEPARATOR) {
            tb->addSeparator();
            continue;
        }
        QIcon icon(QPixmap::fromImage(strip.copy(image * tmpl->cxButton, 0, tmpl->cxButton, tmpl->cyButton)));
        if (!strip2x.isNull()) {
            QPixmap pm2x =
                QPixmap::fromImage(strip2x.copy(2 * image * tmpl->cxButton, 0, 2 * tmpl->cxButton, 2 * tmpl->cyButton));
            pm2x.setDevicePixelRatio(2);
            icon.addPixmap(pm2x);
        }
        ++image;
        const auto texts = commandTexts(nID);
        // A command without a tooltip part shows no tooltip: the action's text would stand in for it.
        QAction *a = tb->addAction(icon, texts.second);
        a->setData(nID);
        a->setToolTip(texts.second);
        a->setStatusTip(texts.first);
        // What's This? shows the status prompt as the button's help.
        a->setWhatsThis(texts.first);
        a->setEnabled(false);
        CWnd *pOwner = GetParent();
        QObject::connect(a, &QAction::triggered, tb, [pOwner, nID]() { sendCommand(pOwner, nID); });
    }
    return TRUE;
}

QList<QAction *> CToolBar::GetButtonActions() const
{
    QList<QAction *> result;
    if (QToolBar *tb = GetToolBar())
        for (QAction *a : tb->actions())
            result << (a->isSeparator() ? nullptr : a);
    return result;
}

int CToolBar::GetCount() const
{
    return int(GetButtonActions().size());
}

UINT CToolBar::GetItemID(int nIndex) const
{
    const QList<QAction *> a = GetButtonActions();
    return (nIndex >= 0 && nIndex < a.size() && a[nIndex]) ? a[nIndex]->data().toUInt() : ID_SEPARATOR;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd *pTarget, BOOL bDisableIfNoHndler)
{
    for (QAction *a : GetButtonActions())
        if (a)
            updateAction(pTarget, a, bDisableIfNoHndler);
}

BOOL CStatusBar::Create(CWnd *pParentWnd, DWORD dwStyle, UINT nID)
{
    registerFrameworkClasses();
    m_dwStyle = dwStyle & 0xFFFF;
    if (!CWnd::CreateEx(0, QString::fromLatin1(kStatusBarClassName), QString(), (dwStyle & 0xFFFF0000u) | WS_CHILD,
                        CRect(), pParentWnd, nID))
        return FALSE;
    QStatusBar *sb = GetStatusBar();
    if (auto *mw = qobject_cast<QMainWindow *>(sb->parentWidget()))
        mw->setStatusBar(sb);
    return TRUE;
}

QStatusBar *CStatusBar::GetStatusBar() const
{
    return qobject_cast<QStatusBar *>(GetWidget());
}

BOOL CStatusBar::SetIndicators(const UINT *lpIDArray, int nIDCount)
{
    QStatusBar *sb = GetStatusBar();
    if (!sb || nIDCount < 1)
        return FALSE;
    for (int i = 0; i < nIDCount; ++i) {
        // The message pane shows the idle text while no prompt is shown over it.
        auto *label = new QLabel(lpIDArray[i] == ID_SEPARATOR ? QString(AfxLoadString(AFX_IDS_IDLEMESSAGE))
                                                              : QString(AfxLoadString(lpIDArray[i])),
                                 sb);
        // The status bar draws its prompts 6 pixels in and lays its panes out 2 pixels in: the idle text starts
        // where the prompts do, so the text does not jump.
        label->setIndent(i == 0 ? 4 : 0);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        sb->addWidget(label, i == 0 ? 1 : 0);
    }
    return TRUE;
}

QString CStatusBar::GetPaneText(int nIndex) const
{
    QStatusBar *sb = GetStatusBar();
    if (!sb)
        return QString();
    if (nIndex == 0 && !sb->currentMessage().isEmpty())
        return sb->currentMessage();
    auto *label = sb->findChild<QLabel *>(QStringLiteral("pane%1").arg(nIndex));
    return label ? label->text() : QString();
}
