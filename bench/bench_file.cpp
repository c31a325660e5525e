// Saves and opens boards of 1,000 and 20,000 notes (a quarter of them in storage) and reports, in milliseconds:
// - the file part of an open: the same fields read through the archive from the file, no notes made, against
//   the baseline of reading the file's bytes in one piece;
// - the whole open as the user has it: Open with every note window made, shown and settled;
// - the file part of a save (the board serialized into memory, note texts fetched from their controls) and the
//   whole Save to disk;
// - closing the board (New: every note window ended and its widgets gone), against the whole open;
// - at the end, File > Exit with the last board open, against the same.
// Each figure is the median of five rounds (one round above 5,000 notes). Sizes can be given as arguments.
//
// Then each size again in a process of its own, so that peak memory is its own: the open to the board's first
// paint and to settled (no posted message left), Save, New, heap per note and peak resident memory. The baseline,
// measured in the same run, is bare Qt: the same number of notes as Qt widgets alone (a frame holding a
// QPlainTextEdit with the note's text, stored ones hidden), made and painted in a window of the board's size.
// A second bare figure makes only as many notes as show on the board, all shown: what any board with widgets for
// the notes that show must pay at least; and a third the same notes with each text drawn by a plain widget, the
// floor without edit controls.
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/PaperFrame.h"
#include "platform/Archive.h"
#include "platform/CommonDialogs.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

using namespace zbtest;

using zbbench::median;
using zbbench::msSince;

namespace {

// The reader's fields, read and dropped: what an open costs before any note is made.
int readFieldsOnly(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    CArchive ar(&f, CArchive::load, f.size());
    LONG nCount = 0, l = 0;
    DWORD dw = 0;
    POINT pt;
    RECT rc;
    CString s;
    ar >> nCount >> pt >> pt >> dw >> dw >> dw >> dw >> l >> s >> l >> l >> l >> l;
    for (LONG i = 0; i < nCount; ++i)
        ar >> rc >> dw >> s >> dw >> s;
    ar.Close();
    return nCount;
}

void emptyBoard()
{
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    settle();
}

void runSize(int nNotes, int nRounds)
{
    const QString path = QStringLiteral("bench-%1.zbd").arg(nNotes);
    const QString savedPath = QStringLiteral("bench-%1-saved.zbd").arg(nNotes);
    const QByteArray bytes = zbbench::sampleBoard(nNotes);
    writeFile(path, bytes);

    std::vector<double> raw, fields, open, queued, serialize, save, close;
    for (int r = 0; r < nRounds; ++r) {
        QElapsedTimer t;
        t.start();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const qsizetype nRead = f.readAll().size();
        raw.push_back(msSince(t));
        if (nRead != bytes.size())
            std::printf("short read\n");

        t.start();
        const int nFields = readFieldsOnly(path);
        fields.push_back(msSince(t));
        if (nFields != nNotes)
            std::printf("field read failed\n");

        emptyBoard();
        t.start();
        const bool bOpened = AfxGetApp()->OpenDocumentFile(path) != nullptr;
        const double msOpen = msSince(t);
        settle();
        open.push_back(msSince(t));
        queued.push_back(open.back() - msOpen);
        if (!bOpened || document()->m_nPapers != nNotes)
            std::printf("open failed\n");

        t.start();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            CArchive ar(&buffer, CArchive::store);
            document()->Serialize(ar);
            ar.Close();
        }
        serialize.push_back(msSince(t));

        t.start();
        document()->DoSave(savedPath, FALSE);
        save.push_back(msSince(t));
        if (buffer.size() != bytes.size() || QFile(savedPath).size() != bytes.size())
            std::printf("save size differs\n");

        // Until the widgets are deleted, as they are when the event loop next runs.
        t.start();
        emptyBoard();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        close.push_back(msSince(t));
        if (document()->m_nPapers != 0)
            std::printf("close failed\n");
    }

    const double mRaw = median(raw), mFields = median(fields), mOpen = median(open);
    std::printf("%6d notes, %8lld bytes, median of %d rounds\n", nNotes, qlonglong(bytes.size()), nRounds);
    std::printf("  open, file part      %9.2f ms  (%.1f x reading the bytes in one piece, %.3f ms)\n", mFields,
                mRaw > 0 ? mFields / mRaw : 0.0, mRaw);
    std::printf("  open, whole          %9.2f ms  (%.1f us per note; the file part is %.2f %%)\n", mOpen,
                mOpen * 1000.0 / nNotes, 100.0 * mFields / mOpen);
    std::printf("    of which the notes' queued messages %9.2f ms\n", median(queued));
    std::printf("  save, file part      %9.2f ms\n", median(serialize));
    std::printf("  save, whole to disk  %9.2f ms\n", median(save));
    const double mClose = median(close);
    std::printf("  close (New)          %9.2f ms  (%.1f us per note; %.2f x the whole open)\n", mClose,
                mClose * 1000.0 / nNotes, mOpen > 0 ? mClose / mOpen : 0.0);
}

// Exit with a board open: the main window and every note end. Against the open of the same board.
void runExit(int nNotes)
{
    const QString path = QStringLiteral("bench-%1.zbd").arg(nNotes);
    QElapsedTimer t;
    t.start();
    AfxGetApp()->OpenDocumentFile(path);
    settle();
    const double msOpen = msSince(t);
    t.start();
    endApp();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double msExit = msSince(t);
    std::printf("%6d notes: exit %9.2f ms  (%.1f us per note; %.2f x the whole open, %.2f ms)\n", nNotes, msExit,
                msExit * 1000.0 / nNotes, msOpen > 0 ? msExit / msOpen : 0.0, msOpen);
}

double heapMiB()
{
    return zbbench::heapInUse() / 1048576.0;
}

// The process's own peak: VmHWM belongs to its address space, unlike getrusage's figure, which keeps the parent's
// size from before exec.
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Counts the paints a widget gets.
class PaintCounter final : public QObject {
public:
    int n = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++n;
        return false;
    }
};

// Runs the event loop as the desktop would until the widget has painted; milliseconds since t started.
double untilPainted(const PaintCounter &counter, const QElapsedTimer &t)
{
    const int nBefore = counter.n;
    while (counter.n == nBefore && t.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return msSince(t);
}

// A note's text drawn by a plain widget through QTextLayout, laid out once: what showing a text costs without an
// edit control.
class DrawnText final : public QWidget {
public:
    DrawnText(QWidget *pParent, const QString &text) : QWidget(pParent), m_text(text) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (m_lines.empty()) {
            qreal y = 2;
            for (const QString &paragraph : m_text.split(u'\n')) {
                auto layout = std::make_unique<QTextLayout>(paragraph, font());
                layout->beginLayout();
                for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
                    line.setLineWidth(width() - 4);
                    line.setPosition(QPointF(0, y));
                    y += line.height();
                }
                layout->endLayout();
                m_lines.push_back(std::move(layout));
            }
        }
        p.setPen(Qt::black);
        for (const auto &layout : m_lines)
            layout->draw(&p, QPointF(2, 0));
    }

private:
    QString m_text;
    std::vector<std::unique_ptr<QTextLayout>> m_lines;
};

enum class Bare { SampleBoard, AllShown, AllShownDrawn };

// The bare Qt baseline: the notes of the sample board as Qt widgets alone. AllShown shows every one (the floor for
// the notes of a board that show); AllShownDrawn also draws each text without an edit control.
int runBare(int nNotes, Bare mode)
{
    QWidget window;
    window.resize(800, 600);
    PaintCounter counter;
    window.installEventFilter(&counter);
    QElapsedTimer t;
    t.start();
    window.show();
    const double msWindow = untilPainted(counter, t);
    const double heapBefore = heapMiB();
    t.start();
    for (int i = 0; i < nNotes; ++i) {
        const int x = 20 + (i * 37) % 500, y = 60 + (i * 53) % 260;
        auto *frame = new QWidget(&window);
        frame->setGeometry(x, y, 150, 110);
        const QString text = QStringLiteral("Call back about the order\nbefore Friday, number %1").arg(i);
        if (mode == Bare::AllShownDrawn) {
            (new DrawnText(frame, text))->setGeometry(4, 19, 142, 87);
        } else {
            auto *edit = new QPlainTextEdit(frame);
            edit->setGeometry(4, 19, 142, 87);
            edit->setPlainText(text);
        }
        if (mode != Bare::SampleBoard || i % 4 != 3)
            frame->show();
    }
    const double msPaint = nNotes > 0 ? untilPainted(counter, t) : 0.0;
    const char *what = mode == Bare::SampleBoard ? "bare" : (mode == Bare::AllShown ? "shown" : "drawn");
    std::printf("%s %d window %.2f paint %.2f heap %.3f peak %.1f\n", what, nNotes, msWindow, msPaint,
                heapMiB() - heapBefore, peakMiB());
    return 0;
}

// The time of the board's first paint after the program starts.
class FirstBoardPaint final : public QObject {
public:
    QElapsedTimer t;
    double ms = -1;

protected:
    bool eventFilter(QObject *pObject, QEvent *e) override
    {
        if (ms < 0 && e->type() == QEvent::Paint && boardView() && pObject == boardView()->GetClientWidget())
            ms = msSince(t);
        return false;
    }
};

// The program with the sample board, in a process of its own: started with the board on its command line, then
// opening it again while it runs.
int runIsolated(int nNotes)
{
    const QString path = QStringLiteral("isolated-%1.zbd").arg(nNotes);
    writeFile(path, zbbench::sampleBoard(nNotes));
    FirstBoardPaint first;
    qApp->installEventFilter(&first);
    first.t.start();
    if (!zbtest::startApp({path}))
        return 1;
    while (first.ms < 0 && first.t.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    settle();
    const double msStartSettled = msSince(first.t);
    qApp->removeEventFilter(&first);
    int nWithWidgets = 0;
    for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;)
        nWithWidgets += AfxHasWidgets(document()->m_papers.GetNext(pos)->GetSafeHwnd()) ? 1 : 0;
    std::printf("start %d paint %.2f settled %.2f shown %d\n", nNotes, first.ms, msStartSettled, nWithWidgets);
    emptyBoard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    PaintCounter counter;
    QWidget *pBoard = boardView()->GetClientWidget();
    pBoard->installEventFilter(&counter);
    settle();
    const double heapBefore = heapMiB();
    QElapsedTimer t;
    t.start();
    if (!AfxGetApp()->OpenDocumentFile(path) || document()->m_nPapers != nNotes) {
        std::printf("open failed\n");
        return 1;
    }
    const double msPaint = untilPainted(counter, t);
    settle();
    const double msSettled = msSince(t);
    const double heap = heapMiB() - heapBefore;
    t.start();
    document()->DoSave(QStringLiteral("isolated-saved.zbd"), FALSE);
    const double msSave = msSince(t);
    t.start();
    emptyBoard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double msNew = msSince(t);
    std::printf("board %d paint %.2f settled %.2f save %.2f new %.2f heap %.3f peak %.1f\n", nNotes, msPaint, msSettled,
                msSave, msNew, heap, peakMiB());
    return 0;
}

// Runs this program again for one measurement and reads its figures.
std::map<QString, double> measureInChild(const QString &mode, int nNotes)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(nNotes)});
    child.waitForFinished(600000);
    // Lines of "what N key value key value ...": each figure is named "what key".
    std::map<QString, double> figures;
    for (const QString &line : QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n')) {
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (int i = 2; i + 1 < words.size(); i += 2)
            figures[words.at(0) + u' ' + words.at(i)] = words.at(i + 1).toDouble();
    }
    return figures;
}

void runIsolatedSizes(const std::vector<int> &sizes)
{
    std::printf(
        "\nEach size in a process of its own; ratios against bare Qt widgets for the same notes and against the "
        "empty board:\n");
    std::map<QString, double> empty = measureInChild(QStringLiteral("--board"), 0);
    std::printf("  empty board: start to first paint %.1f ms, open to first paint %.1f ms, peak %.1f MiB\n",
                empty["start paint"], empty["board paint"], empty["board peak"]);
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    for (int n : sizes) {
        std::map<QString, double> bare = measureInChild(QStringLiteral("--bare"), n);
        std::map<QString, double> ours = measureInChild(QStringLiteral("--board"), n);
        std::printf("  %6d notes; bare Qt paints them %.1f ms after its first paint, heap %.1f MiB, peak %.1f MiB\n", n,
                    bare["bare paint"], bare["bare heap"], bare["bare peak"]);
        std::printf("    start to first paint %8.1f ms  %6.3f x bare, %6.2f x the empty board\n", ours["start paint"],
                    ratio(ours["start paint"], bare["bare paint"]), ratio(ours["start paint"], empty["start paint"]));
        // However a board is made, the notes that show need their widgets made and painted.
        const int nShown = int(ours["start shown"]);
        std::map<QString, double> shown = measureInChild(QStringLiteral("--bare-shown"), nShown);
        std::printf("    bare Qt, only the %d notes that show: %.1f ms after its first paint; with the empty "
                    "board's start, %.2f x the empty board\n",
                    nShown, shown["shown paint"],
                    ratio(empty["start paint"] + shown["shown paint"], empty["start paint"]));
        std::map<QString, double> drawn = measureInChild(QStringLiteral("--bare-drawn"), nShown);
        std::printf("    the same with each text drawn through QTextLayout, no edit control: %.1f ms; %.2f x the empty "
                    "board\n",
                    drawn["drawn paint"], ratio(empty["start paint"] + drawn["drawn paint"], empty["start paint"]));
        std::printf("    start to settled     %8.1f ms  %6.3f x bare\n", ours["start settled"],
                    ratio(ours["start settled"], bare["bare paint"]));
        std::printf("    open to first paint  %8.1f ms  %6.3f x bare, %6.2f x the empty board\n", ours["board paint"],
                    ratio(ours["board paint"], bare["bare paint"]), ratio(ours["board paint"], empty["board paint"]));
        std::printf("    open to settled      %8.1f ms  %6.3f x bare\n", ours["board settled"],
                    ratio(ours["board settled"], bare["bare paint"]));
        std::printf("    save                 %8.1f ms  (%.2f us per note)\n", ours["board save"],
                    1000.0 * ours["board save"] / n);
        std::printf("    new                  %8.1f ms  (%.2f us per note)\n", ours["board new"],
                    1000.0 * ours["board new"] / n);
        std::printf("    heap after open      %8.1f MiB %6.3f x bare (%.2f KiB per note; bare %.2f)\n",
                    ours["board heap"], ratio(ours["board heap"], bare["bare heap"]), 1024.0 * ours["board heap"] / n,
                    1024.0 * bare["bare heap"] / n);
        std::printf("    peak resident        %8.1f MiB %6.3f x bare\n", ours["board peak"],
                    ratio(ours["board peak"], bare["bare peak"]));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    isolateEnvironment();
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--bare")
        return runBare(QByteArray(argv[2]).toInt(), Bare::SampleBoard);
    if (argc == 3 && QByteArray(argv[1]) == "--bare-shown")
        return runBare(QByteArray(argv[2]).toInt(), Bare::AllShown);
    if (argc == 3 && QByteArray(argv[1]) == "--bare-drawn")
        return runBare(QByteArray(argv[2]).toInt(), Bare::AllShownDrawn);
    if (argc == 3 && QByteArray(argv[1]) == "--board")
        return runIsolated(QByteArray(argv[2]).toInt());
    if (!zbbench::startScriptedApp())
        return 1;
    // Sizes can be given on the command line (default: 1000 4000 20000).
    const std::vector<int> sizes = zbbench::sizesFrom(argc, argv, {1000, 4000, 20000});
    for (int n : sizes)
        runSize(n, n > 5000 ? 1 : 5);
    runExit(sizes.back());
    runIsolatedSizes(sizes);
    return 0;
}
