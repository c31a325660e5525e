// Test entry point: headless platform, settings and XDG folders in a private temporary folder.
#pragma once

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <type_traits>

namespace zbtest {
// Points HOME, XDG folders and the working folder at a fresh temporary folder; call before QApplication.
void isolateEnvironment();
// The temporary folder made by isolateEnvironment().
QString sandboxPath();

// Base of every test class. Each test function starts in scripted dialog mode with no answers queued and no
// dialog history, and fails when it leaves an answer unused or shows a box or dialog it queued no answer for.
// init() and cleanup() are taken: a test class puts its own per-test work in initTest() and cleanupTest().
class TestCase : public QObject {
    Q_OBJECT
protected:
    virtual void initTest() {}
    // Runs before the dialog script is checked, so what it makes the program ask is checked too.
    virtual void cleanupTest() {}

private Q_SLOTS:
    void init();
    void cleanup();
};

// Runs the test functions of tc; a class that declares init() or cleanup() itself would bypass the checks and
// is refused.
int runTests(TestCase &tc, int argc, char *argv[]);
} // namespace zbtest

// For a test that needs ASSERT to report: builds without it skip the test.
#ifdef NDEBUG
#define ZB_REQUIRE_ASSERT() QSKIP("ASSERT is compiled out in this build")
#else
#define ZB_REQUIRE_ASSERT() (void)0
#endif

#define ZB_TEST_MAIN(TestObject)                                                                                       \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        zbtest::isolateEnvironment();                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        QTEST_DISABLE_KEYPAD_NAVIGATION                                                                                \
        static_assert(std::is_base_of_v<zbtest::TestCase, TestObject>, "test classes derive from zbtest::TestCase");   \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return zbtest::runTests(tc, argc, argv);                                                                       \
    }
