#pragma once

#include "platform/KestrelError.h"
#include "tests/support/AsUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>

#include <array>
#include <functional>
#include <optional>
#include <tuple>
#include <unistd.h>
#include <utility>

// Columns of the types T under names; answers a function that adds a row of those values.
template <typename... T> auto columns(const std::array<const char*, sizeof...(T)>& names)
{
    std::size_t column = 0;
    (QTest::addColumn<T>(names[column++]), ...);
    return [](const QByteArray& tag, const T&... values) {
        (QTest::newRow(tag.constData()) << ... << values);
    };
}

// The current row's values of the named columns, for a structured binding:
// auto [name, path] = fetch<QString, QString>({"name", "path"});
template <typename... T> std::tuple<T...> fetch(const std::array<const char*, sizeof...(T)>& names)
{
    return [&names]<std::size_t... I>(std::index_sequence<I...>)
    {
        return std::tuple<T...>{*static_cast<T*>(QTest::qData(names[I], qMetaTypeId<T>()))...};
    }
    (std::index_sequence_for<T...>{});
}

// The items' texts, in their order (list widget items, say).
template <typename Items> QStringList textsOf(const Items& items)
{
    QStringList texts;
    for (const auto* item : items)
        texts << item->text();
    return texts;
}

// Makes the file's folder when it is missing.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file of a folder with its bytes.
inline QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        files.insert(info.fileName(), readFile(info.filePath()));
    return files;
}

// The error an operation throws.
inline std::optional<KestrelError> caught(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const KestrelError& error) {
        return error;
    }
    return std::nullopt;
}
// "number|source|description" of the error an operation throws; empty when it throws none.
inline QString errorOf(const std::function<void()>& operation)
{
    const std::optional<KestrelError> e = caught(operation);
    return e ? QString::number(e->number()) + '|' + e->source() + '|' + e->description() : "";
}

// Sets environment variables for its lifetime (a null value unsets one), then puts back
// what was there, also when the test fails.
class ScopedEnvironment
{
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, QByteArray>> values = {})
    {
        for (const auto& [name, value] : values)
            set(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto saved = mSaved.crbegin(); saved != mSaved.crend(); ++saved)
            saved->second ? qputenv(saved->first, *saved->second) : qunsetenv(saved->first);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* name, const QByteArray& value)
    {
        mSaved.append(
            {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

private:
    QList<std::pair<const char*, std::optional<QByteArray>>> mSaved;
};
