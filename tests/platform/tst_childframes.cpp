// Child frames in great numbers under one parent: painting them all needs no deep stack, and the window system's
// view of them (parent, coordinates, z-order, input to the parent between them) is the same as for a few.
#include "support/TestMain.h"

#include "platform/SysParams.h"
#include "platform/Wnd.h"

#include <QProcess>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kFrameStyle = WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME;

// A parent that notes where the left button went down in its client area.
class ParentWindow final : public CWnd {
public:
    QList<QPoint> presses;

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == WM_LBUTTONDOWN)
            presses << QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return CWnd::WindowProc(nMsg, wParam, lParam);
    }
};

struct Board {
    std::unique_ptr<ParentWindow> parent;
    std::vector<std::unique_ptr<CWnd>> frames;
};

// Frame i lies at (i mod 600, i / 600 mod 400), 100 x 80, each later one above the earlier ones.
bool makeBoard(Board &b, int nFrames)
{
    b.parent = std::make_unique<ParentWindow>();
    if (!b.parent->CreateEx(0, QString::fromLatin1(AfxWndClassName), QStringLiteral("board"), WS_POPUP | WS_VISIBLE,
                            CRect(0, 0, 800, 600), nullptr, 0))
        return false;
    b.frames.reserve(size_t(nFrames));
    for (int i = 0; i < nFrames; ++i) {
        auto pFrame = std::make_unique<CWnd>();
        const int x = i % 600, y = (i / 600) % 400;
        if (!pFrame->CreateEx(0, QString::fromLatin1(AfxMiniFrameClassName), QString(), kFrameStyle,
                              CRect(x, y, x + 100, y + 80), b.parent.get(), 0))
            return false;
        b.frames.push_back(std::move(pFrame));
    }
    return true;
}

QImage paintBoard(const Board &b)
{
    QWidget *w = b.parent->GetWidget();
    w->repaint();
    return w->grab().toImage();
}

COLORREF pixel(const QImage &image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

// The child process: shows the frames, paints the whole board twice and reads two pixels back.
int paintMany(int nFrames)
{
    Board b;
    if (!makeBoard(b, nFrames)) {
        std::printf("creation failed\n");
        return 2;
    }
    const QImage image = paintBoard(b);
    // The bottom frame's outer corner and the top frame's caption show.
    const bool bottom = pixel(image, 0, 0) == GetSysColor(COLOR_3DLIGHT);
    const int top = nFrames - 1;
    const int x = top % 600 + 20, y = (top / 600) % 400 + 8;
    const bool caption = pixel(image, x, y) == GetSysColor(COLOR_INACTIVECAPTION);
    std::printf("painted %d frames, bottom %d, top %d\n", nFrames, int(bottom), int(caption));
    std::fflush(stdout);
    // Ending this many windows is not what is checked here.
    std::_Exit(bottom && caption ? 0 : 3);
}

} // namespace

class TestChildFrames : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void aHundredThousandShownFramesPaintOnAOneMegabyteStack()
    {
        // Painting recursed once per shown sibling: the stack limit is the child process's, set before it starts.
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("ulimit -s 1024 && exec \"$0\" --paint-many 100000"),
                     QCoreApplication::applicationFilePath()});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForFinished(240000));
        const QByteArray out = child.readAll();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0, out.constData());
        QVERIFY(out.contains("painted 100000 frames, bottom 1, top 1"));
    }

    void manyFramesKeepParentCoordinatesZOrderAndInput()
    {
        Board b;
        QVERIFY(makeBoard(b, 1500));
        QWidget *pParentWidget = b.parent->GetWidget();
        QVERIFY(QTest::qWaitForWindowExposed(pParentWidget));

        CWnd *pBottom = b.frames.front().get();
        CWnd *pLast = b.frames.back().get();
        QCOMPARE(pBottom->GetParent(), static_cast<CWnd *>(b.parent.get()));
        QCOMPARE(pLast->GetParent(), static_cast<CWnd *>(b.parent.get()));

        // A frame placed anywhere is where it was asked to be, in the parent's client coordinates.
        pLast->MoveWindow(650, 450, 120, 90, TRUE);
        CRect rc;
        pLast->GetWindowRect(&rc);
        b.parent->ScreenToClient(&rc);
        QCOMPARE(rc, CRect(650, 450, 770, 540));

        // The bottom frame brought to the top covers the others where they overlap; then a later one again.
        pBottom->BringWindowToTop();
        pBottom->MoveWindow(0, 0, 100, 80, TRUE);
        QImage image = paintBoard(b);
        // Frame 0's right edge lies over frames 1..98 (below it, frame 98's light inner edge would show).
        QCOMPARE(pixel(image, 99, 40), GetSysColor(COLOR_3DDKSHADOW));
        CWnd *pMiddle = b.frames[60].get();
        pMiddle->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        image = paintBoard(b);
        // Frame 60's left edge (at 60, 0) now lies over frame 0's client area.
        QCOMPARE(pixel(image, 60, 40), GetSysColor(COLOR_3DLIGHT));

        // A press on the parent between the frames reaches the parent at its own client point.
        b.parent->presses.clear();
        QTest::mousePress(pParentWidget->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(790, 590));
        QTest::mouseRelease(pParentWidget->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(790, 590));
        QCOMPARE(b.parent->presses, QList<QPoint>{QPoint(790, 590)});

        // Ending every frame leaves the parent as it was.
        for (auto &pFrame : b.frames)
            pFrame->DestroyWindow();
        QTRY_COMPARE(pParentWidget->findChildren<QWidget *>().size(), 0);
    }
};

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc == 3 && qstrcmp(argv[1], "--paint-many") == 0)
        return paintMany(QByteArray(argv[2]).toInt());
    TestChildFrames tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return zbtest::runTests(tc, argc, argv);
}
#include "tst_childframes.moc"
