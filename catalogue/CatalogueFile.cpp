#include "catalogue/CatalogueFile.h"

#include "catalogue/AddedTable.h"
#include "catalogue/CatalogueChange.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/StoredIcon.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/Connection.h"
#include "platform/database/DatabaseLocation.h"
#include "platform/database/Recordset.h"
#include "platform/database/SqlScript.h"
#include "platform/log/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <atomic>

namespace {
const QString kSource = QStringLiteral("Kestrel.CatalogueFile");

void runStatement(const Connection& connection, const QString& statement)
{
    Recordset rs(connection);
    rs.setSource(statement);
    rs.Open();
}

// Removes the half-made file on every way out unless told the file is done.
struct RemoveUnlessKept
{
    QString path;
    bool keep = false;
    ~RemoveUnlessKept()
    {
        if (!keep)
            QFile::remove(path);
    }
};
} // namespace

void requireCatalogueTables(const Connection& connection)
{
    runStatement(connection, QStringLiteral("Select Program.Program_Key from Program, "
                                            "Program_Options where 1 = 0"));
}

QString catalogueSchema(bool server)
{
    return QString::fromUtf8(server ? kCatalogueServerSchemaSql : kCatalogueSchemaSql);
}

QStringList catalogueSchemaStatements(bool server)
{
    return splitSqlStatements(catalogueSchema(server));
}

namespace {
bool holdsCatalogue(const Connection& connection)
{
    Recordset rs(connection);
    rs.setSource(QStringLiteral("Select count(*) as Tables from information_schema.tables where "
                                "table_schema = current_schema() and lower(table_name) in "
                                "('program', 'program_options')"));
    rs.Open();
    return rs.Fields(QStringLiteral("Tables")).toInt() > 0;
}

void createServerCatalogue(const QString& uri)
{
    const DatabaseLocation location = DatabaseLocation::parse(uri);
    Connection connection;
    connection.setConnectionString(uri);
    try {
        connection.Open();
    } catch (const KestrelError& error) {
        // The catalogue goes into a database made for it by its owner, never one made here.
        throw KestrelError(error.number(), error.source(),
                           error.description() +
                               QStringLiteral(" (The database must exist already and be empty; "
                                              "create it first, for example with: createdb %1)")
                                   .arg(location.database.isEmpty() ? QStringLiteral("kestrel")
                                                                    : location.database));
    }
    if (holdsCatalogue(connection))
        throw KestrelError(KestrelErrorNumber::FileAlreadyExists, kSource,
                           QStringLiteral("The database \"%1\" holds a catalogue already; a "
                                          "catalogue is never written over an existing one.")
                               .arg(location.display()));
    connection.BeginTrans();
    try {
        for (const QString& statement : catalogueSchemaStatements(true))
            runStatement(connection, statement);
        connection.CommitTrans();
    } catch (const KestrelError& error) {
        try {
            connection.RollbackTrans();
        } catch (const KestrelError&) {
        }
        throw KestrelError(error.number(), error.source(),
                           QStringLiteral("Cannot create the catalogue \"%1\": %2")
                               .arg(location.display(), error.description()));
    }
    connection.Close();
}

// Every row of table, all columns in stored order, keys ascending.
QList<QVariantList> allRows(const Connection& connection, const QString& table,
                            const QStringList& columns, const QString& order)
{
    Recordset rs(connection);
    rs.setSource(QStringLiteral("Select %1 from %2 Order by %3")
                     .arg(columns.join(QStringLiteral(", ")), table, order));
    rs.Open();
    QList<QVariantList> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList row;
        for (const QString& column : columns)
            row.append(rs.Fields(column));
        rows.append(row);
    }
    return rows;
}
} // namespace

CopyResult copyCatalogue(const QString& source, const QString& destination, bool replace)
{
    Connection from;
    from.setReadOnly(true);
    from.setConnectionString(source);
    from.Open();
    const QStringList programColumns = {
        QStringLiteral("Program_Key"),        QStringLiteral("Program_Name"),
        QStringLiteral("Program_Desc"),       QStringLiteral("Program_Path"),
        QStringLiteral("Program_CustomIcon"), QStringLiteral("Program_UseDIcon"),
        QStringLiteral("Program_Added_Date")};
    const QStringList optionColumns = {QStringLiteral("Program_Key"),
                                       QStringLiteral("Program_Option_Use_OpenWith")};
    const QList<QVariantList> programs =
        allRows(from, QStringLiteral("Program"), programColumns, QStringLiteral("Program_Key"));
    const QList<QVariantList> options = allRows(from, QStringLiteral("Program_Options"),
                                                optionColumns, QStringLiteral("Program_Key"));
    // Stored icons go with their programs (none from a catalogue made before them).
    const QStringList iconColumns = {QStringLiteral("Program_Key"), QStringLiteral("Icon_Digest"),
                                     QStringLiteral("Icon_Data")};
    QList<QVariantList> icons;
    QSet<qint64> keys;
    for (const QVariantList& row : programs)
        keys.insert(row.at(0).toLongLong());
    if (storedIconTableExists(from)) {
        for (QVariantList& row : allRows(from, QStringLiteral("Program_Icon"), iconColumns,
                                         QStringLiteral("Program_Key")))
            if (keys.contains(row.at(0).toLongLong()))
                icons.append(std::move(row));
    }
    // So do audiences.
    const QString audienceTable = QStringLiteral("Program_Audience");
    const QStringList audienceColumns = {QStringLiteral("Program_Key"), QStringLiteral("Audience")};
    QList<QVariantList> audiences;
    if (addedTableExists(from, audienceTable))
        for (QVariantList& row :
             allRows(from, audienceTable, audienceColumns, QStringLiteral("Program_Key, Audience")))
            if (keys.contains(row.at(0).toLongLong()))
                audiences.append(std::move(row));
    from.Close();

    Connection to;
    to.setConnectionString(destination);
    to.Open();
    // A server's text cannot hold a NUL: name the program, where its error names none.
    for (const QVariantList& row : programs)
        for (qsizetype column = 1; to.IsServer() && column < row.size(); ++column)
            if (row.at(column).typeId() == QMetaType::QString &&
                row.at(column).toString().contains(QChar(0)))
                throw KestrelError(
                    KestrelErrorNumber::TypeMismatch, kSource,
                    QStringLiteral("the program with key %1, \"%2\", holds a NUL "
                                   "in %3, which a server cannot store; nothing "
                                   "was copied.")
                        .arg(row.at(0).toString(),
                             row.at(1).toString().replace(QChar(0), QStringLiteral("\\0")),
                             programColumns.at(column)));
    // One transaction: the destination ends up with all of it or keeps what it had. On a
    // server, the catalogue's other writers wait for it, so their keys never collide with
    // the keys copied.
    addChangeStamp(to);
    to.BeginTrans();
    try {
        if (to.IsServer())
            runStatement(to, QStringLiteral("Lock table Program in share row exclusive mode"));
        Recordset count(to);
        count.setSource(QStringLiteral("Select count(*) as Programs from Program"));
        count.Open();
        const int existing = count.Fields(QStringLiteral("Programs")).toInt();
        if (existing > 0 && !replace)
            throw KestrelError(KestrelErrorNumber::FileAlreadyExists, kSource,
                               QStringLiteral("%1 holds %2 programs already; give --replace to "
                                              "replace them.")
                                   .arg(DatabaseLocation::parse(destination).display())
                                   .arg(existing));
        if (storedIconTableExists(to))
            runStatement(to, QStringLiteral("Delete from Program_Icon"));
        else if (!icons.isEmpty())
            createStoredIconTable(to);
        if (addedTableExists(to, audienceTable))
            runStatement(to, QStringLiteral("Delete from Program_Audience"));
        else if (!audiences.isEmpty())
            createAddedTable(to, audienceTable, QStringLiteral("programs had audiences"));
        runStatement(to, QStringLiteral("Delete from Program_Options"));
        runStatement(to, QStringLiteral("Delete from Program"));
        const auto insert = [&to](const QString& table, const QStringList& columns,
                                  const QList<QVariantList>& rows) {
            QStringList marks;
            for (qsizetype i = 0; i < columns.size(); ++i)
                marks.append(QStringLiteral("?"));
            const QString statement = QStringLiteral("Insert into %1 (%2) values (%3)")
                                          .arg(table, columns.join(QStringLiteral(", ")),
                                               marks.join(QStringLiteral(", ")));
            for (const QVariantList& row : rows) {
                Recordset rs(to);
                rs.setSource(statement);
                rs.setParameters(row);
                try {
                    rs.Open();
                } catch (const KestrelError& error) {
                    // Which program the destination refused (a NUL in its name, say).
                    throw KestrelError(
                        error.number(), error.source(),
                        QStringLiteral("program %1 \"%2\": %3")
                            .arg(row.value(0).toString(),
                                 platform::log::escapeField(row.value(1).toString(),
                                                            platform::log::Escape::Listing),
                                 error.description()));
                }
            }
        };
        insert(QStringLiteral("Program"), programColumns, programs);
        insert(QStringLiteral("Program_Options"), optionColumns, options);
        insert(QStringLiteral("Program_Icon"), iconColumns, icons);
        insert(audienceTable, audienceColumns, audiences);
        to.CommitTrans();
    } catch (const KestrelError&) {
        try {
            to.RollbackTrans();
        } catch (const KestrelError&) {
        }
        throw;
    }
    to.Close();
    return {qsizetype(programs.size()), qsizetype(options.size())};
}

QString catalogueRolesSql(const QString& database)
{
    return QStringLiteral(
               "-- Run as the owner of the database %1 (for example: psql -d %1 -f roles.sql).\n"
               "-- Launchers log in as kestrel_reader, administrators as kestrel_writer; give\n"
               "-- them passwords in ~/.pgpass, or use peer, GSS or certificate authentication.\n"
               "CREATE ROLE kestrel_reader LOGIN;\n"
               "CREATE ROLE kestrel_writer LOGIN;\n"
               "GRANT CONNECT ON DATABASE %1 TO kestrel_reader, kestrel_writer;\n"
               "GRANT USAGE ON SCHEMA public TO kestrel_reader, kestrel_writer;\n"
               "GRANT SELECT ON Program, Program_Options TO kestrel_reader;\n"
               "GRANT SELECT, INSERT, UPDATE, DELETE ON Program, Program_Options TO "
               "kestrel_writer;\n"
               "-- Stored icons; a catalogue made before them gets their table here.\n"
               "%2;\n"
               "GRANT SELECT ON Program_Icon TO kestrel_reader;\n"
               "GRANT SELECT, INSERT, UPDATE, DELETE ON Program_Icon TO kestrel_writer;\n"
               "-- Audiences; likewise.\n"
               "%3;\n"
               "GRANT SELECT ON Program_Audience TO kestrel_reader;\n"
               "GRANT SELECT, INSERT, UPDATE, DELETE ON Program_Audience TO kestrel_writer;\n"
               "GRANT USAGE, SELECT, UPDATE ON SEQUENCE Program_Key_Sequence TO kestrel_writer;\n"
               "-- The change stamp that running launchers read (writers raise it through "
               "triggers).\n"
               "GRANT SELECT ON Catalogue_Change TO kestrel_reader, kestrel_writer;\n"
               "-- The reader's sessions refuse writes even where a grant would allow one.\n"
               "ALTER ROLE kestrel_reader SET default_transaction_read_only = on;\n")
        .arg(database, storedIconTableStatement(true, true),
             addedTableStatement(QStringLiteral("Program_Audience"), true, true));
}

void createCatalogue(const QString& path)
{
    if (DatabaseLocation::looksLikeUri(path))
        return createServerCatalogue(path);
    if (const QString kind = platform::notRegularFileReason(path); !kind.isEmpty())
        throw KestrelError(
            KestrelErrorNumber::FileAlreadyExists, kSource,
            QStringLiteral("Cannot create the catalogue \"%1\": it is %2. Name a "
                           "new file%3.")
                .arg(path, kind,
                     QFileInfo(path).isDir()
                         ? QStringLiteral(" in it, such as \"%1\"")
                               .arg(QDir(path).filePath(QStringLiteral("Kestrel.mdb")))
                         : QString()));
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw KestrelError(KestrelErrorNumber::FileAlreadyExists, kSource,
                           QStringLiteral("The file \"%1\" exists already; a catalogue is never "
                                          "written over an existing file.")
                               .arg(path));

    // Built under a temporary name beside the target and renamed into place at the end, so
    // the target is either a whole catalogue or absent. An empty file is a valid empty
    // database, which lets the never-creating opener be used for the build as well.
    static std::atomic<quint32> counter{0};
    const QString building = QStringLiteral("%1.new-%2-%3")
                                 .arg(path)
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++counter);
    QFile file(building);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw KestrelError(
            KestrelErrorNumber::PathNotFound, kSource,
            QStringLiteral("Cannot create the catalogue \"%1\": %2").arg(path, file.errorString()));
    file.close();
    RemoveUnlessKept cleanup{building};

    Connection connection;
    connection.setConnectionString(building);
    connection.Open();
    try {
        runStatement(connection, QStringLiteral("BEGIN IMMEDIATE"));
        for (const QString& statement : catalogueSchemaStatements())
            runStatement(connection, statement);
        runStatement(connection, QStringLiteral("COMMIT"));
    } catch (const KestrelError& error) {
        connection.Close();
        throw KestrelError(error.number(), error.source(),
                           QStringLiteral("Cannot create the catalogue \"%1\": %2")
                               .arg(path, error.description()));
    }
    connection.Close();

    // rename never replaces an existing file, so a file made meanwhile by someone else wins.
    QFile built(building);
    if (!built.rename(path))
        throw KestrelError(KestrelErrorNumber::FileAlreadyExists, kSource,
                           QStringLiteral("Cannot create the catalogue \"%1\": %2")
                               .arg(path, built.errorString()));
    cleanup.keep = true;
}
