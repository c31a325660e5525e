// Peak memory of reading what a hostile or merely large file holds, each case in a process of its own (peak
// resident set of the child, from wait4), against baselines measured in the same run:
// - a 200 MB string (ANSI and UTF-16 forms, sparse files) read through the archive, and a board whose picture name
//   is that string opened by the document, against the string held once in its final form (2 bytes a character);
// - a 255 MB file of zeros named .bmp and real 24-bit BMPs given to the picture loader, against the
//   decoded 5600 x 5600 picture held once; an 8192 x 8192 BMP, refused by its declared size, and a 5600 x 5600
//   one, loaded;
// - a picture placed 1 x 16,777,216 pixels and painted on the board, against the same picture at 200 x 200 (CPU
//   time too).
// Every figure is "above start-up": the child's peak less that of a child that only started the program.
//
//   QT_QPA_PLATFORM=offscreen ./bench_memory [megabytes of string]
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/TestMain.h"

#include "platform/Archive.h"
#include "view/Picture.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zbtest;

namespace {

struct Child {
    double peakMiB = 0;
    double cpuSeconds = 0;
    bool ok = false;
};

// Runs `body` in a child process that has a started program; its peak resident set and CPU time.
Child inChild(int argc, char *argv[], const std::function<bool()> &body)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        QApplication app(argc, argv);
        app.setAttribute(Qt::AA_Use96Dpi, true);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        const bool ok = startApp() && body();
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    Child c;
    int status = 0;
    struct rusage ru {};
    if (pid < 0 || wait4(pid, &status, 0, &ru) != pid)
        return c;
    c.peakMiB = double(ru.ru_maxrss) / 1024.0;
    c.cpuSeconds =
        double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    c.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return c;
}

// A file of `head` followed by `zeros` zero bytes, sparse where the system allows.
bool writeSparse(const QString &path, const QByteArray &head, qint64 zeros, const QByteArray &tail = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(head) != head.size())
        return false;
    if (!f.resize(head.size() + zeros) || !f.seek(head.size() + zeros))
        return false;
    return f.write(tail) == tail.size();
}

// A string field with the 7-byte prefix (ANSI) or the UTF-16 form, for n characters whose bytes follow.
QByteArray ansiPrefix(quint32 n)
{
    QByteArray b("\xFF\xFF\xFF", 3);
    b += int32Field(n);
    return b;
}
QByteArray utf16Prefix(quint32 n)
{
    QByteArray b("\xFF\xFE\xFF\xFF\xFF\xFF", 6);
    b += int32Field(n);
    return b;
}

bool readArchiveString(const QString &path, qint64 nChars)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    CArchive ar(&f, CArchive::load, f.size());
    CString s;
    ar >> s;
    return s.size() == nChars;
}

void report(const char *what, const Child &c, double startMiB, double baseMiB, const char *baseName)
{
    if (!c.ok) {
        std::printf("  %-44s FAILED\n", what);
        return;
    }
    const double above = c.peakMiB - startMiB;
    std::printf("  %-44s %8.1f MiB  %.2fx %s (%.1f MiB)   CPU %.2f s\n", what, above, above / baseMiB, baseName,
                baseMiB, c.cpuSeconds);
}

} // namespace

int main(int argc, char *argv[])
{
    isolateEnvironment();
    const qint64 nChars = qint64(argc > 1 ? std::max(1, atoi(argv[1])) : 200) * 1000 * 1000;
    const QDir dir(sandboxPath());
    const QString ansiFile = dir.filePath(QStringLiteral("ansi.bin"));
    const QString wideFile = dir.filePath(QStringLiteral("wide.bin"));
    const QString boardFile = dir.filePath(QStringLiteral("long-name.zbd"));
    const QString zerosFile = dir.filePath(QStringLiteral("zeros.bmp"));
    const QString bmpFile = dir.filePath(QStringLiteral("big.bmp"));
    const QString hugeFile = dir.filePath(QStringLiteral("huge.bmp"));
    const QString smallFile = dir.filePath(QStringLiteral("small.bmp"));

    Board board;
    board.pictureName = ansiPrefix(quint32(nChars));
    const QByteArray boardBytes = board.bytes();
    const qsizetype nameAt = boardBytes.indexOf(board.pictureName);
    if (!writeSparse(ansiFile, ansiPrefix(quint32(nChars)), nChars) ||
        !writeSparse(wideFile, utf16Prefix(quint32(nChars / 2)), nChars) ||
        !writeSparse(boardFile, boardBytes.left(nameAt + board.pictureName.size()), nChars,
                     boardBytes.mid(nameAt + board.pictureName.size())) ||
        !writeSparse(zerosFile, QByteArray(), qint64(255) * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write the files\n");
        return 1;
    }
    {
        QImage huge(8192, 8192, QImage::Format_RGB888);
        huge.fill(Qt::darkRed);
        QImage big(5600, 5600, QImage::Format_RGB888);
        for (int y = 0; y < big.height(); ++y)
            std::memset(big.scanLine(y), y & 0xFF, size_t(big.bytesPerLine()));
        QImage small(64, 48, QImage::Format_RGB888);
        small.fill(Qt::darkCyan);
        if (!huge.save(hugeFile, "BMP") || !big.save(bmpFile, "BMP") || !small.save(smallFile, "BMP")) {
            std::fprintf(stderr, "cannot write the pictures\n");
            return 1;
        }
    }

    const Child start = inChild(argc, argv, [] { return true; });
    const Child stringOnce = inChild(argc, argv, [&] {
        QString s(qsizetype(nChars), QChar(u'x'));
        return s.size() == nChars;
    });
    const Child ansi = inChild(argc, argv, [&] { return readArchiveString(ansiFile, nChars); });
    const Child wide = inChild(argc, argv, [&] { return readArchiveString(wideFile, nChars / 2); });
    const Child open = inChild(argc, argv, [&] {
        return document()->OnOpenDocument(boardFile) && document()->m_strPicturePath.size() == nChars;
    });
    const Child pictureOnce = inChild(argc, argv, [] {
        QImage image(5600, 5600, QImage::Format_RGB32);
        image.fill(Qt::gray);
        return !image.isNull();
    });
    const Child zeros = inChild(argc, argv, [&] {
        CPicture picture;
        return !picture.LoadFromFile(zerosFile);
    });
    const Child huge = inChild(argc, argv, [&] {
        CPicture picture;
        return !picture.LoadFromFile(hugeFile);
    });
    const Child bmp = inChild(argc, argv, [&] {
        CPicture picture;
        return bool(picture.LoadFromFile(bmpFile));
    });
    const auto placed = [&](int w, int h) {
        return [&, w, h] {
            CZentDoc *pDoc = document();
            if (!pDoc->m_picture.LoadFromFile(smallFile))
                return false;
            pDoc->m_bPicture = true;
            pDoc->m_nPictureLeft = 0;
            pDoc->m_nPictureTop = 0;
            pDoc->m_nPictureWidth = w;
            pDoc->m_nPictureHeight = h;
            for (int i = 0; i < 5; ++i)
                if (grabBoard().isNull())
                    return false;
            return true;
        };
    };
    const Child normal = inChild(argc, argv, placed(200, 200));
    const Child thin = inChild(argc, argv, placed(1, 16777216));

    const double stringMiB = std::max(0.1, stringOnce.peakMiB - start.peakMiB);
    const double pictureMiB = std::max(0.1, pictureOnce.peakMiB - start.peakMiB);
    std::printf("memory: peak resident set above start-up (%.1f MiB), each case in its own process\n", start.peakMiB);
    const QByteArray mb = QByteArray::number(nChars / 1000000);
    report(("ANSI string of " + mb + " MB, archive").constData(), ansi, start.peakMiB, stringMiB,
           "the string held once");
    report(("UTF-16 string of " + mb + " MB, archive").constData(), wide, start.peakMiB, stringMiB / 2,
           "the string held once");
    report(("board with a " + mb + " MB picture name, Open").constData(), open, start.peakMiB, stringMiB,
           "the string held once");
    report("255 MB of zeros named .bmp, refused", zeros, start.peakMiB, pictureMiB, "a 5600x5600 picture");
    report("8192 x 8192 BMP (192 MiB), refused for size", huge, start.peakMiB, pictureMiB, "a 5600x5600 picture");
    report("5600 x 5600 24-bit BMP (90 MiB), loaded", bmp, start.peakMiB, pictureMiB, "a 5600x5600 picture");
    report("64 x 48 picture at 200 x 200, 5 paints", normal, start.peakMiB, 1.0, "1 MiB");
    report("64 x 48 picture at 1 x 16777216, 5 paints", thin, start.peakMiB, 1.0, "1 MiB");
    std::printf("  (CPU of the 1 x 16777216 placement: %.1fx the 200 x 200 one)\n",
                thin.cpuSeconds / std::max(normal.cpuSeconds, 1e-3));
    return 0;
}
