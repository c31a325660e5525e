// CPU time the program uses while nothing happens, with the keyboard focus in a note whose text is one long line,
// against the same note holding no text, in one run. The caret keeps blinking and the program keeps going idle;
// neither should cost anything that grows with the text. Also times opening (and closing) the About box from that
// note, since the focus leaving the note and coming back must not cost a relayout of its text either.
//
//   QT_QPA_PLATFORM=offscreen ./bench_idle [idle seconds per round] [megabytes of text]
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/Dialog.h"
#include "res/resource.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop with no input for the given time; the CPU seconds it cost.
double idleCpu(double seconds)
{
    zbtest::settle();
    const double before = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return cpuSeconds() - before;
}

// Wall time of About opened by its command and closed at once by the dialog hook, in milliseconds.
double aboutMillis()
{
    AfxSetModalDialogHook([](CDialog *pDialog) { pDialog->EndDialog(IDOK); });
    QElapsedTimer timer;
    timer.start();
    zbtest::mainFrame()->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    zbtest::settle();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    AfxSetModalDialogHook({});
    return ms;
}

void dropTraceLines(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtWarningMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

struct Figures {
    double cpu;
    double aboutMs;
};

Figures measure(const QString &text, double seconds)
{
    CPaperFrame *pPaper = zbtest::addNote(QRect(60, 60, 200, 150));
    pPaper->m_pEdit->SetWindowText(text);
    pPaper->m_pEdit->SetFocus();
    zbtest::settle();
    idleCpu(0.5); // the first layout and paint are not idle time
    Figures f{idleCpu(seconds), aboutMillis()};
    zbtest::document()->DeleteContents();
    zbtest::settle();
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    qInstallMessageHandler(&dropTraceLines);
    const double seconds = argc > 1 ? std::max(0.5, atof(argv[1])) : 5.0;
    const int megabytes = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    if (!zbtest::startApp() || !zbtest::setBoardSize(800, 600)) {
        std::fprintf(stderr, "the board did not come up\n");
        return 1;
    }
    QString line;
    line.reserve(qsizetype(megabytes) * 1024 * 1024);
    const QString word = QStringLiteral("lorem ipsum ");
    while (line.size() < qsizetype(megabytes) * 1024 * 1024)
        line += word;

    const Figures empty = measure(QString(), seconds);
    const Figures longLine = measure(line, seconds);
    std::printf("idle: focus in a 200x150 note, %.1f s of no input, caret blinking (flash time %d ms)\n", seconds,
                QApplication::cursorFlashTime());
    std::printf("  empty note          %7.3f s CPU  (%5.1f%% of a core)  About box %7.1f ms\n", empty.cpu,
                100.0 * empty.cpu / seconds, empty.aboutMs);
    std::printf("  one %3d MB line     %7.3f s CPU  (%5.1f%% of a core)  About box %7.1f ms  (%.1fx, %.1fx the "
                "empty note)\n",
                megabytes, longLine.cpu, 100.0 * longLine.cpu / seconds, longLine.aboutMs,
                longLine.cpu / std::max(empty.cpu, 1e-3), longLine.aboutMs / std::max(empty.aboutMs, 1e-3));
    zbtest::endApp();
    return 0;
}
