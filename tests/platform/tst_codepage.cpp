#include "support/TestMain.h"

#include "platform/CodePage.h"

class TestCodePage : public zbtest::TestCase {
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesRoundTrip();
    void highHalfFollowsWindows1252();
    void unrepresentableBecomesQuestionMark();
    void representability();
    void representabilityAgreesWithConversion();
    void nulTerminatedAndCountedInput();
};

void TestCodePage::everyByteSurvivesRoundTrip()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString text = AfxFromAnsi(all.constData(), all.size());
    QCOMPARE(text.size(), 256);
    QCOMPARE(AfxToAnsi(text), all);
    QVERIFY(AfxIsAnsiRepresentable(text));
    // One distinct character per byte.
    QSet<QChar> seen(text.begin(), text.end());
    QCOMPARE(seen.size(), 256);
}

void TestCodePage::highHalfFollowsWindows1252()
{
    QCOMPARE(AfxFromAnsi("\x80", 1), QString(QChar(0x20AC)));
    QCOMPARE(AfxToAnsi(QString(QChar(0x20AC))), QByteArray("\x80"));
    QCOMPARE(AfxFromAnsi("\x8A\x9F\x85\x99", 4), QString::fromUtf8("Š\u0178…™"));
    QCOMPARE(AfxToAnsi(QString::fromUtf8("Šœž–—")), QByteArray("\x8A\x9C\x9E\x96\x97"));
    // The five unassigned bytes keep their own number.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        const char byte = char(b);
        QCOMPARE(AfxFromAnsi(&byte, 1), QString(QChar(b)));
        QCOMPARE(AfxToAnsi(QString(QChar(b))), QByteArray(1, byte));
    }
    // Latin-1 above 0x9F is itself.
    QCOMPARE(AfxFromAnsi("\xA0\xE9\xFF", 3), QString::fromUtf8("\u00A0éÿ"));
    QCOMPARE(AfxToAnsi(QString::fromUtf8("Grüße")), QByteArray("Gr\xFC\xDF"
                                                               "e"));
}

void TestCodePage::unrepresentableBecomesQuestionMark()
{
    QCOMPARE(AfxToAnsi(QString::fromUtf8("aΩb")), QByteArray("a?b"));
    QCOMPARE(AfxToAnsi(QString::fromUtf8("中文")), QByteArray("??"));
    // A surrogate pair is one character, so one '?'.
    QCOMPARE(AfxToAnsi(QString::fromUtf8("x🙂y")), QByteArray("x?y"));
    // C1 controls whose bytes Windows-1252 gives to other characters have no byte.
    QCOMPARE(AfxToAnsi(QString(QChar(0x80))), QByteArray("?"));
    QCOMPARE(AfxToAnsi(QString(QChar(0x9F))), QByteArray("?"));
    // Lone surrogates, leading and trailing.
    const QChar lone[] = {QChar(0xD83D), QChar('a'), QChar(0xDE42)};
    QCOMPARE(AfxToAnsi(QString(lone, 3)), QByteArray("?a?"));
    QCOMPARE(AfxToAnsi(QString()), QByteArray());
}

void TestCodePage::representability()
{
    QVERIFY(AfxIsAnsiRepresentable(QString()));
    QVERIFY(AfxIsAnsiRepresentable(QString::fromUtf8("Plain ASCII\r\n")));
    QVERIFY(AfxIsAnsiRepresentable(QString::fromUtf8("Café 5€ „quoted“ œuvre")));
    QVERIFY(!AfxIsAnsiRepresentable(QString::fromUtf8("Ωμέγα")));
    QVERIFY(!AfxIsAnsiRepresentable(QString::fromUtf8("note 中文")));
    QVERIFY(!AfxIsAnsiRepresentable(QString::fromUtf8("🙂")));
    QVERIFY(!AfxIsAnsiRepresentable(QString(QChar(0x80))));
    QVERIFY(AfxIsAnsiRepresentable(QString(QChar(0x81))));
}

void TestCodePage::representabilityAgreesWithConversion()
{
    // Over the whole basic plane: representable exactly when conversion loses nothing.
    for (int u = 0; u < 0x10000; ++u) {
        const QString s{QChar(char16_t(u))};
        const QByteArray bytes = AfxToAnsi(s);
        const bool lossless = AfxFromAnsi(bytes.constData(), bytes.size()) == s;
        if (AfxIsAnsiRepresentable(s) != lossless)
            QFAIL(qPrintable(QStringLiteral("U+%1 disagrees").arg(u, 4, 16, QLatin1Char('0'))));
    }
}

void TestCodePage::nulTerminatedAndCountedInput()
{
    QCOMPARE(AfxFromAnsi("abc\x80"), QString::fromUtf8("abc€"));
    QCOMPARE(AfxFromAnsi("a\0b", 3), QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
    QCOMPARE(AfxFromAnsi(nullptr), QString());
    QCOMPARE(AfxFromAnsi("\x93hi\x94", 4), QString::fromUtf8("“hi”"));
}

ZB_TEST_MAIN(TestCodePage)
#include "tst_codepage.moc"
