#include "platform/database/Connection.h"

#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/DatabaseError.h"
#include "platform/database/DatabaseLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <map>
#include <thread>

namespace {
const QString kFileDriver = QStringLiteral("QSQLITE");
const QString kServerDriver = QStringLiteral("QPSQL");
// SQLITE_CANTOPEN: what the engine itself answers for a file it cannot open.
constexpr qint32 kCantOpen = 14;
// Seconds to wait for a server when the location sets no connect_timeout.
constexpr int kServerConnectTimeout = 10;

// Runs open, and while the server refuses it for want of a free connection slot (SQLSTATE
// 53300, which a refused connection does not carry: its texts are matched), runs it again
// after a pause that doubles from 50 ms to 1 s, for 5 s in all; then the refusal stands. A
// room's launchers started together hold their slots for a moment each, and the jitter
// keeps those refused from coming back in step.
void whenASlotIsFree(const std::function<void()>& open)
{
    static const QRegularExpression full(QStringLiteral(
        "too many clients|too many connections for|remaining connection slots are reserved"));
    QElapsedTimer waited;
    waited.start();
    for (qint64 pause = 50;; pause = std::min<qint64>(pause * 2, 1000)) {
        try {
            open();
            return;
        } catch (const KestrelError& error) {
            if (!full.match(error.description()).hasMatch() || waited.elapsed() + pause > 5000)
                throw;
        }
        const qint64 jittered = pause / 2 + QRandomGenerator::global()->bounded(pause);
        std::this_thread::sleep_for(std::chrono::milliseconds(jittered));
    }
}

QString uniqueConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("kestrel-db-%1").arg(++counter);
}

QString cannotOpen(const QString& location)
{
    return QStringLiteral("Cannot open the catalogue database \"%1\": ").arg(location);
}

qint64 busyTimeoutMs(qint32 seconds)
{
    return std::clamp<qint64>(qint64(seconds) * 1000, 0, INT_MAX);
}

// The server's lock_timeout for a wait of seconds. The file's busy timeout fails at once
// at 0; the server's lock_timeout would wait without end at 0, so "do not wait" is its
// shortest wait there.
qint64 serverLockTimeoutMs(qint32 seconds)
{
    return std::max<qint64>(busyTimeoutMs(seconds), 1);
}

// The statement that sets how long a connection waits for another's lock.
QString lockWaitStatement(bool server, qint32 seconds)
{
    return server ? QStringLiteral("SET lock_timeout = %1").arg(serverLockTimeoutMs(seconds))
                  : QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs(seconds));
}

void dropConnection(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A value for the client library's key=value connection string.
QString quotedOption(const QString& value)
{
    QString quoted = value;
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + quoted + u'\'';
}
} // namespace

struct Connection::Impl
{
    qint32 commandTimeout = 30;
    qint32 connectionTimeout = 15;
    QString connectionString;
    bool readOnly = false;
    bool server = false;        // of the location last opened
    bool inTransaction = false; // between BeginTrans and its end
    bool pooled = false;        // pool_mode=transaction: nothing kept in the session
    QString name;               // non-empty while open
    // Statements prepared once and run again with new values: a server prepares each
    // statement in a round trip of its own, and a lookup by name is otherwise three.
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared;

    ~Impl()
    {
        prepared.clear(); // a prepared query keeps its connection in use
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
    // An open connection waits so from its next statement on (on the server, a setting
    // made inside a transaction that is rolled back goes with it). Through a transaction
    // pooler, only the transaction under way takes it; the next ones are sent it.
    if (d->pooled && d->inTransaction && !d->name.isEmpty()) {
        QSqlQuery setting(QSqlDatabase::database(d->name, false));
        setting.exec(localSettings(true, false, seconds).constFirst());
        setting.finish();
    } else if (!d->pooled && !d->name.isEmpty()) {
        QSqlQuery setting(QSqlDatabase::database(d->name, false));
        setting.exec(lockWaitStatement(d->server, seconds));
        setting.finish();
    }
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
    d->server = DatabaseLocation::looksLikeUri(path);
}

bool Connection::ReadOnly() const
{
    return d->readOnly;
}

void Connection::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
}

bool Connection::IsServer() const
{
    return d->server;
}

QString Connection::EngineName() const
{
    return d->server ? serverErrorSource() : databaseErrorSource();
}

QString Connection::nameEquals(const QString& column) const
{
    // The file's name columns compare without regard to case by themselves; on the server
    // the same folding is a function, the one the name index is built on.
    return d->server ? QStringLiteral("kestrel_nocase(%1) = kestrel_nocase(?)").arg(column)
                     : QStringLiteral("%1 = ?").arg(column);
}

QString Connection::nameOrder(const QString& column) const
{
    return d->server ? QStringLiteral("kestrel_nocase(%1)").arg(column) : column;
}

void Connection::Open()
{
    if (!d->name.isEmpty())
        throw KestrelError(DatabaseErrorNumber::ObjectOpen, EngineName(),
                           QStringLiteral("The connection is already open."));
    if (d->server)
        whenASlotIsFree([this] { openServer(); });
    else
        openFile();
}

void Connection::openFile()
{
    const QString path = d->connectionString;
    // An empty name would give SQLite's private temporary database.
    if (path.trimmed().isEmpty())
        throw KestrelError(kCantOpen, databaseErrorSource(),
                           cannotOpen(path) + QStringLiteral("no database file named"));
    // The engine would wait forever on a FIFO and read a device as an endless file.
    if (const QString kind = platform::notRegularFileReason(path); !kind.isEmpty())
        throw KestrelError(kCantOpen, databaseErrorSource(),
                           cannotOpen(path) +
                               QStringLiteral("it is %1, not a database file").arg(kind));
    if (!QSqlDatabase::isDriverAvailable(kFileDriver))
        throw KestrelError(DatabaseErrorNumber::NoDriver, databaseErrorSource(),
                           QStringLiteral("The Qt SQLite driver (QSQLITE) is not installed."));

    // mode=rw (or ro) in a URI keeps the engine from creating a missing file; the path is
    // made absolute and clean so that it can never be read as a URI authority.
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString uri = QStringLiteral("file:") +
                        QString::fromLatin1(QUrl::toPercentEncoding(absolute, "/")) +
                        (d->readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
    const qint64 busyMs = busyTimeoutMs(d->commandTimeout);
    QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs);
    if (d->readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");

    const QString name = uniqueConnectionName();
    QSqlError error;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kFileDriver, name);
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

void Connection::openServer()
{
    const DatabaseLocation location = DatabaseLocation::parse(d->connectionString);
    if (!location.problem.isEmpty())
        throw KestrelError(KestrelErrorNumber::InvalidDatabasePath, EngineName(),
                           cannotOpen(location.display()) + location.problem);
    if (!QSqlDatabase::isDriverAvailable(kServerDriver))
        throw KestrelError(DatabaseErrorNumber::NoDriver, EngineName(),
                           QStringLiteral("The Qt PostgreSQL driver (QPSQL) is not installed "
                                          "(Debian package libqt6sql6-psql)."));
    // Never wait for an unreachable server longer than this: the client library's 0 (or
    // less, or none) would wait for ever on a server that accepts and never answers.
    const bool capTimeout = location.parameter(QStringLiteral("connect_timeout")).toInt() <= 0;
    QStringList options;
    for (const auto& [key, value] : location.parameters)
        if (!capTimeout || key != QStringLiteral("connect_timeout"))
            options.append(key + u'=' + quotedOption(value));
    if (capTimeout)
        options.append(QStringLiteral("connect_timeout=%1").arg(kServerConnectTimeout));
    // Several hosts' ports; one port goes with the host itself.
    if (!location.ports.isEmpty())
        options.append(QStringLiteral("port=") + quotedOption(location.ports));
    if (location.parameter(QStringLiteral("application_name")).isEmpty() &&
        !QCoreApplication::applicationName().isEmpty())
        options.append(QStringLiteral("application_name=") +
                       quotedOption(QCoreApplication::applicationName().remove(u';')));

    const QString name = uniqueConnectionName();
    QSqlError error;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kServerDriver, name);
        db.setDatabaseName(location.database);
        db.setHostName(location.host);
        db.setPort(location.port);
        db.setUserName(location.user);
        db.setConnectOptions(options.join(u';'));
        if (db.open() && location.transactionPooling) {
            opened = true; // the session is anyone's after this transaction
        } else if (db.isOpen()) {
            // The lock wait as on a file; a reader's session refuses every write, whatever
            // its role may do (its default transaction is read-only). One round trip for
            // both: a room's launchers open their connections at the same moment.
            QSqlQuery session(db);
            const QString setup =
                QStringLiteral("SELECT set_config('lock_timeout', '%1', false)")
                    .arg(serverLockTimeoutMs(d->commandTimeout)) +
                (d->readOnly
                     ? QStringLiteral(", set_config('default_transaction_read_only', 'on', false)")
                     : QString());
            if (session.exec(setup))
                opened = true;
            else
                error = session.lastError();
            session.finish();
        } else {
            error = db.lastError();
        }
    }
    if (!opened) {
        dropConnection(name);
        throw databaseError(error,
                            QStringLiteral("Cannot open the catalogue database \"%1\" (%2): ")
                                .arg(location.display(), location.serverDescription()),
                            EngineName());
    }
    d->name = name;
    d->pooled = location.transactionPooling;
}

qint32 Connection::State() const
{
    return d->name.isEmpty() ? adStateClosed : adStateOpen;
}

void Connection::Close()
{
    d->prepared.clear();
    d->inTransaction = false;
    if (d->name.isEmpty())
        return;
    const QString name = std::exchange(d->name, QString());
    dropConnection(name);
}

bool Connection::inTransaction() const
{
    return d->inTransaction;
}

bool Connection::isLost() const
{
    if (!d->server || d->name.isEmpty())
        return false; // a file is never lost
    const QSqlDatabase db = QSqlDatabase::database(d->name, false);
    QSqlQuery probe(db);
    return !(db.isOpen() && probe.exec(QStringLiteral("SELECT 1")));
}

bool Connection::recoverLostConnection()
{
    // Inside a transaction the work so far is gone with the connection, so the failure
    // stands. A connection that works means the failure was the statement's own.
    if (d->inTransaction || !isLost())
        return false;
    Close();
    Open();
    return true;
}

QString Connection::serverDescription() const
{
    const DatabaseLocation location = DatabaseLocation::parse(d->connectionString);
    return QStringLiteral("\"%1\" (%2)").arg(location.display(), location.serverDescription());
}

namespace {
void runOn(const Connection& connection, const QString& statement)
{
    if (connection.connectionName().isEmpty())
        throw KestrelError(DatabaseErrorNumber::ObjectClosed, connection.EngineName(),
                           QStringLiteral("The connection is closed."));
    QSqlQuery query(QSqlDatabase::database(connection.connectionName(), false));
    if (!query.exec(statement))
        throw databaseError(query.lastError(), {}, connection.EngineName());
    query.finish();
}
} // namespace

bool Connection::transactionPooled() const
{
    return d->pooled;
}

QStringList Connection::transactionSettings() const
{
    if (!d->pooled || d->inTransaction)
        return {};
    return localSettings(true, d->readOnly, d->commandTimeout);
}

QStringList Connection::localSettings(bool lockWait, bool readOnly, qint32 seconds)
{
    QStringList settings;
    if (lockWait)
        settings.append(
            QStringLiteral("SET LOCAL lock_timeout = %1").arg(serverLockTimeoutMs(seconds)));
    if (readOnly)
        settings.append(QStringLiteral("SET LOCAL transaction_read_only = on"));
    return settings;
}

void Connection::BeginTrans()
{
    // The file's write lock is taken at once, so a second writer waits instead of failing
    // half-way; the server locks rows as they are written. Through a transaction pooler the
    // settings go with the BEGIN, in one round trip.
    const QString begin = !d->server  ? QStringLiteral("BEGIN IMMEDIATE")
                          : d->pooled ? (QStringList{QStringLiteral("BEGIN")} +
                                         localSettings(true, d->readOnly, d->commandTimeout))
                                            .join(QStringLiteral("; "))
                                      : QStringLiteral("BEGIN");
    try {
        runOn(*this, begin);
    } catch (const KestrelError&) {
        if (!recoverLostConnection())
            throw;
        runOn(*this, begin);
    }
    d->inTransaction = true;
}

void Connection::CommitTrans()
{
    d->inTransaction = false;
    runOn(*this, QStringLiteral("COMMIT"));
}

void Connection::RollbackTrans()
{
    d->inTransaction = false;
    runOn(*this, QStringLiteral("ROLLBACK"));
}

void Connection::preloadDriver()
{
    if (!QSqlDatabase::isDriverAvailable(kFileDriver))
        return;
    // Qt keeps a driver's plug-in loaded once a connection has used it.
    const QString name = uniqueConnectionName();
    static_cast<void>(QSqlDatabase::addDatabase(kFileDriver, name));
    QSqlDatabase::removeDatabase(name);
}

QString Connection::connectionName() const
{
    return d->name;
}

QSqlQuery* Connection::preparedStatement(const QString& statement, QSqlError& error)
{
    if (const auto found = d->prepared.find(statement); found != d->prepared.end())
        return found->second.get();
    // Statements made up at run time (the tool's) must not pile up.
    constexpr std::size_t kMostPrepared = 64;
    if (d->prepared.size() >= kMostPrepared)
        d->prepared.clear();
    auto query = std::make_unique<QSqlQuery>(QSqlDatabase::database(d->name, false));
    query->setForwardOnly(true);
    if (!query->prepare(statement)) {
        error = query->lastError();
        return nullptr;
    }
    return d->prepared.emplace(statement, std::move(query)).first->second.get();
}
