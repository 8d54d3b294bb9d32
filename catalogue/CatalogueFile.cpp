#include "catalogue/CatalogueFile.h"

#include "catalogue/CatalogueSchema.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"
#include "platform/database/SqlScript.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <atomic>

namespace {
const QString kSource = QStringLiteral("Kestrel.CatalogueFile");
constexpr qint32 kFileAlreadyExists = 58;

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

QString catalogueSchema()
{
    return QString::fromUtf8(kCatalogueSchemaSql);
}

QStringList catalogueSchemaStatements()
{
    return splitSqlStatements(catalogueSchema());
}

void createCatalogue(const QString& path)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw KestrelError(kFileAlreadyExists, kSource,
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
        throw KestrelError(kFileAlreadyExists, kSource,
                           QStringLiteral("Cannot create the catalogue \"%1\": %2")
                               .arg(path, built.errorString()));
    cleanup.keep = true;
}
