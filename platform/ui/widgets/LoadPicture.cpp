#include "platform/ui/widgets/LoadPicture.h"

#include "platform/KestrelError.h"
#include "platform/RegularFile.h"

#include <QBuffer>
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

constexpr int kStandardSide = 32;

int distanceFromIconSize(const QSize& size)
{
    constexpr int standard = kStandardSide;
    const int side = qMax(size.width(), size.height());
    // Larger images scale down better than smaller ones scale up.
    return side >= standard ? side - standard : 4 * (standard - side);
}

// A reader at the start of the file: for the named format only (no other decoder is
// loaded), or with an empty format, recognising the file by its content.
void prepare(QImageReader& reader, QIODevice& file, const QByteArray& format)
{
    file.seek(0);
    reader.setDevice(&file);
    reader.setFormat(format);
    if (format.isEmpty())
        reader.setDecideFormatFromContent(true);
    else
        reader.setAutoDetectImageFormat(false);
}

bool isDrawing(QImageReader& reader)
{
    const QByteArray format = reader.format();
    return format == "svg" || format == "svgz";
}

QSize drawnSize(const QSize& natural, int side)
{
    return natural.isEmpty() ? QSize(side, side)
                             : natural.scaled(side, side, Qt::KeepAspectRatio).expandedTo({1, 1});
}

// Every image of the file, in file order; empty when none can be read this way.
QList<QImage> decodeAll(QIODevice& file, const QByteArray& format)
{
    QImageReader reader;
    prepare(reader, file, format);
    QList<QImage> images;
    if (isDrawing(reader)) {
        // One rendering per usual icon size, so that views of any size get a sharp one.
        const QSize natural = reader.size();
        for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
            prepare(reader, file, reader.format());
            reader.setScaledSize(drawnSize(natural, side));
            QImage image = reader.read();
            if (image.isNull())
                return {};
            images.append(std::move(image));
        }
        return images;
    }
    const int count = qMax(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        QImage image = reader.read();
        if (image.isNull())
            break;
        images.append(std::move(image));
    }
    return images;
}

// The image nearest to the icon size. A file with several images (an .ico) lists their
// sizes, so only the chosen one is decoded. Null when none can be read this way.
QImage decodeNearest(QIODevice& file, const QByteArray& format)
{
    {
        QImageReader reader;
        prepare(reader, file, format);
        const int count = reader.imageCount();
        if (count <= 1) {
            // A drawing is drawn at the icon size, not scaled up later from its own size.
            if (isDrawing(reader))
                reader.setScaledSize(drawnSize(reader.size(), kStandardSide));
            return reader.read();
        }
        int chosen = -1;
        for (int i = 0, best = 0; i < count; ++i) {
            const QSize size = reader.jumpToImage(i) ? reader.size() : QSize();
            if (!size.isValid()) {
                chosen = -1;
                break;
            }
            if (chosen < 0 || distanceFromIconSize(size) < best) {
                chosen = i;
                best = distanceFromIconSize(size);
            }
        }
        if (chosen >= 0 && reader.jumpToImage(chosen))
            return reader.read();
    }
    // Sizes unknown before decoding: decode them all.
    const QList<QImage> images = decodeAll(file, format);
    const QImage* best = images.isEmpty() ? nullptr : &images.constFirst();
    for (const QImage& image : images)
        if (distanceFromIconSize(image.size()) < distanceFromIconSize(best->size()))
            best = &image;
    return best ? *best : QImage();
}

// The images of a file's content (opened for reading), path naming it in errors.
QList<QImage> decodeImages(QIODevice& file, const QString& suffixHint, bool nearestOnly,
                           const QString& path)
{
    if (file.size() == 0)
        raise(PictureErrorNumber::InvalidPicture, QStringLiteral("Invalid picture"), path);

    const auto decode = [&file, nearestOnly](const QByteArray& format) {
        if (!nearestOnly)
            return decodeAll(file, format);
        const QImage image = decodeNearest(file, format);
        return image.isNull() ? QList<QImage>() : QList<QImage>{image};
    };
    const QByteArray suffix = suffixHint.toLower().toLatin1();
    QList<QImage> images = suffix.isEmpty() ? QList<QImage>() : decode(suffix);
    if (images.isEmpty())
        images = decode(QByteArray());
    if (images.isEmpty())
        raise(PictureErrorNumber::InvalidPicture, QStringLiteral("Invalid picture"), path);
    return images;
}
// The file's images (only the one nearest to the icon size when nearestOnly); throws
// when there is none. The suffix names the decoder to try first, so that only the one
// needed is loaded; a file whose content does not match its suffix (a PNG named .ico)
// is then recognised by its content.
QList<QImage> readImages(const QString& path, bool nearestOnly)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        raise(PictureErrorNumber::FileNotFound, QStringLiteral("File not found"), path);
    // Opening a FIFO would wait for a writer forever; a device never ends.
    if (const QString kind = notRegularFileReason(path); !kind.isEmpty())
        raise(PictureErrorNumber::FileAccessError,
              QStringLiteral("Path/File access error (%1, not a picture file)").arg(kind), path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(PictureErrorNumber::FileAccessError, QStringLiteral("Path/File access error"), path);
    return decodeImages(file, info.suffix(), nearestOnly, path);
}

} // namespace

QImage readPicture(const QString& path)
{
    return readImages(path, true).constFirst();
}

QList<QImage> readIconImages(const QString& path)
{
    return readImages(path, false);
}

QList<QImage> readIconImages(const QByteArray& data, const QString& path)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return decodeImages(buffer, QFileInfo(path).suffix(), false, path);
}

QImage readPicture(const QByteArray& data, const QString& path)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return decodeImages(buffer, QFileInfo(path).suffix(), true, path).constFirst();
}

QPixmap loadPicture(const QString& path)
{
    return QPixmap::fromImage(readPicture(path));
}

QIcon iconFromImages(const QList<QImage>& images)
{
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

QIcon loadIcon(const QString& path)
{
    return iconFromImages(readIconImages(path));
}
} // namespace platform
