// Memory of undo steps on a board of 1,000 notes: 1,000 steps of each kind (moves, caption changes), as many
// deletions as the board has notes to give (500), and 1,000 steps mixed as a person makes them (six moves, three
// caption changes and one deletion in ten). Memory is the heap in use (glibc's count of allocated bytes): a
// kind's figure is what clearing its steps gives back, per step, against the baseline of the heap one note of the
// opened board takes (window, text control, caption), measured in the same run. Deleted notes must be kept as
// data: the number of live widgets is reported before and after the deletions.
#include "BenchSupport.h"
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "board/BoardCommands.h"
#include "board/zentDoc.h"
#include "notes/NoteCommands.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

#include <QApplication>

#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

using namespace zbtest;

namespace {

constexpr int kNotes = 1000;

QByteArray boardWith(int nNotes)
{
    Board b;
    b.pureColour = 1;
    b.colour = 0x00C0E0F0;
    for (int i = 0; i < nNotes; ++i) {
        BoardNote n;
        const int x = 60 + (i * 37) % 400, y = 60 + (i * 53) % 220;
        n.rect = RECT{x, y, x + 150, y + 110};
        n.caption = ansiField(QByteArray("Note ") + QByteArray::number(i));
        n.colour = quint32(0x000000FF + (i % 200) * 0x100);
        n.text = ansiField(QByteArray("Call back about the order\r\nbefore Friday, number ") + QByteArray::number(i));
        b.notes << n;
    }
    return b.bytes();
}

qint64 heapInUse()
{
    malloc_trim(0);
    return qint64(mallinfo2().uordblks);
}

CPaperFrame *noteAt(int i)
{
    CZentDoc *pDoc = document();
    POSITION pos = pDoc->m_papers.FindIndex(i % pDoc->m_nPapers);
    return pos ? pDoc->m_papers.GetAt(pos) : nullptr;
}

// What the caption dialog's OK does.
void changeCaption(CPaperFrame *pPaper, int n)
{
    CZentDoc *pDoc = document();
    const CString strBefore = pPaper->m_strCaption;
    const COLORREF clrBefore = pPaper->m_clrCaption;
    pPaper->m_strCaption = CString(QStringLiteral("Caption changed %1").arg(n));
    pPaper->m_clrCaption = COLORREF(0x00102030u + COLORREF(n));
    pPaper->RefreshCaptionBackground();
    pPaper->SetWindowText(pPaper->m_strCaption);
    pDoc->SetModifiedFlag(TRUE);
    pDoc->RecordUndo(
        new CNoteCaptionCommand(pDoc, pPaper->m_nId, strBefore, clrBefore, pPaper->m_strCaption, pPaper->m_clrCaption));
}

// What Yes at the waste bin does.
void deleteNote(CPaperFrame *pPaper)
{
    CZentDoc *pDoc = document();
    const CPaperState kept = pDoc->CapturePaper(pPaper);
    pDoc->ErasePaper(kept.nId);
    pDoc->SetModifiedFlag(TRUE);
    pDoc->RecordUndo(new CNoteLifeCommand(pDoc, false, kept));
}

void moveNote(CPaperFrame *pPaper, int n)
{
    const CRect rc = pPaper->m_rect;
    const int dx = (n % 2) ? 7 : -7;
    pPaper->MoveWindow(rc.left + dx, rc.top + 3, rc.Width(), rc.Height(), TRUE);
}

bool openBoard(const QString &path)
{
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    settle();
    const bool bOpened = AfxGetApp()->OpenDocumentFile(path) != nullptr && document()->m_nPapers == kNotes;
    settle();
    return bOpened;
}

struct Result {
    int nSteps = 0;
    qint64 nHeld = 0;
    int nWidgetsBefore = 0;
    int nWidgetsAfter = 0;
};

// Makes the steps on a freshly opened board, then measures what clearing them gives back.
Result measure(const QString &path, int nSteps, const std::function<void(int)> &step)
{
    Result r;
    if (!openBoard(path))
        return r;
    r.nWidgetsBefore = int(QApplication::allWidgets().size());
    for (int i = 0; i < nSteps; ++i)
        step(i);
    settle();
    r.nWidgetsAfter = int(QApplication::allWidgets().size());
    r.nSteps = document()->m_undo.count();
    const qint64 nBefore = heapInUse();
    document()->m_undo.clear();
    settle();
    r.nHeld = nBefore - heapInUse();
    return r;
}

void report(const char *name, const Result &r, double perNote)
{
    const double perStep = r.nSteps ? double(r.nHeld) / r.nSteps : 0.0;
    std::printf("  %-22s %5d steps %9.1f KiB  %7.3f KiB per step  (%.4f x one note)   widgets %d -> %d\n", name,
                r.nSteps, double(r.nHeld) / 1024.0, perStep / 1024.0, perNote > 0 ? perStep / perNote : 0.0,
                r.nWidgetsBefore, r.nWidgetsAfter);
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    isolateEnvironment();
    QApplication app(argc, argv);
    if (!zbbench::startScriptedApp())
        return 1;
    const QString path = QStringLiteral("bench-undo.zbd");
    writeFile(path, boardWith(kNotes));

    // Baseline: what the board's notes take, per note.
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    settle();
    const qint64 nEmpty = heapInUse();
    if (!openBoard(path)) {
        std::printf("open failed\n");
        return 1;
    }
    const double perNote = double(heapInUse() - nEmpty) / kNotes;
    std::printf("%d notes: %.2f KiB of heap per note (baseline)\n", kNotes, perNote / 1024.0);

    report("moves", measure(path, 1000, [](int i) { moveNote(noteAt(i * 7), i); }), perNote);
    report("caption changes", measure(path, 1000, [](int i) { changeCaption(noteAt(i * 7), i); }), perNote);
    report("deletions", measure(path, 500, [](int i) { deleteNote(noteAt(i * 7)); }), perNote);
    report("mixed",
           measure(path, 1000,
                   [](int i) {
                       CPaperFrame *pPaper = noteAt(i * 7);
                       if (i % 10 < 6)
                           moveNote(pPaper, i);
                       else if (i % 10 < 9)
                           changeCaption(pPaper, i);
                       else
                           deleteNote(pPaper);
                   }),
           perNote);
    endApp();
    return 0;
}
