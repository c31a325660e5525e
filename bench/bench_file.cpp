// Saves and opens boards of 1,000 and 20,000 notes (a quarter of them in storage) and reports, in milliseconds:
// - the file part of an open: the same fields read through the archive from the file, no notes made, against
//   the baseline of reading the file's bytes in one piece;
// - the whole open as the user has it: Open with every note window made, shown and settled;
// - the file part of a save (the board serialized into memory, note texts fetched from their controls) and the
//   whole Save to disk;
// - closing the board (New: every note window ended and its widgets gone), against the whole open;
// - at the end, File > Exit with the last board open, against the same.
// Each figure is the median of five rounds (one round above 5,000 notes). Sizes can be given as arguments.
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "platform/Archive.h"
#include "platform/CommonDialogs.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    isolateEnvironment();
    QApplication app(argc, argv);
    if (!zbbench::startScriptedApp())
        return 1;
    // Sizes can be given on the command line (default: 1000 20000).
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        if (const int n = QString::fromLocal8Bit(argv[i]).toInt(); n > 0)
            sizes.push_back(n);
    if (sizes.empty())
        sizes = {1000, 20000};
    for (int n : sizes)
        runSize(n, n > 5000 ? 1 : 5);
    runExit(sizes.back());
    return 0;
}
