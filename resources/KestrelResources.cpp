#include "resources/KestrelResources.h"

#include "resources/ArtworkPixels.h"

#include <QImageReader>
#include <QPixmap>

namespace kestrel_resources {
namespace {
QIcon iconSet(const QString& name)
{
    // Window sizes only: every size given is decoded and handed to the window system.
    QIcon icon;
    for (int size : {32, 64})
        icon.addPixmap(picture(QStringLiteral(":/kestrel/%1-%2.png").arg(name).arg(size)));
    return icon;
}
} // namespace

QPixmap picture(const QString& path)
{
    for (int i = 0; i < artworkPixelsCount; ++i) {
        const ArtworkPixels& art = artworkPixels[i];
        if (path == QLatin1String(art.path))
            return QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(art.pixels), art.width,
                                             art.height, art.width * 4,
                                             QImage::Format_ARGB32_Premultiplied));
    }
    // All the artwork is PNG. Named, it goes straight to the built-in decoder; left to
    // guess, Qt would load every image plug-in first.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

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
    return QCursor(picture(QString::fromLatin1(PointerPath)), PointerHotX, PointerHotY);
}
} // namespace kestrel_resources
