#pragma once

#include "catalogue/CatalogueFile.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <functional>

// Makes a catalogue of count programs in one transaction. Names are spread over the
// table so that the ordered query has sorting to do; iconOf(n) gives program n's
// custom icon path.
inline void makeBenchCatalogue(const QString& path, int count,
                               const std::function<QString(int)>& iconOf)
{
    createCatalogue(path);
    const QString connection = QStringLiteral("bench-catalogue");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral(
            "INSERT INTO Program (Program_Name, Program_Desc, Program_Path, Program_CustomIcon, "
            "Program_Added_Date) VALUES (?, ?, ?, ?, '1/1/2024')"));
        for (int i = 0; i < count; ++i) {
            const int n = int((qint64(i) * 7919) % count);
            insert.addBindValue(QStringLiteral("Program %1").arg(n, 6, 10, QLatin1Char('0')));
            insert.addBindValue(QStringLiteral("Description of program %1").arg(n));
            insert.addBindValue(QStringLiteral("/opt/programs/%1/bin/run").arg(n));
            insert.addBindValue(iconOf(n));
            insert.exec();
        }
        insert.finish();
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}
