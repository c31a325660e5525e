#include "TestMain.h"

#include "platform/CommonDialogs.h"
#include "platform/Menu.h"
#include "res/resource.h"

#include <QDir>
#include <cstdlib>
#include <memory>

namespace zbtest {
namespace {
// Owned here so the folder is removed when the test program exits.
std::unique_ptr<QTemporaryDir> g_sandbox;
} // namespace

void isolateEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_sandbox = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zbtest-XXXXXX"));
    const QString root = g_sandbox->path();
    for (const char *sub : {"home", "data", "config", "cache", "work", "runtime"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", (root + QStringLiteral("/home")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toLocal8Bit());
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir::setCurrent(root + QStringLiteral("/work"));
    QStandardPaths::setTestModeEnabled(true);
    ZentRegisterResources();
}

QString sandboxPath()
{
    return g_sandbox ? g_sandbox->path() : QString();
}

void TestCase::init()
{
    AfxDialogScript::Reset();
    AfxDialogScript::SetScripted(true);
    initTest();
}

void TestCase::cleanup()
{
    cleanupTest();
    const int nPending = AfxDialogScript::PendingAnswers();
    const int nMenus = AfxDialogScript::PendingMenuAnswers();
    const int nUnanswered = AfxDialogScript::UnansweredCount();
    QString lastUnanswered;
    for (const AfxDialogScript::Shown &s : AfxDialogScript::History())
        if (!s.answered)
            lastUnanswered = s.text;
    AfxDialogScript::Reset();
    // A test that failed already has said what went wrong; what it left behind says nothing more.
    if (QTest::currentTestFailed())
        return;
    if (nPending || nMenus)
        QFAIL(qPrintable(QStringLiteral("%1 scripted dialog answer(s) and %2 menu answer(s) left unused")
                             .arg(nPending)
                             .arg(nMenus)));
    if (nUnanswered)
        QFAIL(qPrintable(QStringLiteral("%1 box(es) or dialog(s) shown with no answer queued%2")
                             .arg(nUnanswered)
                             .arg(lastUnanswered.isEmpty() ? QString() : QStringLiteral(", last: ") + lastUnanswered)));
}

int runTests(TestCase &tc, int argc, char *argv[])
{
    const QMetaObject *pMeta = tc.metaObject();
    for (const char *hook : {"init()", "cleanup()"}) {
        const int nIndex = pMeta->indexOfMethod(hook);
        if (nIndex != TestCase::staticMetaObject.indexOfMethod(hook)) {
            qCritical("%s declares %s itself; per-test work goes in initTest() and cleanupTest()", pMeta->className(),
                      hook);
            return 1;
        }
    }
    return QTest::qExec(&tc, argc, argv);
}
} // namespace zbtest
