#pragma once

#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace fixture {

// A statement on a connection of the test's own, for rows the system never writes and for
// checking what it wrote. Answers the first column of each row.
inline QVariantList sql(const QString& path, const QString& statement,
                        const QVariantList& values = {})
{
    QVariantList column;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.prepare(statement))
            qFatal("%s: %s", qPrintable(statement), qPrintable(db.lastError().text()));
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        while (query.next())
            column.append(query.value(0));
    }
    QSqlDatabase::removeDatabase("fixture");
    return column;
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
