#pragma once

#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace fixture {

// A statement on the test's own connection; answers the first column of each row.
inline QVariantList sql(const QString& path, const QString& statement)
{
    QVariantList column;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(statement))
            qFatal("%s: %s", qPrintable(statement),
                   qPrintable(db.lastError().text() + query.lastError().text()));
        while (query.next())
            column.append(query.value(0));
    }
    QSqlDatabase::removeDatabase("fixture");
    return column;
}

inline QMap<QString, QByteArray> snapshot(const QString& folder) // every file with its bytes
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        files.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

} // namespace fixture
