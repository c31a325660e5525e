#include "support/TestMain.h"

#include "platform/Archive.h"
#include "platform/CodePage.h"
#include "support/FailDevice.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>

#include <functional>

namespace {

QByteArray store(const std::function<void(CArchive &)> &write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    write(ar);
    ar.Close();
    return buffer.data();
}

QByteArray hex(const char *spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

// The cause of the CArchiveException `f` throws, or -1 when it throws none.
int archiveCause(const std::function<void()> &f)
{
    try {
        f();
    } catch (CArchiveException *e) {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

int fileCause(const std::function<void()> &f)
{
    try {
        f();
    } catch (CFileException *e) {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

// Reads `data` with `read` from a QBuffer.
void load(const QByteArray &data, const std::function<void(CArchive &)> &read)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    read(ar);
}

CString readString(const QByteArray &data)
{
    CString s;
    load(data, [&](CArchive &ar) { ar >> s; });
    return s;
}

// A read-only memory device that records the largest read asked of it; optionally sequential (size unknown).
class SpyDevice final : public QIODevice {
public:
    SpyDevice(const QByteArray &data, bool sequential) : m_data(data), m_sequential(sequential)
    {
        // Unbuffered: readData sees the archive's own requests.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return m_sequential; }
    qint64 size() const override { return m_data.size(); }
    qint64 largestRequest = 0;

protected:
    qint64 readData(char *data, qint64 maxlen) override
    {
        largestRequest = std::max(largestRequest, maxlen);
        const qint64 n = std::min(maxlen, qint64(m_data.size()) - m_offset);
        std::memcpy(data, m_data.constData() + m_offset, size_t(n));
        m_offset += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    bool seek(qint64 pos) override
    {
        if (m_sequential || !QIODevice::seek(pos))
            return false;
        m_offset = pos;
        return true;
    }

private:
    QByteArray m_data;
    bool m_sequential;
    qint64 m_offset = 0;
};

// Text of n characters cycling through ASCII and Windows-1252 letters.
QString ansiText(int n)
{
    static const QString alphabet = QString::fromUtf8("abcXYZ019 é€Šÿ\r\n");
    QString s;
    s.reserve(n);
    for (int i = 0; i < n; ++i)
        s.append(alphabet.at(i % alphabet.size()));
    return s;
}

} // namespace

class TestArchive : public zbtest::TestCase {
    Q_OBJECT

private Q_SLOTS:
    void integersAreLittleEndian();
    void pointAndRectLayout();
    void noteRecordBytes();
    void stringPrefixForms_data();
    void stringPrefixForms();
    void readerAcceptsEveryPrefixForm();
    void utf16Form();
    void utf16MarkerInsideUtf16LengthIsRejected();
    void everyTruncationRaisesEndOfFile();
    void lyingPrefixFailsWithoutLargeReads();
    void longStringsReadInPiecesFromAnyDevice();
    void lengthLimitAndRemainingBytes();
    void closeLeavesDeviceAfterConsumedBytes();
    void wrongDirectionIsRejected();
    void writesAreBuffered();
    void writeFailureRaisesFileException();
    void randomStringsRoundTrip();
};

void TestArchive::integersAreLittleEndian()
{
    const QByteArray bytes = store([](CArchive &ar) {
        ar << BYTE(0x12) << WORD(0x3456) << LONG(-2) << DWORD(0x89ABCDEF) << int(7) << UINT(0x01020304);
    });
    QCOMPARE(bytes, hex("12 5634 FEFFFFFF EFCDAB89 07000000 04030201"));

    load(bytes, [](CArchive &ar) {
        BYTE b = 0;
        WORD w = 0;
        LONG l = 0;
        DWORD dw = 0;
        int i = 0;
        UINT u = 0;
        ar >> b >> w >> l >> dw >> i >> u;
        QCOMPARE(b, BYTE(0x12));
        QCOMPARE(w, WORD(0x3456));
        QCOMPARE(l, LONG(-2));
        QCOMPARE(dw, DWORD(0x89ABCDEF));
        QCOMPARE(i, 7);
        QCOMPARE(u, UINT(0x01020304));
    });
}

void TestArchive::pointAndRectLayout()
{
    const QByteArray bytes = store([](CArchive &ar) { ar << CPoint(100, -1) << CRect(20, 60, 220, 210); });
    QCOMPARE(bytes, hex("64000000 FFFFFFFF 14000000 3C000000 DC000000 D2000000"));

    load(bytes, [](CArchive &ar) {
        CPoint pt;
        CRect rc;
        ar >> pt >> rc;
        QCOMPARE(pt, CPoint(100, -1));
        QCOMPARE(rc, CRect(20, 60, 220, 210));
    });
}

void TestArchive::noteRecordBytes()
{
    // A note record as the board writes it: rectangle, flag, caption, colour, text.
    const QByteArray bytes = store([](CArchive &ar) {
        ar << CRect(20, 60, 220, 210) << DWORD(0) << CString("abc") << COLORREF(0xFF) << CString("x\r\ny");
    });
    QCOMPARE(bytes, hex("14000000 3C000000 DC000000 D2000000 00000000 03616263 FF000000 04780D0A79"));
    QCOMPARE(bytes.size(), 33);
}

void TestArchive::stringPrefixForms_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("empty string is one zero byte") << 0 << hex("00");
    QTest::newRow("254 bytes take a one-byte prefix") << 254 << hex("FE");
    QTest::newRow("255 bytes take FF and a 16-bit length") << 255 << hex("FF FF00");
    QTest::newRow("65533 bytes still take a 16-bit length") << 65533 << hex("FF FDFF");
    QTest::newRow("65534 bytes take FF FFFF and a 32-bit length") << 65534 << hex("FF FFFF FEFF0000");
    QTest::newRow("70000 bytes take a 32-bit length") << 70000 << hex("FF FFFF 70110100");
}

void TestArchive::stringPrefixForms()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    const CString text = ansiText(length);
    const QByteArray bytes = store([&](CArchive &ar) { ar << text; });
    QCOMPARE(bytes.left(prefix.size()), prefix);
    QCOMPARE(bytes.size(), prefix.size() + length);
    QCOMPARE(bytes.mid(prefix.size()), AfxToAnsi(text));
    QCOMPARE(readString(bytes), text);
}

void TestArchive::readerAcceptsEveryPrefixForm()
{
    QCOMPARE(readString(hex("03 616263")), CString("abc"));
    QCOMPARE(readString(hex("FF 0300 616263")), CString("abc"));
    QCOMPARE(readString(hex("FF FFFF 03000000 616263")), CString("abc"));
    QCOMPARE(readString(hex("FF FFFF 00000000")), CString());
    // ANSI bytes of the high half, the unassigned ones included.
    QCOMPARE(readString(hex("04 808D9FFF")), CString(QString::fromUtf8("€\u008DŸÿ")));
}

void TestArchive::utf16Form()
{
    // Greek: FF FEFF, five units, UTF-16LE.
    const CString greek(QString::fromUtf8("Ωμέγα"));
    QByteArray bytes = store([&](CArchive &ar) { ar << greek; });
    QCOMPARE(bytes, hex("FF FEFF 05 A903 BC03 AD03 B303 B103"));
    QCOMPARE(readString(bytes), greek);

    // An emoji counts two units.
    const CString emoji(QString::fromUtf8("hi 🙂"));
    bytes = store([&](CArchive &ar) { ar << emoji; });
    QCOMPARE(bytes, hex("FF FEFF 05 6800 6900 2000 3DD8 42DE"));
    QCOMPARE(readString(bytes), emoji);

    // A lone surrogate is kept as it is, both ways.
    const QChar loneUnits[] = {QChar('a'), QChar(0xDC00)};
    const CString lone(QString(loneUnits, 2));
    bytes = store([&](CArchive &ar) { ar << lone; });
    QCOMPARE(bytes, hex("FF FEFF 02 6100 00DC"));
    QCOMPARE(readString(bytes), lone);

    // Long UTF-16 strings use the longer inner prefixes.
    const CString mid(QString(300, QChar(0x03A9)));
    bytes = store([&](CArchive &ar) { ar << mid; });
    QCOMPARE(bytes.left(6), hex("FF FEFF FF 2C01"));
    QCOMPARE(bytes.size(), 6 + 600);
    QCOMPARE(readString(bytes), mid);

    const CString big(QString(70000, QChar(0x4E2D)));
    bytes = store([&](CArchive &ar) { ar << big << LONG(5); });
    QCOMPARE(bytes.left(10), hex("FF FEFF FF FFFF 70110100"));
    QCOMPARE(bytes.size(), 10 + 140000 + 4);
    load(bytes, [&](CArchive &ar) {
        CString s;
        LONG after = 0;
        ar >> s >> after;
        QCOMPARE(s, big);
        QCOMPARE(after, LONG(5));
    });
}

void TestArchive::utf16MarkerInsideUtf16LengthIsRejected()
{
    const QByteArray bytes = hex("FF FEFF FF FEFF 02 6100 6200");
    QCOMPARE(archiveCause([&] { readString(bytes); }), int(CArchiveException::generic));
}

void TestArchive::everyTruncationRaisesEndOfFile()
{
    const CString longAnsi = ansiText(300);
    const CString greek(QString::fromUtf8("Ωμέγα"));
    const QByteArray bytes = store([&](CArchive &ar) {
        ar << LONG(1) << CPoint(3, 4) << CString("h\xE9llo") << CRect(1, 2, 3, 4) << WORD(9) << BYTE(8) << DWORD(7)
           << greek << longAnsi << CString();
    });
    const auto readAll = [&](CArchive &ar) {
        LONG l;
        CPoint pt;
        CRect rc;
        WORD w;
        BYTE b;
        DWORD dw;
        CString s1, s2, s3, s4;
        ar >> l >> pt >> s1 >> rc >> w >> b >> dw >> s2 >> s3 >> s4;
        QCOMPARE(s2, greek);
        QCOMPARE(s3, longAnsi);
    };
    QCOMPARE(archiveCause([&] { load(bytes, readAll); }), -1);
    for (int n = 0; n < bytes.size(); ++n) {
        const int cause = archiveCause([&] { load(bytes.left(n), readAll); });
        if (cause != CArchiveException::endOfFile)
            QFAIL(qPrintable(QStringLiteral("cut at %1 of %2 gave cause %3").arg(n).arg(bytes.size()).arg(cause)));
    }
}

void TestArchive::lyingPrefixFailsWithoutLargeReads()
{
    // A prefix claiming 4 GiB in a 100-byte file, and a UTF-16 one claiming 8 GiB.
    for (const QByteArray &prefix : {hex("FF FFFF FFFFFFFF"), hex("FF FEFF FF FFFF FFFFFFFF")}) {
        const QByteArray data = prefix + QByteArray(100 - prefix.size(), 'x');
        for (bool sequential : {false, true}) {
            SpyDevice device(data, sequential);
            CArchive ar(&device, CArchive::load);
            CString s;
            QCOMPARE(archiveCause([&] { ar >> s; }), int(CArchiveException::endOfFile));
            QVERIFY(s.isEmpty());
            // The size is known: nothing beyond the first buffer is asked for. Unknown: small growing chunks.
            QVERIFY2(device.largestRequest <= (sequential ? 64 * 1024 : qint64(CArchive::bufferSize)),
                     qPrintable(QString::number(device.largestRequest)));
        }
    }
}

void TestArchive::longStringsReadInPiecesFromAnyDevice()
{
    // Longer than the pieces the reader converts at a time, not a multiple of them, in both forms, each followed
    // by a field that must be read from just after it.
    const CString ansi = ansiText(300001);
    QString wideText = ansiText(150001);
    for (qsizetype i = 0; i < wideText.size(); i += 7)
        wideText[i] = QChar(0x4E2D + int(i % 50));
    const CString wide(wideText);
    const QByteArray bytes = store([&](CArchive &ar) { ar << ansi << LONG(-7) << wide << LONG(9); });
    for (bool sequential : {false, true}) {
        SpyDevice device(bytes, sequential);
        CArchive ar(&device, CArchive::load);
        CString s1, s2;
        LONG l1 = 0, l2 = 0;
        ar >> s1 >> l1 >> s2 >> l2;
        QCOMPARE(s1, ansi);
        QCOMPARE(l1, LONG(-7));
        QCOMPARE(s2, wide);
        QCOMPARE(l2, LONG(9));
        // Of known size, the text is allocated once, at its size.
        if (!sequential)
            QCOMPARE(s1.capacity(), s1.size());
    }
    // Cut inside the second piece of each string: end of file, and no text half made.
    for (const qsizetype cut : {qsizetype(7 + 100000), qsizetype(bytes.size() - 4 - 60000)}) {
        for (bool sequential : {false, true}) {
            SpyDevice device(bytes.left(cut), sequential);
            CArchive ar(&device, CArchive::load);
            CString s1("kept"), s2("kept");
            LONG l1 = 0;
            const int cause = archiveCause([&] {
                ar >> s1;
                ar >> l1 >> s2;
            });
            QCOMPARE(cause, int(CArchiveException::endOfFile));
            QCOMPARE(s2, CString("kept"));
        }
    }
}

void TestArchive::lengthLimitAndRemainingBytes()
{
    const QByteArray data(10, '\x01');
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    {
        CArchive ar(&buffer, CArchive::load);
        QCOMPARE(ar.BytesRemaining(), qint64(10));
        LONG l;
        ar >> l;
        QCOMPARE(ar.BytesRemaining(), qint64(6));
        ar.Close();
    }
    buffer.seek(0);
    {
        // Only 6 bytes belong to this archive.
        CArchive ar(&buffer, CArchive::load, 6);
        QCOMPARE(ar.BytesRemaining(), qint64(6));
        LONG l;
        ar >> l;
        QCOMPARE(ar.BytesRemaining(), qint64(2));
        QCOMPARE(archiveCause([&] { ar >> l; }), int(CArchiveException::endOfFile));
    }
    SpyDevice pipe(data, true);
    QCOMPARE(CArchive(&pipe, CArchive::load).BytesRemaining(), qint64(-1));
    QCOMPARE(CArchive(&pipe, CArchive::load, 4).BytesRemaining(), qint64(4));

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(CArchive(&out, CArchive::store).BytesRemaining(), qint64(-1));
}

void TestArchive::closeLeavesDeviceAfterConsumedBytes()
{
    QBuffer buffer;
    buffer.setData(hex("01000000 02000000 03000000"));
    buffer.open(QIODevice::ReadOnly);
    {
        CArchive ar(&buffer, CArchive::load);
        LONG l;
        ar >> l;
        ar.Close();
        QVERIFY(!ar.GetFile());
    }
    QCOMPARE(buffer.pos(), qint64(4));
    // The next reader continues where the first stopped.
    CArchive ar(&buffer, CArchive::load);
    LONG l;
    ar >> l;
    QCOMPARE(l, 2);
}

void TestArchive::wrongDirectionIsRejected()
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    CArchive storing(&buffer, CArchive::store);
    QVERIFY(storing.IsStoring() && !storing.IsLoading());
    LONG l;
    QCOMPARE(archiveCause([&] { storing >> l; }), int(CArchiveException::writeOnly));
    CString s;
    QCOMPARE(archiveCause([&] { storing >> s; }), int(CArchiveException::writeOnly));
    storing.Abort();

    CArchive loading(&buffer, CArchive::load);
    QVERIFY(loading.IsLoading() && !loading.IsStoring());
    QCOMPARE(archiveCause([&] { loading << LONG(1); }), int(CArchiveException::readOnly));
    QCOMPARE(archiveCause([&] { loading << CString("x"); }), int(CArchiveException::readOnly));
}

void TestArchive::writesAreBuffered()
{
    zbtest::FailDevice device(1 << 20);
    device.open(QIODevice::WriteOnly);
    CArchive ar(&device, CArchive::store);
    for (int i = 0; i < 1000; ++i)
        ar << LONG(i);
    QCOMPARE(device.writeCalls(), 0);
    ar.Flush();
    QCOMPARE(device.writeCalls(), 1);
    QCOMPARE(device.accepted(), qint64(4000));
    for (int i = 0; i < 5000; ++i)
        ar << LONG(i);
    ar.Close();
    QCOMPARE(device.accepted(), qint64(24000));
    QVERIFY(device.writeCalls() <= 1 + 20000 / int(CArchive::bufferSize) + 1);
}

void TestArchive::writeFailureRaisesFileException()
{
    using zbtest::FailDevice;
    const auto writeMany = [](QIODevice *device) {
        CArchive ar(device, CArchive::store);
        ar.m_strFileName = CString("board.zbd");
        for (int i = 0; i < 5000; ++i)
            ar << LONG(i);
        ar.Close();
    };
    {
        FailDevice device(100, FailDevice::Failure::Error);
        device.open(QIODevice::WriteOnly);
        QCOMPARE(fileCause([&] { writeMany(&device); }), int(CFileException::hardIO));
        QCOMPARE(device.accepted(), qint64(0));
    }
    {
        FailDevice device(100, FailDevice::Failure::ShortWrite);
        device.open(QIODevice::WriteOnly);
        QCOMPARE(fileCause([&] { writeMany(&device); }), int(CFileException::diskFull));
        QCOMPARE(device.accepted(), qint64(100));
    }
    {
        // Failure at Close(), in the last partial buffer; the archive is closed anyway.
        FailDevice device(10, FailDevice::Failure::Error);
        device.open(QIODevice::WriteOnly);
        CArchive ar(&device, CArchive::store);
        ar << LONG(1) << LONG(2) << LONG(3);
        try {
            ar.Close();
            QFAIL("no exception");
        } catch (CFileException *e) {
            QCOMPARE(e->m_cause, int(CFileException::hardIO));
            e->Delete();
        }
        QVERIFY(!ar.GetFile());
    }
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        // A real file on a full disk: the error surfaces when the file device flushes.
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly));
        try {
            writeMany(&full);
            QFAIL("no exception");
        } catch (CFileException *e) {
            QCOMPARE(e->m_cause, int(CFileException::diskFull));
            QCOMPARE(e->m_strFileName, CString("board.zbd"));
            e->Delete();
        }
    }
}

void TestArchive::randomStringsRoundTrip()
{
    QRandomGenerator rng(20240611);
    const QString ansiPool = QString::fromUtf8("abcxyz 019\r\n\t€Šœÿé\u0081\u009D");
    const QString pool = ansiPool + QString::fromUtf8("ΩμέγαЖ中文");
    QList<CString> strings;
    for (int i = 0; i < 400; ++i) {
        const int kind = rng.bounded(10);
        const int n = kind == 0 ? rng.bounded(256, 70000) : rng.bounded(0, 300);
        // Most strings stay in Windows-1252, some mix in other scripts, emoji and stray surrogates.
        const bool ansiOnly = kind < 6;
        QString s;
        s.reserve(n);
        while (s.size() < n) {
            const int pick = rng.bounded(ansiOnly ? int(ansiPool.size()) : int(pool.size()) + 2);
            if (pick < pool.size())
                s.append(pool.at(pick));
            else if (pick == pool.size())
                s.append(QString::fromUtf8("🙂"));
            else
                s.append(QChar(char16_t(rng.bounded(0xD800, 0xE000))));
        }
        strings.append(CString(s));
    }
    const QByteArray bytes = store([&](CArchive &ar) {
        for (const CString &s : strings)
            ar << s;
    });
    load(bytes, [&](CArchive &ar) {
        for (const CString &expected : strings) {
            CString s;
            ar >> s;
            QCOMPARE(s, expected);
        }
        QCOMPARE(ar.BytesRemaining(), qint64(0));
    });
}

ZB_TEST_MAIN(TestArchive)
#include "tst_archive.moc"
