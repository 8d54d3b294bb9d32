#include "resources/KestrelResources.h"

#include <QPixmap>

namespace kestrel_resources {
namespace {
QIcon iconSet(const QString& name)
{
    QIcon icon;
    for (int size : {32, 64, 128, 256})
        icon.addFile(QStringLiteral(":/kestrel/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}
} // namespace

QIcon launcherIcon()
{
    return iconSet(QStringLiteral("Kestrel"));
}

QIcon adminIcon()
{
    return iconSet(QStringLiteral("KestrelAdmin"));
}

QCursor commandPointer()
{
    return QCursor(QPixmap(QString::fromLatin1(PointerPath)), PointerHotX, PointerHotY);
}
} // namespace kestrel_resources
