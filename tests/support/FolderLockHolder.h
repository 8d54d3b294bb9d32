#pragma once

#include <QProcess>

// Another process (flock(1), which then becomes `sleep`) holding the folder lock that the
// settings writes take, until destroyed.
class FolderLockHolder
{
public:
    explicit FolderLockHolder(const QString& folder)
    {
        mHolder.start(QStringLiteral("flock"),
                      {QStringLiteral("--no-fork"), folder, QStringLiteral("sh"),
                       QStringLiteral("-c"), QStringLiteral("echo locked && exec sleep 60")});
        mLocked = mHolder.waitForReadyRead(20000) && mHolder.readAll().startsWith("locked");
    }
    ~FolderLockHolder()
    {
        mHolder.kill();
        mHolder.waitForFinished();
    }
    FolderLockHolder(const FolderLockHolder&) = delete;
    FolderLockHolder& operator=(const FolderLockHolder&) = delete;

    bool locked() const { return mLocked; }

private:
    QProcess mHolder;
    bool mLocked = false;
};
