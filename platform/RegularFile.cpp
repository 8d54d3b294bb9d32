#include "platform/RegularFile.h"

#include <QFile>
#include <sys/stat.h>

namespace platform {
QString notRegularFileReason(const QString& path)
{
    // stat, not open: opening a FIFO for reading blocks until a writer comes.
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    switch (st.st_mode & S_IFMT) {
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
    default:
        return QStringLiteral("a special file");
    }
}
} // namespace platform
