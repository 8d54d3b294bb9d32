#pragma once

#include "platform/KestrelError.h"
#include "tests/support/AsUser.h"

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
