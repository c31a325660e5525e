// A full board repaint (textured background, both icons, off-screen buffer and copy-back) onto a 600 x 400 surface
// at device pixel ratio 2 against the same repaint at ratio 1, measured in the same run. Four times the device
// pixels, so a ratio of about 4 is what the work allows.
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "platform/Gdi.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kRepaints = 40;
const int kRounds = 7;

// Median time of one repaint of the whole board onto a surface of the given density, in microseconds.
double repaintMicros(CZentView *pView, qreal ratio)
{
    QImage surface(int(600 * ratio), int(400 * ratio), QImage::Format_RGB32);
    surface.setDevicePixelRatio(ratio);
    std::vector<double> rounds;
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kRepaints; ++i) {
            HDC hDC = AfxCreateDeviceDC(&surface, QRegion(), QPoint(0, 0));
            pView->OnDraw(CDC::FromHandle(hDC));
            AfxDeleteDeviceDC(hDC);
        }
        rounds.push_back(double(timer.nsecsElapsed()) / 1000.0 / kRepaints);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    if (!zbtest::startApp())
        return 1;
    CZentDoc *pDoc = zbtest::document();
    pDoc->m_bTexture = pDoc->LoadTexture(131);
    CZentView *pView = zbtest::boardView();
    repaintMicros(pView, 1); // warm-up
    const double one = repaintMicros(pView, 1);
    const double two = repaintMicros(pView, 2);
    std::printf("board repaint 600 x 400, texture \"Rock White\" and both icons\n");
    std::printf("  ratio 1: %.0f us  ratio 2: %.0f us  ratio 2 / ratio 1: %.2fx (goal <= 4.5x)\n", one, two, two / one);
    zbtest::endApp();
    return 0;
}
