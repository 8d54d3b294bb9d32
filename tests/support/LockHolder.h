#pragma once

#include <QProcess>

// Another process holding a lock until released or destroyed: the sqlite3 shell an
// exclusive lock on a database file.
class LockHolder
{
public:
    explicit LockHolder(const QString& file)
        : LockHolder(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), file},
                     // The shell answers the SELECT only once it holds the lock, and stops
                     // if it cannot.
                     "BEGIN EXCLUSIVE;\nSELECT 'locked';\n", "COMMIT;\n")
    {
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // The holder ends when its input ends.
    void release()
    {
        if (mHolder.state() == QProcess::NotRunning)
            return;
        mHolder.write(mRelease);
        mHolder.closeWriteChannel();
        if (!mHolder.waitForFinished(10000)) {
            mHolder.kill();
            mHolder.waitForFinished(10000);
        }
    }

    bool locked() const { return mLocked; }

protected:
    // Says "locked" once it holds the lock.
    LockHolder(const QString& program, const QStringList& arguments, const QByteArray& take,
               const QByteArray& release)
        : mRelease(release)
    {
        mHolder.start(program, arguments);
        mHolder.write(take);
        mLocked = mHolder.waitForReadyRead(20000) && mHolder.readAll().startsWith("locked");
    }

private:
    QProcess mHolder;
    QByteArray mRelease;
    bool mLocked = false;
};

// flock(1), which then becomes `cat`, holding the folder lock that the settings writes take.
class FolderLockHolder : public LockHolder
{
public:
    explicit FolderLockHolder(const QString& folder)
        : LockHolder(QStringLiteral("flock"),
                     {QStringLiteral("--no-fork"), folder, QStringLiteral("sh"),
                      QStringLiteral("-c"), QStringLiteral("echo locked && exec cat >/dev/null")},
                     {}, {})
    {
    }
};
