// Test entry point: headless platform, settings and XDG folders in a private temporary folder.
#pragma once

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace zbtest {
// Points HOME, XDG folders and the working folder at a fresh temporary folder; call before QApplication.
void isolateEnvironment();
// The temporary folder made by isolateEnvironment().
QString sandboxPath();
} // namespace zbtest

#define ZB_TEST_MAIN(TestObject)                                                                                       \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        zbtest::isolateEnvironment();                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        QTEST_DISABLE_KEYPAD_NAVIGATION                                                                                \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
