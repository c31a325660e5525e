// Child frames and multi-line edits made hidden or out of view get their widgets only when they show. Until then
// the window must behave as one with widgets: the same messages, text, rectangles and coordinates; and once its
// widgets are made it must look the same and lie where its window lies among its siblings.
#include "support/TestMain.h"

#include "platform/Controls.h"
#include "platform/Gdi.h"
#include "platform/SysParams.h"
#include "platform/Wnd.h"
#include "platform/WndDC.h"

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

// Paints its client area in its own colour, so that every pixel of a board of them is defined.
class PaintedFrame final : public CWnd {
public:
    COLORREF m_clr = RGB(255, 255, 200);

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg != WM_PAINT)
            return CWnd::WindowProc(nMsg, wParam, lParam);
        CPaintDC dc(this);
        CRect rc;
        GetClientRect(&rc);
        CBrush brush(m_clr);
        dc.FillRect(&rc, &brush);
        return 0;
    }
};

// Paints its own caption: default processing gets the window less its top band, as a region in screen coordinates.
class CaptionOwningFrame final : public CWnd {
public:
    static constexpr int kBand = 40;

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg != WM_NCPAINT)
            return CWnd::WindowProc(nMsg, wParam, lParam);
        CRect rc;
        GetWindowRect(&rc);
        CRgn rgn;
        rgn.CreateRectRgn(rc.left, rc.top + kBand, rc.right, rc.bottom);
        return CWnd::DefWindowProc(WM_NCPAINT, reinterpret_cast<WPARAM>(static_cast<HRGN>(rgn)), 0);
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
    AfxPumpPostedMessages();
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
        // Each on a board of its own. At once: widgets asked for straight after creation. Late: shown where it
        // lies. Out of view: made beyond the board's right edge, then moved in.
        std::unique_ptr<CWnd> parents[3];
        for (auto &pParent : parents) {
            pParent = makeParent();
            QVERIFY(pParent);
        }
        auto pAtOnce = makeFrame<LoggingFrame>(parents[0].get(), CRect(10, 10, 130, 100));
        auto pLate = makeFrame<LoggingFrame>(parents[1].get(), CRect(10, 10, 130, 100));
        auto pOutside = makeFrame<LoggingFrame>(parents[2].get(), CRect(900, 10, 1020, 100));
        QVERIFY(pAtOnce && pLate && pOutside);
        QVERIFY(pAtOnce->GetWidget());
        QVERIFY(!AfxHasWidgets(pLate->m_hWnd));
        QVERIFY(!AfxHasWidgets(pOutside->m_hWnd));
        QCOMPARE(pLate->log.mid(0, 1), pAtOnce->log.mid(0, 1));

        LoggingFrame *frames[] = {pAtOnce.get(), pLate.get(), pOutside.get()};
        QList<QRect> clients;
        for (int i = 0; i < 3; ++i) {
            const QPoint origin = parents[i]->GetClientWidget()->mapToGlobal(QPoint(0, 0));
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
        AfxPumpPostedMessages();
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

        // The three look alike, pixel for pixel, and they are frames with their caption.
        const QImage first = paint(parents[0].get()).copy(10, 20, 120, 90);
        QCOMPARE(paint(parents[1].get()).copy(10, 20, 120, 90), first);
        QCOMPARE(paint(parents[2].get()).copy(10, 20, 120, 90), first);
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
            reference.push_back(makeFrame<PaintedFrame>(pReference.get(), rects[i], kHiddenFrame | WS_VISIBLE));
            QVERIFY(reference.back());
            reference.back()->SetWindowText(names[i]);
        }
        const QImage expected = paint(pReference.get());

        // Made in another order: "Top" first and raised while it has no widgets; "Bottom" is shown last.
        auto pLate = makeParent(300, 220);
        auto pTop = makeFrame<PaintedFrame>(pLate.get(), rects[2]);
        auto pBottom = makeFrame<PaintedFrame>(pLate.get(), rects[0]);
        auto pMiddle = makeFrame<PaintedFrame>(pLate.get(), rects[1], kHiddenFrame | WS_VISIBLE);
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
        AfxPumpPostedMessages();
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
        AfxPumpPostedMessages();
        QVERIFY(AfxHasWidgets(pEdge->m_hWnd));
        pRight->MoveWindow(150, 20, 100, 80, TRUE);
        AfxPumpPostedMessages();
        QVERIFY(AfxHasWidgets(pRight->m_hWnd));
        QCOMPARE(pRight->GetWidget()->geometry(), QRect(150, 20, 100, 80));
        // The parent grows over the one below.
        QVERIFY(!AfxHasWidgets(pBelow->m_hWnd));
        pParent->MoveWindow(0, 0, 300, 300, TRUE);
        AfxPumpPostedMessages();
        QVERIFY(AfxHasWidgets(pBelow->m_hWnd));
        const QImage image = paint(pParent.get());
        const COLORREF caption = GetSysColor(COLOR_INACTIVECAPTION);
        const QRgb c = image.pixel(200, 20 + GetSystemMetrics(SM_CYFRAME) + 2);
        QCOMPARE(RGB(qRed(c), qGreen(c), qBlue(c)), caption);
        const QRgb d = image.pixel(70, 250 + GetSystemMetrics(SM_CYFRAME) + 2);
        QCOMPARE(RGB(qRed(d), qGreen(d), qBlue(d)), caption);
    }

    void aFrameWhollyCoveredGetsWidgetsOnceUncovered()
    {
        auto pParent = makeParent(400, 300);
        // Three hidden frames, each shown under a larger one made after it; the cover goes by a move, a hide and
        // its end.
        std::unique_ptr<CWnd> under[3], cover[3];
        for (int i = 0; i < 3; ++i) {
            const int x = 10 + i * 130;
            under[i] = makeFrame<CWnd>(pParent.get(), CRect(x + 10, 20, x + 110, 100));
            cover[i] = makeFrame<CWnd>(pParent.get(), CRect(x, 10, x + 125, 150), kHiddenFrame | WS_VISIBLE);
            QVERIFY(under[i] && cover[i]);
            under[i]->SetWindowText(QStringLiteral("Under"));
            under[i]->ShowWindow(SW_SHOW);
        }
        // Partly covered: it shows, so it gets widgets.
        auto pPeeking = makeFrame<CWnd>(pParent.get(), CRect(20, 140, 120, 220));
        pPeeking->ShowWindow(SW_SHOW);
        AfxPumpPostedMessages();
        QVERIFY(AfxHasWidgets(pPeeking->m_hWnd));
        for (const auto &pUnder : under) {
            QVERIFY(!AfxHasWidgets(pUnder->m_hWnd));
            QVERIFY(pUnder->IsWindowVisible());
        }

        cover[0]->MoveWindow(10, 160, 125, 140, TRUE);
        cover[1]->ShowWindow(SW_HIDE);
        cover[2]->DestroyWindow();
        AfxPumpPostedMessages();
        const QImage image = paint(pParent.get());
        const int yCaption = 20 + GetSystemMetrics(SM_CYFRAME) + 2;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(AfxHasWidgets(under[i]->m_hWnd));
            const QRgb c = image.pixel(10 + i * 130 + 60, yCaption);
            QCOMPARE(RGB(qRed(c), qGreen(c), qBlue(c)), GetSysColor(COLOR_INACTIVECAPTION));
        }
        // The one still under the moved cover's new place lies below it.
        QCOMPARE(image.pixel(70, 200), image.pixel(70, 250));
    }

    void aFrameWithoutWidgetsHasNothingToPaintAndItsOwnerKeepsTheCaption()
    {
        auto pParent = makeParent();
        QVERIFY(pParent);
        auto pFrame = makeFrame<CaptionOwningFrame>(pParent.get(), CRect(10, 10, 130, 100));
        QVERIFY(pFrame);
        QVERIFY(!AfxHasWidgets(pFrame->m_hWnd));
        {
            // Nothing of it shows, so its context clips everything away.
            CWindowDC dc(pFrame.get());
            CRect rcBox(1, 2, 3, 4);
            QCOMPARE(dc.GetClipBox(&rcBox), NULLREGION);
            QVERIFY(rcBox.IsRectEmpty());
        }
        pFrame->ShowWindow(SW_SHOW);
        const QImage image = paint(pParent.get());
        QVERIFY(AfxHasWidgets(pFrame->m_hWnd));
        {
            CWindowDC dc(pFrame.get());
            CRect rcBox;
            QVERIFY(dc.GetClipBox(&rcBox) != NULLREGION);
            QVERIFY(!rcBox.IsRectEmpty());
        }
        // Its first painting was given a region without the caption: the frame is drawn, the caption is left to
        // the window, on a surface made fresh for it too.
        auto colourAt = [&image](int x, int y) {
            const QRgb c = image.pixel(10 + x, 10 + y);
            return RGB(qRed(c), qGreen(c), qBlue(c));
        };
        QCOMPARE(colourAt(60, GetSystemMetrics(SM_CYFRAME) + 2), GetSysColor(COLOR_BTNFACE));
        QCOMPARE(colourAt(0, 60), GetSysColor(COLOR_3DLIGHT));
        QCOMPARE(colourAt(119, 60), GetSysColor(COLOR_3DDKSHADOW));
    }

    void aWrappingEditMadeLateBreaksItsLinesAsOneMadeAtOnce()
    {
        constexpr DWORD kWrapping = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL;
        const QString text = QStringLiteral("Call back about the order before Friday and ask for the number of the "
                                            "second invoice\r\nthen the rest");
        std::unique_ptr<CWnd> parents[2] = {makeParent(), makeParent()};
        QVERIFY(parents[0] && parents[1]);
        auto pAtOnce = makeFrame<PaintedFrame>(parents[0].get(), CRect(10, 10, 150, 120), kHiddenFrame | WS_VISIBLE);
        auto pLate = makeFrame<PaintedFrame>(parents[1].get(), CRect(10, 10, 150, 120));
        QVERIFY(pAtOnce && pLate);
        CEdit edits[2];
        CWnd *frames[] = {pAtOnce.get(), pLate.get()};
        for (int i = 0; i < 2; ++i) {
            CRect rcClient;
            frames[i]->GetClientRect(&rcClient);
            QVERIFY(edits[i].Create(kWrapping, rcClient, frames[i], 1));
            edits[i].SetWindowText(text);
        }
        QVERIFY(AfxHasWidgets(edits[0].m_hWnd));
        QVERIFY(!AfxHasWidgets(edits[1].m_hWnd));
        pLate->ShowWindow(SW_SHOW);
        const QImage late = paint(parents[1].get()).copy(10, 10, 140, 110);
        QVERIFY(AfxHasWidgets(edits[1].m_hWnd));
        QCOMPARE(late, paint(parents[0].get()).copy(10, 10, 140, 110));
        QVERIFY(edits[0].GetLineCount() > 2);
        QCOMPARE(edits[1].GetLineCount(), edits[0].GetLineCount());
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
