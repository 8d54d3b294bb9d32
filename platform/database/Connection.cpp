#include "platform/database/Connection.h"

#include "platform/KestrelError.h"
#include "platform/database/DatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <climits>

namespace {
const QString kDriver = QStringLiteral("QSQLITE");
// SQLITE_CANTOPEN: what the engine itself answers for a file it cannot open.
constexpr qint32 kCantOpen = 14;

QString uniqueConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("kestrel-db-%1").arg(++counter);
}

QString cannotOpen(const QString& path)
{
    return QStringLiteral("Cannot open the catalogue database \"%1\": ").arg(path);
}

void dropConnection(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
} // namespace

struct Connection::Impl
{
    qint32 commandTimeout = 30;
    qint32 connectionTimeout = 15;
    QString connectionString;
    bool readOnly = false;
    QString name; // non-empty while open

    ~Impl()
    {
        if (!name.isEmpty())
            dropConnection(name);
    }
};

Connection::Connection() : d(std::make_shared<Impl>()) {}

qint32 Connection::CommandTimeout() const
{
    return d->commandTimeout;
}

void Connection::setCommandTimeout(qint32 seconds)
{
    d->commandTimeout = seconds;
}

qint32 Connection::ConnectionTimeout() const
{
    return d->connectionTimeout;
}

void Connection::setConnectionTimeout(qint32 seconds)
{
    d->connectionTimeout = seconds;
}

QString Connection::ConnectionString() const
{
    return d->connectionString;
}

void Connection::setConnectionString(const QString& path)
{
    d->connectionString = path;
}

bool Connection::ReadOnly() const
{
    return d->readOnly;
}

void Connection::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
}

void Connection::Open()
{
    if (!d->name.isEmpty())
        throw KestrelError(DatabaseErrorNumber::ObjectOpen, databaseErrorSource(),
                           QStringLiteral("The connection is already open."));
    const QString path = d->connectionString;
    // An empty name would give SQLite's private temporary database.
    if (path.trimmed().isEmpty())
        throw KestrelError(kCantOpen, databaseErrorSource(),
                           cannotOpen(path) + QStringLiteral("no database file named"));
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        throw KestrelError(DatabaseErrorNumber::NoDriver, databaseErrorSource(),
                           QStringLiteral("The Qt SQLite driver (QSQLITE) is not installed."));

    // mode=rw (or ro) in a URI keeps the engine from creating a missing file; the path is
    // made absolute and clean so that it can never be read as a URI authority.
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString uri = QStringLiteral("file:") +
                        QString::fromLatin1(QUrl::toPercentEncoding(absolute, "/")) +
                        (d->readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
    const qint64 busyMs = std::clamp<qint64>(qint64(d->commandTimeout) * 1000, 0, INT_MAX);
    QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs);
    if (d->readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");

    const QString name = uniqueConnectionName();
    QSqlError error;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, name);
        db.setDatabaseName(uri);
        db.setConnectOptions(options);
        if (db.open()) {
            // A file that is not a database opens without complaint; the first read of
            // the schema is what finds out.
            QSqlQuery check(db);
            check.setForwardOnly(true);
            if (check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && check.next())
                opened = true;
            else
                error = check.lastError();
            check.finish();
        } else {
            error = db.lastError();
        }
    }
    if (!opened) {
        dropConnection(name);
        throw databaseError(error, cannotOpen(path));
    }
    d->name = name;
}

qint32 Connection::State() const
{
    return d->name.isEmpty() ? adStateClosed : adStateOpen;
}

void Connection::Close()
{
    if (d->name.isEmpty())
        return;
    const QString name = std::exchange(d->name, QString());
    dropConnection(name);
}

namespace {
void runOn(const QString& name, const QString& statement)
{
    if (name.isEmpty())
        throw KestrelError(DatabaseErrorNumber::ObjectClosed, databaseErrorSource(),
                           QStringLiteral("The connection is closed."));
    QSqlQuery query(QSqlDatabase::database(name, false));
    if (!query.exec(statement)) {
        const QSqlError error = query.lastError();
        throw databaseError(error);
    }
    query.finish();
}
} // namespace

void Connection::BeginTrans()
{
    runOn(d->name, QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::CommitTrans()
{
    runOn(d->name, QStringLiteral("COMMIT"));
}

void Connection::RollbackTrans()
{
    runOn(d->name, QStringLiteral("ROLLBACK"));
}

void Connection::preloadDriver()
{
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        return;
    // Qt keeps a driver's plug-in loaded once a connection has used it.
    const QString name = uniqueConnectionName();
    static_cast<void>(QSqlDatabase::addDatabase(kDriver, name));
    QSqlDatabase::removeDatabase(name);
}

QString Connection::connectionName() const
{
    return d->name;
}
