#include "catalogue/StoredIcon.h"

#include "catalogue/CatalogueChange.h"

#include "catalogue/CatalogueFile.h"
#include "platform/ErrorNumbers.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kSource = QStringLiteral("Kestrel.StoredIcon");
const QString kCreateTable = QStringLiteral("CREATE TABLE Program_Icon ");

void run(const Connection& connection, const QString& statement)
{
    Recordset rs(connection);
    rs.setSource(statement);
    rs.Open();
}
} // namespace

std::optional<QByteArray> readIconForCatalogue(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file;
    QString error;
    if (!platform::openRegularForReading(file, path, true, error))
        return std::nullopt;
    if (file.size() > kMaxStoredIconBytes)
        throw KestrelError(KestrelErrorNumber::InvalidPicture, kSource,
                           QStringLiteral("The icon \"%1\" is %2 bytes: the catalogue stores "
                                          "icons of at most 1 MB (%3 bytes). Choose a smaller "
                                          "picture.")
                               .arg(path)
                               .arg(file.size())
                               .arg(kMaxStoredIconBytes));
    // Read to the cap and one byte past it, in case the file grew since its size was taken.
    QByteArray bytes = file.read(kMaxStoredIconBytes + 1);
    if (bytes.size() > kMaxStoredIconBytes)
        throw KestrelError(KestrelErrorNumber::InvalidPicture, kSource,
                           QStringLiteral("The icon \"%1\" grew past 1 MB (%2 bytes) while it "
                                          "was read.")
                               .arg(path)
                               .arg(kMaxStoredIconBytes));
    if (file.error() != QFile::NoError || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QString storedIconDigest(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

bool looksLikePicture(const QByteArray& head)
{
    return head.startsWith("\x89PNG") || head.startsWith(QByteArray("\0\0\1\0", 4)) ||
           head.startsWith(QByteArray("\0\0\2\0", 4)) || head.startsWith("GIF8") ||
           head.startsWith("\xFF\xD8\xFF") || head.startsWith("BM") ||
           head.startsWith("\x1F\x8B") /* compressed SVG */ || head.contains("/* XPM */") ||
           head.contains("<svg");
}

bool storedIconTableExists(const Connection& connection)
{
    Recordset rs(connection);
    rs.setSource(connection.IsServer()
                     ? QStringLiteral("Select count(*) as Found from pg_catalog.pg_class where "
                                      "oid = to_regclass('program_icon') and "
                                      "has_table_privilege(oid, 'SELECT')")
                     : QStringLiteral("Select count(*) as Found from sqlite_master where type = "
                                      "'table' and name = 'Program_Icon' collate nocase"));
    rs.Open();
    return rs.Fields(QStringLiteral("Found")).toInt() > 0;
}

QString storedIconTableStatement(bool server, bool ifNotExists)
{
    for (QString statement : catalogueSchemaStatements(server))
        if (statement.startsWith(kCreateTable))
            return ifNotExists ? statement.replace(0, kCreateTable.size(),
                                                   QStringLiteral("CREATE TABLE IF NOT EXISTS "
                                                                  "Program_Icon "))
                               : statement;
    return {};
}

void createStoredIconTable(const Connection& connection)
{
    try {
        run(connection, storedIconTableStatement(connection.IsServer()));
        // The maker owns the table: it lets the catalogue's roles at it, as roles would.
        if (connection.IsServer())
            run(connection,
                QStringLiteral(
                    "DO $$ BEGIN\n"
                    "IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'kestrel_reader') THEN\n"
                    "  GRANT SELECT ON Program_Icon TO kestrel_reader;\n"
                    "END IF;\n"
                    "IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'kestrel_writer') THEN\n"
                    "  GRANT SELECT, INSERT, UPDATE, DELETE ON Program_Icon TO kestrel_writer;\n"
                    "END IF;\n"
                    "END $$"));
        countStoredIconChanges(connection);
    } catch (const KestrelError& error) {
        if (!connection.IsServer())
            throw;
        throw KestrelError(error.number(), error.source(),
                           QStringLiteral("The catalogue was made before icons were stored in "
                                          "it, and its table for them cannot be made by this "
                                          "user (%1). Let the database's owner make it, for "
                                          "example with: kestrel-catalogue roles DATABASE | "
                                          "psql -d DATABASE")
                               .arg(error.description()));
    }
}
