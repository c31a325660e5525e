// Recovery copies of boards of 100, 1,000 and 10,000 notes (a quarter of them in storage). Reports, in
// milliseconds, what the user-interface thread pays for one copy (the board serialized into memory, the
// sidecar made, the job handed to the writer) against the baseline of the file part of Save in the same run (the
// board serialized into memory), and the writer thread's time to put the copy on disk, which the user-interface
// thread does not wait for. Each figure is the median of nine rounds (five above 5,000 notes). Sizes can be
// given as arguments.
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "board/Recovery.h"
#include "board/zentDoc.h"
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

void runSize(int nNotes, int nRounds)
{
    const QString path = QStringLiteral("bench-recovery-%1.zbd").arg(nNotes);
    const QByteArray bytes = zbbench::sampleBoard(nNotes);
    writeFile(path, bytes);
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    settle();
    if (!AfxGetApp()->OpenDocumentFile(path) || document()->m_nPapers != nNotes) {
        std::printf("open failed\n");
        return;
    }
    settle();
    CZentDoc *pDoc = document();
    CRecovery &recovery = *pDoc->m_pRecovery;

    std::vector<double> serialize, ui, disk;
    for (int r = 0; r < nRounds; ++r) {
        QElapsedTimer t;
        t.start();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            CArchive ar(&buffer, CArchive::store);
            pDoc->Serialize(ar);
            ar.Close();
        }
        serialize.push_back(msSince(t));

        // A change, as typing makes one; the copy is written at once rather than after the delay.
        pDoc->SetModifiedFlag(TRUE);
        t.start();
        recovery.WriteCopy();
        ui.push_back(msSince(t));
        t.start();
        recovery.WaitForWrites();
        disk.push_back(msSince(t));
        QFile copy(recovery.CopyPath());
        if (copy.size() != buffer.size())
            std::printf("copy size differs\n");
    }
    pDoc->SetModifiedFlag(FALSE);
    recovery.WaitForWrites();

    const double mSerialize = median(serialize), mUi = median(ui);
    std::printf("%6d notes, %8lld bytes, median of %d rounds\n", nNotes, qlonglong(bytes.size()), nRounds);
    std::printf("  save, file part (baseline)        %9.3f ms\n", mSerialize);
    std::printf("  recovery copy, user-interface     %9.3f ms  (%.2f x the file part of Save)\n", mUi,
                mSerialize > 0 ? mUi / mSerialize : 0.0);
    std::printf("  recovery copy, writer thread      %9.3f ms  (not waited for)\n", median(disk));
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    isolateEnvironment();
    QApplication app(argc, argv);
    if (!zbbench::startScriptedApp())
        return 1;
    for (int n : zbbench::sizesFrom(argc, argv, {100, 1000, 10000}))
        runSize(n, n > 5000 ? 5 : 9);
    endApp();
    return 0;
}
