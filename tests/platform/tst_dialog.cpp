#include "support/TestMain.h"

#include "platform/Dialog.h"
#include "platform/Gdi.h"
#include "platform/SysParams.h"
#include "platform/WndImpl.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <vector>

namespace {

enum : UINT { IDD_CAPTION = 9143, IDD_RESTORE = 9146, IDD_EDIT_FIRST = 9150, IDD_DEFAULT_APPLY = 9151 };
enum : int { IDC_TEXT = 1004, IDC_COLOR = 1005, IDC_LIST = 1002, IDC_PREVIEW = 1003 };

const DWORD kChild = WS_CHILD | WS_VISIBLE;

// Like the caption dialog: OK first in the tab order, a bordered edit, a centred group box last.
DLGTEMPLATE captionTemplate(DWORD extraStyle = 0)
{
    return {
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | extraStyle,
        0,
        0,
        173,
        91,
        QStringLiteral("Make Caption"),
        QStringLiteral("MS Sans Serif"),
        8,
        {
            {QStringLiteral("BUTTON"), QStringLiteral("OK"), IDOK, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 16, 63, 64,
             14},
            {QStringLiteral("BUTTON"), QStringLiteral("Cancel"), IDCANCEL, kChild | WS_TABSTOP, 93, 63, 64, 14},
            {QStringLiteral("EDIT"), QString(), IDC_TEXT, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 16, 21, 141,
             13},
            {QStringLiteral("BUTTON"), QStringLiteral("Select &Color"), IDC_COLOR, kChild | WS_TABSTOP, 16, 43, 141,
             14},
            {QStringLiteral("BUTTON"), QStringLiteral("Input"), -1, kChild | BS_GROUPBOX | BS_CENTER, 7, 7, 159, 77},
            {QStringLiteral("STATIC"), QString(), IDC_PREVIEW, WS_CHILD, 20, 70, 30, 10},
        }};
}

// Like the restore dialog: visible at once, no OK button, a sorted list and a read-only preview.
DLGTEMPLATE restoreTemplate()
{
    return {
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
        0,
        0,
        187,
        100,
        QStringLiteral("Restore"),
        QStringLiteral("MS Sans Serif"),
        8,
        {
            {QStringLiteral("BUTTON"), QStringLiteral("Cancel"), IDCANCEL, kChild | WS_TABSTOP, 100, 79, 50, 14},
            {QStringLiteral("LISTBOX"), QString(), IDC_LIST,
             kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, 10, 17, 73,
             49},
            {QStringLiteral("EDIT"), QString(), IDC_TEXT,
             kChild | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 104, 17, 73, 49},
            {QStringLiteral("BUTTON"), QStringLiteral("Restore"), IDC_COLOR, kChild | WS_TABSTOP, 38, 79, 50, 14},
        }};
}

void registerTemplates()
{
    AfxRegisterDialog(IDD_CAPTION, captionTemplate());
    AfxRegisterDialog(IDD_RESTORE, restoreTemplate());
    DLGTEMPLATE editFirst = captionTemplate();
    std::swap(editFirst.items[0], editFirst.items[2]);
    AfxRegisterDialog(IDD_EDIT_FIRST, editFirst);
    DLGTEMPLATE apply = captionTemplate();
    apply.items[0].style &= ~DWORD(BS_DEFPUSHBUTTON);
    apply.items[3].style |= BS_DEFPUSHBUTTON;
    AfxRegisterDialog(IDD_DEFAULT_APPLY, apply);
}

// A dialog that records what the dialog manager asks of it instead of ending.
class RecordingDialog : public CDialog {
public:
    using CDialog::CDialog;
    int oks = 0;
    int cancels = 0;
    std::vector<int> commands;
    bool bEndOnOk = false;

    void OnOK() override
    {
        ++oks;
        if (bEndOnOk)
            CDialog::OnOK();
    }
    void OnCancel() override { ++cancels; }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
};

// An edit bound to a dialog whose button presses stop at the handler.
class BlockingEdit : public CEdit {
public:
    int downs = 0;

protected:
    afx_msg void OnLButtonDown(UINT, CPoint) { ++downs; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BlockingEdit, CEdit)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

// The caption dialog's pattern: a bound edit coloured through WM_CTLCOLOR, a brush released in DestroyWindow.
class ColourDialog : public CDialog {
public:
    explicit ColourDialog(CWnd *pParent) : CDialog(IDD_CAPTION, pParent) {}
    BlockingEdit m_edit;
    std::unique_ptr<CBrush> m_pBrush;
    COLORREF m_clrBack = RGB(255, 0, 0);
    COLORREF m_clrText = RGB(0, 0, 255);
    bool bBoundBeforeInit = false;
    int destroyCalls = 0;
    std::vector<UINT> ctlColorKinds;

    void DoDataExchange(CDataExchange *pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_TEXT, m_edit);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        bBoundBeforeInit = m_edit.m_hWnd != nullptr;
        m_pBrush = std::make_unique<CBrush>(m_clrBack);
        m_edit.SetWindowText(QStringLiteral("caption"));
        return TRUE;
    }
    BOOL DestroyWindow() override
    {
        ++destroyCalls;
        m_pBrush.reset();
        return CDialog::DestroyWindow();
    }
    void Recolour(COLORREF clr)
    {
        m_clrBack = clr;
        m_pBrush = std::make_unique<CBrush>(clr);
        Invalidate(TRUE);
        UpdateWindow();
    }

protected:
    afx_msg HBRUSH OnCtlColor(CDC *pDC, CWnd *pWnd, UINT nCtlColor)
    {
        ctlColorKinds.push_back(nCtlColor);
        if (nCtlColor == CTLCOLOR_EDIT && pWnd == &m_edit && m_pBrush) {
            pDC->SetTextColor(m_clrText);
            pDC->SetBkColor(m_clrBack);
            return *m_pBrush;
        }
        return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ColourDialog, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// A modeless dialog that deletes itself once its window is gone.
class SelfDeletingDialog : public CDialog {
public:
    static int deletions;
    explicit SelfDeletingDialog(bool *pAlive) : m_pAlive(pAlive) { *m_pAlive = true; }
    ~SelfDeletingDialog() override
    {
        ++deletions;
        *m_pAlive = false;
    }
    void OnCancel() override { DestroyWindow(); }
    void PostNcDestroy() override { delete this; }

private:
    bool *m_pAlive;
};
int SelfDeletingDialog::deletions = 0;

// An initial focus the dialog chooses itself.
class FocusChoosingDialog : public CDialog {
public:
    using CDialog::CDialog;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        GotoDlgCtrl(GetDlgItem(IDC_COLOR));
        return FALSE;
    }
};

HWND g_mainForTest = nullptr;
HWND mainWindowForTest()
{
    return g_mainForTest;
}

QWidget *widgetOf(CWnd &dlg, int nID)
{
    return dlg.GetDlgItem(nID)->GetWidget();
}

// The window that owns a dialog, from its record.
CWnd *ownerOf(const CWnd &wnd)
{
    return CWnd::FromHandle(wnd.m_hWnd->owner);
}

} // namespace

class TestDialog : public zbtest::TestCase {
    Q_OBJECT

protected:
    void initTest() override;
    void cleanupTest() override;

private Q_SLOTS:
    void initTestCase();
    void templateInDialogUnits();
    void tabOrderAndInitialFocus();
    void enterEscapeAndCloseBox();
    void dialogWithoutOkIgnoresEnter();
    void doModalThroughTheHook();
    void modelessOwnerAndSelfDeletion();
    void boundControlAndCtlColor();

private:
    std::unique_ptr<CWnd> m_main;
};

void TestDialog::initTestCase()
{
    registerTemplates();
}

void TestDialog::initTest()
{
    m_main = std::make_unique<CWnd>();
    QVERIFY(m_main->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("main"), WS_POPUP | WS_VISIBLE,
                             CRect(50, 50, 650, 450), nullptr, 0));
    g_mainForTest = m_main->m_hWnd;
    AfxSetDefaultDialogOwner(&mainWindowForTest);
}

void TestDialog::cleanupTest()
{
    AfxSetModalDialogHook({});
    AfxSetDefaultDialogOwner(nullptr);
    g_mainForTest = nullptr;
    m_main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDialog::templateInDialogUnits()
{
    const DLGTEMPLATE tpl = captionTemplate(WS_VISIBLE);
    const QFont font = AfxDialogFont(tpl);
    const CSize base = AfxDialogBaseUnits(font);
    // The base units come from the font: its height, and the 52 letters' width halved and rounded.
    QCOMPARE(int(base.cy), QFontMetrics(font).height());
    const int letters =
        QFontMetrics(font).horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    QVERIFY(qAbs(base.cx * 52 - letters) <= 26);
    QVERIFY(base.cx >= 5 && base.cx <= 9);
    QVERIFY(base.cy >= 11 && base.cy <= 17);

    RecordingDialog dlg;
    QVERIFY(dlg.CreateIndirect(tpl, m_main.get()));
    QVERIFY(dlg.IsWindowVisible());
    QCOMPARE(ownerOf(dlg), m_main.get());
    CString title;
    dlg.GetWindowText(title);
    QCOMPARE(QString(title), QStringLiteral("Make Caption"));

    // The client area is cx x cy dialog units.
    CRect rc;
    dlg.GetClientRect(&rc);
    QCOMPARE(rc.Width(), MulDiv(173, base.cx, 4));
    QCOMPARE(rc.Height(), MulDiv(91, base.cy, 8));
    // DS_MODALFRAME: fixed size; WS_SYSMENU: a close box.
    QCOMPARE(dlg.GetWidget()->minimumSize(), dlg.GetWidget()->maximumSize());
    QVERIFY(dlg.GetWidget()->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(dlg.GetWidget()->isWindow());

    // Each control at its own place and size, with its id and text.
    for (const DLGITEMTEMPLATE &item : tpl.items) {
        CWnd *pCtl = dlg.GetDlgItem(item.nID);
        QVERIFY(pCtl);
        CRect r;
        pCtl->GetWindowRect(&r);
        dlg.ScreenToClient(&r);
        QCOMPARE(r, CRect(MulDiv(item.x, base.cx, 4), MulDiv(item.y, base.cy, 8),
                          MulDiv(item.x, base.cx, 4) + MulDiv(item.cx, base.cx, 4),
                          MulDiv(item.y, base.cy, 8) + MulDiv(item.cy, base.cy, 8)));
        CString text;
        pCtl->GetWindowText(text);
        QCOMPARE(QString(text), item.text);
    }
    CRect r;
    dlg.GetDlgItem(IDOK)->GetWindowRect(&r);
    QCOMPARE(r.Width(), MulDiv(64, base.cx, 4));
    r = CRect(16, 63, 80, 77);
    dlg.MapDialogRect(&r);
    QCOMPARE(r.left, MulDiv(16, base.cx, 4));
    QCOMPARE(r.bottom, MulDiv(77, base.cy, 8));

    // The default button shows as such; the group box caption is centred; the marker static never shows.
    QVERIFY(qobject_cast<QPushButton *>(widgetOf(dlg, IDOK))->isDefault());
    QVERIFY(!qobject_cast<QPushButton *>(widgetOf(dlg, IDCANCEL))->isDefault());
    QCOMPARE(qobject_cast<QGroupBox *>(widgetOf(dlg, -1))->alignment(), Qt::Alignment(Qt::AlignHCenter));
    QVERIFY(!widgetOf(dlg, IDC_PREVIEW)->isVisible());
    QVERIFY(widgetOf(dlg, IDC_TEXT)->isVisible());
    QCOMPARE(dlg.GetDefID(), DWORD(MAKELONG(IDOK, DC_HASDEFID)));

    // The dialog's font reaches its controls.
    QCOMPARE(widgetOf(dlg, IDC_TEXT)->font().pixelSize(), font.pixelSize());
    QCOMPARE(widgetOf(dlg, IDC_TEXT)->font().family(), font.family());
}

void TestDialog::tabOrderAndInitialFocus()
{
    RecordingDialog dlg(IDD_CAPTION, m_main.get());
    QVERIFY(dlg.Create(IDD_CAPTION, m_main.get()));
    dlg.ShowWindow(SW_SHOW);
    QWidget *dw = dlg.GetWidget();
    // The first tab stop in template order has the focus: the OK button, not the edit after it.
    QCOMPARE(dw->focusWidget(), widgetOf(dlg, IDOK));

    dw->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dw));
    QCOMPARE(CWnd::GetFocus()->m_hWnd, dlg.GetDlgItem(IDOK)->m_hWnd);
    // Tab visits the tab stops in template order and skips the group box and the static.
    const int order[] = {IDCANCEL, IDC_TEXT, IDC_COLOR, IDOK};
    for (int nID : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(CWnd::GetFocus()->GetDlgCtrlID(), nID);
    }
    for (int nID : order) {
        dlg.SendMessage(WM_NEXTDLGCTL, 0, 0);
        QCOMPARE(CWnd::GetFocus()->GetDlgCtrlID(), nID);
    }
    dlg.SendMessage(WM_NEXTDLGCTL, 1, 0);
    QCOMPARE(CWnd::GetFocus()->GetDlgCtrlID(), IDC_COLOR);
    dlg.SendMessage(WM_NEXTDLGCTL, 0, 0);
    // A button's mnemonic presses it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(int(std::count(dlg.commands.begin(), dlg.commands.end(), IDC_COLOR)), 1);

    // A disabled control is skipped.
    dlg.GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
    dlg.SendMessage(WM_NEXTDLGCTL, 0, 0);
    QCOMPARE(CWnd::GetFocus()->GetDlgCtrlID(), IDC_TEXT);
    dlg.DestroyWindow();

    // An edit as first tab stop gets the focus with its text selected.
    CDialog editFirst(IDD_EDIT_FIRST, m_main.get());
    QVERIFY(editFirst.Create(IDD_EDIT_FIRST, m_main.get()));
    QCOMPARE(editFirst.GetWidget()->focusWidget(), widgetOf(editFirst, IDC_TEXT));

    // A dialog that places the focus itself and returns FALSE keeps its choice.
    FocusChoosingDialog chooser(IDD_CAPTION, m_main.get());
    QVERIFY(chooser.Create(IDD_CAPTION, m_main.get()));
    QCOMPARE(chooser.GetWidget()->focusWidget(), widgetOf(chooser, IDC_COLOR));
}

void TestDialog::enterEscapeAndCloseBox()
{
    RecordingDialog dlg;
    QVERIFY(dlg.Create(IDD_CAPTION, m_main.get()));
    dlg.ShowWindow(SW_SHOW);
    QWidget *edit = widgetOf(dlg, IDC_TEXT);

    // Enter in the edit presses the default button; Escape and the close box cancel.
    dlg.GotoDlgCtrl(dlg.GetDlgItem(IDC_TEXT));
    QCOMPARE(dlg.GetWidget()->focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dlg.oks, 1);
    QCOMPARE(dlg.commands.back(), IDOK);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(dlg.cancels, 1);
    QVERIFY(!dlg.GetWidget()->close());
    QCOMPARE(dlg.cancels, 2);
    QVERIFY(IsWindow(dlg.m_hWnd));

    // Enter on a focused push button presses that button.
    dlg.GotoDlgCtrl(dlg.GetDlgItem(IDC_COLOR));
    QTest::keyClick(widgetOf(dlg, IDC_COLOR), Qt::Key_Return);
    QCOMPARE(dlg.commands.back(), IDC_COLOR);
    QCOMPARE(dlg.oks, 1);
    dlg.GotoDlgCtrl(dlg.GetDlgItem(IDC_TEXT));

    // A disabled default button takes no Enter, a disabled Cancel no Escape.
    dlg.GetDlgItem(IDOK)->EnableWindow(FALSE);
    dlg.GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(dlg.oks, 1);
    QCOMPARE(dlg.cancels, 2);

    // The default button is the template's BS_DEFPUSHBUTTON, also when it is not IDOK.
    RecordingDialog apply;
    QVERIFY(apply.Create(IDD_DEFAULT_APPLY, m_main.get()));
    apply.GotoDlgCtrl(apply.GetDlgItem(IDC_TEXT));
    QTest::keyClick(widgetOf(apply, IDC_TEXT), Qt::Key_Enter);
    QCOMPARE(int(apply.commands.size()), 1);
    QCOMPARE(apply.commands.back(), IDC_COLOR);
    QCOMPARE(apply.oks, 0);
    apply.SendMessage(DM_SETDEFID, IDOK, 0);
    QVERIFY(qobject_cast<QPushButton *>(widgetOf(apply, IDOK))->isDefault());
    QVERIFY(!qobject_cast<QPushButton *>(widgetOf(apply, IDC_COLOR))->isDefault());
    QTest::keyClick(widgetOf(apply, IDC_TEXT), Qt::Key_Enter);
    QCOMPARE(apply.oks, 1);

    // The classic OnOK of a modeless dialog hides it; the window stays.
    apply.bEndOnOk = true;
    QTest::keyClick(widgetOf(apply, IDC_TEXT), Qt::Key_Return);
    QVERIFY(IsWindow(apply.m_hWnd));
    QVERIFY(!apply.IsWindowVisible());
}

void TestDialog::dialogWithoutOkIgnoresEnter()
{
    RecordingDialog dlg(IDD_RESTORE, m_main.get());
    QVERIFY(dlg.Create(IDD_RESTORE, nullptr));
    QVERIFY(dlg.IsWindowVisible());
    QCOMPARE(dlg.GetWidget()->focusWidget(), widgetOf(dlg, IDCANCEL));
    QCOMPARE(dlg.GetDefID(), DWORD(0));

    dlg.GotoDlgCtrl(dlg.GetDlgItem(IDC_LIST));
    QTest::keyClick(widgetOf(dlg, IDC_LIST), Qt::Key_Return);
    QTest::keyClick(dlg.GetWidget(), Qt::Key_Enter);
    QCOMPARE(dlg.oks, 0);
    QVERIFY(dlg.commands.empty());
    QVERIFY(dlg.IsWindowVisible());
    QTest::keyClick(widgetOf(dlg, IDC_LIST), Qt::Key_Escape);
    QCOMPARE(dlg.cancels, 1);

    // The read-only multi-line preview moves the focus with Tab and keeps CR LF.
    auto *preview = qobject_cast<QPlainTextEdit *>(widgetOf(dlg, IDC_TEXT));
    QVERIFY(preview && preview->isReadOnly() && preview->tabChangesFocus());
    dlg.GetDlgItem(IDC_TEXT)->SetWindowText(QStringLiteral("line 1\nline 2"));
    CString text;
    dlg.GetDlgItem(IDC_TEXT)->GetWindowText(text);
    QCOMPARE(text.GetLength(), 14);
    QCOMPARE(QString(text), QStringLiteral("line 1\r\nline 2"));
}

void TestDialog::doModalThroughTheHook()
{
    // A child window as parent: the owner is its top-level window, which is disabled while the dialog runs.
    CWnd child;
    QVERIFY(child.Create(QString::fromLatin1(AfxWndClassName), QString(), WS_CHILD | WS_VISIBLE, CRect(5, 5, 100, 100),
                         m_main.get(), 1));
    ColourDialog dlg(&child);
    int hookCalls = 0;
    AfxSetModalDialogHook([&](CDialog *pDlg) {
        ++hookCalls;
        QCOMPARE(pDlg, static_cast<CDialog *>(&dlg));
        QVERIFY(pDlg->IsWindowVisible());
        QCOMPARE(ownerOf(*pDlg), m_main.get());
        QVERIFY(!m_main->IsWindowEnabled());
        QVERIFY(dlg.bBoundBeforeInit);
        QCOMPARE(pDlg->GetWidget()->focusWidget(), widgetOf(*pDlg, IDOK));
        CString text;
        dlg.m_edit.GetWindowText(text);
        QCOMPARE(QString(text), QStringLiteral("caption"));
        // Pressing OK ends the dialog.
        QTest::mouseClick(widgetOf(*pDlg, IDOK), Qt::LeftButton);
    });
    QCOMPARE(dlg.DoModal(), IDOK);
    QCOMPARE(hookCalls, 1);
    QCOMPARE(dlg.destroyCalls, 1);
    QVERIFY(!dlg.m_pBrush);
    QVERIFY(!dlg.m_hWnd);
    QVERIFY(!dlg.m_edit.m_hWnd);
    QVERIFY(m_main->IsWindowEnabled());

    // The same object runs again; a hook that does nothing ends it as cancelled.
    AfxSetModalDialogHook([&](CDialog *) { ++hookCalls; });
    QCOMPARE(dlg.DoModal(), IDCANCEL);
    QCOMPARE(hookCalls, 2);
    QCOMPARE(dlg.destroyCalls, 2);

    // What the hook posts runs before the dialog gives up.
    AfxSetModalDialogHook([](CDialog *pDlg) { pDlg->PostMessage(WM_COMMAND, IDOK, 0); });
    QCOMPARE(dlg.DoModal(), IDOK);

    // Escape through the keyboard.
    AfxSetModalDialogHook([](CDialog *pDlg) { QTest::keyClick(widgetOf(*pDlg, IDC_TEXT), Qt::Key_Escape); });
    QCOMPARE(dlg.DoModal(), IDCANCEL);

    // No template: no dialog.
    CDialog missing(4242, m_main.get());
    QCOMPARE(missing.DoModal(), -1);
    QVERIFY(m_main->IsWindowEnabled());
}

void TestDialog::modelessOwnerAndSelfDeletion()
{
    SelfDeletingDialog::deletions = 0;
    bool alive = false;
    auto *dlg = new SelfDeletingDialog(&alive);
    // No parent: the default owner, the main window.
    QVERIFY(dlg->Create(IDD_RESTORE));
    QCOMPARE(ownerOf(*dlg), m_main.get());
    QVERIFY(dlg->IsWindowVisible());
    QPointer<QWidget> widget = dlg->GetWidget();
    QTest::keyClick(widgetOf(*dlg, IDC_LIST), Qt::Key_Escape);
    QVERIFY(!alive);
    QCOMPARE(SelfDeletingDialog::deletions, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!widget);

    // Ended with its owner, it deletes itself once too.
    auto *second = new SelfDeletingDialog(&alive);
    QVERIFY(second->Create(IDD_RESTORE));
    QVERIFY(alive);
    m_main->DestroyWindow();
    QVERIFY(!alive);
    QCOMPARE(SelfDeletingDialog::deletions, 2);
}

void TestDialog::boundControlAndCtlColor()
{
    ColourDialog dlg(m_main.get());
    QVERIFY(dlg.Create(IDD_CAPTION, m_main.get()));
    QVERIFY(dlg.bBoundBeforeInit);
    QCOMPARE(CWnd::FromHandlePermanent(dlg.GetDlgItem(IDC_TEXT)->m_hWnd), static_cast<CWnd *>(&dlg.m_edit));
    dlg.ShowWindow(SW_SHOW);
    QVERIFY(QTest::qWaitForWindowExposed(dlg.GetWidget()));
    auto *field = qobject_cast<QLineEdit *>(dlg.m_edit.GetWidget());
    QVERIFY(field);

    // The bound control's messages pass its own map first: this handler keeps the press from the field.
    dlg.m_edit.SetSel(0, 0);
    QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() - 5, field->height() / 2));
    QCOMPARE(dlg.m_edit.downs, 1);
    QCOMPARE(dlg.m_edit.GetSel(), MAKELONG(0, 0));

    // The field is painted in the colours the dialog's OnCtlColor chose: text colour, brush colour behind.
    field->setText(QString());
    const QImage before = field->grab().toImage();
    QCOMPARE(before.pixelColor(before.width() / 2, before.height() / 2), QColor(255, 0, 0));
    QCOMPARE(field->palette().color(QPalette::Active, QPalette::Text), QColor(0, 0, 255));
    QVERIFY(!dlg.ctlColorKinds.empty());
    QVERIFY(std::all_of(dlg.ctlColorKinds.begin(), dlg.ctlColorKinds.end(), [](UINT k) { return k == CTLCOLOR_EDIT; }));

    // A new brush shows as soon as the dialog is invalidated and updated.
    dlg.Recolour(RGB(0, 128, 0));
    QCOMPARE(field->palette().color(QPalette::Active, QPalette::Base), QColor(0, 128, 0));
    const QImage after = field->grab().toImage();
    QCOMPARE(after.pixelColor(after.width() / 2, after.height() / 2), QColor(0, 128, 0));

    // Controls of a parent without WM_CTLCOLOR handling show the system's edit colours.
    RecordingDialog plain;
    QVERIFY(plain.Create(IDD_CAPTION, m_main.get()));
    plain.ShowWindow(SW_SHOW);
    QWidget *plainField = widgetOf(plain, IDC_TEXT);
    const QImage img = plainField->grab().toImage();
    QCOMPARE(img.pixelColor(img.width() / 2, img.height() / 2), AfxQColor(GetSysColor(COLOR_WINDOW)));
}

ZB_TEST_MAIN(TestDialog)
#include "tst_dialog.moc"
