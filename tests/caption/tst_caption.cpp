// The caption painter on note-like child frames and plain windows: pixels of the caption in the window surface
// for both states, the caption cache, activation rules, WM_NCPAINT regions, geometry of icon, buttons and text
// box, the ellipsis, system colour changes and ownership of backgrounds.
#include "support/TestMain.h"

#include "caption/AutoSelector.h"
#include "caption/SingleLineCaption.h"

#include "platform/Framework.h"
#include "platform/SysParams.h"
#include "platform/WndDC.h"

#include <climits>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {

const DWORD kNoteStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_THICKFRAME | MFS_SYNCACTIVE;
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kMagenta = RGB(255, 0, 255);

std::vector<std::pair<QByteArray, int>> g_asserts;
void recordAssert(const char *source, int line)
{
    g_asserts.emplace_back(QByteArray(source), line);
}

// Trace lines of the activation handler, counted instead of printed.
int g_nTraceLines = 0;
QtMessageHandler g_previousHandler = nullptr;
void countTraceLines(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtDebugMsg && text == QLatin1String("CSingleLineCaption::OnNcActivate")) {
        ++g_nTraceLines;
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

COLORREF colorAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// The window's whole surface as the window system holds it, read back through a window context.
QImage windowSurface(CWnd *pWnd)
{
    CWindowDC dc(pWnd);
    CRect rcWindow;
    pWnd->GetWindowRect(&rcWindow);
    CDC dcMem;
    dcMem.CreateCompatibleDC(&dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, rcWindow.Width(), rcWindow.Height());
    CBitmap *pOld = dcMem.SelectObject(&bitmap);
    dcMem.BitBlt(0, 0, rcWindow.Width(), rcWindow.Height(), &dc, 0, 0, SRCCOPY);
    dcMem.SelectObject(pOld);
    return bitmap.GetImage()->copy();
}

// The caption area (window coordinates of the painter's caption rectangle) cut out of the surface.
QImage captionPixels(CCaption *pCaption)
{
    const CRect rc = pCaption->GetCaptionRect();
    return windowSurface(pCaption->m_pHookedWnd).copy(rc.toQRect());
}

// The fade per column, worked out independently of the painter.
COLORREF gradientColumn(int cx, COLORREF clr, int c)
{
    const qint64 split = qint64(cx) * 5 / 6;
    const qint64 band = std::max<qint64>(1, split / 64);
    const qint64 bands = split > band ? (split - 1) / band : 0;
    if (c >= split)
        return clr;
    const qint64 k = (split - c + band - 1) / band;
    if (k > bands)
        return RGB(0, 0, 0);
    const qint64 l = k * band;
    const auto fade = [&](int v) { return int((v - (l * l * v) / (split * split)) & 0xFF); };
    return RGB(fade(GetRValue(clr)), fade(GetGValue(clr)), fade(GetBValue(clr)));
}

// An empty caption of a note: background in every row but the last, which is the button-face bottom edge.
QString checkEmptyCaption(const QImage &caption, COLORREF clr, bool bActive)
{
    const int cy = ::GetSystemMetrics(SM_CYCAPTION);
    if (caption.height() != cy)
        return QStringLiteral("caption is %1 rows high").arg(caption.height());
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < caption.width(); ++x) {
            COLORREF want = bActive ? gradientColumn(caption.width(), clr, x) : clr;
            if (y >= cy - ::GetSystemMetrics(SM_CYBORDER))
                want = ::GetSysColor(COLOR_BTNFACE);
            if (colorAt(caption, x, y) != want)
                return QStringLiteral("caption pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(colorAt(caption, x, y), 6, 16, QLatin1Char('0'))
                    .arg(want, 6, 16, QLatin1Char('0'));
        }
    return QString();
}

// A gradient background that counts how often it is painted per state, and its own end.
class CountingBackground : public CCaptionBackground {
public:
    explicit CountingBackground(COLORREF clr, int *pnDeleted = nullptr) : m_pnDeleted(pnDeleted)
    {
        SetColors(clr, clr);
        m_gradient.SetColors(clr, clr);
    }
    ~CountingBackground() override
    {
        if (m_pnDeleted)
            ++*m_pnDeleted;
    }
    void Paint(CDC *pDC, int cx, int cy, BOOL bActive) override
    {
        ++m_nPaints[bActive ? 1 : 0];
        m_gradient.Paint(pDC, cx, cy, bActive);
    }
    int m_nPaints[2] = {0, 0};
    int *m_pnDeleted;
    CGradientCaptionBackground m_gradient;
};

// An older hook under the painter: sees what the painter passes on to the window's usual processing.
class Spy : public CSubclassWnd {
public:
    struct Seen {
        UINT nMsg;
        WPARAM wParam;
        bool bVisibleStyle;
        bool bCaptionCentreInRegion;
        bool bFrameCornerInRegion;
    };
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == WM_NCPAINT || nMsg == WM_NCACTIVATE || nMsg == WM_SETTEXT || nMsg == WM_SYSCOLORCHANGE ||
            nMsg == WM_SETTINGCHANGE) {
            Seen s{nMsg, wParam, (m_pHookedWnd->GetStyle() & WS_VISIBLE) != 0, false, false};
            HRGN hRgn = reinterpret_cast<HRGN>(wParam);
            if (nMsg == WM_NCPAINT && ::GetObjectType(hRgn) == OBJ_REGION) {
                s.bCaptionCentreInRegion = ::PtInRegion(hRgn, m_ptCaptionCentre.x, m_ptCaptionCentre.y);
                s.bFrameCornerInRegion = ::PtInRegion(hRgn, m_ptFrameCorner.x, m_ptFrameCorner.y);
            }
            m_seen.push_back(s);
        }
        return CSubclassWnd::WindowProc(nMsg, wParam, lParam);
    }
    int Count(UINT nMsg) const
    {
        return int(std::count_if(m_seen.begin(), m_seen.end(), [nMsg](const Seen &s) { return s.nMsg == nMsg; }));
    }
    std::vector<Seen> m_seen;
    POINT m_ptCaptionCentre{0, 0}; // screen coordinates
    POINT m_ptFrameCorner{0, 0};
};

} // namespace

class TestCaption : public zbtest::TestCase {
    Q_OBJECT

    std::unique_ptr<CWnd> m_pBoard;
    std::vector<std::unique_ptr<CSubclassWnd>> m_hooks;

    // A note-like child frame of the test board; it deletes itself when its window ends.
    CMiniFrameWnd *newFrame(const CRect &rc, DWORD dwStyle = kNoteStyle, const QString &strClass = QString())
    {
        auto *pFrame = new CMiniFrameWnd;
        if (!pFrame->Create(strClass, QString(), dwStyle, rc, m_pBoard.get(), 0))
            return nullptr;
        return pFrame;
    }

    template <class T> T *newHook()
    {
        m_hooks.push_back(std::make_unique<T>());
        return static_cast<T *>(m_hooks.back().get());
    }

    // What a note does when its window is created: hook the painter, give it a gradient in the note's colour.
    CSingleLineCaption *attachNoteCaption(CMiniFrameWnd *pFrame, COLORREF clr = kRed)
    {
        auto *pCaption = newHook<CSingleLineCaption>();
        pCaption->Attach(pFrame);
        auto pBackground = std::make_unique<CGradientCaptionBackground>();
        pBackground->SetColors(clr, clr);
        pCaption->SetBackground(std::move(pBackground));
        return pCaption;
    }

    // A click: the window system activates the frame under it (or the top-level window).
    static void click(CWnd *pWnd) { pWnd->SendMessage(WM_MOUSEACTIVATE, 0, 0); }

protected:
    void initTest() override
    {
        g_asserts.clear();
        g_nTraceLines = 0;
        m_pBoard = std::make_unique<CWnd>();
        QVERIFY(m_pBoard->CreateEx(0, QString(), QStringLiteral("board"), WS_OVERLAPPED, CRect(0, 0, 900, 700), nullptr,
                                   0));
        // Shown, as a board is: windows that do not show keep no surface to read back.
        m_pBoard->ShowWindow(SW_SHOW);
    }

    void cleanupTest() override
    {
        // The windows end first, which unhooks every painter and spy; then the hooks may go.
        m_pBoard.reset();
        m_hooks.clear();
        AfxResetSysColors();
        QVERIFY2(g_asserts.empty(), g_asserts.empty()
                                        ? ""
                                        : qPrintable(QStringLiteral("assertion in %1 line %2")
                                                         .arg(QString::fromLatin1(g_asserts.front().first))
                                                         .arg(g_asserts.front().second)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        AfxSetAssertHandler(&recordAssert);
        g_previousHandler = qInstallMessageHandler(&countTraceLines);
    }

    void noteCaptionIsAGradientWhileActiveAndSolidWhileInactive()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        QVERIFY(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        QCOMPARE(pCaption->m_pHookedWnd, static_cast<CWnd *>(pFrame));

        click(pFrame);
        QCOMPARE(pCaption->m_bActive, TRUE);
        QImage caption = captionPixels(pCaption);
        QCOMPARE(caption.width(), 200 - 2 * ::GetSystemMetrics(SM_CXFRAME));
        QString why = checkEmptyCaption(caption, kRed, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // Activating the board's own window makes the note inactive at once.
        click(m_pBoard.get());
        QCOMPARE(pCaption->m_bActive, FALSE);
        why = checkEmptyCaption(captionPixels(pCaption), kRed, false);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // The sizing frame outside the caption is still the window system's.
        const QImage surface = windowSurface(pFrame);
        QCOMPARE(colorAt(surface, 199, 119), ::GetSysColor(COLOR_3DDKSHADOW));
        QCOMPARE(colorAt(surface, 1, 60), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    }

    void activatingAnotherNoteSwitchesBothCaptionsAtOnce()
    {
        CMiniFrameWnd *pFirst = newFrame(CRect(20, 20, 220, 140));
        CMiniFrameWnd *pSecond = newFrame(CRect(300, 20, 500, 140));
        CSingleLineCaption *pFirstCaption = attachNoteCaption(pFirst, RGB(0, 0, 255));
        CSingleLineCaption *pSecondCaption = attachNoteCaption(pSecond, kRed);

        click(pFirst);
        click(pSecond);
        QCOMPARE(pFirstCaption->m_bActive, FALSE);
        QCOMPARE(pSecondCaption->m_bActive, TRUE);
        QString why = checkEmptyCaption(captionPixels(pFirstCaption), RGB(0, 0, 255), false);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        why = checkEmptyCaption(captionPixels(pSecondCaption), kRed, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        click(pFirst);
        why = checkEmptyCaption(captionPixels(pFirstCaption), RGB(0, 0, 255), true);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        why = checkEmptyCaption(captionPixels(pSecondCaption), kRed, false);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // What the widget shows: the caption rows above the client area come from the surface.
        const int fx = ::GetSystemMetrics(SM_CXFRAME), fy = ::GetSystemMetrics(SM_CYFRAME);
        const QImage shown = pSecond->GetWidget()->grab().toImage();
        QCOMPARE(colorAt(shown, fx + 1, fy + 3), kRed);
        const QImage shownActive = pFirst->GetWidget()->grab().toImage();
        QCOMPARE(colorAt(shownActive, fx, fy + 3), RGB(0, 0, 0));
        QCOMPARE(colorAt(shownActive, 200 - fx - 1, fy + 3), RGB(0, 0, 255));
    }

    // A frame far wider than its parent (a note rectangle from a file) keeps a surface and caption bitmaps no
    // larger than the parent with a margin, still shows its frame and caption where the parent shows it, follows
    // when it moves far, and shows again after it was hidden.
    void hugeFrameKeepsSurfacesOfTheShownPartOnly()
    {
        const int nWide = 6000000;
        const int fx = ::GetSystemMetrics(SM_CXFRAME), fy = ::GetSystemMetrics(SM_CYFRAME);
        CMiniFrameWnd *pFrame = newFrame(CRect(500 - nWide, 100, 500, 400));
        QVERIFY(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        click(pFrame);
        QCOMPARE(pCaption->m_bActive, TRUE);

        const auto surfaceBox = [pFrame] {
            CWindowDC dc(pFrame);
            CRect rc;
            dc.GetClipBox(&rc);
            return rc;
        };
        const auto bitmapWidth = [pCaption] {
            BITMAP bm{};
            pCaption->m_bmCaption[1].GetBitmap(&bm);
            return int(bm.bmWidth);
        };
        const auto shownBoard = [this] { return m_pBoard->GetWidget()->grab().toImage(); };

        CRect rcBox = surfaceBox();
        QVERIFY2(rcBox.Width() <= 900 + 2 * 256 && rcBox.Height() <= 700 + 2 * 256,
                 qPrintable(QStringLiteral("surface %1 x %2").arg(rcBox.Width()).arg(rcBox.Height())));
        // It holds everything the board shows of the frame: window x from nWide - 500 to nWide.
        QVERIFY(rcBox.left <= nWide - 500 && rcBox.right >= nWide);
        QVERIFY(bitmapWidth() > 0 && bitmapWidth() <= 900 + 2 * 256);

        // The caption's right end lies beyond the gradient's split: solid red up to the frame.
        QImage board = shownBoard();
        for (int x : {10, 250, 500 - fx - 1})
            QCOMPARE(colorAt(board, x, 100 + fy + 3), kRed);
        QVERIFY(colorAt(board, 499, 100 + fy + 3) != kRed);
        QVERIFY(colorAt(board, 510, 100 + fy + 3) != kRed);

        // Far to the right: a different part shows, painted afresh.
        pFrame->MoveWindow(850 - nWide, 100, nWide, 300, TRUE);
        board = shownBoard();
        for (int x : {10, 600, 850 - fx - 1})
            QCOMPARE(colorAt(board, x, 100 + fy + 3), kRed);
        rcBox = surfaceBox();
        QVERIFY(rcBox.left <= nWide - 850 && rcBox.right >= nWide && rcBox.Width() <= 900 + 2 * 256);

        // Hidden, the frame keeps nothing; shown again, its caption is back.
        pFrame->ShowWindow(SW_HIDE);
        pFrame->ShowWindow(SW_SHOW);
        board = shownBoard();
        QCOMPARE(colorAt(board, 600, 100 + fy + 3), kRed);

        // The widest rectangle a file can hold: the window is kept within bounds where no sum overflows.
        CMiniFrameWnd *pExtreme = newFrame(CRect(INT_MIN + 90, INT_MIN, INT_MAX, INT_MAX));
        QVERIFY(pExtreme);
        attachNoteCaption(pExtreme);
        CRect rcExtreme;
        pExtreme->GetWindowRect(&rcExtreme);
        QVERIFY(rcExtreme.left >= -(1 << 25) && rcExtreme.top >= -(1 << 25));
        QVERIFY(rcExtreme.right <= (1 << 25) && rcExtreme.bottom <= (1 << 25));
        QVERIFY(rcExtreme.Width() > 0 && rcExtreme.Height() > 0);
        pExtreme->MoveWindow(CRect(INT_MAX - 5, INT_MAX - 5, INT_MIN, INT_MIN), TRUE);
        pExtreme->GetWindowRect(&rcExtreme);
        QVERIFY(rcExtreme.left <= (1 << 25) && rcExtreme.Width() >= 0);
        shownBoard();
    }

    void captionBitmapsAreBuiltOncePerStateAndReused()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        auto *pCaption = newHook<CSingleLineCaption>();
        pCaption->Attach(pFrame);
        QCOMPARE(pCaption->m_bActive, CCaption::kActiveUnknown);
        auto *pBackground = new CountingBackground(kRed);
        pCaption->SetBackground(std::unique_ptr<CCaptionBackground>(pBackground));
        // Before any activation the painter shows the active caption.
        QCOMPARE(pBackground->m_nPaints[1], 1);
        QCOMPARE(pBackground->m_nPaints[0], 0);

        pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
        pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0);
        pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
        QCOMPARE(pBackground->m_nPaints[0], 1);
        QCOMPARE(pBackground->m_nPaints[1], 1);
        QVERIFY(pCaption->m_bmCaption[0].GetSafeHandle());
        QVERIFY(pCaption->m_bmCaption[1].GetSafeHandle());

        for (int i = 0; i < 10; ++i) {
            pFrame->MoveWindow(20 + 7 * i, 20 + 3 * i, 200, 120);
            pFrame->SendMessage(WM_NCPAINT, 1, 0);
        }
        QCOMPARE(pBackground->m_nPaints[0], 1);
        QCOMPARE(pBackground->m_nPaints[1], 1);

        // One pixel wider: the present state is rebuilt at once, the other when it is next shown.
        pFrame->MoveWindow(20, 20, 201, 120);
        QCOMPARE(pCaption->m_szCaption,
                 CSize(201 - 2 * ::GetSystemMetrics(SM_CXFRAME), ::GetSystemMetrics(SM_CYCAPTION)));
        QCOMPARE(pBackground->m_nPaints[0], 2);
        QVERIFY(!pCaption->m_bmCaption[1].GetSafeHandle());
        pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0);
        QCOMPARE(pBackground->m_nPaints[1], 2);
        QString why = checkEmptyCaption(captionPixels(pCaption), kRed, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        pCaption->Refresh();
        QCOMPARE(pBackground->m_nPaints[1], 3);
        QVERIFY(!pCaption->m_bmCaption[0].GetSafeHandle());
        pFrame->SetWindowText(QStringLiteral("text"));
        QCOMPARE(pBackground->m_nPaints[1], 4);
        QCOMPARE(pBackground->m_nPaints[0], 2);
    }

    void repeatedActivationIsSkippedAndDefaultRunsWithoutVisibleStyle()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        auto *pSpy = newHook<Spy>();
        pSpy->SetHookedWindow(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        pSpy->m_seen.clear();

        // The first activation is processed whatever its state.
        QCOMPARE(pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0), LRESULT(TRUE));
        QCOMPARE(pSpy->Count(WM_NCACTIVATE), 1);
        QCOMPARE(pSpy->m_seen.front().wParam, WPARAM(FALSE));
        QVERIFY(!pSpy->m_seen.front().bVisibleStyle);
        QCOMPARE(pSpy->Count(WM_NCPAINT), 1);
        QVERIFY(pFrame->GetStyle() & WS_VISIBLE);

        pSpy->m_seen.clear();
        QCOMPARE(pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0), LRESULT(TRUE));
        QVERIFY(pSpy->m_seen.empty());
        QCOMPARE(pCaption->m_bActive, FALSE);

        QCOMPARE(pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0), LRESULT(TRUE));
        QCOMPARE(pSpy->Count(WM_NCACTIVATE), 1);
        QCOMPARE(pSpy->m_seen.front().wParam, WPARAM(TRUE));
        QCOMPARE(pCaption->m_bActive, TRUE);
#ifndef NDEBUG
        QCOMPARE(g_nTraceLines, 3); // written for the skipped one too
#endif

        // Text changes also run the usual processing without the visible style, then repaint.
        pSpy->m_seen.clear();
        const QString text = QStringLiteral("Shopping");
        QCOMPARE(pFrame->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.utf16())), LRESULT(0));
        QCOMPARE(pSpy->Count(WM_SETTEXT), 1);
        QVERIFY(!pSpy->m_seen.front().bVisibleStyle);
        QVERIFY(pFrame->GetStyle() & WS_VISIBLE);
        CString stored;
        pFrame->GetWindowText(stored);
        QCOMPARE(QString(stored), text);

        // A fresh painter processes a first TRUE as well.
        CMiniFrameWnd *pOther = newFrame(CRect(300, 20, 500, 140));
        auto *pOtherSpy = newHook<Spy>();
        pOtherSpy->SetHookedWindow(pOther);
        attachNoteCaption(pOther);
        pOther->SendMessage(WM_NCACTIVATE, TRUE, 0);
        QCOMPARE(pOtherSpy->Count(WM_NCACTIVATE), 1);
    }

    void disabledWindowIsInactiveAndStayActiveStaysActive()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        auto *pSpy = newHook<Spy>();
        pSpy->SetHookedWindow(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        pSpy->m_seen.clear();

        pFrame->EnableWindow(FALSE);
        pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0);
        QCOMPARE(pCaption->m_bActive, FALSE);
        QCOMPARE(pSpy->m_seen.front().wParam, WPARAM(FALSE));
        QString why = checkEmptyCaption(captionPixels(pCaption), kRed, false);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        pFrame->EnableWindow(TRUE);
        pFrame->m_nFlags |= WF_STAYACTIVE;
        pSpy->m_seen.clear();
        pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
        QCOMPARE(pCaption->m_bActive, TRUE);
        QCOMPARE(pSpy->m_seen.front().wParam, WPARAM(TRUE));
        why = checkEmptyCaption(captionPixels(pCaption), kRed, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // Disabled wins over staying active.
        pFrame->EnableWindow(FALSE);
        pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0);
        QCOMPARE(pCaption->m_bActive, FALSE);
        pFrame->m_nFlags &= ~UINT(WF_STAYACTIVE);
    }

    void ncPaintRegionsAroundTheCaption()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        auto *pSpy = newHook<Spy>();
        pSpy->SetHookedWindow(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        click(pFrame);

        CRect rcWindow;
        pFrame->GetWindowRect(&rcWindow);
        CRect rcCaption = pCaption->GetCaptionRect();
        rcCaption.OffsetRect(rcWindow.left, rcWindow.top);
        pSpy->m_ptCaptionCentre = rcCaption.CenterPoint();
        pSpy->m_ptFrameCorner = POINT{rcWindow.left, rcWindow.bottom - 1};
        const CRect rcMarkInCaption(rcCaption.right - rcWindow.left - 5, rcCaption.top - rcWindow.top + 3,
                                    rcCaption.right - rcWindow.left - 3, rcCaption.top - rcWindow.top + 5);
        const auto markCaption = [&] {
            CWindowDC dc(pFrame);
            dc.FillSolidRect(&rcMarkInCaption, kMagenta);
        };

        // A region on the bottom frame edge only: passed on as it is, and the caption is not copied.
        markCaption();
        CRgn rgnBottom;
        rgnBottom.CreateRectRgn(rcWindow.left, rcWindow.bottom - 3, rcWindow.right, rcWindow.bottom);
        pSpy->m_seen.clear();
        pFrame->SendMessage(WM_NCPAINT, reinterpret_cast<WPARAM>(static_cast<HRGN>(rgnBottom)), 0);
        QCOMPARE(pSpy->Count(WM_NCPAINT), 1);
        QCOMPARE(pSpy->m_seen.front().wParam, reinterpret_cast<WPARAM>(static_cast<HRGN>(rgnBottom)));
        QCOMPARE(colorAt(windowSurface(pFrame), rcMarkInCaption.left, rcMarkInCaption.top), kMagenta);

        // A region touching the caption: the usual processing gets it without the caption, then the caption is
        // copied over the mark. The region passed in survives.
        CRgn rgnAll;
        rgnAll.CreateRectRgnIndirect(&rcWindow);
        pSpy->m_seen.clear();
        pFrame->SendMessage(WM_NCPAINT, reinterpret_cast<WPARAM>(static_cast<HRGN>(rgnAll)), 0);
        QCOMPARE(pSpy->Count(WM_NCPAINT), 1);
        QVERIFY(pSpy->m_seen.front().wParam != reinterpret_cast<WPARAM>(static_cast<HRGN>(rgnAll)));
        QVERIFY(!pSpy->m_seen.front().bCaptionCentreInRegion);
        QVERIFY(pSpy->m_seen.front().bFrameCornerInRegion);
        QCOMPARE(::GetObjectType(rgnAll), DWORD(OBJ_REGION));
        QVERIFY(colorAt(windowSurface(pFrame), rcMarkInCaption.left, rcMarkInCaption.top) != kMagenta);
        QString why = checkEmptyCaption(captionPixels(pCaption), kRed, true);
        QVERIFY2(why.isEmpty(), qPrintable(why));

        // wParam 1 and 0 mean the whole window: the window minus the caption is passed on; that region is the
        // painter's own and is gone afterwards.
        for (WPARAM whole : {WPARAM(1), WPARAM(0)}) {
            markCaption();
            pSpy->m_seen.clear();
            pFrame->SendMessage(WM_NCPAINT, whole, 0);
            QCOMPARE(pSpy->Count(WM_NCPAINT), 1);
            const Spy::Seen seen = pSpy->m_seen.front();
            QVERIFY(seen.wParam > 1);
            QVERIFY(!seen.bCaptionCentreInRegion);
            QVERIFY(seen.bFrameCornerInRegion);
            QCOMPARE(::GetObjectType(reinterpret_cast<HGDIOBJ>(seen.wParam)), DWORD(0));
            QVERIFY(colorAt(windowSurface(pFrame), rcMarkInCaption.left, rcMarkInCaption.top) != kMagenta);
        }
    }

    void noteTextBoxGeometry()
    {
        const int fx = ::GetSystemMetrics(SM_CXFRAME), fy = ::GetSystemMetrics(SM_CYFRAME);
        const int cx = ::GetSystemMetrics(SM_CXSIZE), cyCaption = ::GetSystemMetrics(SM_CYCAPTION);
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        QCOMPARE(pCaption->GetFrameSize(), CSize(fx, fy));
        QCOMPARE(pCaption->GetCaptionRect(), CRect(fx, fy, 200 - fx, fy + cyCaption));
        QCOMPARE(pCaption->DrawIcon(nullptr), 0);
        QCOMPARE(pCaption->DrawButtons(nullptr), cx + 2);
        const CRect rcText(fx, fy - 2, 200 - fx - (cx + 2) - 4, fy + cyCaption);
        QCOMPARE(pCaption->GetTextRect(), rcText);

        // Text pixels (inactive: solid background) stay inside the text box, taken in caption bitmap coordinates.
        pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
        pFrame->SetWindowText(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
        const QImage caption = captionPixels(pCaption);
        int nText = 0, nLeftmost = caption.width(), nRightmost = -1, nTopmost = caption.height();
        for (int y = 0; y < cyCaption - 1; ++y)
            for (int x = 0; x < caption.width(); ++x)
                if (colorAt(caption, x, y) != kRed) {
                    ++nText;
                    nLeftmost = std::min(nLeftmost, x);
                    nRightmost = std::max(nRightmost, x);
                    nTopmost = std::min(nTopmost, y);
                }
        QVERIFY(nText > 0);
        QVERIFY(nLeftmost >= rcText.left && nLeftmost <= rcText.left + 3);
        QVERIFY(nRightmost < rcText.right);
        QVERIFY(nRightmost > rcText.right - 20); // the text, cut with an ellipsis, reaches the end of the box
        QVERIFY(nTopmost >= rcText.top);
    }

    void iconAndButtonsOfAFullCaption()
    {
        const int fx = ::GetSystemMetrics(SM_CXFRAME);
        const int cx = ::GetSystemMetrics(SM_CXSIZE), cy = ::GetSystemMetrics(SM_CYSIZE);
        QImage green(16, 16, QImage::Format_ARGB32);
        green.fill(QColor(0, 160, 0));
        QImage blue(16, 16, QImage::Format_ARGB32);
        blue.fill(QColor(0, 0, 160));
        const HICON hGreen = AfxIconFromImage(green);
        const HICON hBlue = AfxIconFromImage(blue);
        WNDCLASSINFO info;
        info.lpszClassName = QStringLiteral("CaptionTestFrame");
        info.lpfnWndProc = &AfxWndProc;
        info.hIconSm = hGreen;
        AfxRegisterWindowClass(info);

        const DWORD dwStyle = kNoteStyle | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 320, 140), dwStyle, info.lpszClassName);
        QVERIFY(pFrame);
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        click(pFrame);

        QCOMPARE(pCaption->DrawIcon(nullptr), cx);
        QCOMPARE(pCaption->DrawButtons(nullptr), 3 * cx);
        QCOMPARE(pCaption->GetTextRect().left, LONG(fx + cx));
        QCOMPARE(pCaption->GetTextRect().right, LONG(300 - fx - 3 * cx - 4));

        QImage caption = captionPixels(pCaption);
        const int w = caption.width();
        // The class's small icon fills the box (2, 1, cx, cy - 1).
        QCOMPARE(colorAt(caption, 2, 1), RGB(0, 160, 0));
        QCOMPARE(colorAt(caption, cx - 1, cy - 2), RGB(0, 160, 0));
        QVERIFY(colorAt(caption, 1, 1) != RGB(0, 160, 0));
        QVERIFY(colorAt(caption, 2, cy - 1) != RGB(0, 160, 0));
        // Maximise box (w - 2cx, 2, w - cx - 2, cy - 2), raised; minimise box directly left of it; the reserved
        // slot and the 2-pixel gap show the background.
        const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), dark = ::GetSysColor(COLOR_3DDKSHADOW);
        QCOMPARE(colorAt(caption, w - 2 * cx, 2), light);
        QCOMPARE(colorAt(caption, w - cx - 3, cy - 3), dark);
        QCOMPARE(colorAt(caption, w - 3 * cx + 2, 2), light);
        QCOMPARE(colorAt(caption, w - 2 * cx - 1, cy - 3), dark);
        for (int x = w - cx - 2; x < w; ++x)
            QCOMPARE(colorAt(caption, x, 5), kRed);
        QCOMPARE(colorAt(caption, w - 3 * cx + 1, 5), gradientColumn(w, kRed, w - 3 * cx + 1));

        // An icon of the painter's own replaces the class icon.
        pCaption->m_hIcon = hBlue;
        pCaption->Refresh();
        caption = captionPixels(pCaption);
        QCOMPARE(colorAt(caption, 2, 1), RGB(0, 0, 160));

        m_pBoard.reset();
        m_hooks.clear();
        ::DestroyIcon(hGreen);
        ::DestroyIcon(hBlue);
    }

    void textIsDrawnInTheCaptionFontAndCutWithAnEllipsis()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        const CRect rcText = pCaption->GetTextRect();
        const CSize szCaption = pCaption->GetCaptionRect().Size();

        // The same caption drawn by hand: background, bottom edge, text in the system caption font.
        const auto expected = [&](const QString &text, BOOL bActive, UINT nFormat) {
            CDC dc;
            dc.CreateCompatibleDC(nullptr);
            CBitmap bitmap;
            bitmap.CreateCompatibleBitmap(&dc, szCaption.cx, szCaption.cy);
            CBitmap *pOld = dc.SelectObject(&bitmap);
            CGradientCaptionBackground background;
            background.SetColors(kRed, kRed);
            background.Paint(&dc, szCaption.cx, szCaption.cy, bActive);
            dc.FillSolidRect(0, szCaption.cy - 1, szCaption.cx, 1, ::GetSysColor(COLOR_BTNFACE));
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(::GetSysColor(bActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
            {
                const AutoSelector font(&dc, g_systemCaptionFont.GetFont());
                CRect rc = rcText;
                dc.DrawText(CString(text), &rc, nFormat);
            }
            dc.SelectObject(pOld);
            return bitmap.GetImage()->copy();
        };

        const QString longText = QStringLiteral("A caption far too long to fit into the caption of this note");
        const QString shortText = QStringLiteral("Note");
        for (BOOL bActive : {TRUE, FALSE}) {
            pFrame->SendMessage(WM_NCACTIVATE, bActive, 0);
            // Setting the text repaints the caption at once.
            pFrame->SetWindowText(shortText);
            QCOMPARE(captionPixels(pCaption), expected(shortText, bActive, DT_END_ELLIPSIS));
            pFrame->SetWindowText(longText);
            const QImage caption = captionPixels(pCaption);
            QCOMPARE(caption, expected(longText, bActive, DT_END_ELLIPSIS));
            QVERIFY(caption != expected(longText, bActive, 0));
        }
        // The system caption font is bold DejaVu Sans, 11 pixels.
        LOGFONT lf{};
        g_systemCaptionFont.GetFont()->GetLogFont(&lf);
        QCOMPARE(lf.lfWeight, LONG(FW_BOLD));
        QCOMPARE(lf.lfHeight, LONG(-11));
    }

    void systemColourChangesRepaintCaptionsThatFollowThem()
    {
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        auto *pSpy = newHook<Spy>();
        pSpy->SetHookedWindow(pFrame);
        auto *pCaption = newHook<CSingleLineCaption>();
        pCaption->Attach(pFrame);
        pCaption->SetBackground(nullptr);
        pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
        QVERIFY(pCaption->m_pBackground);
        QCOMPARE(typeid(*pCaption->m_pBackground), typeid(CCaptionBackground));
        QCOMPARE(colorAt(captionPixels(pCaption), 10, 5), ::GetSysColor(COLOR_INACTIVECAPTION));

        // The board window hears of the change and passes it to its children; the caption follows at once.
        AfxChangeSysColor(COLOR_INACTIVECAPTION, RGB(0, 128, 0));
        QCOMPARE(colorAt(captionPixels(pCaption), 10, 5), RGB(0, 128, 0));
        QCOMPARE(pSpy->Count(WM_SYSCOLORCHANGE), 1); // the window's usual processing hears of it as well
        AfxChangeSysColor(COLOR_BTNFACE, RGB(10, 20, 30));
        QCOMPARE(colorAt(captionPixels(pCaption), 10, ::GetSystemMetrics(SM_CYCAPTION) - 1), RGB(10, 20, 30));

        // A note's own colour does not follow.
        CMiniFrameWnd *pNote = newFrame(CRect(300, 20, 500, 140));
        CSingleLineCaption *pNoteCaption = attachNoteCaption(pNote);
        pNote->SendMessage(WM_NCACTIVATE, FALSE, 0);
        AfxChangeSysColor(COLOR_INACTIVECAPTION, RGB(0, 0, 128));
        QCOMPARE(colorAt(captionPixels(pNoteCaption), 10, 5), kRed);
        pFrame->SendMessage(WM_SETTINGCHANGE, 0, 0);
        QCOMPARE(pSpy->Count(WM_SETTINGCHANGE), 1);
        pNote->SendMessage(WM_SETTINGCHANGE, 0, 0);
        QCOMPARE(colorAt(captionPixels(pNoteCaption), 10, 5), kRed);
    }

    void backgroundsAreOwnedByThePainter()
    {
        int nDeleted = 0;
        CMiniFrameWnd *pFrame = newFrame(CRect(20, 20, 220, 140));
        {
            CSingleLineCaption caption;
            caption.Attach(pFrame);
            caption.SetBackground(std::make_unique<CountingBackground>(kRed, &nDeleted));
            auto *pSecond = new CountingBackground(RGB(0, 255, 0), &nDeleted);
            caption.SetBackground(std::unique_ptr<CCaptionBackground>(pSecond));
            QCOMPARE(nDeleted, 1);
            QCOMPARE(caption.GetBackground(), static_cast<CCaptionBackground *>(pSecond));
            // Unhooked before it ends, as a note does before destroying its window.
            QCOMPARE(caption.Detach(), TRUE);
            QCOMPARE(::GetWindowLong(*pFrame, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&AfxWndProc));
        }
        QCOMPARE(nDeleted, 2);

        // A painter whose window ends is unhooked by the window's end.
        CSingleLineCaption *pCaption = attachNoteCaption(pFrame);
        pFrame->DestroyWindow();
        QVERIFY(!pCaption->m_pHookedWnd);
        QVERIFY(!pCaption->m_pfnSavedWndProc);
    }

    void hookWorksOnWindowsThatAreNotFrames()
    {
        ZB_REQUIRE_ASSERT();
        CWnd plain;
        QVERIFY(plain.CreateEx(0, QString(), QStringLiteral("plain"), WS_CHILD | WS_VISIBLE, CRect(10, 10, 200, 100),
                               m_pBoard.get(), 3));
        CSingleLineCaption caption;
        caption.SetHookedWindow(&plain);
        QCOMPARE(plain.SendMessage(WM_NCACTIVATE, TRUE, 0), LRESULT(TRUE));
        QCOMPARE(caption.m_bActive, TRUE);
        QVERIFY(g_asserts.empty());

        // The hooked window object lets go of its handle: the painter reports it under its own source name.
        HWND hWnd = plain.Detach();
        ::SendMessage(hWnd, WM_NCACTIVATE, FALSE, 0);
        QVERIFY(!g_asserts.empty());
        QCOMPARE(g_asserts.front().first, QByteArray("SingleLineCaption"));
        g_asserts.clear();
        plain.Attach(hWnd);
        caption.Detach();

        // The general painter insists on a frame.
        CCaption general;
        general.SetHookedWindow(&plain);
        QCOMPARE(plain.SendMessage(WM_NCACTIVATE, TRUE, 0), LRESULT(TRUE));
        QCOMPARE(g_asserts.size(), size_t(1));
        QCOMPARE(g_asserts.front().first, QByteArray("Caption"));
        g_asserts.clear();
        general.Detach();
        plain.DestroyWindow();
    }
};

ZB_TEST_MAIN(TestCaption)
#include "tst_caption.moc"
