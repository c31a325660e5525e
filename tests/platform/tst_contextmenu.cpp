// Context menus: WM_CONTEXTMENU from the right button's release and from the keyboard (Menu key, Shift+F10),
// passed up from children that do not handle it; pop-up menus answered by the script.
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "platform/Menu.h"
#include "platform/Wnd.h"

#include <memory>
#include <vector>

namespace {

struct Delivery {
    int nTag;
    HWND hFrom;
    POINT pt;
};
std::vector<Delivery> g_menus;
std::vector<UINT> g_commands;

class MenuWindow : public CWnd {
public:
    MenuWindow(int nTag, bool bHandles) : m_nTag(nTag), m_bHandles(bHandles) {}

protected:
    afx_msg LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam)
    {
        if (!m_bHandles)
            return Default();
        g_menus.push_back({m_nTag, reinterpret_cast<HWND>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}});
        return 0;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM) override
    {
        g_commands.push_back(UINT(LOWORD(wParam)));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()

private:
    int m_nTag;
    bool m_bHandles;
};

BEGIN_MESSAGE_MAP(MenuWindow, CWnd)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
END_MESSAGE_MAP()

std::unique_ptr<MenuWindow> makeWindow(int nTag, bool bHandles, CWnd *pParent)
{
    auto pWnd = std::make_unique<MenuWindow>(nTag, bHandles);
    const DWORD dwStyle = pParent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
    const CRect rc = pParent ? CRect(20, 30, 120, 130) : CRect(200, 150, 500, 400);
    if (!pWnd->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("w%1").arg(nTag), dwStyle, rc, pParent,
                        0))
        return nullptr;
    return pWnd;
}

} // namespace

class TestContextMenu : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        g_menus.clear();
        g_commands.clear();
    }

private Q_SLOTS:
    void contextMenuFromTheMouseAndTheKeyboard()
    {
        auto pParent = makeWindow(1, true, nullptr);
        QVERIFY(pParent);
        auto pPassing = makeWindow(2, false, pParent.get());
        auto pOwn = makeWindow(3, true, pParent.get());
        QVERIFY(pPassing && pOwn);
        QWidget *wPassing = pPassing->GetWidget();
        QVERIFY(QTest::qWaitForWindowExposed(pParent->GetWidget()));

        // The right button asks on its release, at the point on the screen; a child without a menu of its own
        // passes the question to its parent, naming itself.
        QTest::mousePress(wPassing, Qt::RightButton, {}, QPoint(10, 12));
        QVERIFY(g_menus.empty());
        QTest::mouseRelease(wPassing, Qt::RightButton, {}, QPoint(10, 12));
        QCOMPARE(int(g_menus.size()), 1);
        QCOMPARE(g_menus[0].nTag, 1);
        QCOMPARE(g_menus[0].hFrom, pPassing->GetSafeHwnd());
        const QPoint global = wPassing->mapToGlobal(QPoint(10, 12));
        QCOMPARE(g_menus[0].pt.x, LONG(global.x()));
        QCOMPARE(g_menus[0].pt.y, LONG(global.y()));
        // The left button asks nothing.
        QTest::mouseClick(wPassing, Qt::LeftButton, {}, QPoint(10, 12));
        QCOMPARE(int(g_menus.size()), 1);

        // The Menu key and Shift+F10: the point (-1, -1).
        QTest::keyClick(wPassing, Qt::Key_Menu);
        QTest::keyClick(wPassing, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(int(g_menus.size()), 3);
        for (int i : {1, 2}) {
            QCOMPARE(g_menus[i].nTag, 1);
            QCOMPARE(g_menus[i].hFrom, pPassing->GetSafeHwnd());
            QCOMPARE(g_menus[i].pt.x, -1L);
            QCOMPARE(g_menus[i].pt.y, -1L);
        }
        // F10 alone, Ctrl+F10 and Shift+Menu are other keys.
        QTest::keyClick(wPassing, Qt::Key_F10);
        QTest::keyClick(wPassing, Qt::Key_F10, Qt::ControlModifier);
        QTest::keyClick(wPassing, Qt::Key_Menu, Qt::ShiftModifier);
        QCOMPARE(int(g_menus.size()), 3);

        // A child that handles it keeps it.
        QTest::mouseClick(pOwn->GetWidget(), Qt::RightButton, {}, QPoint(5, 5));
        QTest::keyClick(pOwn->GetWidget(), Qt::Key_Menu);
        QCOMPARE(int(g_menus.size()), 5);
        QCOMPARE(g_menus[3].nTag, 3);
        QCOMPARE(g_menus[4].nTag, 3);
        QCOMPARE(g_menus[4].pt.x, -1L);
    }

    void scriptedMenusChooseEnabledCommandsOnly()
    {
        AfxDialogScript::SetScripted(true);
        AfxDialogScript::ClearMenuHistory();
        auto pOwner = makeWindow(1, true, nullptr);
        QVERIFY(pOwner);
        CMenu menu;
        QVERIFY(!menu.AppendMenu(MF_STRING, 1, QStringLiteral("before creation")));
        QVERIFY(menu.CreatePopupMenu());
        QVERIFY(menu.AppendMenu(MF_STRING, 101, QStringLiteral("First")));
        QVERIFY(menu.AppendMenu(MF_STRING | MF_GRAYED, 102, QStringLiteral("Greyed")));
        QVERIFY(menu.AppendMenu(MF_SEPARATOR));
        QVERIFY(menu.AppendMenu(MF_STRING | MF_DISABLED, 103, QStringLiteral("Disabled")));
        QVERIFY(menu.AppendMenu(MF_STRING, 104, QStringLiteral("Last")));

        // With TPM_RETURNCMD the command comes back and nothing is sent.
        AfxDialogScript::PushMenuAnswer(104);
        QCOMPARE(menu.TrackPopupMenu(TPM_RETURNCMD, 30, 40, pOwner.get()), BOOL(104));
        QVERIFY(g_commands.empty());
        const AfxDialogScript::ShownMenu shown = AfxDialogScript::MenuHistory().constLast();
        QCOMPARE(shown.texts, QStringList({QStringLiteral("First"), QStringLiteral("Greyed"), QString(),
                                           QStringLiteral("Disabled"), QStringLiteral("Last")}));
        QCOMPARE(shown.ids, QList<UINT>({101, 102, 0, 103, 104}));
        QCOMPARE(shown.enabled, QList<bool>({true, false, false, false, true}));
        QCOMPARE(shown.ptScreen, QPoint(30, 40));

        // Without it the owner hears WM_COMMAND.
        AfxDialogScript::PushMenuAnswer(101);
        QCOMPARE(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 0, 0, pOwner.get()), TRUE);
        QCOMPARE(g_commands, std::vector<UINT>({101}));

        // Greyed, disabled, unknown and separator answers choose nothing; one answer is used per menu.
        for (UINT nAnswer : {102u, 103u, 999u, 0u}) {
            AfxDialogScript::PushMenuAnswer(nAnswer);
            QCOMPARE(menu.TrackPopupMenu(TPM_LEFTALIGN, 0, 0, pOwner.get()), FALSE);
            QCOMPARE(AfxDialogScript::MenuHistory().constLast().nChosen, 0u);
        }
        QCOMPARE(g_commands, std::vector<UINT>({101}));
        // None queued: dismissed.
        QCOMPARE(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, pOwner.get()), BOOL(0));
        AfxDialogScript::SetScripted(false);
    }
};

ZB_TEST_MAIN(TestContextMenu)
#include "tst_contextmenu.moc"
