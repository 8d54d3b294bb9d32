#include "platform/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
QString kindOf(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFREG:
        return {};
    case S_IFDIR:
        return QStringLiteral("a folder");
    case S_IFIFO:
        return QStringLiteral("a named pipe (FIFO)");
    case S_IFCHR:
        return QStringLiteral("a character device");
    case S_IFBLK:
        return QStringLiteral("a block device");
    case S_IFSOCK:
        return QStringLiteral("a socket");
    case S_IFLNK:
        return QStringLiteral("a symbolic link");
    default:
        return QStringLiteral("a special file");
    }
}
} // namespace

QString notRegularFileReason(const QString& path)
{
    // stat, not open: opening a FIFO for reading blocks until a writer comes.
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return kindOf(st.st_mode);
}

int openRegularFile(const QString& path, int flags, bool followLink, QString& error)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: a FIFO's open waits for the other end otherwise.
    const int fd =
        ::open(name.constData(),
               flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW), 0644);
    struct stat st
    {
    };
    if (fd < 0) {
        const int openErrno = errno;
        // ELOOP: a link not followed; ENXIO: a FIFO with no reader, or a socket.
        const bool described =
            (openErrno == ELOOP || openErrno == ENXIO) &&
            (followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) == 0 &&
            !S_ISREG(st.st_mode);
        error = !described ? QString::fromLocal8Bit(std::strerror(openErrno))
                : S_ISLNK(st.st_mode)
                    ? QStringLiteral("is a symbolic link, not followed")
                    : QStringLiteral("is %1, not a regular file").arg(kindOf(st.st_mode));
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = QStringLiteral("is %1, not a regular file").arg(kindOf(st.st_mode));
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool openRegularForReading(QFile& file, const QString& path, bool followLink, QString& error)
{
    const int fd = openRegularFile(path, O_RDONLY, followLink, error);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    error = file.errorString();
    ::close(fd);
    return false;
}
} // namespace platform
