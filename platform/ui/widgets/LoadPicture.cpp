#include "platform/ui/widgets/LoadPicture.h"

#include "platform/KestrelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QList>

namespace platform {
namespace {
[[noreturn]] void raise(qint32 number, const QString& what, const QString& path)
{
    throw KestrelError(number, QStringLiteral("LoadPicture"),
                       QStringLiteral("%1: \"%2\"").arg(what, QDir::toNativeSeparators(path)));
}

// Every image of the file, in file order; throws when there is none.
QList<QImage> readImages(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        raise(PictureErrorNumber::FileNotFound, QStringLiteral("File not found"), path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(PictureErrorNumber::FileAccessError, QStringLiteral("Path/File access error"), path);
    if (file.size() == 0)
        raise(PictureErrorNumber::InvalidPicture, QStringLiteral("Invalid picture"), path);

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QList<QImage> images;
    const int count = qMax(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        QImage image = reader.read();
        if (image.isNull())
            break;
        images.append(std::move(image));
    }
    if (images.isEmpty())
        raise(PictureErrorNumber::InvalidPicture, QStringLiteral("Invalid picture"), path);
    return images;
}

int distanceFromIconSize(const QImage& image)
{
    constexpr int standard = 32;
    const int side = qMax(image.width(), image.height());
    // Larger images scale down better than smaller ones scale up.
    return side >= standard ? side - standard : 4 * (standard - side);
}
} // namespace

QPixmap loadPicture(const QString& path)
{
    const QList<QImage> images = readImages(path);
    const QImage* best = &images.constFirst();
    for (const QImage& image : images)
        if (distanceFromIconSize(image) < distanceFromIconSize(*best))
            best = &image;
    return QPixmap::fromImage(*best);
}

QIcon loadIcon(const QString& path)
{
    QIcon icon;
    for (const QImage& image : readImages(path))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
} // namespace platform
