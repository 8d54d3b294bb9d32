#pragma once

#include "tests/support/AsUser.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif

// Every test program keeps the per-user files it causes (window size, decoded icons,
// settings of the desktop) in a home folder of its own, whoever starts it: ctest, a
// developer by hand or a debugger. Call before the application object is made, and after
// dropping root, so that the folder belongs to the user the test runs as.
namespace kestreltest {
inline void isolateUserFolders()
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kestrel-test-home-XXXXXX"));
    if (!home.isValid())
        qFatal("no temporary home folder: %s", qPrintable(home.errorString()));
    const QByteArray path = QFile::encodeName(home.path());
    QDir(home.path()).mkpath(QStringLiteral(".config"));
    QDir(home.path()).mkpath(QStringLiteral(".cache"));
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_CACHE_HOME", path + "/.cache");
}
} // namespace kestreltest

// QTEST_MAIN and QTEST_GUILESS_MAIN with the user folders isolated; the AS_USER forms,
// started as root, run as "nobody" (see AsUser.h).
#define KESTREL_TEST_MAIN_WITH(Application, TestClass, ...)                                        \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        __VA_ARGS__                                                                                \
        kestreltest::isolateUserFolders();                                                         \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
#define KESTREL_TEST_MAIN(TestClass) KESTREL_TEST_MAIN_WITH(QApplication, TestClass)
#define KESTREL_TEST_GUILESS_MAIN(TestClass) KESTREL_TEST_MAIN_WITH(QCoreApplication, TestClass)
#define KESTREL_TEST_MAIN_AS_USER_WITH(Application, TestClass)                                     \
    KESTREL_TEST_MAIN_WITH(                                                                        \
        Application, TestClass,                                                                    \
        if (const std::optional<int> copied = asuser::dropRoot(argv)) return *copied;)
#define KESTREL_TEST_MAIN_AS_USER(TestClass)                                                       \
    KESTREL_TEST_MAIN_AS_USER_WITH(QCoreApplication, TestClass)
