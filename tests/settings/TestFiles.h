#pragma once

#include <QFile>
#include <QTest>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Root ignores file permissions, so as root the body runs in a child process as "nobody"
// (folders it needs must be reachable by others); otherwise in place. Answers the body's answer.
inline int withoutRootRights(const std::function<int()>& body)
{
    if (::geteuid() != 0)
        return body();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(60); // a body that never returns fails instead of hanging the suite
        ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 99 : body());
    }
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}
