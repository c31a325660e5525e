// Repainting the board with a 6000 x 4000 photo on it, against the same board without it, in one run.
// Prints the cost of a full repaint as ratios to the plain board: the picture at its first placement, stretched
// over the whole board, and (for comparison) what each repaint would cost if the photo were scaled every time.
//
//   QT_QPA_PLATFORM=offscreen ./bench_picture [repaints per round]
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "res/resource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QMainWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zbtest;

using zbbench::median;
using zbbench::msSince;

namespace {

// Time of one full repaint of the board, in microseconds, averaged over the given number of repaints.
double repaintMicros(QWidget *board, int repaints, const std::function<void(int)> &beforeEach = {})
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repaints; ++i) {
        if (beforeEach)
            beforeEach(i);
        board->repaint();
    }
    return double(timer.nsecsElapsed()) / 1000.0 / repaints;
}

// A photo-like picture: smooth gradients with fine detail, so the JPEG is of a realistic size.
QImage photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] =
                qRgb((x * 255 / w + (x ^ y) % 17) & 0xFF, (y * 255 / h + (x * y) % 13) & 0xFF, ((x + y) / 40) & 0xFF);
    }
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    const int repaints = argc > 1 ? std::max(1, atoi(argv[1])) : 40;

    const QString path = QDir(sandboxPath()).filePath(QStringLiteral("photo.jpg"));
    {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(90);
        if (!writer.write(photo(6000, 4000))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!startApp()) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    mainFrame()->GetMainWindow()->resize(1280, 900);
    settle();
    CZentDoc *doc = document();
    QWidget *board = boardView()->GetClientWidget();
    std::printf("board %d x %d, %d repaints per board and round, medians of 7 rounds\n", board->width(),
                board->height(), repaints);

    QElapsedTimer load;
    load.start();
    AfxDialogScript::PushFileAnswer(IDOK, path);
    mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
    const double loadMs = double(load.nsecsElapsed()) / 1e6;
    if (!doc->m_bPicture) {
        std::fprintf(stderr, "the photo did not load\n");
        return 1;
    }
    mainFrame()->SendMessage(WM_COMMAND, ID_UNSELECT_PICTURE);
    settle();

    // The three boards in turn, round after round, so that other load on the machine hits them alike; each
    // round's figures are divided by that round's plain board.
    enum { Plain, Placed, Stretched, Kinds };
    auto show = [&](int kind) {
        doc->m_bPicture = kind != Plain;
        const bool whole = kind == Stretched;
        doc->m_nPictureLeft = whole ? 0 : 50;
        doc->m_nPictureTop = whole ? 0 : 50;
        doc->m_nPictureWidth = whole ? board->width() : 200;
        doc->m_nPictureHeight = whole ? board->height() : 133;
        board->repaint(); // a new size is scaled once, here, outside the timing
    };
    std::vector<double> micros[Kinds];
    std::vector<double> ratios[Kinds];
    for (int round = 0; round < 7; ++round) {
        double t[Kinds];
        for (int kind = 0; kind < Kinds; ++kind) {
            show(kind);
            t[kind] = repaintMicros(board, repaints);
            micros[kind].push_back(t[kind]);
        }
        for (int kind = 0; kind < Kinds; ++kind)
            ratios[kind].push_back(t[kind] / t[Plain]);
    }

    // For comparison: two sizes in turn defeat the scaled copy, so the photo is scaled at every repaint.
    show(Stretched);
    const double rescaled = repaintMicros(board, std::max(2, repaints / 8),
                                          [&](int i) { doc->m_nPictureWidth = board->width() - (i % 2); });

    std::printf("plain board:                     %8.1f us per repaint (baseline)\n", median(micros[Plain]));
    std::printf("photo placed 200 x 133:          %8.1f us  ratio %.2f\n", median(micros[Placed]),
                median(ratios[Placed]));
    std::printf("photo stretched over the board:  %8.1f us  ratio %.2f\n", median(micros[Stretched]),
                median(ratios[Stretched]));
    std::printf("photo scaled at every repaint:   %8.1f us  ratio %.2f (what the scaled copy saves)\n", rescaled,
                rescaled / median(micros[Plain]));
    std::printf("loading the photo (read and decoded once): %.0f ms\n", loadMs);
    endApp();
    return 0;
}
