// The dialog manager (dialog class, templates in dialog units, keyboard interface) and CDialog.
#include "Dialog.h"

#include "CtlImpl.h"
#include "GdiImpl.h"
#include "SysParams.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>

#include <vector>

const char *const AfxDialogClassName = "#32770";

namespace {

HWND (*g_pfnDefaultOwner)() = nullptr;

std::function<void(CDialog *)> &modalHook()
{
    static std::function<void(CDialog *)> hook;
    return hook;
}

HWND topLevelOf(HWND h)
{
    while (IsWindow(h) && (h->style & WS_CHILD) && IsWindow(h->parent))
        h = h->parent;
    return IsWindow(h) ? h : nullptr;
}

// The dialog's controls in template (creation) order.
std::vector<HWND> dialogControls(HWND hDlg)
{
    std::vector<HWND> out;
    if (!IsWindow(hDlg) || !hDlg->client)
        return out;
    for (QObject *o : hDlg->client->children()) {
        if (!o->isWidgetType())
            continue;
        if (HWND c = afx::hwndFromWidget(static_cast<QWidget *>(o)); c && c->parent == hDlg)
            out.push_back(c);
    }
    // Qt keeps children in stacking order, which group boxes change.
    std::sort(out.begin(), out.end(), [](HWND a, HWND b) { return a->serial < b->serial; });
    return out;
}

HWND dialogItem(HWND hDlg, int nID)
{
    for (HWND c : dialogControls(hDlg))
        if (int(c->id) == nID)
            return c;
    return nullptr;
}

bool canTakeTabFocus(HWND h)
{
    return (h->style & WS_TABSTOP) && (h->style & WS_VISIBLE) && !(h->style & WS_DISABLED);
}

HWND firstTabStop(HWND hDlg)
{
    for (HWND c : dialogControls(hDlg))
        if (canTakeTabFocus(c))
            return c;
    return nullptr;
}

// The control that has the dialog's focus (or will have it when the dialog is active).
HWND focusedControl(HWND hDlg)
{
    if (!IsWindow(hDlg) || !hDlg->widget)
        return nullptr;
    for (QWidget *w = hDlg->widget->focusWidget(); w && w != hDlg->widget; w = w->parentWidget())
        if (HWND h = afx::hwndFromWidget(w); h && h->parent == hDlg)
            return h;
    return nullptr;
}

HWND nextTabStop(HWND hDlg, HWND hFrom, bool bPrevious)
{
    std::vector<HWND> stops;
    for (HWND c : dialogControls(hDlg))
        if (canTakeTabFocus(c) || c == hFrom)
            stops.push_back(c);
    if (stops.empty())
        return nullptr;
    const auto it = std::find(stops.begin(), stops.end(), hFrom);
    const int n = int(stops.size());
    int i = it == stops.end() ? (bPrevious ? 0 : n - 1) : int(it - stops.begin());
    for (int k = 0; k < n; ++k) {
        i = (i + (bPrevious ? n - 1 : 1)) % n;
        if (canTakeTabFocus(stops[size_t(i)]))
            return stops[size_t(i)];
    }
    return nullptr;
}

// The dialog manager's focus move: an edit control gets all its text selected.
void focusControl(HWND hCtl)
{
    if (!IsWindow(hCtl))
        return;
    if (CWnd *p = CWnd::FromHandle(hCtl))
        p->SetFocus();
    if (afx::isEditWindow(hCtl))
        ::SendMessage(hCtl, EM_SETSEL, 0, -1);
}

void applyDialogPalette(QWidget *w)
{
    QPalette pal = w->palette();
    auto set = [&pal](QPalette::ColorRole role, int nIndex) {
        const QColor c = AfxQColor(GetSysColor(nIndex));
        pal.setColor(QPalette::Active, role, c);
        pal.setColor(QPalette::Inactive, role, c);
        pal.setColor(QPalette::Disabled, role, c);
    };
    set(QPalette::Window, COLOR_3DFACE);
    set(QPalette::WindowText, COLOR_WINDOWTEXT);
    set(QPalette::Button, COLOR_BTNFACE);
    set(QPalette::ButtonText, COLOR_BTNTEXT);
    set(QPalette::Base, COLOR_WINDOW);
    set(QPalette::Text, COLOR_WINDOWTEXT);
    set(QPalette::Highlight, COLOR_HIGHLIGHT);
    set(QPalette::HighlightedText, COLOR_HIGHLIGHTTEXT);
    const QColor gray = AfxQColor(GetSysColor(COLOR_GRAYTEXT));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, gray);
    w->setPalette(pal);
}

void sendCommand(HWND hDlg, int nID, HWND hCtl)
{
    ::SendMessage(hDlg, WM_COMMAND, WPARAM(MAKELONG(nID, BN_CLICKED)), reinterpret_cast<LPARAM>(hCtl));
}

// Enter: a focused push button is pressed, otherwise the default button (IDOK when none is named), provided the
// dialog has that control and it is enabled.
void pressDefaultButton(HWND hDlg)
{
    HWND hCtl = focusedControl(hDlg);
    int nID = 0;
    if (hCtl && afx::isPushButtonWindow(hCtl)) {
        nID = int(hCtl->id);
    } else {
        const LRESULT def = ::SendMessage(hDlg, DM_GETDEFID, 0, 0);
        nID = HIWORD(std::uintptr_t(def)) == DC_HASDEFID ? int(LOWORD(std::uintptr_t(def))) : int(IDOK);
        hCtl = dialogItem(hDlg, nID);
    }
    if (!hCtl || (hCtl->style & WS_DISABLED))
        return;
    sendCommand(hDlg, nID, hCtl);
}

// Escape and the close box: IDCANCEL, unless the dialog's Cancel button is disabled.
void cancelDialog(HWND hDlg)
{
    HWND hCancel = dialogItem(hDlg, IDCANCEL);
    if (hCancel && (hCancel->style & WS_DISABLED))
        return;
    sendCommand(hDlg, IDCANCEL, hCancel);
}

// The Qt side of a dialog window; its keys, close box and clicks go to the dialog manager.
class DialogWidget final : public QDialog {
public:
    explicit DialogWidget(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

    int m_nDefID = 0; // set by DM_SETDEFID; 0: the template's default push button

    void reject() override
    {
        if (HWND h = afx::hwndFromWidget(this))
            ::SendMessage(h, WM_CLOSE, 0, 0);
        else
            QDialog::reject();
    }

protected:
    bool event(QEvent *e) override
    {
        if (HWND h = afx::hwndFromWidget(this))
            if (afx::translateEvent(h, this, e))
                return true;
        return QDialog::event(e);
    }

    void keyPressEvent(QKeyEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (h && plain && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            e->accept();
            pressDefaultButton(h);
            return;
        }
        if (h && plain && e->key() == Qt::Key_Escape) {
            e->accept();
            cancelDialog(h);
            return;
        }
        QWidget::keyPressEvent(e);
    }

    void closeEvent(QCloseEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h) {
            QDialog::closeEvent(e);
            return;
        }
        // The window ends only when the program destroys it.
        e->ignore();
        ::SendMessage(h, WM_CLOSE, 0, 0);
    }
};

DialogWidget *dialogWidgetOf(HWND h)
{
    return afx::isDialogWindow(h) && h->widget ? static_cast<DialogWidget *>(h->widget.data()) : nullptr;
}

void makeDialogWidgets(HWND h, QWidget *)
{
    // Owned dialogs stay above their owner.
    QWidget *ownerWidget = IsWindow(h->owner) && h->owner->widget ? h->owner->widget->window() : nullptr;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (h->style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // A modal frame has a close box at most: no minimise or maximise button.
    if (h->style & DS_MODALFRAME)
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    auto *d = new DialogWidget(ownerWidget, flags);
    d->setSizeGripEnabled(false);
    applyDialogPalette(d);
    afx::bindWidget(h, d, d);
}

void registerDialogClass()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    WNDCLASSINFO info;
    info.lpszClassName = QString::fromLatin1(AfxDialogClassName);
    info.style = CS_DBLCLKS | CS_SAVEBITS;
    info.lpfnWndProc = &DefDlgProc;
    info.pfnMakeWidgets = &makeDialogWidgets;
    AfxRegisterWindowClass(info);
}

} // namespace

bool afx::isDialogWindow(HWND hWnd)
{
    return IsWindow(hWnd) && hWnd->cls && hWnd->cls->lpfnWndProc == &DefDlgProc;
}

LRESULT DefDlgProc(HWND hDlg, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(hDlg))
        return 0;
    switch (nMsg) {
    case WM_CLOSE:
        cancelDialog(hDlg);
        return 0;
    case DM_GETDEFID: {
        int nID = 0;
        if (DialogWidget *d = dialogWidgetOf(hDlg))
            nID = d->m_nDefID;
        if (nID == 0)
            for (HWND c : dialogControls(hDlg))
                if (afx::isPushButtonWindow(c) && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    nID = int(c->id);
                    break;
                }
        return nID ? LRESULT(MAKELONG(nID, DC_HASDEFID)) : 0;
    }
    case DM_SETDEFID: {
        // The old default button becomes a plain one and the new one shows as the default.
        const LRESULT old = DefDlgProc(hDlg, DM_GETDEFID, 0, 0);
        if (old && LOWORD(std::uintptr_t(old)) != LOWORD(wParam))
            if (HWND hOld = dialogItem(hDlg, LOWORD(std::uintptr_t(old))); hOld && afx::isPushButtonWindow(hOld))
                ::SendMessage(hOld, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        if (HWND hNew = dialogItem(hDlg, int(wParam)); hNew && afx::isPushButtonWindow(hNew))
            ::SendMessage(hNew, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        if (DialogWidget *d = dialogWidgetOf(hDlg))
            d->m_nDefID = int(wParam);
        return TRUE;
    }
    case WM_NEXTDLGCTL: {
        HWND hTarget = LOWORD(std::uintptr_t(lParam)) ? reinterpret_cast<HWND>(wParam)
                                                      : nextTabStop(hDlg, focusedControl(hDlg), wParam != 0);
        focusControl(hTarget);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
        if (hDlg->widget)
            applyDialogPalette(hDlg->widget);
        return ::DefWindowProc(hDlg, nMsg, wParam, lParam);
    default:
        return ::DefWindowProc(hDlg, nMsg, wParam, lParam);
    }
}

QFont AfxDialogFont(const DLGTEMPLATE &tpl)
{
    const bool bSetFont = (tpl.style & DS_SETFONT) && !tpl.fontName.isEmpty() && tpl.pointSize > 0;
    const QByteArray face = (bSetFont ? tpl.fontName : QStringLiteral("MS Sans Serif")).toLatin1();
    LOGFONT lf{};
    lf.lfHeight = -MulDiv(bSetFont ? tpl.pointSize : 8, 96, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(face.constData(), std::min<qsizetype>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
    return afx::qfontFromLogFont(lf);
}

CSize AfxDialogBaseUnits(const QFont &font)
{
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return CSize((width / 26 + 1) / 2, fm.height());
}

void AfxSetDefaultDialogOwner(HWND (*pfnOwner)())
{
    g_pfnDefaultOwner = pfnOwner;
}

void AfxSetModalDialogHook(std::function<void(CDialog *)> hook)
{
    modalHook() = std::move(hook);
}

// ---------------------------------------------------------------------------------------------------------------
// Data exchange

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    CWnd *pCtl = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
    ASSERT(pCtl != nullptr);
    return pCtl ? pCtl->m_hWnd : nullptr;
}

void DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl)
{
    if (IsWindow(rControl.m_hWnd))
        return;
    HWND hCtl = pDX->PrepareCtrl(nIDC);
    if (!hCtl)
        return;
    VERIFY(AfxSubclassWindow(rControl, hCtl));
}

// ---------------------------------------------------------------------------------------------------------------
// CDialog

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd *pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    if (m_pModalLoop)
        m_pModalLoop->exit();
}

HWND CDialog::OwnerFor(CWnd *pParentWnd) const
{
    if (pParentWnd && IsWindow(pParentWnd->m_hWnd))
        return topLevelOf(pParentWnd->m_hWnd);
    return g_pfnDefaultOwner ? topLevelOf(g_pfnDefaultOwner()) : nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd *pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    const DLGTEMPLATE *tpl = AfxFindDialog(nIDTemplate);
    return tpl ? CreateIndirect(*tpl, pParentWnd) : FALSE;
}

BOOL CDialog::CreateIndirect(const DLGTEMPLATE &tpl, CWnd *pParentWnd)
{
    if (IsWindow(m_hWnd))
        return FALSE;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    return CreateFromTemplate(tpl, OwnerFor(pParentWnd), false);
}

BOOL CDialog::CreateFromTemplate(const DLGTEMPLATE &tpl, HWND hWndOwner, bool bModal)
{
    AfxRegisterControlClasses();
    registerDialogClass();
    const QFont font = AfxDialogFont(tpl);
    m_baseUnits = AfxDialogBaseUnits(font);
    const int bx = m_baseUnits.cx;
    const int by = m_baseUnits.cy;
    auto mapRect = [bx, by](int x, int y, int cx, int cy, QPoint origin) {
        const int left = origin.x() + MulDiv(x, bx, 4);
        const int top = origin.y() + MulDiv(y, by, 8);
        return CRect(left, top, left + MulDiv(cx, bx, 4), top + MulDiv(cy, by, 8));
    };

    // The template's position is relative to the owner's client area.
    POINT origin{0, 0};
    if (CWnd *pOwner = CWnd::FromHandle(hWndOwner))
        pOwner->ClientToScreen(&origin);
    const CRect rcDialog = mapRect(tpl.x, tpl.y, tpl.cx, tpl.cy, QPoint(origin.x, origin.y));
    // Shown only after WM_INITDIALOG, whatever the template says.
    const DWORD style = tpl.style & ~DWORD(WS_VISIBLE);
    if (!CreateEx(tpl.exStyle, QString::fromLatin1(AfxDialogClassName), tpl.title, style, rcDialog,
                  CWnd::FromHandle(hWndOwner), 0))
        return FALSE;
    HWND hDlg = m_hWnd;
    QWidget *dlgWidget = hDlg->widget;
    dlgWidget->setFont(font);
    if (tpl.style & DS_MODALFRAME)
        dlgWidget->setFixedSize(rcDialog.Width(), rcDialog.Height());

    // Controls in template order, which is also the tab order.
    std::vector<HWND> controls;
    QWidget *prevTabStop = nullptr;
    for (const DLGITEMTEMPLATE &item : tpl.items) {
        const CRect rc = mapRect(item.x, item.y, item.cx, item.cy, QPoint(0, 0));
        HWND hCtl = AfxCreateControlWindow(item.className, item.text, item.style | WS_CHILD, item.exStyle, rc, hDlg,
                                           UINT(item.nID));
        ASSERT(hCtl != nullptr);
        if (!hCtl)
            continue;
        controls.push_back(hCtl);
        QWidget *w = hCtl->widget;
        if (item.style & WS_TABSTOP)
            w->setFocusPolicy(Qt::StrongFocus);
        else if (afx::isStaticWindow(hCtl) || afx::isGroupBoxWindow(hCtl))
            w->setFocusPolicy(Qt::NoFocus);
        else
            w->setFocusPolicy(Qt::ClickFocus);
        if (afx::isEditWindow(hCtl))
            afx::editSetTabMovesFocus(hCtl);
        if (item.style & WS_TABSTOP) {
            if (prevTabStop)
                QWidget::setTabOrder(prevTabStop, w);
            prevTabStop = w;
        }
    }
    // A static's mnemonic moves the focus to the next control.
    for (size_t i = 0; i + 1 < controls.size(); ++i) {
        HWND hStatic = controls[i];
        if (!afx::isStaticWindow(hStatic) || (hStatic->style & SS_NOPREFIX) || !hStatic->text.contains(u'&'))
            continue;
        for (size_t j = i + 1; j < controls.size(); ++j)
            if (!afx::isStaticWindow(controls[j]) && !afx::isGroupBoxWindow(controls[j])) {
                afx::staticSetBuddy(hStatic, controls[j]->widget);
                break;
            }
    }
    if (bModal)
        dlgWidget->setWindowModality(dlgWidget->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);

    CRect rcBefore;
    GetWindowRect(&rcBefore);
    HWND hFirst = firstTabStop(hDlg);
    const LRESULT bSetFocus = ::SendMessage(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(hFirst), 0);
    // OnInitDialog may have ended the window, and a self-deleting dialog with it.
    if (!IsWindow(hDlg))
        return FALSE;
    if (bSetFocus && IsWindow(hFirst))
        focusControl(hFirst);
    // Dialogs that OnInitDialog did not place are centred on their owner.
    CRect rcAfter;
    GetWindowRect(&rcAfter);
    if (rcAfter.TopLeft() == rcBefore.TopLeft())
        CenterWindow();
    if (!bModal && (tpl.style & WS_VISIBLE)) {
        ShowWindow(SW_SHOW);
    }
    return TRUE;
}

int CDialog::DoModal()
{
    const DLGTEMPLATE *tpl = AfxFindDialog(m_nIDTemplate);
    if (!tpl || IsWindow(m_hWnd))
        return -1;
    HWND hOwner = OwnerFor(m_pParentWnd);
    // The owner takes no input while the dialog runs. Only its state changes: Qt's modality blocks the input, so
    // the owner's widgets keep their look.
    const bool bDisableOwner = IsWindow(hOwner) && !(hOwner->style & WS_DISABLED);
    if (bDisableOwner)
        hOwner->style |= WS_DISABLED;
    // The focus goes back where it was when the dialog closes, as the window system gives it back to the window
    // that had it.
    const QPointer<QWidget> previousFocus = QApplication::focusWidget();
    m_nModalResult = -1;
    m_bModal = true;
    m_bContinueModal = true;
    const BOOL bCreated = CreateFromTemplate(*tpl, hOwner, true);
    if (bCreated && m_bContinueModal && IsWindow(m_hWnd)) {
        ShowWindow(SW_SHOW);
        if (const std::function<void(CDialog *)> hook = modalHook()) {
            hook(this);
            if (m_bContinueModal) {
                // What the hook posted runs now; whatever is still open then ends as cancelled.
                QCoreApplication::processEvents();
                AfxPumpPostedMessages();
            }
            if (m_bContinueModal)
                EndDialog(IDCANCEL);
        } else if (m_bContinueModal) {
            QEventLoop loop;
            m_pModalLoop = &loop;
            loop.exec(QEventLoop::DialogExec);
            m_pModalLoop = nullptr;
        }
    }
    const int nResult = bCreated ? m_nModalResult : -1;
    m_bModal = false;
    m_bContinueModal = false;
    if (IsWindow(m_hWnd))
        ShowWindow(SW_HIDE);
    if (bDisableOwner && IsWindow(hOwner))
        hOwner->style &= ~DWORD(WS_DISABLED);
    if (IsWindow(m_hWnd))
        DestroyWindow();
    if (previousFocus && previousFocus->isVisible() && previousFocus->isEnabled()) {
        previousFocus->window()->activateWindow();
        previousFocus->setFocus(Qt::OtherFocusReason);
    } else if (IsWindow(hOwner) && hOwner->widget) {
        hOwner->widget->window()->activateWindow();
    }
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bModal) {
        m_bContinueModal = false;
        if (m_pModalLoop)
            m_pModalLoop->exit();
    } else if (IsWindow(m_hWnd)) {
        ShowWindow(SW_HIDE);
    }
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    return OnInitDialog();
}

void CDialog::OnNcDestroy()
{
    // A modal loop whose window ends (with its owner, say) ends too.
    if (m_bModal) {
        m_bContinueModal = false;
        if (m_pModalLoop)
            m_pModalLoop->exit();
    }
    CWnd::OnNcDestroy(); // may delete this
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange *) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::GotoDlgCtrl(CWnd *pWndCtrl)
{
    if (pWndCtrl)
        ::SendMessage(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

DWORD CDialog::GetDefID() const
{
    return DWORD(::SendMessage(m_hWnd, DM_GETDEFID, 0, 0));
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
    lpRect->left = MulDiv(lpRect->left, m_baseUnits.cx, 4);
    lpRect->right = MulDiv(lpRect->right, m_baseUnits.cx, 4);
    lpRect->top = MulDiv(lpRect->top, m_baseUnits.cy, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, m_baseUnits.cy, 8);
}
