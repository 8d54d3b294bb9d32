#include "catalogue/AddedTable.h"

#include "catalogue/CatalogueChange.h"
#include "catalogue/CatalogueFile.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

namespace {
void run(const Connection& connection, const QString& statement)
{
    Recordset rs(connection);
    rs.setSource(statement);
    rs.Open();
}
} // namespace

bool addedTableExists(const Connection& connection, const QString& table)
{
    Recordset rs(connection);
    rs.setSource(connection.IsServer()
                     ? QStringLiteral("Select count(*) as Found from pg_catalog.pg_class where "
                                      "oid = to_regclass(?) and has_table_privilege(oid, 'SELECT')")
                     : QStringLiteral("Select count(*) as Found from sqlite_master where type = "
                                      "'table' and name = ? collate nocase"));
    rs.setParameters({connection.IsServer() ? table.toLower() : table});
    rs.Open();
    return rs.Fields(QStringLiteral("Found")).toInt() > 0;
}

QString addedTableStatement(const QString& table, bool server, bool ifNotExists)
{
    const QString create = QStringLiteral("CREATE TABLE %1 ").arg(table);
    for (QString statement : catalogueSchemaStatements(server))
        if (statement.startsWith(create))
            return ifNotExists ? statement.replace(
                                     0, create.size(),
                                     QStringLiteral("CREATE TABLE IF NOT EXISTS %1 ").arg(table))
                               : statement;
    return {};
}

void createAddedTable(const Connection& connection, const QString& table, const QString& what)
{
    try {
        run(connection, addedTableStatement(table, connection.IsServer()));
        // The maker owns the table: it lets the catalogue's roles at it, as roles would.
        if (connection.IsServer())
            run(connection,
                QStringLiteral(
                    "DO $$ BEGIN\n"
                    "IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'kestrel_reader') THEN\n"
                    "  GRANT SELECT ON %1 TO kestrel_reader;\n"
                    "END IF;\n"
                    "IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'kestrel_writer') THEN\n"
                    "  GRANT SELECT, INSERT, UPDATE, DELETE ON %1 TO kestrel_writer;\n"
                    "END IF;\n"
                    "END $$")
                    .arg(table));
        countAddedTableChanges(connection);
    } catch (const KestrelError& error) {
        if (!connection.IsServer())
            throw;
        throw KestrelError(error.number(), error.source(),
                           QStringLiteral("The catalogue was made before %1, and its table %2 "
                                          "cannot be made by this user (%3). Let the database's "
                                          "owner make it, for example with: kestrel-catalogue "
                                          "roles DATABASE | psql -d DATABASE")
                               .arg(what, table, error.description()));
    }
}
