#pragma once

#include "catalogue/CatalogueFile.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
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

// Runs one statement on a connection of its own (to make or drop a bench database).
inline void statement(const QString& location, const QString& sql)
{
    Connection connection;
    connection.setConnectionString(location);
    connection.Open();
    Recordset rs(connection);
    rs.setSource(sql);
    rs.Open();
    rs.Close();
    connection.Close();
}

// Makes a database of its own on the server and in it a catalogue of count programs, the
// same programs as makeBenchCatalogue's (without icons spread the same way), and answers
// its URI. dropServerBenchCatalogue removes it.
inline QString makeServerBenchCatalogue(const QString& server, const QString& database, int count)
{
    statement(server, QStringLiteral("CREATE DATABASE %1").arg(database));
    QUrl url(server);
    url.setPath(u'/' + database);
    const QString uri = url.toString();
    createCatalogue(uri);
    statement(uri, QStringLiteral("INSERT INTO Program (Program_Name, Program_Desc, Program_Path, "
                                  "Program_CustomIcon, Program_Added_Date) SELECT "
                                  "'Program ' || lpad(n::text, 6, '0'), 'Description of program "
                                  "' || n, '/opt/programs/' || n || '/bin/run', '/opt/icons/' || "
                                  "(n % 50) || '.ico', '1/1/2024' FROM (SELECT (i::bigint * 7919) "
                                  "% %1 AS n FROM generate_series(0, %1 - 1) AS i) AS g")
                       .arg(count));
    statement(uri, QStringLiteral("VACUUM ANALYZE Program"));
    return uri;
}

inline void dropServerBenchCatalogue(const QString& server, const QString& database)
{
    statement(server, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
}
