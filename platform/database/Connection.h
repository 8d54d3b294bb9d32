#pragma once

#include "platform/ErrorNumbers.h"

#include <QString>
#include <memory>

// A connection to one SQLite database file through Qt SQL. A Connection is a handle:
// copies refer to the same underlying connection, so a record set can stay bound to it
// after its creator lets go. Open never creates a file; failures throw KestrelError
// carrying the engine's error code.
class Connection
{
public:
    static constexpr qint32 adStateClosed = 0;
    static constexpr qint32 adStateOpen = 1;

    Connection();

    // Seconds a statement waits for another program's lock (the engine's busy timeout).
    qint32 CommandTimeout() const;
    void setCommandTimeout(qint32 seconds);
    // Seconds to wait while opening. Opening a SQLite file never blocks; the check that
    // follows it runs under the busy timeout, so this is kept for the settings only.
    qint32 ConnectionTimeout() const;
    void setConnectionTimeout(qint32 seconds);
    // The database file's path and nothing else.
    QString ConnectionString() const;
    void setConnectionString(const QString& path);
    // Read-only connections work on files and folders the user may not write.
    bool ReadOnly() const;
    void setReadOnly(bool readOnly);

    void Open();
    qint32 State() const;
    void Close();

    // A transaction on the open connection: the writes between BeginTrans and CommitTrans
    // happen together or, after RollbackTrans (or a failure), not at all. BeginTrans takes
    // the write lock at once, so a second writer waits instead of failing half-way.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // Qt SQL connection name while open, unique in the process; empty when closed.
    QString connectionName() const;

    // Loads the SQLite driver into the process without opening a database, so that the
    // first Open does not wait for it. Safe on any thread once the application object
    // exists; does nothing when the driver is missing (Open reports that).
    static void preloadDriver();

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

// Source of the errors that the engine and the access layer raise.
inline QString databaseErrorSource()
{
    return QStringLiteral("SQLite");
}
