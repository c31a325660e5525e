// The dialog script between tests: Reset forgets everything queued, unanswered boxes are counted, and the shared
// test base fails a test that leaves answers unused or shows a box it queued none for.
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "platform/Menu.h"

#include <QProcess>

namespace {

// Test classes run in a child process of this test, each as a whole program of its own.
class LeavesAnAnswer : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void leavesAnAnswer() { AfxDialogScript::PushMessageBoxAnswer(IDYES); }
};

class LeavesAMenuAnswer : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void leavesAMenuAnswer() { AfxDialogScript::PushMenuAnswer(100); }
};

class ShowsAnUnansweredBox : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void showsAnUnansweredBox()
    {
        AfxMessageBox(QStringLiteral("Nobody answers this"), MB_YESNO);
        // Clearing the history does not hide it.
        AfxDialogScript::ClearHistory();
    }
};

class AnswersEverything : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void first()
    {
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QCOMPARE(AfxMessageBox(QStringLiteral("Question"), MB_YESNO), IDNO);
    }
    // Starts clean even after a test that failed with answers left over.
    void failsWithAnswersLeft()
    {
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QFAIL("on purpose");
    }
    void startsClean()
    {
        QCOMPARE(AfxDialogScript::PendingAnswers(), 0);
        QCOMPARE(AfxDialogScript::PendingMenuAnswers(), 0);
        QVERIFY(AfxDialogScript::History().isEmpty());
        QVERIFY(AfxDialogScript::IsScripted());
    }
};

class HidesTheHooks : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void init() {}
    void nothing() {}
};

template <class T> int runChildClass(int argc, char *argv[])
{
    T tc;
    return zbtest::runTests(tc, argc, argv);
}

int runChild(const QByteArray &name, int argc, char *argv[])
{
    if (name == "LeavesAnAnswer")
        return runChildClass<LeavesAnAnswer>(argc, argv);
    if (name == "LeavesAMenuAnswer")
        return runChildClass<LeavesAMenuAnswer>(argc, argv);
    if (name == "ShowsAnUnansweredBox")
        return runChildClass<ShowsAnUnansweredBox>(argc, argv);
    if (name == "AnswersEverything")
        return runChildClass<AnswersEverything>(argc, argv);
    if (name == "HidesTheHooks")
        return runChildClass<HidesTheHooks>(argc, argv);
    return 99;
}

struct ChildRun {
    int nExitCode = -1;
    QString output;
};

ChildRun runChildProcess(const QString &name)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZB_SCRIPT_CHILD"), name);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    ChildRun run;
    if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit)
        return run;
    run.nExitCode = child.exitCode();
    run.output = QString::fromLocal8Bit(child.readAll());
    return run;
}

} // namespace

class TestDialogScript : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void resetForgetsQueuedAnswersAndCountsUnansweredBoxes()
    {
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        AfxDialogScript::PushColorAnswer(IDOK, RGB(1, 2, 3));
        AfxDialogScript::PushFileAnswer(IDOK, QStringLiteral("/nowhere.zbd"));
        AfxDialogScript::PushMenuAnswer(42);
        QCOMPARE(AfxDialogScript::PendingAnswers(), 3);
        QCOMPARE(AfxDialogScript::PendingMenuAnswers(), 1);
        QCOMPARE(AfxMessageBox(QStringLiteral("answered"), MB_YESNO), IDYES);
        QCOMPARE(AfxDialogScript::UnansweredCount(), 0);

        // None left for a second box: No, recorded as unanswered, and counted past ClearHistory.
        QCOMPARE(AfxMessageBox(QStringLiteral("unanswered"), MB_YESNO), IDNO);
        QCOMPARE(AfxMessageBox(QStringLiteral("unanswered too"), MB_YESNO), IDNO);
        QCOMPARE(AfxDialogScript::History().size(), 3);
        QVERIFY(!AfxDialogScript::History().back().answered);
        AfxDialogScript::ClearHistory();
        QCOMPARE(AfxDialogScript::UnansweredCount(), 2);

        AfxDialogScript::Reset();
        QCOMPARE(AfxDialogScript::PendingAnswers(), 0);
        QCOMPARE(AfxDialogScript::PendingMenuAnswers(), 0);
        QCOMPARE(AfxDialogScript::UnansweredCount(), 0);
        QVERIFY(AfxDialogScript::History().isEmpty());
        QVERIFY(AfxDialogScript::MenuHistory().isEmpty());
        QVERIFY(AfxDialogScript::IsScripted());
    }

    void testsFailOnLeftoversAndUnansweredBoxes()
    {
        // Each child fails (exit code 1) and says why. Only the test that failed on purpose fails; the one after it
        // starts clean.
        const struct {
            QString child;
            QStringList said;
        } runs[] = {
            {QStringLiteral("LeavesAnAnswer"),
             {QStringLiteral("1 scripted dialog answer(s) and 0 menu answer(s) left unused")}},
            {QStringLiteral("LeavesAMenuAnswer"),
             {QStringLiteral("0 scripted dialog answer(s) and 1 menu answer(s) left unused")}},
            {QStringLiteral("ShowsAnUnansweredBox"),
             {QStringLiteral("1 box(es) or dialog(s) shown with no answer queued")}},
            {QStringLiteral("AnswersEverything"),
             {QStringLiteral("PASS   : AnswersEverything::startsClean()"),
              QStringLiteral("PASS   : AnswersEverything::first()")}},
            {QStringLiteral("HidesTheHooks"), {QStringLiteral("HidesTheHooks declares init() itself")}},
        };
        for (const auto &run : runs) {
            const ChildRun result = runChildProcess(run.child);
            QCOMPARE(result.nExitCode, 1);
            for (const QString &text : run.said)
                QVERIFY2(result.output.contains(text), qPrintable(result.output));
        }
    }
};

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    const QByteArray child = qgetenv("ZB_SCRIPT_CHILD");
    if (!child.isEmpty())
        return runChild(child, 1, argv);
    TestDialogScript tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return zbtest::runTests(tc, argc, argv);
}

#include "tst_dialogscript.moc"
