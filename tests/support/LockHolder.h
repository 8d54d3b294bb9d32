#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

// Another process (the sqlite3 shell) holding a database file under an exclusive lock
// until released or destroyed.
class LockHolder
{
public:
    explicit LockHolder(const QString& file) : mFile(file)
    {
        mShell.start(QStringLiteral("sqlite3"), {file});
        mShell.write("BEGIN EXCLUSIVE;\n");
        for (QDeadlineTimer deadline(20000); !locked() && !deadline.hasExpired();)
            QTest::qWait(20);
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    void release()
    {
        if (mShell.state() == QProcess::NotRunning)
            return;
        mShell.write("COMMIT;\n");
        mShell.closeWriteChannel();
        if (!mShell.waitForFinished(10000))
            mShell.kill();
        mShell.waitForFinished();
    }

    // Whether a reader that waits for nothing finds the file locked.
    bool locked() const
    {
        bool busy = false;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock-probe"));
            db.setDatabaseName(mFile);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QSqlQuery query(db);
            busy = db.open() && !query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("lock-probe"));
        return busy;
    }

private:
    QString mFile;
    QProcess mShell;
};
