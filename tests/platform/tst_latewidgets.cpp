// Child frames and multi-line edits made hidden or out of view get their widgets only when they show. Until then
// the window must behave as one with widgets: the same messages, text, rectangles and coordinates; and once its
// widgets are made it must look the same and lie where its window lies among its siblings.
#include "support/TestMain.h"

#include "platform/Controls.h"
#include "platform/SysParams.h"
#include "platform/Wnd.h"

#include <memory>
#include <vector>

namespace {

constexpr DWORD kHiddenFrame = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_THICKFRAME;
constexpr DWORD kHiddenEdit = WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN;

// Keeps every message its window procedure is given, with its parameters.
class LoggingFrame final : public CWnd {
public:
    QStringList log;

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        // What the window text or the caption's painting asks for carries pointers: the message alone counts.
        const bool bPointer = nMsg == WM_SETTEXT || nMsg == WM_GETTEXT || nMsg == WM_CREATE;
        log << (bPointer ? QString::number(nMsg, 16)
                         : QStringLiteral("%1 %2 %3").arg(nMsg, 0, 16).arg(wParam).arg(lParam));
        return CWnd::WindowProc(nMsg, wParam, lParam);
    }
};

std::unique_ptr<CWnd> makeParent(int cx = 400, int cy = 300)
{
    auto pParent = std::make_unique<CWnd>();
    if (!pParent->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("board"), WS_POPUP | WS_VISIBLE,
                           CRect(0, 0, cx, cy), nullptr, 0))
        return nullptr;
    return pParent;
}

template <class T> std::unique_ptr<T> makeFrame(CWnd *pParent, const CRect &rc, DWORD dwStyle = kHiddenFrame)
{
    auto pFrame = std::make_unique<T>();
    if (!pFrame->CreateEx(0, QString::fromLatin1(AfxMiniFrameClassName), QString(), dwStyle, rc, pParent, 0))
        return nullptr;
    return pFrame;
}

QImage paint(CWnd *pParent)
{
    QWidget *w = pParent->GetWidget();
    w->repaint();
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestLateWidgets : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void aFrameMadeLateGetsTheMessagesAndLooksOfOneMadeAtOnce()
    {
        auto pParent = makeParent();
        QVERIFY(pParent);
        // At once: widgets asked for straight after creation. Late: shown where it lies. Out of view: made beyond
        // the parent's right edge, then moved in.
        auto pAtOnce = makeFrame<LoggingFrame>(pParent.get(), CRect(10, 10, 130, 100));
        auto pLate = makeFrame<LoggingFrame>(pParent.get(), CRect(10, 10, 130, 100));
        auto pOutside = makeFrame<LoggingFrame>(pParent.get(), CRect(900, 10, 1020, 100));
        QVERIFY(pAtOnce && pLate && pOutside);
        QVERIFY(pAtOnce->GetWidget());
        QVERIFY(!AfxHasWidgets(pLate->m_hWnd));
        QVERIFY(!AfxHasWidgets(pOutside->m_hWnd));
        QCOMPARE(pLate->log, pAtOnce->log);

        const int x[] = {10, 140, 270};
        LoggingFrame *frames[] = {pAtOnce.get(), pLate.get(), pOutside.get()};
        const QPoint origin = pParent->GetClientWidget()->mapToGlobal(QPoint(0, 0));
        QList<QRect> clients;
        for (int i = 0; i < 3; ++i) {
            frames[i]->log.clear();
            frames[i]->SetWindowText(QStringLiteral("Same"));
            frames[i]->MoveWindow(10, 20, 120, 90, TRUE);
            // The rectangle, coordinates and client area are known without widgets.
            CRect rcWindow, rcClient;
            frames[i]->GetWindowRect(&rcWindow);
            frames[i]->GetClientRect(&rcClient);
            CPoint pt(0, 0);
            frames[i]->ClientToScreen(&pt);
            QCOMPARE(rcWindow, CRect(QRect(origin + QPoint(10, 20), QSize(120, 90))));
            clients << QRect(QPoint(pt.x, pt.y) - origin - QPoint(10, 20), CRect(rcClient).toQRect().size());
            frames[i]->ShowWindow(SW_SHOW);
        }
        QVERIFY(AfxHasWidgets(pLate->m_hWnd));
        QVERIFY(AfxHasWidgets(pOutside->m_hWnd));
        QCOMPARE(pLate->log, pAtOnce->log);
        QCOMPARE(pOutside->log, pAtOnce->log);
        QCOMPARE(clients.at(1), clients.at(0));
        QCOMPARE(clients.at(2), clients.at(0));
        // What the widgets say once made.
        const QWidget *pClient = pAtOnce->GetClientWidget();
        QCOMPARE(clients.at(0), QRect(pClient->mapTo(pAtOnce->GetWidget(), QPoint(0, 0)), pClient->size()));
        const QPoint ptMove = QPoint(10, 20) + clients.at(0).topLeft();
        QVERIFY(pAtOnce->log.contains(QStringLiteral("3 0 %1").arg(MAKELPARAM(ptMove.x(), ptMove.y()))));
        for (int i = 1; i < 3; ++i)
            frames[i]->MoveWindow(x[i], 20, 120, 90, TRUE);

        // The three look alike, pixel for pixel.
        const QImage image = paint(pParent.get());
        const QImage first = image.copy(10, 20, 120, 90);
        QCOMPARE(image.copy(140, 20, 120, 90), first);
        QCOMPARE(image.copy(270, 20, 120, 90), first);
        // And they are frames with their caption, not the parent's background.
        const QRgb c = first.pixel(60, GetSystemMetrics(SM_CYFRAME) + 2);
        QCOMPARE(RGB(qRed(c), qGreen(c), qBlue(c)), GetSysColor(COLOR_INACTIVECAPTION));
    }

    void lateWidgetsLieWhereTheirWindowsLie()
    {
        // The same three overlapping frames twice: all shown at once, and the bottom one and a raised one late.
        const CRect rects[] = {CRect(20, 20, 160, 120), CRect(60, 50, 200, 150), CRect(100, 80, 240, 180)};
        const QString names[] = {QStringLiteral("Bottom"), QStringLiteral("Middle"), QStringLiteral("Top")};
        auto pReference = makeParent(300, 220);
        std::vector<std::unique_ptr<CWnd>> reference;
        for (int i = 0; i < 3; ++i) {
            reference.push_back(makeFrame<CWnd>(pReference.get(), rects[i], kHiddenFrame | WS_VISIBLE));
            QVERIFY(reference.back());
            reference.back()->SetWindowText(names[i]);
        }
        const QImage expected = paint(pReference.get());

        // Made in another order: "Top" first and raised while it has no widgets; "Bottom" is shown last.
        auto pLate = makeParent(300, 220);
        auto pTop = makeFrame<CWnd>(pLate.get(), rects[2]);
        auto pBottom = makeFrame<CWnd>(pLate.get(), rects[0]);
        auto pMiddle = makeFrame<CWnd>(pLate.get(), rects[1], kHiddenFrame | WS_VISIBLE);
        QVERIFY(pTop && pBottom && pMiddle);
        pTop->SetWindowText(names[2]);
        pBottom->SetWindowText(names[0]);
        pMiddle->SetWindowText(names[1]);
        pBottom->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        pMiddle->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        pTop->BringWindowToTop();
        QVERIFY(!AfxHasWidgets(pTop->m_hWnd));
        pTop->ShowWindow(SW_SHOW);
        pBottom->ShowWindow(SW_SHOW);
        QVERIFY(AfxHasWidgets(pBottom->m_hWnd));
        // Where the frames lie; the parent paints no background of its own.
        const QImage got = paint(pLate.get());
        int nDiffering = 0, nCompared = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                if (rects[0].PtInRect(CPoint(x, y)) || rects[1].PtInRect(CPoint(x, y)) ||
                    rects[2].PtInRect(CPoint(x, y))) {
                    ++nCompared;
                    nDiffering += got.pixel(x, y) != expected.pixel(x, y);
                }
        QVERIFY(nCompared > 20000);
        QCOMPARE(nDiffering, 0);
    }

    void framesBeyondTheParentGetWidgetsAsTheyComeIntoView()
    {
        auto pParent = makeParent(300, 200);
        auto pRight = makeFrame<CWnd>(pParent.get(), CRect(400, 20, 500, 100), kHiddenFrame | WS_VISIBLE);
        auto pBelow = makeFrame<CWnd>(pParent.get(), CRect(20, 250, 120, 330), kHiddenFrame | WS_VISIBLE);
        // Touching the edge from outside shows nothing; one pixel in does.
        auto pEdge = makeFrame<CWnd>(pParent.get(), CRect(300, 20, 400, 100), kHiddenFrame | WS_VISIBLE);
        QVERIFY(pRight && pBelow && pEdge);
        QVERIFY(!AfxHasWidgets(pRight->m_hWnd));
        QVERIFY(!AfxHasWidgets(pBelow->m_hWnd));
        QVERIFY(!AfxHasWidgets(pEdge->m_hWnd));
        QVERIFY(pRight->IsWindowVisible());

        pEdge->MoveWindow(299, 20, 100, 80, TRUE);
        QVERIFY(AfxHasWidgets(pEdge->m_hWnd));
        pRight->MoveWindow(150, 20, 100, 80, TRUE);
        QVERIFY(AfxHasWidgets(pRight->m_hWnd));
        QCOMPARE(pRight->GetWidget()->geometry(), QRect(150, 20, 100, 80));
        // The parent grows over the one below.
        QVERIFY(!AfxHasWidgets(pBelow->m_hWnd));
        pParent->MoveWindow(0, 0, 300, 300, TRUE);
        QVERIFY(AfxHasWidgets(pBelow->m_hWnd));
        const QImage image = paint(pParent.get());
        const COLORREF caption = GetSysColor(COLOR_INACTIVECAPTION);
        const QRgb c = image.pixel(200, 20 + GetSystemMetrics(SM_CYFRAME) + 2);
        QCOMPARE(RGB(qRed(c), qGreen(c), qBlue(c)), caption);
        const QRgb d = image.pixel(70, 250 + GetSystemMetrics(SM_CYFRAME) + 2);
        QCOMPARE(RGB(qRed(d), qGreen(d), qBlue(d)), caption);
    }

    void anEditWithoutWidgetsGivesBackTheControlsText()
    {
        auto pParent = makeParent();
        QVERIFY(pParent);
        const QString texts[] = {
            QString(),
            QStringLiteral("plain"),
            QStringLiteral("crlf\r\nline"),
            QStringLiteral("lone cr\rlone lf\nend\r"),
            QStringLiteral("\n\n\r\r\n"),
            QString(QStringLiteral("nul") + QChar(0) + QStringLiteral("after")),
            QString(QStringLiteral("separators") + QChar(0x2028) + QStringLiteral("x") + QChar(0x2029) +
                    QStringLiteral("y")),
            QString(QStringLiteral("frame marks") + QChar(0xFDD0) + QChar(0xFDD1) + QChar(0xFFFC)),
            QStringLiteral("tab\tand \xE4\xF6\xFC \U0001F600"),
        };
        for (const QString &text : texts) {
            CEdit late, atOnce;
            QVERIFY(late.Create(kHiddenEdit, CRect(0, 0, 100, 50), pParent.get(), 1));
            QVERIFY(atOnce.Create(kHiddenEdit, CRect(0, 0, 100, 50), pParent.get(), 2));
            QVERIFY(atOnce.GetWidget());
            late.SetWindowText(text);
            atOnce.SetWindowText(text);
            CString strLate, strAtOnce;
            late.GetWindowText(strLate);
            atOnce.GetWindowText(strAtOnce);
            QCOMPARE(strLate, strAtOnce);
            QCOMPARE(late.GetWindowTextLength(), atOnce.GetWindowTextLength());
            // Asking for what only the control knows makes its widgets, with the same text in them.
            QCOMPARE(late.GetLineCount(), atOnce.GetLineCount());
            QVERIFY(AfxHasWidgets(late.m_hWnd));
            late.GetWindowText(strLate);
            QCOMPARE(strLate, strAtOnce);
        }
        // Plain text is answered without widgets.
        CEdit edit;
        QVERIFY(edit.Create(kHiddenEdit, CRect(0, 0, 100, 50), pParent.get(), 3));
        edit.SetWindowText(QStringLiteral("a\rb"));
        CString strText;
        edit.GetWindowText(strText);
        QCOMPARE(strText, CString(QStringLiteral("a\r\nb")));
        QVERIFY(!AfxHasWidgets(edit.m_hWnd));
    }
};

ZB_TEST_MAIN(TestLateWidgets)
#include "tst_latewidgets.moc"
