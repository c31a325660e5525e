// Makes 1,000 notes (or as many as the first argument says) on a 600 x 400 board and moves one note 100 steps across
// the board holding them, each step as a caption drag makes it (a window move, the board answering WM_PAPER_MOVED, the
// uncovered and covered area of the board repainted with the notes lying there). The whole board, painted once with all
// its notes, is timed too. Reports time per note made, time per move step and memory per note, against baselines
// measured in the same run: the same Qt widgets without the window layer (a frame widget holding a QPlainTextEdit) for
// making and memory, and the same 100 steps on a board holding only the moving note for the move.
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperFrame.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>
#include <vector>

using zbbench::heapInUse;
using zbbench::median;
using zbbench::msSince;

namespace {

// Notes on the board; the first argument can say another number.
int kNotes = 1000;
const int kSteps = 100;
const int kRounds = 5;

QRect noteRect(int i)
{
    // Spread over the board below the icons, overlapping as real boards do.
    return QRect(60 + (i * 37) % 460, 60 + (i * 23) % 280, 70, 55);
}

void settleAll()
{
    AfxPumpPostedMessages();
    QCoreApplication::processEvents();
}

// 100 steps of the note across the board; microseconds per step.
double moveRound(CPaperFrame *pPaper, QWidget *board)
{
    const CRect start = pPaper->m_rect;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= kSteps; ++i) {
        const QRect before = pPaper->GetWidget()->geometry();
        const int x = 60 + i * 4, y = 80 + (i % 20) * 10;
        pPaper->MoveWindow(x, y, start.Width(), start.Height(), TRUE);
        AfxPumpPostedMessages();
        // Painted now rather than at the desktop's next frame, so that every step pays for its painting.
        board->repaint(QRegion(before) + pPaper->GetWidget()->geometry());
    }
    const double us = double(timer.nsecsElapsed()) / 1000.0 / kSteps;
    pPaper->MoveWindow(&start, TRUE);
    settleAll();
    return us;
}

// Debug builds trace every activation of a caption; writing those lines would be timed with the rest.
void dropTraceLines(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]).toInt() > 0)
        kNotes = QByteArray(argv[1]).toInt();
    app.setAttribute(Qt::AA_Use96Dpi, true);
    qInstallMessageHandler(&dropTraceLines);
    if (!zbtest::startApp() || !zbtest::setBoardSize(600, 400)) {
        std::fprintf(stderr, "the board did not come up\n");
        return 1;
    }
    QWidget *board = zbtest::boardWidget();
    CZentDoc *pDoc = zbtest::document();

    // Warm-up: fonts, glyph caches, the first caption bitmaps.
    for (int i = 0; i < 20; ++i)
        zbtest::addNote(noteRect(i));
    settleAll();
    pDoc->DeleteContents();
    settleAll();

    // Baseline for making and memory: the Qt widgets alone.
    double heapBefore = heapInUse();
    std::vector<QWidget *> bare;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kNotes; ++i) {
        auto *frame = new QWidget(board);
        frame->setGeometry(noteRect(i));
        auto *text = new QPlainTextEdit(frame);
        text->setGeometry(4, 19, 62, 32);
        frame->show();
        bare.push_back(frame);
    }
    const double usBareMake = double(timer.nsecsElapsed()) / 1000.0 / kNotes;
    timer.start();
    board->repaint();
    const double msBarePaint = double(timer.nsecsElapsed()) / 1e6;
    const double bytesBare = (heapInUse() - heapBefore) / kNotes;
    std::vector<double> bareMoves;
    for (int r = 0; r < kRounds; ++r) {
        QWidget *moving = bare.front();
        const QRect start = moving->geometry();
        timer.start();
        for (int i = 1; i <= kSteps; ++i) {
            const QRect before = moving->geometry();
            moving->setGeometry(60 + i * 4, 80 + (i % 20) * 10, 90, 70);
            board->repaint(QRegion(before) + moving->geometry());
        }
        bareMoves.push_back(double(timer.nsecsElapsed()) / 1000.0 / kSteps);
        moving->setGeometry(start);
    }
    for (QWidget *w : bare)
        delete w;
    QCoreApplication::processEvents();

    // The moving note alone on the board.
    CPaperFrame *pMoving = zbtest::addNote(QRect(60, 80, 90, 70));
    settleAll();
    std::vector<double> alone;
    for (int r = 0; r < kRounds; ++r)
        alone.push_back(moveRound(pMoving, board));

    // The notes, each told to the board as it comes.
    heapBefore = heapInUse();
    std::vector<double> firstHundred, lastHundred;
    timer.start();
    QElapsedTimer hundred;
    hundred.start();
    for (int i = 0; i < kNotes; ++i) {
        zbtest::addNote(noteRect(i));
        AfxPumpPostedMessages();
        if (i % 100 == 99) {
            (i < 100 ? firstHundred : lastHundred).push_back(double(hundred.nsecsElapsed()) / 1000.0 / 100);
            hundred.start();
        }
    }
    const double usMake = double(timer.nsecsElapsed()) / 1000.0 / kNotes;
    timer.start();
    board->repaint();
    const double msPaint = double(timer.nsecsElapsed()) / 1e6;
    const double bytesNote = (heapInUse() - heapBefore) / kNotes;
    if (pDoc->m_nPapers != kNotes + 1) {
        std::fprintf(stderr, "expected %d notes, the board holds %d\n", kNotes + 1, pDoc->m_nPapers);
        return 1;
    }

    std::vector<double> crowded;
    for (int r = 0; r < kRounds; ++r)
        crowded.push_back(moveRound(pMoving, board));

    const double usAlone = median(alone), usCrowded = median(crowded);
    std::printf("notes: %d notes of 70x55 on a 600x400 board; one 90x70 note moved %d steps (move, WM_PAPER_MOVED, "
                "repaint of the area it left and entered), median of %d rounds\n",
                kNotes, kSteps, kRounds);
    std::printf("  making a note                  %8.1f us/note  %.2fx the bare Qt widgets (%.1f us); "
                "last 100 notes %.2fx the first 100\n",
                usMake, usMake / usBareMake, usBareMake, lastHundred.front() / firstHundred.front());
    std::printf("  painting the whole board       %8.1f ms       %.2fx the bare Qt widgets (%.1f ms)\n", msPaint,
                msPaint / msBarePaint, msBarePaint);
    std::printf("  moving, board with 1 note      %8.1f us/step  (baseline)\n", usAlone);
    std::printf(
        "  moving, board with %d notes %8.1f us/step  %.2fx the baseline; bare Qt widgets among %d: %.1f us/step\n",
        kNotes + 1, usCrowded, usCrowded / usAlone, kNotes, median(bareMoves));
    std::printf("  memory per note                %8.1f KiB      %.2fx the bare Qt widgets (%.1f KiB)\n",
                bytesNote / 1024.0, bytesNote / bytesBare, bytesBare / 1024.0);

    zbtest::endApp();
    return 0;
}
