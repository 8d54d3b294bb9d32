#pragma once

#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>
#include <stdexcept>

// Direct access to a catalogue file for setting up rows the system never writes and for
// checking what it did write, on a connection of the test's own.
namespace fixture {

inline QVariantList sql(const QString& path, const QString& statement,
                        const QVariantList& values = {})
{
    static int counter = 0;
    const QString name = QStringLiteral("fixture-%1").arg(++counter);
    QVariantList firstColumn;
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            query.prepare(statement);
            for (const QVariant& value : values)
                query.addBindValue(value);
            if (!query.exec())
                failure = query.lastError().text();
            while (query.next())
                firstColumn.append(query.value(0));
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty())
        throw std::runtime_error(
            QStringLiteral("fixture SQL failed: %1: %2").arg(statement, failure).toStdString());
    return firstColumn;
}

inline QVariant scalar(const QString& path, const QString& statement,
                       const QVariantList& values = {})
{
    const QVariantList rows = sql(path, statement, values);
    return rows.isEmpty() ? QVariant() : rows.first();
}

inline void insertProgram(const QString& path, const QString& name, const QString& desc,
                          const QString& programPath, const QString& icon, qint32 useDIcon = 0,
                          const QString& added = QStringLiteral("1/2/2003"))
{
    sql(path,
        QStringLiteral("INSERT INTO Program (Program_Name, Program_Desc, Program_Path, "
                       "Program_CustomIcon, Program_UseDIcon, Program_Added_Date) "
                       "VALUES (?, ?, ?, ?, ?, ?)"),
        {name, desc.isNull() ? QStringLiteral("") : desc,
         programPath.isNull() ? QStringLiteral("") : programPath,
         icon.isNull() ? QStringLiteral("") : icon, useDIcon, added});
}

inline QStringList tables(const QString& path)
{
    QStringList names;
    for (const QVariant& v : sql(path, QStringLiteral("SELECT name FROM sqlite_master WHERE "
                                                      "type = 'table' ORDER BY name")))
        names.append(v.toString());
    return names;
}

// Every file in a folder with its bytes, to show that nothing was created or changed.
inline QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        files.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

} // namespace fixture
