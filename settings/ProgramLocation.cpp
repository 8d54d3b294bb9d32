#include "settings/ProgramLocation.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    // Without an application object Qt only warns; ask the kernel directly.
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return target;
}
