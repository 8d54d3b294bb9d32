#include "tests/support/Sql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

QVariantList sql(const QString& location, const QString& statement, const QVariantList& values)
{
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
