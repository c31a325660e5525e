// The rectangle tracker: its look, hit testing, and the modal move, size and rubber-band loops driven by queued
// synthetic input.
#include "support/TestMain.h"
#include "support/TrackerInput.h"

#include "platform/Gdi.h"
#include "platform/Tracker.h"
#include "platform/WndDC.h"

#include <QKeyEvent>
#include <memory>

using namespace zbtest;

namespace {

// A tracker set up as the board sets one up: the rectangle and style after construction.
CRectTracker makeTracker(const CRect &rect, UINT nStyle)
{
    CRectTracker tracker;
    tracker.m_rect = rect;
    tracker.m_nStyle = nStyle;
    return tracker;
}

// A white window that runs the tracker from its button-down handler, as the board does.
class TrackWindow : public CWnd {
public:
    CRectTracker tracker =
        makeTracker(CRect(100, 100, 200, 160), CRectTracker::hatchedBorder | CRectTracker::resizeOutside);
    enum class Mode { Track, RubberBand } mode = Mode::Track;
    BOOL bAllowInvert = FALSE;
    CWnd *pClipTo = nullptr;
    BOOL result = -1;
    int moves = 0;
    int ups = 0;

protected:
    afx_msg void OnLButtonDown(UINT, CPoint point)
    {
        result = mode == Mode::Track ? tracker.Track(this, point, bAllowInvert, pClipTo)
                                     : tracker.TrackRubberBand(this, point, bAllowInvert);
    }
    afx_msg void OnMouseMove(UINT, CPoint) { ++moves; }
    afx_msg void OnLButtonUp(UINT, CPoint) { ++ups; }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        dc.FillSolidRect(0, 0, 400, 300, RGB(255, 255, 255));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TrackWindow, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_PAINT()
END_MESSAGE_MAP()

QRect toQ(const CRect &r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

bool isDark(QRgb c)
{
    return qGray(c) < 80;
}

} // namespace

class TestTracker : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        m_wnd = std::make_unique<TrackWindow>();
        QVERIFY(m_wnd->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("tracker"),
                                WS_POPUP | WS_VISIBLE, CRect(20, 20, 420, 320), nullptr, 0));
        QVERIFY(client());
    }

    void cleanupTest() override
    {
        m_wnd.reset();
        AfxPumpPostedMessages();
        QCoreApplication::processEvents();
        QCOMPARE(GetCapture(), HWND(nullptr));
    }

private Q_SLOTS:
    void handlesLieOutsideAndAreHitFirst()
    {
        const CRectTracker &t = m_wnd->tracker;
        // Corners, then sides; each handle is 7 x 7 just outside the rectangle (100, 100, 200, 160).
        QCOMPARE(t.HitTest(CPoint(93, 93)), int(CRectTracker::hitTopLeft));
        QCOMPARE(t.HitTest(CPoint(99, 99)), int(CRectTracker::hitTopLeft));
        QCOMPARE(t.HitTest(CPoint(200, 95)), int(CRectTracker::hitTopRight));
        QCOMPARE(t.HitTest(CPoint(206, 166)), int(CRectTracker::hitBottomRight));
        QCOMPARE(t.HitTest(CPoint(95, 163)), int(CRectTracker::hitBottomLeft));
        QCOMPARE(t.HitTest(CPoint(150, 96)), int(CRectTracker::hitTop));
        QCOMPARE(t.HitTest(CPoint(203, 130)), int(CRectTracker::hitRight));
        QCOMPARE(t.HitTest(CPoint(150, 163)), int(CRectTracker::hitBottom));
        QCOMPARE(t.HitTest(CPoint(96, 130)), int(CRectTracker::hitLeft));
        // Inside, including the first pixel, and the hatched border between handles move the rectangle.
        QCOMPARE(t.HitTest(CPoint(100, 100)), int(CRectTracker::hitMiddle));
        QCOMPARE(t.HitTest(CPoint(199, 159)), int(CRectTracker::hitMiddle));
        QCOMPARE(t.HitTest(CPoint(120, 96)), int(CRectTracker::hitMiddle));
        QCOMPARE(t.HitTest(CPoint(207, 167)), int(CRectTracker::hitNothing));
        QCOMPARE(t.HitTest(CPoint(50, 50)), int(CRectTracker::hitNothing));

        // Handles inside the rectangle with resizeInside; no handles without a resize style.
        const CRectTracker inside =
            makeTracker(CRect(100, 100, 200, 160), CRectTracker::solidLine | CRectTracker::resizeInside);
        QCOMPARE(inside.HitTest(CPoint(101, 101)), int(CRectTracker::hitTopLeft));
        QCOMPARE(inside.HitTest(CPoint(198, 158)), int(CRectTracker::hitBottomRight));
        QCOMPARE(inside.HitTest(CPoint(99, 99)), int(CRectTracker::hitNothing));
        const CRectTracker plain = makeTracker(CRect(100, 100, 200, 160), CRectTracker::solidLine);
        QCOMPARE(plain.GetHandleMask(), 0u);
        QCOMPARE(plain.HitTest(CPoint(101, 101)), int(CRectTracker::hitMiddle));
    }

    void drawShowsHatchedFrameAndHandlesOutside()
    {
        QImage image(300, 250, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            CDC dc;
            dc.Attach(AfxCreateDeviceDC(&image, QRegion(), QPoint(0, 0)));
            m_wnd->tracker.Draw(&dc);
            AfxDeleteDeviceDC(dc.Detach());
        }
        // The rectangle itself is untouched.
        for (int y = 100; y < 160; ++y)
            for (int x = 100; x < 200; ++x)
                QVERIFY2(image.pixel(x, y) == qRgb(255, 255, 255), "inside drawn on");
        // Eight solid handles.
        for (QPoint corner : {QPoint(93, 93), QPoint(200, 93), QPoint(200, 160), QPoint(93, 160), QPoint(146, 93),
                              QPoint(200, 126), QPoint(146, 160), QPoint(93, 126)})
            for (int dy = 0; dy < 7; ++dy)
                for (int dx = 0; dx < 7; ++dx)
                    QVERIFY(isDark(image.pixel(corner + QPoint(dx, dy))));
        // A hatched band between the handles: dark and light pixels.
        int dark = 0, light = 0;
        for (int x = 110; x < 140; ++x)
            for (int y = 93; y < 100; ++y)
                (isDark(image.pixel(x, y)) ? dark : light)++;
        QVERIFY(dark > 10 && light > 10);
        // Nothing outside the true rectangle.
        for (int x = 0; x < 300; ++x) {
            QCOMPARE(image.pixel(x, 92), qRgb(255, 255, 255));
            QCOMPARE(image.pixel(x, 167), qRgb(255, 255, 255));
        }
    }

    void moveAndSizeByEachHandle_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QRect>("expected");
        // Dragged by (+13, +9) from the rectangle (100, 100, 200, 160), as (left, top) - (right, bottom).
        QTest::newRow("inside moves") << QPoint(150, 130) << QRect(QPoint(113, 109), QPoint(213, 169));
        QTest::newRow("hatched border moves") << QPoint(120, 96) << QRect(QPoint(113, 109), QPoint(213, 169));
        QTest::newRow("top-left handle") << QPoint(96, 96) << QRect(QPoint(113, 109), QPoint(200, 160));
        QTest::newRow("top-right handle") << QPoint(203, 96) << QRect(QPoint(100, 109), QPoint(213, 160));
        QTest::newRow("bottom-right handle") << QPoint(203, 163) << QRect(QPoint(100, 100), QPoint(213, 169));
        QTest::newRow("bottom-left handle") << QPoint(96, 163) << QRect(QPoint(113, 100), QPoint(200, 169));
        QTest::newRow("top handle") << QPoint(149, 96) << QRect(QPoint(100, 109), QPoint(200, 160));
        QTest::newRow("right handle") << QPoint(203, 129) << QRect(QPoint(100, 100), QPoint(213, 160));
        QTest::newRow("bottom handle") << QPoint(149, 163) << QRect(QPoint(100, 100), QPoint(200, 169));
        QTest::newRow("left handle") << QPoint(96, 129) << QRect(QPoint(113, 100), QPoint(200, 160));
    }
    void moveAndSizeByEachHandle()
    {
        QFETCH(QPoint, from);
        QFETCH(QRect, expected);
        drag(client(), from, {from + QPoint(5, 2), from + QPoint(13, 9)});
        QCOMPARE(m_wnd->result, TRUE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), expected);
        // The loop took the input: the window saw neither the moves nor the release.
        QCOMPARE(m_wnd->moves, 0);
        QCOMPARE(m_wnd->ups, 0);
    }

    void cancelRestoresTheRectangle()
    {
        const QRect start = toQ(m_wnd->tracker.m_rect);
        // Escape.
        postMove(client(), QPoint(170, 150));
        postKey(client(), Qt::Key_Escape);
        pressLeft(client(), QPoint(150, 130));
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), start);
        // The right button.
        postMove(client(), QPoint(203, 180));
        postRightPress(client(), QPoint(203, 180));
        pressLeft(client(), QPoint(203, 163));
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), start);
        // The window going away mid-drag ends the loop instead of leaving it waiting.
        postMove(client(), QPoint(170, 150));
        postCall([this] { m_wnd->ShowWindow(SW_HIDE); });
        pressLeft(client(), QPoint(150, 130));
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), start);
    }

    void noChangeGivesFalse()
    {
        const QRect start = toQ(m_wnd->tracker.m_rect);
        drag(client(), QPoint(150, 130), {});
        QCOMPARE(m_wnd->result, FALSE);
        drag(client(), QPoint(150, 130), {QPoint(180, 140), QPoint(150, 130)});
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), start);
        // A press that misses the tracker returns at once and leaves the input to the window.
        postMove(client(), QPoint(20, 30));
        pressLeft(client(), QPoint(20, 20));
        QCOMPARE(m_wnd->result, FALSE);
        QCoreApplication::processEvents();
        QCOMPARE(m_wnd->moves, 1);
    }

    void sizingStopsShortOfInversionUnlessAllowed()
    {
        drag(client(), QPoint(203, 129), {QPoint(20, 129)});
        QCOMPARE(m_wnd->result, TRUE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(100, 100), QPoint(101, 160)));
        m_wnd->tracker.m_sizeMin = CSize(30, 30);
        drag(client(), QPoint(100, 163), {QPoint(100, 20)}); // bottom handle of the 1-pixel-wide rectangle
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(100, 100), QPoint(101, 130)));

        m_wnd->tracker.m_rect = CRect(100, 100, 200, 160);
        m_wnd->bAllowInvert = TRUE;
        drag(client(), QPoint(203, 129), {QPoint(60, 129)});
        QCOMPARE(m_wnd->result, TRUE);
        const CRect r = m_wnd->tracker.m_rect;
        QCOMPARE(int(r.left), 100);
        QCOMPARE(int(r.right), 57);
    }

    void clipWindowKeepsTheRectangleInside()
    {
        m_wnd->pClipTo = m_wnd.get();
        drag(client(), QPoint(150, 130), {QPoint(900, 900)});
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(300, 240), QPoint(400, 300)));
        drag(client(), QPoint(296, 236), {QPoint(-500, -500)}); // top-left handle of the moved rectangle
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(0, 0), QPoint(400, 300)));
    }

    void frameIsDrawnOnlyWhileDragging()
    {
        QImage during;
        bool captured = false;
        postMove(client(), QPoint(100, 60));
        postCall([&] {
            captured = GetCapture() == m_wnd->GetSafeHwnd();
            during = client()->grab().toImage();
        });
        postLeftRelease(client(), QPoint(100, 60));
        QCOMPARE(GetCapture(), HWND(nullptr));
        pressLeft(client(), QPoint(150, 130));
        QVERIFY(captured);
        QCOMPARE(GetCapture(), HWND(nullptr));
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(50, 30), QPoint(150, 90)));
        // While dragging: a dotted frame on the edge of the moved rectangle (50, 30, 150, 90), white elsewhere.
        QVERIFY(!during.isNull());
        int dark = 0;
        for (int x = 50; x < 150; ++x)
            dark += isDark(during.pixel(x, 30)) ? 1 : 0;
        QVERIFY2(dark > 20, "no frame on the top edge");
        QCOMPARE(during.pixel(100, 60), qRgb(255, 255, 255));
        // After the loop the frame is gone.
        const QImage after = client()->grab().toImage();
        for (int x = 50; x < 150; ++x)
            QCOMPARE(after.pixel(x, 30), qRgb(255, 255, 255));
    }

    void rubberBandGrowsFromThePoint()
    {
        m_wnd->mode = TrackWindow::Mode::RubberBand;
        drag(client(), QPoint(50, 50), {QPoint(60, 70), QPoint(80, 90)});
        QCOMPARE(m_wnd->result, TRUE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(50, 50), QPoint(80, 90)));
        // Without inversion nothing grows up or left of the point.
        drag(client(), QPoint(50, 50), {QPoint(20, 10)});
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(50, 50), QPoint(50, 50)));
        drag(client(), QPoint(50, 50), {QPoint(20, 80)});
        QCOMPARE(m_wnd->result, TRUE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(50, 50), QPoint(50, 80)));
        // A plain click, and a cancel, give FALSE.
        drag(client(), QPoint(50, 50), {});
        QCOMPARE(m_wnd->result, FALSE);
        postMove(client(), QPoint(90, 90));
        postKey(client(), Qt::Key_Escape);
        pressLeft(client(), QPoint(50, 50));
        QCOMPARE(m_wnd->result, FALSE);
        QCOMPARE(toQ(m_wnd->tracker.m_rect), QRect(QPoint(50, 50), QPoint(50, 50)));
        // With inversion allowed the rectangle follows the mouse anywhere.
        m_wnd->bAllowInvert = TRUE;
        drag(client(), QPoint(50, 50), {QPoint(20, 10)});
        QCOMPARE(m_wnd->result, TRUE);
        const CRect r = m_wnd->tracker.m_rect;
        QCOMPARE(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)), QRect(QPoint(50, 50), QPoint(20, 10)));
        QCOMPARE(m_wnd->moves, 0);
    }

private:
    QWidget *client() const { return m_wnd->GetClientWidget(); }
    std::unique_ptr<TrackWindow> m_wnd;
};

ZB_TEST_MAIN(TestTracker)
#include "tst_tracker.moc"
