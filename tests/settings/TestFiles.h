#pragma once

#include "platform/KestrelError.h"

#include <QFile>
#include <QTest>

#include <functional>
#include <unistd.h>

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "number|source|description" of the error an operation throws; empty when it throws none.
inline QString errorOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const KestrelError& e) {
        return QString::number(e.number()) + '|' + e.source() + '|' + e.description();
    }
    return {};
}

// Root ignores file permissions: the test runs as an ordinary user ("nobody") would.
#define KESTREL_TEST_MAIN_AS_USER(TestClass)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))                    \
            return 99;                                                                             \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
