#pragma once

#include <QProcess>

// Another process (the sqlite3 shell) holding a database file under an exclusive lock
// until released or destroyed.
class LockHolder
{
public:
    explicit LockHolder(const QString& file)
    {
        mShell.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), file});
        // The shell answers the SELECT only once it holds the lock, and stops if it cannot.
        mShell.write("BEGIN EXCLUSIVE;\nSELECT 'locked';\n");
        mLocked = mShell.waitForReadyRead(20000) && mShell.readAll().startsWith("locked");
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
        if (!mShell.waitForFinished(10000)) {
            mShell.kill();
            mShell.waitForFinished(10000);
        }
    }

    bool locked() const { return mLocked; }

private:
    QProcess mShell;
    bool mLocked = false;
};
