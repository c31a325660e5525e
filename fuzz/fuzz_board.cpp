// Reads arbitrary bytes as a board file, the way Open does, in a running program with an empty board.
//
// Each input goes through CArchive over a memory buffer into the document's Serialize, inside the open path's
// try/catch: the only failures allowed are the framework's archive and file exceptions, after which the board
// must be empty. The document is emptied after every input, so notes never pile up.
#include "app/zent.h"
#include "board/zentDoc.h"
#include "platform/Archive.h"
#include "platform/CommonDialogs.h"
#include "platform/Framework.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

CZentDoc *boardDocument()
{
    auto *pFrame = dynamic_cast<CFrameWnd *>(AfxGetMainWnd());
    return pFrame ? dynamic_cast<CZentDoc *>(pFrame->GetActiveDocument()) : nullptr;
}

// Runs what the board's windows posted (note moves) and what they left to delete.
void settle()
{
    AfxPumpPostedMessages();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Loads the bytes into the emptied board inside the open path's try/catch; false when the load failed (and the
// board was emptied again).
bool readBoard(CZentDoc *doc, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    doc->DeleteContents();
    try {
        CArchive ar(&buffer, CArchive::load, bytes.size());
        doc->Serialize(ar);
        ar.Close();
    } catch (CArchiveException *e) {
        e->Delete();
        doc->DeleteContents();
        return false;
    } catch (CFileException *e) {
        e->Delete();
        doc->DeleteContents();
        return false;
    } catch (CException *e) {
        // The reader has no other way to fail.
        e->Delete();
        std::abort();
    }
    if (doc->m_nPapers != doc->m_papers.GetCount() || doc->m_nPapers < 0)
        std::abort();
    return true;
}

QByteArray writeBoard(CZentDoc *doc)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        CArchive ar(&buffer, CArchive::store);
        doc->Serialize(ar);
        ar.Close();
    } catch (CException *e) {
        e->Delete();
        std::abort(); // memory does not refuse bytes
    }
    return buffer.data();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Headless, with settings, desktop files and picture lookups in a private folder that starts empty.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir sandbox;
    if (!sandbox.isValid())
        std::abort();
    for (const char *sub : {"home", "data", "config", "cache", "work"})
        QDir(sandbox.path()).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("cache"))));
    QDir::setCurrent(sandbox.filePath(QStringLiteral("work")));
    // A picture that boards naming "p.bmp" find, so that its placement is fuzzed as well.
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    if (!picture.save(QStringLiteral("p.bmp"), "BMP"))
        std::abort();
    QStandardPaths::setTestModeEnabled(true);

    static QApplication app(*argc, *argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ZentApp();
    AfxDialogScript::SetScripted(true);
    AfxSetCommandLine({QStringLiteral("fuzz_board")});
    if (!AfxStartApp() || !boardDocument())
        std::abort();
    settle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CZentDoc *doc = boardDocument();
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray saved;
    if (readBoard(doc, input)) {
        // Whatever was read saves, and what it saves reads again to a board of the same size.
        saved = writeBoard(doc);
        if (!readBoard(doc, saved) || writeBoard(doc).size() != saved.size())
            std::abort();
    } else if (doc->m_nPapers != 0 || !doc->m_papers.IsEmpty() || doc->m_bPicture || doc->m_bTexture ||
               doc->m_bPureColour) {
        std::abort(); // a failed load leaves nothing behind
    }

    doc->DeleteContents();
    if (doc->m_nPapers != 0 || !doc->m_papers.IsEmpty())
        std::abort();
    settle();
    AfxDialogScript::ClearHistory();
    return 0;
}
