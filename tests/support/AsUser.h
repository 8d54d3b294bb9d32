#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

// Root ignores file permissions, so a test of how refusals are handled drops to "nobody"
// when it starts as root. It can only when nobody can still reach the test's own files
// (a checkout under a private home cannot be reached); it then stays root and the cases
// that need permissions skip themselves.
namespace asuser {
inline bool reachableByOthers(const QString& file)
{
    for (QFileInfo info(file);; info = QFileInfo(info.absolutePath())) {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0 ||
            !(st.st_mode & S_IXOTH))
            return false;
        if (info.isRoot())
            return true;
    }
}

inline int dropRoot()
{
    if (::geteuid() != 0 || !reachableByOthers(QFileInfo("/proc/self/exe").symLinkTarget()))
        return 0;
    return ::setgid(65534) == 0 && ::setuid(65534) == 0 ? 0 : 99;
}

inline bool permissionsApply()
{
    return ::geteuid() != 0;
}
} // namespace asuser

#define SKIP_UNLESS_PERMISSIONS_APPLY()                                                            \
    if (!asuser::permissionsApply())                                                               \
    QSKIP("run as root from a folder only root can reach: permissions do not apply")
