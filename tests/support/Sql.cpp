#include "tests/support/Sql.h"

#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/DatabaseLocation.h"
#include "platform/database/Recordset.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// On the server, through the access layer's own connection (which parses the URI).
QVariantList serverSql(const QString& location, const QString& statement,
                       const QVariantList& values)
{
    QVariantList firstColumn;
    try {
        Connection connection;
        connection.setConnectionString(location);
        connection.Open();
        Recordset rs(connection);
        rs.setSource(statement);
        rs.setParameters(values);
        rs.Open();
        if (rs.State() == Connection::adStateOpen)
            for (; !rs.Eof(); rs.MoveNext())
                firstColumn.append(rs.Fields(rs.FieldNames().first()));
        rs.Close();
        connection.Close();
    } catch (const KestrelError& error) {
        qFatal("%s: %s", qPrintable(statement), qPrintable(error.description()));
    }
    return firstColumn;
}
} // namespace

QVariantList sql(const QString& location, const QString& statement, const QVariantList& values)
{
    if (DatabaseLocation::looksLikeUri(location))
        return serverSql(location, statement, values);
    static int serial = 0;
    const QString connection = QStringLiteral("test-sql-%1").arg(++serial);
    QVariantList firstColumn;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(location);
        if (!db.open())
            qFatal("%s: %s", qPrintable(location), qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        if (!query.prepare(statement))
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        while (query.next())
            firstColumn.append(query.value(0));
    }
    QSqlDatabase::removeDatabase(connection);
    return firstColumn;
}
