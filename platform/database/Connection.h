#pragma once

#include "platform/ErrorNumbers.h"

#include <QString>
#include <QStringList>
#include <memory>

class QSqlError;
class QSqlQuery;

// A connection to a catalogue database through Qt SQL: a SQLite file, or a PostgreSQL
// database named by a URI (see DatabaseLocation). What differs between the two engines is
// kept here and in the record set, so that the catalogue's code is the same for both.
// A Connection is a handle: copies refer to the same underlying connection, so a record
// set can stay bound to it after its creator lets go. Open never creates a file or a
// database; failures throw KestrelError carrying the engine's error code.
class Connection
{
public:
    static constexpr qint32 adStateClosed = 0;
    static constexpr qint32 adStateOpen = 1;

    Connection();

    // Seconds a statement waits for another program's lock (the file's busy timeout, the
    // server's lock_timeout); an open connection takes a new value at once. A wait that
    // runs out fails with the engine's "busy" error (see isCatalogueBusy).
    qint32 CommandTimeout() const;
    void setCommandTimeout(qint32 seconds);
    // Seconds to wait while opening. Opening a SQLite file never blocks; the check that
    // follows it runs under the busy timeout, so this is kept for the settings only.
    qint32 ConnectionTimeout() const;
    void setConnectionTimeout(qint32 seconds);
    // The database file's path, or a postgresql:// URI.
    QString ConnectionString() const;
    void setConnectionString(const QString& path);
    // Read-only connections work on files and folders the user may not write; on a
    // server the session refuses every write.
    bool ReadOnly() const;
    void setReadOnly(bool readOnly);

    // Which engine the connection string names: the server's, or the file's.
    bool IsServer() const;
    QString EngineName() const; // "SQLite" or "PostgreSQL", the source of its errors
    // Statement fragments for names, which match and sort as SQLite's NOCASE does (ASCII
    // letters folded) on both engines: "column = ?" with one value, and an ORDER BY term.
    QString nameEquals(const QString& column) const;
    QString nameOrder(const QString& column) const;

    void Open();
    qint32 State() const;
    void Close();
    // When the server dropped the connection (it restarted, or ended the session), opens it
    // again and answers true, so that a statement that failed can be run once more (or one
    // that must not run twice is sent on a live connection). False when the connection
    // still works, for a file, and inside a transaction.
    // Throws the open error when the server stays away.
    bool recoverLostConnection();
    bool inTransaction() const;
    // Whether the server dropped the open connection (one round trip to find out).
    bool isLost() const;
    // The server's location as messages name it: the URI without a password, then host,
    // port and database.
    QString serverDescription() const;

    // A transaction on the open connection: the writes between BeginTrans and CommitTrans
    // happen together or, after RollbackTrans (or a failure), not at all. BeginTrans takes
    // the write lock at once, so a second writer waits instead of failing half-way.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // Through a pooler in transaction mode (pool_mode=transaction in the URI) a server
    // session keeps nothing between transactions: no statement stays prepared, and what a
    // transaction needs (the lock wait, a reader's read-only mode) is sent inside it.
    bool transactionPooled() const;
    // The SET LOCAL statements that a statement run on its own needs before it, in the same
    // text (one implicit transaction); none inside BeginTrans or on a session of its own.
    QStringList transactionSettings() const;

    // Qt SQL connection name while open, unique in the process; empty when closed.
    QString connectionName() const;
    // The statement prepared on the open connection, kept until it closes: run it, read it
    // to the end and finish it before asking for it again. Null, with the error, when the
    // engine refuses the statement. Never asked for when transactionPooled.
    QSqlQuery* preparedStatement(const QString& statement, QSqlError& error);

    // Loads the SQLite driver into the process without opening a database, so that the
    // first Open does not wait for it. Safe on any thread once the application object
    // exists; does nothing when the driver is missing (Open reports that).
    static void preloadDriver();

private:
    // SET LOCAL statements for the lock wait and a read-only transaction.
    static QStringList localSettings(bool lockWait, bool readOnly, qint32 seconds);
    void openFile();
    void openServer();

    struct Impl;
    std::shared_ptr<Impl> d;
};

// Source of the errors that the engine and the access layer raise.
inline QString databaseErrorSource()
{
    return QStringLiteral("SQLite");
}
// Source of the errors that a server connection raises.
inline QString serverErrorSource()
{
    return QStringLiteral("PostgreSQL");
}
