#include "catalogue/CatalogueChange.h"

#include "catalogue/AddedTable.h"
#include "catalogue/CatalogueFile.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"
#include "platform/database/SqlScript.h"

namespace {
QVariant firstField(const Connection& connection, const QString& statement, const QString& field)
{
    Recordset rs(connection);
    rs.setSource(statement);
    rs.Open();
    const QVariant value = rs.RecordCount() > 0 ? rs.Fields(field) : QVariant();
    rs.Close();
    return value;
}

// The statements that make the stamp, as the server's schema gives them.
QStringList changeStampStatements()
{
    const QString schema = catalogueSchema(true);
    const QString begin = QStringLiteral("-- change stamp: begin");
    const qsizetype from = schema.indexOf(begin);
    const qsizetype to = schema.indexOf(QStringLiteral("-- change stamp: end"));
    if (from < 0 || to < from)
        return {};
    return splitSqlStatements(schema.mid(from + begin.size(), to - from - begin.size()));
}
} // namespace

QString readChangeStamp(const Connection& connection)
{
    if (!connection.IsServer()) {
        // Comparable only on the connection that read it: another one starts its own count.
        return connection.connectionName() + u'/' +
               firstField(connection, QStringLiteral("PRAGMA data_version"),
                          QStringLiteral("data_version"))
                   .toString();
    }
    try {
        const QVariant count =
            firstField(connection, QStringLiteral("Select Change_Count from Catalogue_Change"),
                       QStringLiteral("Change_Count"));
        if (!count.isNull())
            return QStringLiteral("count/") + count.toString();
    } catch (const KestrelError&) {
        // No stamp, or no right to read it: the rows themselves are compared. When the
        // server is away, that read fails as well and says so.
    }
    // The whole catalogue in one answer of one row, folded on the server; the audiences too,
    // since they change who sees what.
    const bool audiences = addedTableExists(connection, QStringLiteral("Program_Audience"));
    return QStringLiteral("digest/") +
           firstField(connection,
                      QStringLiteral("Select count(*) || '/' || coalesce(md5(string_agg(concat_ws("
                                     "chr(31), Program_Key, Program_Name, Program_Desc, "
                                     "Program_Path, Program_CustomIcon, Program_Added_Date), "
                                     "chr(30) Order by Program_Key)), '')%1 as Digest from Program")
                          .arg(audiences ? QStringLiteral(
                                               " || '/' || (Select coalesce(md5(string_agg("
                                               "Program_Key || chr(31) || Audience, chr(30) Order "
                                               "by Program_Key, Audience)), '') from "
                                               "Program_Audience)")
                                         : QString()),
                      QStringLiteral("Digest"))
               .toString();
}

void countAddedTableChanges(const Connection& connection)
{
    if (!connection.IsServer())
        return;
    const QStringList statements = changeStampStatements();
    if (statements.isEmpty() || !statements.last().startsWith(QStringLiteral("DO")) ||
        !firstField(connection,
                    QStringLiteral("Select to_regclass('catalogue_change') is not null as Found"),
                    QStringLiteral("Found"))
             .toBool())
        return;
    Recordset rs(connection);
    rs.setSource(statements.last());
    rs.Open();
}

bool addChangeStamp(const Connection& connection)
{
    if (!connection.IsServer())
        return true;
    try {
        if (firstField(
                connection,
                QStringLiteral("Select to_regclass('catalogue_change') is not null as Found"),
                QStringLiteral("Found"))
                .toBool()) {
            // Tables the roles' script made in an older catalogue get their triggers here,
            // where this role may make them.
            try {
                if (!connection.inTransaction())
                    countAddedTableChanges(connection);
            } catch (const KestrelError&) {
            }
            return true;
        }
        if (connection.inTransaction())
            return false;
        Connection writer = connection;
        writer.BeginTrans();
        try {
            for (const QString& statement : changeStampStatements()) {
                Recordset rs(writer);
                rs.setSource(statement);
                rs.Open();
            }
            writer.CommitTrans();
            return true;
        } catch (const KestrelError&) {
            writer.RollbackTrans();
            throw;
        }
    } catch (const KestrelError&) {
        // A writer without the right to create tables (or one racing another writer that
        // made it first) leaves the catalogue as it was.
        return false;
    }
}
