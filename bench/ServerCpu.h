#pragma once

// A PostgreSQL server's processor time on this machine, read from /proc: the postmaster's
// own and its reaped children's (a backend that ended is added to the postmaster's when it
// is reaped), plus every live child's.
#include <QDir>
#include <QFile>
#include <QList>
#include <unistd.h>

// User and system milliseconds of a process, its reaped children's too when asked; 0 when
// it is gone.
inline double processCpuMs(qint64 pid, bool withChildren)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    // The fields after the command's closing parenthesis, from the state (field 3) on.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 15)
        return 0;
    double ticks = fields[11].toDouble() + fields[12].toDouble();
    if (withChildren)
        ticks += fields[13].toDouble() + fields[14].toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

inline qint64 parentOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
}

// The postmaster's processor milliseconds with every backend's, ended or running.
inline double serverCpuMs(qint64 postmaster)
{
    double total = processCpuMs(postmaster, true);
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && parentOf(pid) == postmaster)
            total += processCpuMs(pid, false);
    }
    return total;
}
