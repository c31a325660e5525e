// The window subclassing hook: chains of hooks on plain windows, order of delivery, passing on with Default,
// removal of any hook, WM_NCDESTROY, and the thread's current-message record around hooked messages.
#include "support/TestMain.h"

#include "caption/Subclass.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

// What the window's own procedure saw.
QStringList g_log;
int g_nOwnNcDestroy = 0;
bool g_bOwnProcInstalledAtNcDestroy = false;
bool g_bNoHookAtNcDestroy = false;
std::vector<std::pair<QByteArray, int>> g_asserts;

void recordAssert(const char *source, int line)
{
    g_asserts.emplace_back(QByteArray(source), line);
}

QString entry(const QString &who, UINT nMsg, WPARAM wParam)
{
    return QStringLiteral("%1:%2:%3").arg(who).arg(nMsg - WM_APP).arg(qulonglong(wParam));
}

// The window procedure the test windows have before any hook: logs application messages, answers
// WM_APP + 5 with 500 and leaves everything else to the framework.
LRESULT OwnProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg >= WM_APP)
        g_log << entry(QStringLiteral("own"), nMsg, wParam);
    if (nMsg == WM_APP + 5)
        return 500;
    if (nMsg == WM_NCDESTROY) {
        ++g_nOwnNcDestroy;
        g_bOwnProcInstalledAtNcDestroy = ::GetWindowLong(hWnd, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&OwnProc);
        g_bNoHookAtNcDestroy = CSubclassWndMap::GetHookMap()->LookupHook(hWnd) == nullptr;
    }
    return AfxWndProc(hWnd, nMsg, wParam, lParam);
}

// A hook that logs application messages and passes everything on, with Default or with the base WindowProc;
// a handler may take a message over.
class TestHook : public CSubclassWnd {
public:
    explicit TestHook(QString name, bool bUseDefault = true) : m_strName(std::move(name)), m_bUseDefault(bUseDefault) {}

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        m_messages.push_back(nMsg);
        if (nMsg >= WM_APP)
            g_log << entry(m_strName, nMsg, wParam);
        if (m_handler) {
            LRESULT lResult = 0;
            if (m_handler(nMsg, wParam, lParam, &lResult))
                return lResult;
        }
        return m_bUseDefault ? Default() : CSubclassWnd::WindowProc(nMsg, wParam, lParam);
    }

    int Count(UINT nMsg) const { return int(std::count(m_messages.begin(), m_messages.end(), nMsg)); }

    QString m_strName;
    bool m_bUseDefault;
    std::vector<UINT> m_messages;
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT *)> m_handler;
};

// A hidden top-level window with a visible child whose procedure is OwnProc.
struct TestWindows {
    TestWindows()
    {
        top.CreateEx(0, QString(), QStringLiteral("top"), WS_OVERLAPPED, CRect(0, 0, 300, 200), nullptr, 0);
        child.CreateEx(0, QString(), QStringLiteral("child"), WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 60), &top, 1);
        other.CreateEx(0, QString(), QStringLiteral("other"), WS_CHILD | WS_VISIBLE, CRect(10, 80, 110, 130), &top, 2);
        ::SetWindowLong(child, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnProc));
        ::SetWindowLong(other, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnProc));
    }
    CWnd top;
    CWnd child;
    CWnd other;
};

LONG_PTR procOf(HWND hWnd)
{
    return ::GetWindowLong(hWnd, GWL_WNDPROC);
}
const LONG_PTR kSubclassProc = reinterpret_cast<LONG_PTR>(&SubclassProc);
const LONG_PTR kOwnProc = reinterpret_cast<LONG_PTR>(&OwnProc);

bool isUnhooked(const CSubclassWnd &hook)
{
    return !hook.m_pHookedWnd && !hook.m_pfnSavedWndProc;
}

} // namespace

class TestSubclass : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        g_log.clear();
        g_asserts.clear();
        g_nOwnNcDestroy = 0;
        g_bOwnProcInstalledAtNcDestroy = g_bNoHookAtNcDestroy = false;
    }

    void cleanupTest() override { QVERIFY2(g_asserts.empty(), "unexpected assertion"); }

private Q_SLOTS:
    void initTestCase() { AfxSetAssertHandler(&recordAssert); }

    void twoHooksSeeMessagesNewestFirstAndPassThemOn()
    {
        TestHook older(QStringLiteral("A")), newer(QStringLiteral("B"));
        TestWindows w;
        older.SetHookedWindow(&w.child);
        newer.SetHookedWindow(&w.child);

        QCOMPARE(procOf(w.child), kSubclassProc);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), &newer);
        QCOMPARE(newer.m_pNextHook, &older);
        QCOMPARE(older.m_pNextHook, static_cast<CSubclassWnd *>(nullptr));
        QCOMPARE(reinterpret_cast<LONG_PTR>(older.m_pfnSavedWndProc), kOwnProc);
        QCOMPARE(reinterpret_cast<LONG_PTR>(newer.m_pfnSavedWndProc), kOwnProc);

        QCOMPARE(w.child.SendMessage(WM_APP + 1, 7, 0), LRESULT(0));
        QCOMPARE(g_log, QStringList({"B:1:7", "A:1:7", "own:1:7"}));

        // The own procedure's result comes back through both hooks; the base WindowProc passes on as Default does.
        g_log.clear();
        newer.m_bUseDefault = false;
        QCOMPARE(w.child.SendMessage(WM_APP + 5, 1, 0), LRESULT(500));
        QCOMPARE(g_log, QStringList({"B:5:1", "A:5:1", "own:5:1"}));

        // A hook that handles a message stops it there.
        g_log.clear();
        newer.m_handler = [](UINT nMsg, WPARAM, LPARAM, LRESULT *pResult) {
            *pResult = 99;
            return nMsg == WM_APP + 2;
        };
        QCOMPARE(w.child.SendMessage(WM_APP + 2, 3, 0), LRESULT(99));
        QCOMPARE(g_log, QStringList({"B:2:3"}));

        // Messages the framework sends itself go through the chain too.
        w.child.SetWindowText(QStringLiteral("renamed"));
        QCOMPARE(newer.Count(WM_SETTEXT), 1);
        QCOMPARE(older.Count(WM_SETTEXT), 1);
        CString text;
        w.child.GetWindowText(text);
        QCOMPARE(QString(text), QStringLiteral("renamed"));
    }

    void removingTheOlderHookKeepsTheNewerAsHead()
    {
        TestHook older(QStringLiteral("A")), newer(QStringLiteral("B"));
        TestWindows w;
        older.SetHookedWindow(&w.child);
        newer.SetHookedWindow(&w.child);

        QCOMPARE(older.SetHookedWindow(nullptr), TRUE);
        QVERIFY(isUnhooked(older));
        QCOMPARE(procOf(w.child), kSubclassProc);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), &newer);
        QCOMPARE(newer.m_pNextHook, static_cast<CSubclassWnd *>(nullptr));
        w.child.SendMessage(WM_APP + 1, 1, 0);
        QCOMPARE(g_log, QStringList({"B:1:1", "own:1:1"}));

        newer.SetHookedWindow(nullptr);
        QVERIFY(isUnhooked(newer));
        QCOMPARE(procOf(w.child), kOwnProc);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), static_cast<CSubclassWnd *>(nullptr));
        g_log.clear();
        w.child.SendMessage(WM_APP + 1, 2, 0);
        QCOMPARE(g_log, QStringList({"own:1:2"}));
    }

    void removingTheNewerHookMakesTheOlderHead()
    {
        TestHook older(QStringLiteral("A")), newer(QStringLiteral("B"));
        TestWindows w;
        older.SetHookedWindow(&w.child);
        newer.SetHookedWindow(&w.child);

        newer.SetHookedWindow(nullptr);
        QVERIFY(isUnhooked(newer));
        QCOMPARE(procOf(w.child), kSubclassProc);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), &older);
        w.child.SendMessage(WM_APP + 1, 4, 0);
        QCOMPARE(g_log, QStringList({"A:1:4", "own:1:4"}));

        older.SetHookedWindow(nullptr);
        QCOMPARE(procOf(w.child), kOwnProc);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), static_cast<CSubclassWnd *>(nullptr));
    }

    void threeHooksRemovingTheMiddleOneRelinksTheChain()
    {
        TestHook a(QStringLiteral("A")), b(QStringLiteral("B"), false), c(QStringLiteral("C"));
        TestWindows w;
        a.SetHookedWindow(&w.child);
        b.SetHookedWindow(&w.child);
        c.SetHookedWindow(&w.child);
        w.child.SendMessage(WM_APP + 1, 1, 0);
        QCOMPARE(g_log, QStringList({"C:1:1", "B:1:1", "A:1:1", "own:1:1"}));

        b.SetHookedWindow(nullptr);
        QCOMPARE(c.m_pNextHook, &a);
        QCOMPARE(CSubclassWndMap::GetHookMap()->LookupHook(w.child), &c);
        g_log.clear();
        w.child.SendMessage(WM_APP + 1, 2, 0);
        QCOMPARE(g_log, QStringList({"C:1:2", "A:1:2", "own:1:2"}));

        // The unhooked middle hook can go on top again.
        b.SetHookedWindow(&w.child);
        QCOMPARE(b.m_pNextHook, &c);
        g_log.clear();
        w.child.SendMessage(WM_APP + 1, 3, 0);
        QCOMPARE(g_log, QStringList({"B:1:3", "C:1:3", "A:1:3", "own:1:3"}));
        // The window's end takes all three off.
    }

    void anUnhookedHookCanHookAnotherWindow()
    {
        TestHook hook(QStringLiteral("H"));
        TestWindows w;
        hook.SetHookedWindow(&w.child);
        hook.SetHookedWindow(nullptr);
        QCOMPARE(hook.SetHookedWindow(&w.other), TRUE);
        QCOMPARE(hook.m_pHookedWnd, &w.other);
        QCOMPARE(procOf(w.child), kOwnProc);
        QCOMPARE(procOf(w.other), kSubclassProc);

        w.child.SendMessage(WM_APP + 1, 1, 0);
        w.other.SendMessage(WM_APP + 1, 2, 0);
        QCOMPARE(g_log, QStringList({"own:1:1", "H:1:2", "own:1:2"}));
        hook.SetHookedWindow(nullptr);
        QCOMPARE(procOf(w.other), kOwnProc);
    }

    void ncDestroyUnhooksEveryHookBeforeTheOwnProcedureSeesIt()
    {
        TestHook a(QStringLiteral("A")), b(QStringLiteral("B"), false), c(QStringLiteral("C"));
        TestWindows w;
        a.SetHookedWindow(&w.child);
        b.SetHookedWindow(&w.child);
        c.SetHookedWindow(&w.child);
        w.child.DestroyWindow();
        QCOMPARE(g_nOwnNcDestroy, 1);
        QVERIFY(g_bOwnProcInstalledAtNcDestroy);
        QVERIFY(g_bNoHookAtNcDestroy);
        for (const TestHook *pHook : {&a, &b, &c}) {
            QCOMPARE(pHook->Count(WM_DESTROY), 1); // hooked until the very end
            QCOMPARE(pHook->Count(WM_NCDESTROY), 0);
            QVERIFY(isUnhooked(*pHook));
        }
        // Destroying the hooks now is allowed: cleanup() checks that no assertion was reported.
    }

    void changedWParamIsPassedOnAndTheRecordRestored()
    {
        TestHook older(QStringLiteral("A")), newer(QStringLiteral("B"));
        TestWindows w;
        older.SetHookedWindow(&w.child);
        newer.SetHookedWindow(&w.child);

        MSG &record = AfxGetThreadState()->m_lastSentMsg;
        const MSG outer{nullptr, 0x1234, 11, 12, 13, POINT{14, 15}};
        record = outer;
        MSG seen{};
        newer.m_handler = [&](UINT nMsg, WPARAM, LPARAM, LRESULT *pResult) {
            if (nMsg != WM_APP + 1)
                return false;
            seen = AfxGetThreadState()->m_lastSentMsg;
            AfxGetThreadState()->m_lastSentMsg.wParam = 42;
            *pResult = newer.Default();
            return true;
        };
        w.child.SendMessage(WM_APP + 1, 7, 8);

        QCOMPARE(g_log, QStringList({"B:1:7", "A:1:42", "own:1:42"}));
        // While the message runs the record holds it; time and point are left as they were.
        QCOMPARE(seen.hwnd, w.child.GetSafeHwnd());
        QCOMPARE(seen.message, UINT(WM_APP + 1));
        QCOMPARE(seen.wParam, WPARAM(7));
        QCOMPARE(seen.lParam, LPARAM(8));
        QCOMPARE(seen.time, outer.time);
        QCOMPARE(seen.pt.x, outer.pt.x);
        QCOMPARE(seen.pt.y, outer.pt.y);
        // Afterwards all seven values are back.
        QCOMPARE(record.hwnd, outer.hwnd);
        QCOMPARE(record.message, outer.message);
        QCOMPARE(record.wParam, outer.wParam);
        QCOMPARE(record.lParam, outer.lParam);
        QCOMPARE(record.time, outer.time);
        QCOMPARE(record.pt.x, outer.pt.x);
        QCOMPARE(record.pt.y, outer.pt.y);
    }

    void nestedSendMessageLeavesTheOuterRecordIntact()
    {
        TestHook hook(QStringLiteral("H"));
        TestWindows w;
        hook.SetHookedWindow(&w.child);
        MSG afterNested{};
        hook.m_handler = [&](UINT nMsg, WPARAM, LPARAM, LRESULT *pResult) {
            if (nMsg != WM_APP + 2)
                return false;
            w.child.SendMessage(WM_APP + 3, 9, 10);
            afterNested = AfxGetThreadState()->m_lastSentMsg;
            *pResult = hook.Default();
            return true;
        };
        w.child.SendMessage(WM_APP + 2, 5, 6);
        QCOMPARE(g_log, QStringList({"H:2:5", "H:3:9", "own:3:9", "own:2:5"}));
        QCOMPARE(afterNested.hwnd, w.child.GetSafeHwnd());
        QCOMPARE(afterNested.message, UINT(WM_APP + 2));
        QCOMPARE(afterNested.wParam, WPARAM(5));
        QCOMPARE(afterNested.lParam, LPARAM(6));
    }

    void hookProcedureWithoutAHookAsserts()
    {
        ZB_REQUIRE_ASSERT();
        TestWindows w;
        w.child.SetWindowText(QStringLiteral("abc"));
        // Not hooked: the procedure reports the programming error and answers as the window system would.
        const LRESULT lLength = SubclassProc(w.child, WM_GETTEXTLENGTH, 0, 0);
        QCOMPARE(lLength, LRESULT(3));
        QCOMPARE(g_asserts.size(), size_t(1));
        QCOMPARE(g_asserts.front().first, QByteArray("Subclass"));
        QVERIFY(g_asserts.front().second > 0);
        g_asserts.clear();
    }
};

ZB_TEST_MAIN(TestSubclass)
#include "tst_subclass.moc"
