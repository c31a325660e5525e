// Moves a note-like child frame 100 steps (each step a move and a whole-frame WM_NCPAINT, the activation state
// flipping every 10 steps) and reports caption rebuilds and time per step, against two baselines measured in
// the same run: the same frame without the painter (the window system's own caption), and the painter forced
// to rebuild its bitmap at every step.
#include "BenchSupport.h"
#include "support/TestMain.h"

#include "caption/SingleLineCaption.h"

#include "platform/Framework.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using zbbench::median;
using zbbench::msSince;

namespace {

const DWORD kNoteStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_THICKFRAME | MFS_SYNCACTIVE;
const int kSteps = 100;
const int kRounds = 7;

// The note's gradient, counting how often a caption bitmap is built.
class CountingBackground : public CCaptionBackground {
public:
    CountingBackground()
    {
        SetColors(RGB(255, 0, 0), RGB(255, 0, 0));
        m_gradient.SetColors(RGB(255, 0, 0), RGB(255, 0, 0));
    }
    void Paint(CDC *pDC, int cx, int cy, BOOL bActive) override
    {
        ++m_nBuilds;
        m_gradient.Paint(pDC, cx, cy, bActive);
    }
    int m_nBuilds = 0;
    CGradientCaptionBackground m_gradient;
};

enum class Mode { NoPainter, Cached, RebuildEveryStep };

struct Round {
    double usPerStep;
    int nBuilds; // bitmaps built during the 100 steps
};

Round runRound(CWnd *pBoard, Mode mode)
{
    auto *pFrame = new CMiniFrameWnd;
    pFrame->Create(QString(), QStringLiteral("Shopping list"), kNoteStyle, CRect(20, 20, 220, 140), pBoard, 0);
    CSingleLineCaption caption;
    CountingBackground *pBackground = nullptr;
    if (mode != Mode::NoPainter) {
        caption.Attach(pFrame);
        pBackground = new CountingBackground;
        caption.SetBackground(std::unique_ptr<CCaptionBackground>(pBackground));
    }
    // First paint in each state.
    pFrame->SendMessage(WM_NCACTIVATE, FALSE, 0);
    pFrame->SendMessage(WM_NCACTIVATE, TRUE, 0);
    const int nBuildsBefore = pBackground ? pBackground->m_nBuilds : 0;

    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= kSteps; ++i) {
        if (i % 10 == 0)
            pFrame->SendMessage(WM_NCACTIVATE, (i / 10) % 2 ? FALSE : TRUE, 0);
        if (mode == Mode::RebuildEveryStep)
            caption.m_szCaption = CSize(0, 0);
        pFrame->MoveWindow(20 + 3 * i, 20 + (i % 7), 200, 120);
        pFrame->SendMessage(WM_NCPAINT, 1, 0);
    }
    const qint64 ns = timer.nsecsElapsed();

    Round round{double(ns) / 1000.0 / kSteps, pBackground ? pBackground->m_nBuilds - nBuildsBefore : 0};
    if (mode != Mode::NoPainter)
        caption.Detach();
    pFrame->DestroyWindow();
    return round;
}

// Debug builds trace every activation; writing those lines would be timed with the rest.
void dropTraceLines(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    qInstallMessageHandler(&dropTraceLines);

    CWnd board;
    board.CreateEx(0, QString(), QStringLiteral("board"), WS_OVERLAPPED, CRect(0, 0, 900, 700), nullptr, 0);

    std::vector<double> none, cached, rebuilt;
    int nCachedBuilds = 0, nRebuiltBuilds = 0;
    runRound(&board, Mode::Cached); // warm-up: fonts, glyph caches
    for (int r = 0; r < kRounds; ++r) {
        none.push_back(runRound(&board, Mode::NoPainter).usPerStep);
        const Round c = runRound(&board, Mode::Cached);
        cached.push_back(c.usPerStep);
        nCachedBuilds += c.nBuilds;
        const Round b = runRound(&board, Mode::RebuildEveryStep);
        rebuilt.push_back(b.usPerStep);
        nRebuiltBuilds += b.nBuilds;
    }

    const double usNone = median(none), usCached = median(cached), usRebuilt = median(rebuilt);
    std::printf("caption: %d moves of a 200x120 note-like frame, each with a whole-frame WM_NCPAINT, activation "
                "flipping every 10 steps; median of %d rounds\n",
                kSteps, kRounds);
    std::printf("  caption rebuilds after the first paint in each state: %d per round (expected 0)\n",
                nCachedBuilds / kRounds);
    std::printf("  without painter (system caption)   %8.1f us/step  (baseline)\n", usNone);
    std::printf("  painter, cached bitmaps            %8.1f us/step  %.2fx the baseline\n", usCached,
                usCached / usNone);
    std::printf("  painter, rebuilt at every step     %8.1f us/step  %.2fx the baseline, %d rebuilds per round; "
                "cache saves %.2fx\n",
                usRebuilt, usRebuilt / usNone, nRebuiltBuilds / kRounds, usRebuilt / usCached);
    return nCachedBuilds == 0 ? 0 : 1;
}
