#include "TestMain.h"

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
} // namespace zbtest
