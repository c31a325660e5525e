// Posted messages: delivery order across windows, messages of ended windows, loops run inside a handler, and
// handlers that keep posting.
#include "support/TestMain.h"

#include "platform/Wnd.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace {

const UINT WM_TEST_RECORD = WM_APP + 0x40;

std::vector<std::pair<int, WPARAM>> g_delivered; // (window tag, wParam) in delivery order

class RecordingWindow : public CWnd {
public:
    explicit RecordingWindow(int nTag) : m_nTag(nTag) {}
    std::function<void(WPARAM)> onRecord;

protected:
    afx_msg LRESULT OnRecord(WPARAM wParam, LPARAM)
    {
        g_delivered.emplace_back(m_nTag, wParam);
        if (onRecord)
            onRecord(wParam);
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    int m_nTag;
};

BEGIN_MESSAGE_MAP(RecordingWindow, CWnd)
ON_MESSAGE(WM_TEST_RECORD, OnRecord)
END_MESSAGE_MAP()

std::unique_ptr<RecordingWindow> makeWindow(int nTag)
{
    auto pWnd = std::make_unique<RecordingWindow>(nTag);
    if (!pWnd->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("w%1").arg(nTag), WS_POPUP,
                        CRect(0, 0, 50, 50), nullptr, 0))
        return nullptr;
    return pWnd;
}

// Runs Qt's events until the predicate holds; false when a generous deadline passed first.
bool processUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(0);
    deadline.start(20000);
    loop.exec();
    return done();
}

} // namespace

class TestMessages : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { g_delivered.clear(); }

private Q_SLOTS:
    void postedMessagesArriveInOrderAndEndedWindowsGetNone()
    {
        auto pFirst = makeWindow(1);
        auto pSecond = makeWindow(2);
        auto pEnding = makeWindow(3);
        QVERIFY(pFirst && pSecond && pEnding);
        std::vector<std::pair<int, WPARAM>> expected;
        for (WPARAM i = 0; i < 3000; ++i) {
            RecordingWindow *pTo = i % 3 == 0 ? pFirst.get() : i % 3 == 1 ? pSecond.get() : pEnding.get();
            QVERIFY(pTo->PostMessage(WM_TEST_RECORD, i, 0));
            if (i % 3 != 2)
                expected.emplace_back(i % 3 == 0 ? 1 : 2, i);
        }
        // Nothing is delivered while posting.
        QVERIFY(g_delivered.empty());
        pEnding->DestroyWindow();
        QVERIFY(!pEnding->PostMessage(WM_TEST_RECORD, 0, 0));
        QVERIFY(processUntil([&] { return g_delivered.size() >= expected.size(); }));
        QCoreApplication::processEvents();
        QCOMPARE(g_delivered.size(), expected.size());
        QVERIFY(g_delivered == expected);

        // A window made afterwards, even at the address of an ended one, receives only its own messages.
        pFirst->PostMessage(WM_TEST_RECORD, 7, 0);
        pFirst->DestroyWindow();
        auto pLater = makeWindow(4);
        QVERIFY(pLater);
        pLater->PostMessage(WM_TEST_RECORD, 8, 0);
        AfxPumpPostedMessages();
        QCOMPARE(g_delivered.back(), std::make_pair(4, WPARAM(8)));
        QCOMPARE(g_delivered.size(), expected.size() + 1);
    }

    // A handler that runs a loop of its own (a message box, a drag) still sees the messages queued behind its own,
    // in order, inside that loop; the outer delivery then goes on without repeating them.
    void loopInsideAHandlerDeliversTheRest()
    {
        auto pWnd = makeWindow(1);
        QVERIFY(pWnd);
        bool bNestedSawAll = false;
        pWnd->onRecord = [&](WPARAM w) {
            if (w != 0)
                return;
            bNestedSawAll = processUntil([] { return g_delivered.size() >= 5; });
        };
        for (WPARAM i = 0; i < 5; ++i)
            pWnd->PostMessage(WM_TEST_RECORD, i, 0);
        QVERIFY(processUntil([] { return g_delivered.size() >= 5; }));
        QVERIFY(bNestedSawAll);
        QCoreApplication::processEvents();
        QCOMPARE(g_delivered.size(), size_t(5));
        for (WPARAM i = 0; i < 5; ++i)
            QCOMPARE(g_delivered[i].second, i);
    }

    // A handler that posts again and again does not starve the rest of the program: a timer due at once fires
    // long before the chain ends.
    void handlersThatKeepPostingLeaveRoomForOtherEvents()
    {
        auto pWnd = makeWindow(1);
        QVERIFY(pWnd);
        const WPARAM nChain = 2000;
        RecordingWindow *pRaw = pWnd.get();
        pWnd->onRecord = [pRaw](WPARAM w) {
            if (w + 1 < nChain)
                pRaw->PostMessage(WM_TEST_RECORD, w + 1, 0);
        };
        size_t nDeliveredWhenTimerFired = 0;
        bool bFired = false;
        pWnd->PostMessage(WM_TEST_RECORD, 0, 0);
        QTimer::singleShot(0, [&] {
            bFired = true;
            nDeliveredWhenTimerFired = g_delivered.size();
        });
        QVERIFY(processUntil([&] { return g_delivered.size() >= nChain && bFired; }));
        QVERIFY(nDeliveredWhenTimerFired < nChain / 2);
        QCOMPARE(g_delivered.size(), size_t(nChain));
    }
};

ZB_TEST_MAIN(TestMessages)
#include "tst_messages.moc"
